#include "tests/support/PaintedPixels.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tintara::testing::painted {

PClip MainClip(TestHost& host, int pixel_type, int width, int height, int frames) {
  return host.MakeClip(pixel_type, width, height, frames, [](int, Picture& p) {
    const bool rgb = IsRGB(p.Format());
    for (int y = 0; y < p.Height(); ++y)
      for (int x = 0; x < p.Width(); ++x) {
        p.SetPixel(x, y, kBright, rgb ? kSecond : kStartU, rgb ? kThird : kStartV);
        if (p.Format() == PixelFormat::RGB32) p.Set(x, y, 3, kFourth);
      }
  });
}

PClip MaskClip(TestHost& host, int pixel_type, int width, int height, const std::function<int(int, int)>& sample,
               int chroma, int frames) {
  return host.MakeClip(pixel_type, width, height, frames, [&](int, Picture& p) {
    for (int y = 0; y < p.Height(); ++y)
      for (int x = 0; x < p.Width(); ++x) {
        const int s = sample(x, y);
        if (IsRGB(p.Format()))
          p.SetPixel(x, y, s, 255 - s, 255 - s);
        else
          p.SetPixel(x, y, s, chroma, chroma);
      }
  });
}

PClip SelectingMask(TestHost& host, int pixel_type, int width, int height, const PosSet& unselected, bool white,
                    int frames) {
  const int on = white ? 255 : 0;
  return MaskClip(
      host, pixel_type, width, height,
      [&](int x, int y) {
        return unselected.count({x, y}) ? 255 - on : on;
      },
      on, frames);
}

PClip LinedClip(TestHost& host, int pixel_type, int width, int height, const PosSet& lines, int frames) {
  return host.MakeClip(pixel_type, width, height, frames, [&](int, Picture& p) {
    for (int y = 0; y < p.Height(); ++y)
      for (int x = 0; x < p.Width(); ++x) p.Set(x, y, 0, lines.count({x, y}) ? 128 : 0);
  });
}

PosSet ChangedPixels(const Picture& out, const Change& change, const Cleared& cleared) {
  PosSet changed;
  const PixelFormat f = out.Format();
  for (int y = 0; y < out.Height(); ++y)
    for (int x = 0; x < out.Width(); ++x) {
      if (IsRGB(f)) {
        const bool clear =
            f == PixelFormat::RGB32 && x >= cleared.x0 && x < cleared.x1 && y >= cleared.y0 && y < cleared.y1;
        const int b0 = out.Get(x, y, 0), b1 = out.Get(x, y, 1), b2 = out.Get(x, y, 2);
        if (b0 == (clear ? 0 : change.b0) && b1 == change.b1 && b2 == change.b2) {
          changed.insert({x, y});
        } else {
          EXPECT_TRUE(b0 == (clear ? 0 : kBright) && b1 == kSecond && b2 == kThird)
              << "pixel (" << x << "," << y << ") is " << b0 << " " << b1 << " " << b2;
        }
        if (f == PixelFormat::RGB32) {
          EXPECT_EQ(out.Get(x, y, 3), kFourth) << "fourth byte at (" << x << "," << y << ")";
        }
      } else {
        const int luma = out.Get(x, y, 0);
        if (luma == change.luma) {
          changed.insert({x, y});
        } else {
          EXPECT_EQ(luma, kBright) << "brightness at (" << x << "," << y << ")";
        }
      }
    }
  if (!IsRGB(f)) {
    // Chroma is shared by a YUY2 pair or a planar 2x2 block: changed when any of its pixels is.
    const int block_rows = f == PixelFormat::YUY2 ? 1 : 2;
    for (int y = 0; y < out.Height(); ++y)
      for (int x = 0; x < out.Width(); ++x) {
        bool shared = false;
        for (int dy = 0; dy < block_rows; ++dy)
          for (int dx = 0; dx < 2; ++dx) shared |= changed.count({(x & ~1) + dx, y - y % block_rows + dy}) > 0;
        EXPECT_EQ(out.Get(x, y, 1), shared ? change.u : kStartU) << "U at (" << x << "," << y << ")";
        EXPECT_EQ(out.Get(x, y, 2), shared ? change.v : kStartV) << "V at (" << x << "," << y << ")";
      }
  }
  return changed;
}

PosSet Block(int x0, int x1, int y0, int y1) {
  PosSet s;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) s.insert({x, y});
  return s;
}
PosSet Row(int y, int x0, int x1) { return Block(x0, x1, y, y); }
PosSet Column(int x, int y0, int y1) { return Block(x, x, y0, y1); }

PosSet Union(std::initializer_list<PosSet> sets) {
  PosSet all;
  for (const PosSet& s : sets) all.insert(s.begin(), s.end());
  return all;
}

PosSet Minus(PosSet set, const PosSet& removed) {
  for (const Pos& p : removed) set.erase(p);
  return set;
}

std::string Describe(const PosSet& set) {
  std::ostringstream s;
  for (const Pos& p : set) s << "(" << p.first << "," << p.second << ") ";
  return s.str();
}

}  // namespace tintara::testing::painted
