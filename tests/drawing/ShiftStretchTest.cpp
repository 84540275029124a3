// Shift and Stretch through their registered signatures, in every format: each shape's region
// with its defaults and its cut to the frame, the reference selection, both pixel operations
// worked by hand, and the checks with both twins' messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/PictureModel.h"
#include "tests/support/UnknownFormat.h"

namespace tintara::testing {
namespace {

using Region = std::function<bool(int x, int y)>;

// Offsets i, j of -w .. w-1 around (cx, cy) with j^2/w^2 + i^2/h^2 <= 1, in integers (the shapes
// used have no boundary points off the axes, where floating point could round either way).
Region Ellipse(int cx, int cy, int w, int h) {
  return [=](int x, int y) {
    const int64_t i = y - cy, j = x - cx;
    return i >= -w && i < w && j >= -w && j < w && j * j * h * h + i * i * w * w <= int64_t{w} * w * h * h;
  };
}
Region Rect(int x0, int y0, int w, int h) {
  return [=](int x, int y) { return x >= x0 && x < x0 + w && y >= y0 && y < y0 + h; };
}

class RegionFilters : public ::testing::TestWithParam<std::tuple<const char*, FormatCase>> {
 protected:
  const char* Filter() const { return std::get<0>(GetParam()); }
  int PixelType() const { return std::get<1>(GetParam()).pixel_type; }

  // Each channel of a pixel differs, so an operation on the wrong byte shows.
  PClip Source(int w, int h, int frames = 1) {
    return host.MakeClip(PixelType(), w, h, frames, [=](int, Picture& p) {
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const int v = (x * 7 + y * 13) % 256;
          p.SetPixel(x, y, v, (v + 85) % 256, (v + 170) % 256);
        }
    });
  }
  // The sample (first RGB byte, Y) is `select` where `picked`, else its opposite; the other bytes
  // always hold the opposite of the sample.
  PClip Reference(int w, int h, const Region& picked, int select) {
    return host.MakeClip(PixelType(), w, h, 1, [&](int, Picture& p) {
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const int s = picked(x, y) ? select : 255 - select;
          p.SetPixel(x, y, s, 255 - s, 255 - s);
        }
    });
  }
  // Frame n of the source with v + st (Shift) or v + (v*st)/100 (Stretch), clamped, in `region`.
  PictureModel Expected(const PClip& src, int n, const Region& region, int st = 10) {
    PictureModel m(host.FrameOf(src, n));
    for (int y = 0; y < m.Height(); ++y)
      for (int x = 0; x < m.Width(); ++x)
        for (int c = 0; region(x, y) && c < (IsRGB(m.Format()) ? m.Channels() : 1); ++c) {
          const int v = m.Get(x, y, c);
          m.Set(x, y, c, std::clamp(std::string(Filter()) == "Shift" ? v + st : v + (v * st) / 100, 0, 255));
        }
    return m;
  }
  PClip Apply(const PClip& src, const PClip& ref, std::vector<Argument> named) {
    named.insert(named.begin(), {Arg(src), Arg(ref)});
    return host.Apply(Filter(), named);
  }

  TestHost host;
};

TEST_P(RegionFilters, ShapesWithTheirDefaultsAndCutsToTheFrame) {
  const auto shape = [](const char* s) { return Named("shape", s); };
  const auto n = [](const char* name, int v) { return Named(name, v); };
  struct Case {
    int w, h;
    std::vector<Argument> named;
    Region region;
  };
  const std::vector<Case> cases = {
      {40, 30, {}, Rect(0, 0, 39, 29)},  // all but the last column and row
      {40, 30, {n("x", 5), n("y", 7), n("w", 10), n("h", 3)}, Rect(5, 7, 10, 3)},
      {40, 30, {n("x", 30), n("y", 20)}, Rect(30, 20, 9, 9)},
      {40, 30, {shape("circle")}, Ellipse(20, 15, 9, 9)},  // radius 40/2 - 20/2 - 1
      {40, 30, {shape("circle"), n("x", 12), n("y", 20), n("w", 5), n("h", 3)}, Ellipse(12, 20, 5, 5)},  // h ignored
      {40, 30, {shape("circle"), n("x", 20), n("y", 20), n("w", 10)}, Ellipse(20, 20, 10, 10)},  // on the bottom edge
      {40, 30, {shape("ellipse")}, Ellipse(20, 15, 9, 7)},                                       // h = 30/2 - 15/2 - 1
      // Taller than wide: rows only from y - w to y + w - 1.
      {40, 30, {shape("ellipse"), n("x", 20), n("y", 15), n("w", 4), n("h", 9)}, Ellipse(20, 15, 4, 9)},
      // y + h = H with h < w: the shape's lowest row would be row H.
      {40, 20, {shape("ellipse"), n("x", 20), n("y", 16), n("w", 9), n("h", 4)}, Ellipse(20, 16, 9, 4)},
      // y = 0 defaults h to -1: rows -1, 0 and 1 qualify, row -1 is left out.
      {40,
       20,
       {shape("ellipse"), n("x", 20), n("y", 0)},
       [](int x, int y) { return (y == 0 && x >= 11 && x <= 28) || (y == 1 && x == 20); }},
      // y = 1 defaults h to 0: the centre row's 0/0 is not greater than 1, so all of it is taken.
      {40, 20, {shape("ellipse"), n("x", 20), n("y", 1)}, [](int x, int y) { return y == 1 && x >= 11 && x <= 28; }},
  };
  for (size_t k = 0; k < cases.size(); ++k) {
    const Case& c = cases[k];
    PClip src = Source(c.w, c.h);
    PClip out = Apply(src,
                      Reference(
                          c.w, c.h, [](int, int) { return true; }, 255),
                      c.named);
    ASSERT_TRUE(out) << "case " << k;
    EXPECT_TRUE(Expected(src, 0, c.region).Matches(host.FrameOf(out, 0))) << "case " << k;
  }
}

TEST_P(RegionFilters, OnlyPixelsWhoseReferenceHoldsTheSelectedValueChange) {
  const Region pattern = [](int x, int y) { return (x * 3 + y) % 4 != 0; };
  const Region rect = Rect(0, 0, 39, 29);
  PClip src = Source(40, 30);
  for (bool white : {true, false}) {
    PClip out = Apply(src, Reference(40, 30, pattern, white ? 255 : 0), {Named("white", white), Named("st", 20)});
    EXPECT_TRUE(Expected(
                    src, 0, [&](int x, int y) { return rect(x, y) && pattern(x, y); }, 20)
                    .Matches(host.FrameOf(out, 0)))
        << "white " << white;
  }
}

TEST_P(RegionFilters, FrameRangeReferenceFramesAndPoison) {
  PClip src = Source(40, 30, 4);
  PClip ref = host.MakeClip(PixelType(), 40, 30, 4, [](int n, Picture& p) {
    if (n != 2) p.Fill(255, 0, 0);  // reference frame 2 selects nothing
  });
  PClip out = Apply(src, ref, {Named("sf", 1), Named("ef", 2)});
  const Region none = [](int, int) { return false; };
  for (int n : {0, 2, 3}) EXPECT_TRUE(Expected(src, n, none).Matches(host.FrameOf(out, n))) << "frame " << n;
  EXPECT_TRUE(Expected(src, 1, Rect(0, 0, 39, 29)).Matches(host.FrameOf(out, 1)));

  TestHost other(0x5A);
  auto run = [&](TestHost& h) {
    PClip in = h.MakeClip(PixelType(), 40, 30, 1, [](int, Picture& p) { p.Fill(90, 30, 200); });
    PClip white = h.MakeClip(PixelType(), 40, 30, 1, [](int, Picture& p) { p.Fill(255, 255, 255); });
    return h.FrameOf(h.Apply(Filter(), {Arg(in), Arg(white), Named("shape", "ellipse")}), 0);
  };
  EXPECT_TRUE(SamePictures(run(host), run(other)));
}

INSTANTIATE_TEST_SUITE_P(Both, RegionFilters,
                         ::testing::Combine(::testing::Values("Shift", "Stretch"), ::testing::ValuesIn(AllFormats())),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param)) + "_" + std::get<1>(info.param).name;
                         });

// Row 0 starts 0, 3, 5, 9, 19, 100, 128, 200, 255 (every RGB byte, or luma); worked by hand.
class RegionArithmetic : public ::testing::TestWithParam<FormatCase> {};

TEST_P(RegionArithmetic, ShiftAddsStretchScalesTruncatingTowardZeroBothClamp) {
  const std::vector<int> in = {0, 3, 5, 9, 19, 100, 128, 200, 255};
  struct Case {
    const char* filter;
    int st;
    std::vector<int> out;
  };
  const std::vector<Case> cases = {
      {"Shift", 10, {10, 13, 15, 19, 29, 110, 138, 210, 255}},
      {"Shift", 255, {255, 255, 255, 255, 255, 255, 255, 255, 255}},
      {"Shift", -255, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"Shift", -100, {0, 0, 0, 0, 0, 0, 28, 100, 155}},
      {"Stretch", 10, {0, 3, 5, 9, 20, 110, 140, 220, 255}},
      {"Stretch", -50, {0, 2, 3, 5, 10, 50, 64, 100, 128}},
      {"Stretch", -100, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"Stretch", 100, {0, 6, 10, 18, 38, 200, 255, 255, 255}},
      {"Stretch", 200, {0, 9, 15, 27, 57, 255, 255, 255, 255}},
  };
  TestHost host;
  PClip src = host.MakeClip(GetParam().pixel_type, 40, 30, 1, [&](int, Picture& p) {
    for (size_t k = 0; k < in.size(); ++k) p.SetPixel(static_cast<int>(k), 0, in[k], in[k], in[k]);
  });
  PClip ref = host.MakeClip(GetParam().pixel_type, 40, 30, 1, [](int, Picture& p) { p.Fill(255, 255, 255); });
  const Picture before = host.FrameOf(src, 0);
  for (const Case& c : cases) {
    Picture f = host.FrameOf(host.Apply(c.filter, {Arg(src), Arg(ref), Named("st", c.st)}), 0);
    for (int x = 0; x < static_cast<int>(in.size()); ++x) {
      EXPECT_EQ(f.Get(x, 0, 0), c.out[x]) << c.filter << " st " << c.st << " x " << x;
      if (IsRGB(f.Format()))
        EXPECT_EQ(f.Get(x, 0, 2), c.out[x]) << "every RGB byte";
      else
        EXPECT_EQ(f.Get(x, 0, 2), before.Get(x, 0, 2)) << "chroma untouched";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, RegionArithmetic, ::testing::ValuesIn(AllFormats()),
                         [](const auto& info) { return std::string(info.param.name); });

class RegionChecks : public ::testing::TestWithParam<const char*> {};

TEST_P(RegionChecks, MessagesBoundariesAndOrder) {
  const std::string name = GetParam();
  const bool shift = name == "Shift";
  const auto msg = [&](const std::string& text) { return name + text; };
  const std::string frames = msg(": Frame number must be positive and end frame not less than start frame"),
                    shape = msg(":rect, circle, ellipse are only valid options for shape"),
                    dims = msg(":coordinates must be +ve and dimensions must be more than 1 "),
                    st = shift ? "Shift: value must be within plus 255 and minus 255"
                               : "Stretch:%age value must be within plus 200 and minus 100",
                    format = msg(": This color format is not supported here"),
                    short_ref = msg(":the reference clip has fewer frames than endframe number"),
                    differs = msg(": The clips differ in colorspace or dimensions"),
                    out = msg(":Invalid coordinates and or dimensions. The "), end = " goes out of frame ";
  const int low = shift ? -255 : -100, high = shift ? 255 : 200;
  TestHost host;
  const PClip clip = host.MakeClip(VideoInfo::CS_BGR32, 40, 30, 5), odd = UnknownFormatClip(40, 30, 5);
  const auto sized = [&](int type, int w, int h, int frames) { return host.MakeClip(type, w, h, frames); };
  const auto n = [](const char* s, int v) { return Named(s, v); };
  const auto fit = [&](const char* s, int x, int y, int w, int h) {
    return std::vector<Argument>{Named("shape", s), n("x", x), n("y", y), n("w", w), n("h", h)};
  };
  struct Case {
    PClip clip, ref;
    std::vector<Argument> named;
    std::string message;
  };
  const std::vector<Case> cases = {
      {odd, clip, {n("sf", -1), Named("shape", "x")}, frames},
      {clip, clip, {n("sf", 3), n("ef", 2)}, frames},
      {odd, clip, {n("ef", 5), Named("shape", "x")}, "Stretch:this clip which has only 5 frames"},  // for Shift too
      {clip, clip, {n("sf", 4), n("ef", 4)}, ""},
      {odd, clip, {Named("shape", "Circle"), n("x", -1)}, shape},
      {odd, clip, {n("x", -1), n("st", 1000)}, dims},
      {clip, clip, {n("w", 1)}, dims},
      {clip, clip, {Named("shape", "circle"), n("h", 1)}, dims},  // even where h is not used
      {clip, clip, {n("x", 0), n("y", 0), n("w", 2), n("h", 2)}, ""},
      {odd, clip, {n("st", low - 1)}, st},
      {clip, clip, {n("st", high + 1)}, st},
      {clip, clip, {n("st", low)}, ""},
      {clip, clip, {n("st", high)}, ""},
      {odd, sized(VideoInfo::CS_BGR32, 40, 30, 1), {n("x", 39), n("w", 5)}, format},
      {clip, sized(VideoInfo::CS_BGR24, 40, 30, 3), {n("x", 39), n("w", 5)}, short_ref},  // ef 4
      {clip, sized(VideoInfo::CS_BGR32, 40, 30, 4), {}, ""},                              // as many frames as ef passes
      {clip, sized(VideoInfo::CS_BGR24, 40, 30, 5), {n("x", 39), n("w", 5)}, differs},
      {clip, sized(VideoInfo::CS_BGR32, 40, 32, 5), {}, differs},
      {clip, clip, fit("rect", 30, 20, 10, 5), out + "rectangle" + end},
      {clip, clip, fit("rect", 30, 20, 5, 10), out + "rectangle" + end},
      {clip, clip, fit("rect", 29, 19, 10, 10), ""},
      {clip, clip, fit("rect", 2147483000, 0, 2147483000, 2), out + "rectangle" + end},  // no wrap in x + w
      {clip, clip, fit("circle", 30, 15, 10, 2), out + "circle" + end},                  // right edge touched
      {clip, clip, fit("circle", 29, 15, 10, 2), ""},
      {clip, clip, fit("circle", 10, 15, 10, 2), out + "circle" + end},  // left
      {clip, clip, fit("circle", 11, 15, 10, 2), ""},
      {clip, clip, fit("circle", 20, 10, 10, 2), out + "circle" + end},  // top
      {clip, clip, fit("circle", 20, 11, 10, 2), ""},
      {clip, clip, fit("circle", 20, 21, 10, 2), out + "circle" + end},  // bottom: touching it passes
      {clip, clip, fit("circle", 20, 20, 10, 2), ""},
      {clip, clip, fit("ellipse", 30, 15, 10, 4), out + "ellipse" + end},
      {clip, clip, fit("ellipse", 20, 4, 10, 4), out + "ellipse" + end},  // top against h
      {clip, clip, fit("ellipse", 20, 5, 10, 4), ""},
      {clip, clip, fit("ellipse", 20, 27, 10, 4), out + "ellipse" + end},
      {clip, clip, fit("ellipse", 20, 26, 10, 4), ""},
      {clip, clip, fit("ellipse", 32767, 32767, 32767, 32767), ""},  // 32767 means absent
  };
  for (size_t k = 0; k < cases.size(); ++k) {
    std::vector<Argument> args = {Arg(cases[k].clip), Arg(cases[k].ref)};
    args.insert(args.end(), cases[k].named.begin(), cases[k].named.end());
    EXPECT_EQ(host.ErrorOf(name, args), cases[k].message) << "case " << k;
  }
}

INSTANTIATE_TEST_SUITE_P(Both, RegionChecks, ::testing::Values("Shift", "Stretch"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace tintara::testing
