// Clips and expectations shared by the seeded colouring tests: masks drawn from a function,
// a picture whose every pixel differs from a painted one, and the worked colour values.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>

#include "tests/support/TestHost.h"

namespace tintara::testing {

// Worked by hand from the colour formulas (see ColourTable tests).
struct WorkedColour {
  int colour, U, V, Y, kV, kG, kU;
};
constexpr WorkedColour kRed{0xFF0000, 84, 255, 76, 178, -75, -78};
constexpr WorkedColour kBlue{0x0000FF, 255, 107, 29, -29, -28, 225};
constexpr WorkedColour kBlack{0, 128, 128, 0, 0, 0, 0};

inline int Clamp255(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

// A mask clip whose sample at picture (x, y) is value(x, y): RGB byte 0 (the other bytes stay
// 128, so reading the wrong byte shows), YUY2 and planar luma.
inline PClip MaskClip(TestHost& host, int pixel_type, int w, int h, const std::function<int(int, int)>& value,
                      int frames = 1) {
  return host.MakeClip(pixel_type, w, h, frames, [&](int, Picture& p) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) p.Set(x, y, 0, value(x, y));
  });
}

// A picture with brightness varying by pixel and chroma far from every colour used: RGB
// (b, g, r) = (N, 90, 200), YUV Y = N with U = 60 and V = 190.
inline int Level(int x, int y) { return 20 + (3 * x + 5 * y) % 200; }
inline PClip PictureClip(TestHost& host, int pixel_type, int w, int h, int frames = 1) {
  return host.MakeClip(pixel_type, w, h, frames, [&](int, Picture& p) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        if (IsRGB(p.Format())) {
          p.SetPixel(x, y, Level(x, y), 90, 200);
          if (p.Format() == PixelFormat::RGB32) p.Set(x, y, 3, 7);
        } else {
          p.SetPixel(x, y, Level(x, y), 60, 190);
        }
      }
  });
}

// Pixel (x, y) was painted with each colour in turn (st = 0): YUV keeps its luma and ends with
// the last chroma; RGB takes each brightness from the first byte the previous painting left.
inline ::testing::AssertionResult PaintedInTurn(const Picture& out, const Picture& in, int x, int y,
                                                std::initializer_list<const WorkedColour*> colours) {
  const auto fail = [&](const std::string& what) {
    return ::testing::AssertionFailure() << "pixel " << x << "," << y << ": " << what;
  };
  if (IsRGB(out.Format())) {
    int p0 = in.Get(x, y, 0), p1 = in.Get(x, y, 1), p2 = in.Get(x, y, 2);
    for (const WorkedColour* c : colours) {
      const int N = p0;
      p0 = Clamp255(N + c->kV), p1 = Clamp255(N + c->kG), p2 = Clamp255(N + c->kU);
    }
    if (out.Get(x, y, 0) != p0 || out.Get(x, y, 1) != p1 || out.Get(x, y, 2) != p2)
      return fail("RGB bytes " + std::to_string(out.Get(x, y, 0)) + " " + std::to_string(out.Get(x, y, 1)) + " " +
                  std::to_string(out.Get(x, y, 2)) + ", expected " + std::to_string(p0) + " " + std::to_string(p1) +
                  " " + std::to_string(p2));
    if (out.Format() == PixelFormat::RGB32 && out.Get(x, y, 3) != in.Get(x, y, 3)) return fail("fourth byte");
  } else {
    const WorkedColour* last = *(colours.end() - 1);
    if (out.Get(x, y, 0) != in.Get(x, y, 0)) return fail("luma changed");
    if (out.Get(x, y, 1) != last->U || out.Get(x, y, 2) != last->V)
      return fail("chroma " + std::to_string(out.Get(x, y, 1)) + " " + std::to_string(out.Get(x, y, 2)));
  }
  return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult Painted(const Picture& out, const Picture& in, int x, int y, const WorkedColour& c) {
  return PaintedInTurn(out, in, x, y, {&c});
}

// Every byte of pixel (x, y) as the input had it.
inline ::testing::AssertionResult Untouched(const Picture& out, const Picture& in, int x, int y) {
  const int channels = out.Format() == PixelFormat::RGB32 ? 4 : 3;
  for (int c = 0; c < channels; ++c)
    if (out.Get(x, y, c) != in.Get(x, y, c))
      return ::testing::AssertionFailure() << "pixel " << x << "," << y << " channel " << c << " changed";
  return ::testing::AssertionSuccess();
}

// Pixel (x, y) holds a colour written as it stands: RGB bytes R, G, B; YUV Y, U, V.
inline ::testing::AssertionResult Solid(const Picture& out, int x, int y, int r, int g, int b, int Y, int U, int V) {
  const bool rgb = IsRGB(out.Format());
  const int e[3] = {rgb ? r : Y, rgb ? g : U, rgb ? b : V};
  for (int c = 0; c < 3; ++c)
    if (out.Get(x, y, c) != e[c])
      return ::testing::AssertionFailure()
             << "pixel " << x << "," << y << " channel " << c << " is " << out.Get(x, y, c) << ", expected " << e[c];
  return ::testing::AssertionSuccess();
}

// Every channel of every pixel equal.
inline ::testing::AssertionResult SameFrames(const Picture& a, const Picture& b) {
  const int channels = a.Format() == PixelFormat::RGB32 ? 4 : 3;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      for (int c = 0; c < channels; ++c)
        if (a.Get(x, y, c) != b.Get(x, y, c))
          return ::testing::AssertionFailure() << "differs at " << x << "," << y << " channel " << c;
  return ::testing::AssertionSuccess();
}

// A clip of any pixel type, for checks that must refuse it before a frame is asked for.
class InfoClip : public IClip {
 public:
  InfoClip(int pixel_type, int w, int h, int frames) : vi_() {
    vi_.width = w, vi_.height = h, vi_.num_frames = frames, vi_.pixel_type = pixel_type;
    vi_.fps_numerator = 25, vi_.fps_denominator = 1;
  }
  PVideoFrame GetFrame(int, IScriptEnvironment*) override {
    ADD_FAILURE() << "frame asked of a clip that should have been refused";
    return PVideoFrame();
  }
  bool GetParity(int) override { return false; }
  void GetAudio(void*, int64_t, int64_t, IScriptEnvironment*) override {}
  int SetCacheHints(int, int) override { return 0; }
  const VideoInfo& GetVideoInfo() override { return vi_; }

 private:
  VideoInfo vi_;
};

// Interleaved YUV without the YUY2 bit: none of the five formats.
constexpr int kUnsupportedType = VideoInfo::CS_YUV | VideoInfo::CS_INTERLEAVED | 64;

class SeededFormats : public ::testing::TestWithParam<FormatCase> {
 protected:
  int Type() const { return GetParam().pixel_type; }
};

inline std::string FormatName(const ::testing::TestParamInfo<FormatCase>& info) { return info.param.name; }

}  // namespace tintara::testing
