// Shift and Stretch through their registered signatures, in every format: the region of each
// shape with its defaults and its cut to the frame, the reference selection, the arithmetic of
// both pixel operations, and the checks with both twins' messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/PictureModel.h"
#include "tests/support/TestHost.h"
#include "tests/support/UnknownFormat.h"

namespace tintara::testing {
namespace {

using Region = std::function<bool(int x, int y)>;

// Offsets i (rows) and j (columns) of -w .. w-1 around (cx, cy) with j^2/w^2 + i^2/h^2 <= 1,
// tested in integers (the shapes below have no boundary points other than the axes' ends).
Region Ellipse(int cx, int cy, int w, int h) {
  return [=](int x, int y) {
    const int64_t i = y - cy, j = x - cx;
    if (i < -w || i > w - 1 || j < -w || j > w - 1) return false;
    return j * j * h * h + i * i * w * w <= int64_t{w} * w * h * h;
  };
}

Region Rect(int x0, int y0, int w, int h) {
  return [=](int x, int y) { return x >= x0 && x < x0 + w && y >= y0 && y < y0 + h; };
}

class RegionFilters : public ::testing::TestWithParam<std::tuple<const char*, FormatCase>> {
 protected:
  const char* Filter() const { return std::get<0>(GetParam()); }
  int PixelType() const { return std::get<1>(GetParam()).pixel_type; }
  bool IsShift() const { return std::string(Filter()) == "Shift"; }

  // The pixel operation with st, as each filter states it.
  int Apply(int v, int st) const {
    const int r = IsShift() ? v + st : v + (v * st) / 100;
    return std::clamp(r, 0, 255);
  }

  // Varied bytes: each channel of a pixel differs, so an operation on the wrong byte shows.
  PClip Source(int width, int height, int frames = 1) {
    return host.MakeClip(PixelType(), width, height, frames, [&](int, Picture& p) {
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
          const int v = (x * 7 + y * 13) % 256;
          p.SetPixel(x, y, v, (v + 85) % 256, (v + 170) % 256);
        }
    });
  }

  // A reference whose sample (first RGB byte, Y) is `select` where `picked`, the other extreme
  // elsewhere; the remaining bytes always hold the opposite of the sample.
  PClip Reference(int width, int height, const Region& picked, int select, int frames = 1) {
    return host.MakeClip(PixelType(), width, height, frames, [&](int, Picture& p) {
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
          const int s = picked(x, y) ? select : 255 - select;
          p.SetPixel(x, y, s, 255 - s, 255 - s);
        }
    });
  }

  // The source frame with the operation applied where `region` and the reference agree.
  PictureModel Expected(const PClip& src, int n, const Region& region, int st) {
    PictureModel m(host.FrameOf(src, n));
    const int channels = IsRGB(m.Format()) ? m.Channels() : 1;
    for (int y = 0; y < m.Height(); ++y)
      for (int x = 0; x < m.Width(); ++x)
        if (region(x, y))
          for (int c = 0; c < channels; ++c) m.Set(x, y, c, Apply(m.Get(x, y, c), st));
    return m;
  }

  // Runs the filter on a width x height clip with a reference that selects everything and
  // compares frame 0 with `region` changed.
  void ExpectRegion(int width, int height, const std::vector<Argument>& named, const Region& region, int st = 10) {
    PClip src = Source(width, height);
    PClip ref = Reference(width, height, [](int, int) { return true; }, 255);
    std::vector<Argument> args = {Arg(src), Arg(ref)};
    args.insert(args.end(), named.begin(), named.end());
    PClip out = host.Apply(Filter(), args);
    ASSERT_TRUE(out);
    EXPECT_TRUE(Expected(src, 0, region, st).Matches(host.FrameOf(out, 0)));
  }

  TestHost host;
};

TEST_P(RegionFilters, DefaultsChangeAllButTheLastColumnAndRowByTen) {
  ExpectRegion(40, 30, {}, Rect(0, 0, 39, 29));
}

TEST_P(RegionFilters, RectangleFromItsCorner) {
  ExpectRegion(40, 30, {Named("x", 5), Named("y", 7), Named("w", 10), Named("h", 3)}, Rect(5, 7, 10, 3));
  // Given a corner only, the rectangle runs to the last column and row but one.
  ExpectRegion(40, 30, {Named("x", 30), Named("y", 20)}, Rect(30, 20, 9, 9));
}

TEST_P(RegionFilters, OnlyPixelsWhoseReferenceHoldsTheSelectedValueChange) {
  const Region pattern = [](int x, int y) { return (x * 3 + y) % 4 != 0; };
  for (bool white : {true, false}) {
    PClip src = Source(40, 30);
    PClip ref = Reference(40, 30, pattern, white ? 255 : 0);
    PClip out = host.Apply(Filter(), {Arg(src), Arg(ref), Named("white", white), Named("st", 20)});
    const Region rect = Rect(0, 0, 39, 29);
    EXPECT_TRUE(Expected(src, 0, [&](int x, int y) { return rect(x, y) && pattern(x, y); }, 20).Matches(host.FrameOf(out, 0)))
        << "white " << white;
  }
}

TEST_P(RegionFilters, CircleDefaultsToAQuarterWidthRadiusAndIgnoresH) {
  // Centred on 40x30: radius 40/2 - 20/2 - 1 = 9.
  ExpectRegion(40, 30, {Named("shape", "circle")}, Ellipse(20, 15, 9, 9));
  ExpectRegion(40, 30, {Named("shape", "circle"), Named("x", 12), Named("y", 20), Named("w", 5), Named("h", 3)},
               Ellipse(12, 20, 5, 5));
}

TEST_P(RegionFilters, CircleTouchingTheBottomEdgeReachesTheLastRow) {
  ExpectRegion(40, 30, {Named("shape", "circle"), Named("x", 20), Named("y", 20), Named("w", 10)},
               Ellipse(20, 20, 10, 10));
}

TEST_P(RegionFilters, EllipseDefaultsAndRowsCutAtTheWidthHalfAxis) {
  // Centred on 40x30: half-axes 9 and 30/2 - 15/2 - 1 = 7.
  ExpectRegion(40, 30, {Named("shape", "ellipse")}, Ellipse(20, 15, 9, 7));
  // Taller than wide: rows only from y - w to y + w - 1 although the ellipse goes on.
  ExpectRegion(40, 30, {Named("shape", "ellipse"), Named("x", 20), Named("y", 15), Named("w", 4), Named("h", 9)},
               Ellipse(20, 15, 4, 9));
}

TEST_P(RegionFilters, EllipseReachingOneRowPastTheFrameStopsAtItsLastRow) {
  // y + h = H with h < w: the lowest row of the shape would be row H.
  ExpectRegion(40, 20, {Named("shape", "ellipse"), Named("x", 20), Named("y", 16), Named("w", 9), Named("h", 4)},
               Ellipse(20, 16, 9, 4));
}

TEST_P(RegionFilters, EllipseWithDefaultedHalfAxisNearTheTop) {
  // y = 0 on height 20 defaults h to -1: rows -1, 0 and 1 qualify, row -1 is left out.
  ExpectRegion(40, 20, {Named("shape", "ellipse"), Named("x", 20), Named("y", 0)}, [](int x, int y) {
    return (y == 0 && x >= 11 && x <= 28) || (y == 1 && x == 20);
  });
  // y = 1 defaults h to 0: the centre row's 0/0 is not greater than 1, so all of it is taken.
  ExpectRegion(40, 20, {Named("shape", "ellipse"), Named("x", 20), Named("y", 1)},
               [](int x, int y) { return y == 1 && x >= 11 && x <= 28; });
}

TEST_P(RegionFilters, FramesOutsideTheRangeAndTheReferenceFrameOfEachFrame) {
  PClip src = Source(40, 30, 4);
  // Reference frame 2 selects nothing.
  PClip ref = host.MakeClip(PixelType(), 40, 30, 4, [](int n, Picture& p) {
    if (n != 2) p.Fill(255, 0, 0);
  });
  PClip out = host.Apply(Filter(), {Arg(src), Arg(ref), Named("sf", 1), Named("ef", 2)});
  const Region none = [](int, int) { return false; };
  EXPECT_TRUE(Expected(src, 0, none, 10).Matches(host.FrameOf(out, 0)));
  EXPECT_TRUE(Expected(src, 1, Rect(0, 0, 39, 29), 10).Matches(host.FrameOf(out, 1)));
  EXPECT_TRUE(Expected(src, 2, none, 10).Matches(host.FrameOf(out, 2)));
  EXPECT_TRUE(Expected(src, 3, none, 10).Matches(host.FrameOf(out, 3)));
}

TEST_P(RegionFilters, OutputDoesNotDependOnFramePoison) {
  TestHost other(0x5A);
  auto run = [&](TestHost& h) {
    PClip src = h.MakeClip(PixelType(), 40, 30, 1, [](int, Picture& p) { p.Fill(90, 30, 200); });
    PClip ref = h.MakeClip(PixelType(), 40, 30, 1, [](int, Picture& p) { p.Fill(255, 255, 255); });
    PClip out = h.Apply(Filter(), {Arg(src), Arg(ref), Named("shape", "ellipse")});
    return h.FrameOf(out, 0);
  };
  EXPECT_TRUE(SamePictures(run(host), run(other)));
}

INSTANTIATE_TEST_SUITE_P(Both, RegionFilters,
                         ::testing::Combine(::testing::Values("Shift", "Stretch"), ::testing::ValuesIn(AllFormats())),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param)) + "_" + std::get<1>(info.param).name;
                         });

// ---- The pixel operations, worked by hand ---------------------------------------------------

class RegionArithmetic : public ::testing::TestWithParam<FormatCase> {
 protected:
  // Row 0 holds these values in its first columns (every channel for RGB, luma otherwise); the
  // reference selects everything; returns the first channel of row 0 afterwards.
  std::vector<int> Run(const char* filter, int st) {
    PClip src = host.MakeClip(GetParam().pixel_type, 40, 30, 1, [&](int, Picture& p) {
      for (size_t k = 0; k < kValues.size(); ++k) p.SetPixel(static_cast<int>(k), 0, kValues[k], kValues[k], kValues[k]);
    });
    PClip ref = host.MakeClip(GetParam().pixel_type, 40, 30, 1, [](int, Picture& p) { p.Fill(255, 255, 255); });
    PClip out = host.Apply(filter, {Arg(src), Arg(ref), Named("st", st)});
    Picture f = host.FrameOf(out, 0);
    Picture in = host.FrameOf(src, 0);
    std::vector<int> result;
    for (size_t k = 0; k < kValues.size(); ++k) {
      const int x = static_cast<int>(k);
      result.push_back(f.Get(x, 0, 0));
      if (IsRGB(f.Format())) EXPECT_EQ(f.Get(x, 0, 2), result.back()) << "every byte of an RGB pixel";
      else EXPECT_TRUE(f.Get(x, 0, 1) == in.Get(x, 0, 1) && f.Get(x, 0, 2) == in.Get(x, 0, 2)) << "chroma untouched";
    }
    return result;
  }

  const std::vector<int> kValues = {0, 3, 5, 9, 19, 100, 128, 200, 255};
  TestHost host;
};

TEST_P(RegionArithmetic, ShiftAddsAndClamps) {
  EXPECT_EQ(Run("Shift", 10), (std::vector<int>{10, 13, 15, 19, 29, 110, 138, 210, 255}));
  EXPECT_EQ(Run("Shift", 255), (std::vector<int>{255, 255, 255, 255, 255, 255, 255, 255, 255}));
  EXPECT_EQ(Run("Shift", -255), (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Run("Shift", -100), (std::vector<int>{0, 0, 0, 0, 0, 0, 28, 100, 155}));
}

TEST_P(RegionArithmetic, StretchScalesWithTruncationTowardZero) {
  EXPECT_EQ(Run("Stretch", 10), (std::vector<int>{0, 3, 5, 9, 20, 110, 140, 220, 255}));
  EXPECT_EQ(Run("Stretch", -50), (std::vector<int>{0, 2, 3, 5, 10, 50, 64, 100, 128}));
  EXPECT_EQ(Run("Stretch", -100), (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Run("Stretch", 100), (std::vector<int>{0, 6, 10, 18, 38, 200, 255, 255, 255}));
  EXPECT_EQ(Run("Stretch", 200), (std::vector<int>{0, 9, 15, 27, 57, 255, 255, 255, 255}));
}

INSTANTIATE_TEST_SUITE_P(AllFormats, RegionArithmetic, ::testing::ValuesIn(AllFormats()),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Checks ----------------------------------------------------------------------------------

class RegionChecks : public ::testing::TestWithParam<const char*> {
 protected:
  std::string Name() const { return GetParam(); }
  // The filter's message: `text` behind its name.
  std::string Msg(const std::string& text) const { return Name() + text; }

  std::string Error(const PClip& clip, const PClip& ref, const std::vector<Argument>& named = {}) {
    std::vector<Argument> args = {Arg(clip), Arg(ref)};
    args.insert(args.end(), named.begin(), named.end());
    return host.ErrorOf(Name(), args);
  }

  TestHost host;
};

TEST_P(RegionChecks, FrameRangeAndShapeName) {
  PClip clip = host.MakeClip(VideoInfo::CS_YV12, 40, 30, 5);
  const std::string frames = Msg(": Frame number must be positive and end frame not less than start frame");
  EXPECT_EQ(Error(clip, clip, {Named("sf", -1)}), frames);
  EXPECT_EQ(Error(clip, clip, {Named("sf", 3), Named("ef", 2)}), frames);
  EXPECT_EQ(Error(clip, clip, {Named("ef", -1)}), frames);
  // Shift reports this one with its twin's prefix.
  EXPECT_EQ(Error(clip, clip, {Named("ef", 5)}), "Stretch:this clip which has only 5 frames");
  EXPECT_EQ(Error(clip, clip, {Named("sf", 5), Named("ef", 6)}), "Stretch:this clip which has only 5 frames");
  EXPECT_EQ(Error(clip, clip, {Named("sf", 4), Named("ef", 4)}), "");
  EXPECT_EQ(Error(clip, clip, {Named("shape", "square")}), Msg(":rect, circle, ellipse are only valid options for shape"));
  EXPECT_EQ(Error(clip, clip, {Named("shape", "Circle")}), Msg(":rect, circle, ellipse are only valid options for shape"));
}

TEST_P(RegionChecks, CoordinatesDimensionsAndSt) {
  PClip clip = host.MakeClip(VideoInfo::CS_YUY2, 40, 30, 2);
  const std::string dims = Msg(":coordinates must be +ve and dimensions must be more than 1 ");
  EXPECT_EQ(Error(clip, clip, {Named("x", -1)}), dims);
  EXPECT_EQ(Error(clip, clip, {Named("y", -1)}), dims);
  EXPECT_EQ(Error(clip, clip, {Named("w", 1)}), dims);
  EXPECT_EQ(Error(clip, clip, {Named("shape", "circle"), Named("h", 1)}), dims);  // even where h is not used
  EXPECT_EQ(Error(clip, clip, {Named("x", 0), Named("y", 0), Named("w", 2), Named("h", 2)}), "");
  const bool shift = Name() == "Shift";
  const std::string st = shift ? "Shift: value must be within plus 255 and minus 255"
                               : "Stretch:%age value must be within plus 200 and minus 100";
  const int low = shift ? -255 : -100, high = shift ? 255 : 200;
  EXPECT_EQ(Error(clip, clip, {Named("st", low - 1)}), st);
  EXPECT_EQ(Error(clip, clip, {Named("st", high + 1)}), st);
  EXPECT_EQ(Error(clip, clip, {Named("st", low)}), "");
  EXPECT_EQ(Error(clip, clip, {Named("st", high)}), "");
}

TEST_P(RegionChecks, FormatAndReferenceClip) {
  PClip clip = host.MakeClip(VideoInfo::CS_BGR32, 40, 30, 5);
  PClip odd = UnknownFormatClip(40, 30, 5);
  EXPECT_EQ(Error(odd, odd), Msg(": This color format is not supported here"));
  const std::string short_ref = Msg(":the reference clip has fewer frames than endframe number");
  EXPECT_EQ(Error(clip, host.MakeClip(VideoInfo::CS_BGR32, 40, 30, 3)), short_ref);  // ef 4
  EXPECT_EQ(Error(clip, host.MakeClip(VideoInfo::CS_BGR32, 40, 30, 4)), "");       // as many as ef passes
  const std::string differs = Msg(": The clips differ in colorspace or dimensions");
  EXPECT_EQ(Error(clip, host.MakeClip(VideoInfo::CS_BGR24, 40, 30, 5)), differs);
  EXPECT_EQ(Error(clip, host.MakeClip(VideoInfo::CS_BGR32, 42, 30, 5)), differs);
  EXPECT_EQ(Error(clip, host.MakeClip(VideoInfo::CS_BGR32, 40, 32, 5)), differs);
  EXPECT_EQ(Error(clip, host.MakeClip(VideoInfo::CS_BGR24, 40, 30, 3)), short_ref);  // length first
}

TEST_P(RegionChecks, ShapesMustFitTheFrame) {
  PClip clip = host.MakeClip(VideoInfo::CS_I420, 40, 30, 1);
  auto shape = [&](const char* s, int x, int y, int w, int h) {
    return Error(clip, clip, {Named("shape", s), Named("x", x), Named("y", y), Named("w", w), Named("h", h)});
  };
  const std::string rect = Msg(":Invalid coordinates and or dimensions. The rectangle goes out of frame ");
  const std::string circle = Msg(":Invalid coordinates and or dimensions. The circle goes out of frame ");
  const std::string ellipse = Msg(":Invalid coordinates and or dimensions. The ellipse goes out of frame ");
  EXPECT_EQ(shape("rect", 30, 20, 10, 5), rect);
  EXPECT_EQ(shape("rect", 30, 20, 5, 10), rect);
  EXPECT_EQ(shape("rect", 29, 19, 10, 10), "");
  EXPECT_EQ(shape("rect", 2147483000, 0, 2147483000, 2), rect);  // no wrap-around in x + w

  EXPECT_EQ(shape("circle", 30, 15, 10, 2), circle);  // right edge touched
  EXPECT_EQ(shape("circle", 29, 15, 10, 2), "");
  EXPECT_EQ(shape("circle", 10, 15, 10, 2), circle);  // left
  EXPECT_EQ(shape("circle", 11, 15, 10, 2), "");
  EXPECT_EQ(shape("circle", 20, 10, 10, 2), circle);  // top
  EXPECT_EQ(shape("circle", 20, 11, 10, 2), "");
  EXPECT_EQ(shape("circle", 20, 21, 10, 2), circle);  // bottom: touching it is allowed
  EXPECT_EQ(shape("circle", 20, 20, 10, 2), "");

  EXPECT_EQ(shape("ellipse", 30, 15, 10, 4), ellipse);
  EXPECT_EQ(shape("ellipse", 10, 15, 10, 4), ellipse);
  EXPECT_EQ(shape("ellipse", 20, 4, 10, 4), ellipse);  // top against h
  EXPECT_EQ(shape("ellipse", 20, 5, 10, 4), "");
  EXPECT_EQ(shape("ellipse", 20, 27, 10, 4), ellipse);
  EXPECT_EQ(shape("ellipse", 20, 26, 10, 4), "");
  // An explicit 32767 means absent: the centred defaults fit.
  EXPECT_EQ(shape("ellipse", 32767, 32767, 32767, 32767), "");
}

TEST_P(RegionChecks, CreationChecksComeBeforeTheConstructorsOnes) {
  PClip clip = host.MakeClip(VideoInfo::CS_BGR24, 40, 30, 3);
  PClip odd = UnknownFormatClip(40, 30, 3);
  EXPECT_EQ(Error(odd, clip, {Named("sf", 2), Named("ef", 1), Named("shape", "x")}),
            Msg(": Frame number must be positive and end frame not less than start frame"));
  EXPECT_EQ(Error(odd, clip, {Named("shape", "x"), Named("w", 0)}),
            Msg(":rect, circle, ellipse are only valid options for shape"));
  EXPECT_EQ(Error(odd, clip, {Named("w", 0), Named("st", 1000)}),
            Msg(":coordinates must be +ve and dimensions must be more than 1 "));
  EXPECT_EQ(Error(odd, host.MakeClip(VideoInfo::CS_BGR24, 40, 30, 1), {Named("st", 1000)}),
            Name() == "Shift" ? "Shift: value must be within plus 255 and minus 255"
                              : "Stretch:%age value must be within plus 200 and minus 100");
  EXPECT_EQ(Error(odd, host.MakeClip(VideoInfo::CS_BGR24, 40, 30, 1)), Msg(": This color format is not supported here"));
  EXPECT_EQ(Error(clip, host.MakeClip(VideoInfo::CS_BGR32, 40, 30, 1), {Named("x", 39), Named("w", 5)}),
            Msg(":the reference clip has fewer frames than endframe number"));
  EXPECT_EQ(Error(clip, host.MakeClip(VideoInfo::CS_BGR32, 40, 30, 3), {Named("x", 39), Named("w", 5)}),
            Msg(": The clips differ in colorspace or dimensions"));
}

INSTANTIATE_TEST_SUITE_P(Both, RegionChecks, ::testing::Values("Shift", "Stretch"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace tintara::testing
