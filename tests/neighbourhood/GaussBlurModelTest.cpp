// GaussBlur against a model of its two passes with weights from the kernel formula, on noisy
// frames wide and tall enough for the vector loops (with leftover columns), every kernel size,
// with and without chroma: every byte of every plane must agree.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "tests/support/PictureModel.h"
#include "tests/support/RandomClip.h"
#include "tests/support/TestHost.h"

namespace tintara::testing {
namespace {

std::vector<int> Weights(int size, double sd) {
  const int h = size / 2;
  std::vector<double> w(static_cast<size_t>(size));
  double sum = 0;
  for (int i = 0; i < size; ++i) {
    const int d = i - h;
    w[i] = std::pow(2.71828, -(d * d * 0.5) / (sd * sd)) / (std::sqrt(6.2831853) * sd);
    sum += w[i];
  }
  std::vector<int> k(static_cast<size_t>(size));
  for (int i = 0; i < size; ++i) k[i] = static_cast<int>(w[i] * 1024 / sum);
  return k;
}

// One plane as a grid of samples: get(i, y) / set(i, y, v) over `width` samples and `height` rows.
struct Grid {
  int width, height;
  std::vector<int> v;
  int& At(int i, int y) { return v[static_cast<size_t>(y * width + i)]; }
};

void BlurModel(Grid& p, const std::vector<int>& k) {
  const int h = static_cast<int>(k.size()) / 2;
  Grid t = p;
  for (int y = 0; y < p.height; ++y)
    for (int x = h; x < p.width - h; ++x) {
      int sum = 0;
      for (int j = -h; j <= h; ++j) sum += k[h + j] * p.At(x + j, y);
      t.At(x, y) = sum >> 10;
    }
  for (int y = h; y < p.height - h; ++y)
    for (int x = 0; x < p.width; ++x) {
      int sum = 0;
      for (int j = -h; j <= h; ++j) sum += k[h + j] * t.At(x, y + j);
      p.At(x, y) = sum >> 10;
    }
}

// The planes of a picture as the blur sees them: each RGB byte position, YUV luma, and chroma
// (one sample per YUY2 pair, per planar 2x2 block). Picture rows are used for RGB too: the passes
// treat rows alike and the kernel mirrors, so the result is the same.
PictureModel Expected(const Picture& in, int size, double sd, bool u, bool v) {
  PictureModel m(in);
  const std::vector<int> k = Weights(size, sd);
  const PixelFormat f = in.Format();
  const int W = in.Width(), H = in.Height();
  auto blur = [&](int channel, int step_x, int step_y) {
    Grid g{W / step_x, H / step_y, std::vector<int>(static_cast<size_t>((W / step_x) * (H / step_y)))};
    for (int y = 0; y < g.height; ++y)
      for (int i = 0; i < g.width; ++i) g.At(i, y) = m.Get(i * step_x, y * step_y, channel);
    BlurModel(g, k);
    for (int y = 0; y < g.height; ++y)
      for (int i = 0; i < g.width; ++i) m.Set(i * step_x, y * step_y, channel, g.At(i, y));
  };
  if (IsRGB(f)) {
    for (int c = 0; c < m.Channels(); ++c) blur(c, 1, 1);
    return m;
  }
  blur(0, 1, 1);
  const int sy = IsPlanar(f) ? 2 : 1;
  if (u) blur(1, 2, sy);
  if (v) blur(2, 2, sy);
  return m;
}

class GaussBlurModel : public ::testing::TestWithParam<FormatCase> {};

TEST_P(GaussBlurModel, BothPassesAgreeWithTheModelForEverySize) {
  TestHost host;
  std::mt19937 rng(5 + GetParam().pixel_type);
  const int W = 146, H = 30;
  PClip src = RandomClip(host, GetParam().pixel_type, W, H, rng);
  const Picture in = host.FrameOf(src, 0);
  const double sds[] = {1.5, 0.4, 3.0, 9.0, 2.2};
  for (int size = 3; size <= 11; size += 2) {
    const double sd = sds[size / 2 - 1];
    const bool u = size % 4 == 3, v = size != 7;
    PClip out = host.Apply("GaussBlur", {Arg(src), Named("size", size), Named("sd", sd), Named("u", u), Named("v", v)});
    ASSERT_TRUE(Expected(in, size, sd, u, v).Matches(host.FrameOf(out, 0))) << "size " << size << " sd " << sd;
  }
}

// Frames from narrower than the kernel to past the widest vectors with leftover columns, and
// from shorter than the kernel (left as they are) to a few rows taller, at every size.
TEST_P(GaussBlurModel, EveryFrameSizeAgreesWithTheModel) {
  TestHost host;
  std::mt19937 rng(41 + GetParam().pixel_type);
  const int sizes[][2] = {{2, 12},  {6, 3},   {9, 11},   {23, 13}, {40, 4},
                          {67, 15}, {70, 10}, {133, 12}, {178, 7}, {200, 14}};
  for (const auto& frame_size : sizes) {
    int W = frame_size[0], H = frame_size[1];
    FitToFormat(GetParam().pixel_type, &W, &H);
    PClip src = RandomClip(host, GetParam().pixel_type, W, H, rng);
    const Picture in = host.FrameOf(src, 0);
    for (int size = 3; size <= 11; size += 2) {
      const double sd = size == 3 ? 1.5 : 0.7 * size;
      const bool u = size != 5, v = size != 9;
      PClip out =
          host.Apply("GaussBlur", {Arg(src), Named("size", size), Named("sd", sd), Named("u", u), Named("v", v)});
      ASSERT_TRUE(Expected(in, size, sd, u, v).Matches(host.FrameOf(out, 0)))
          << W << "x" << H << " size " << size << " sd " << sd;
    }
  }
}

// Every width from 60 to 200: rows are weighted in blocks of whole vectors with the last block
// moved back to end at the row's end, so each remainder of a row's weighted samples (and of a
// YUY2 row's bytes, whose blocks must start at luma) against the block length occurs, and rows
// too narrow for one block. Size 3 at sd 0.6 (weights 170 683 170) and at 1.0 and 1.5 (every
// weight between 256 and 511) take the two ways of splitting the weights for 16-bit sums.
TEST_P(GaussBlurModel, EveryRowRemainderAndBothWeightSplitsAgreeWithTheModel) {
  TestHost host;
  VideoInfo vi{};
  vi.pixel_type = GetParam().pixel_type;
  const PixelFormat format = FormatOf(vi);
  std::mt19937 rng(77 + GetParam().pixel_type);
  const int H = 12;
  const struct {
    int size;
    double sd;
  } kernels[] = {{3, 0.6}, {3, 1.0}, {3, 1.5}, {5, 1.5}, {11, 1.5}};
  for (int W = 60; W <= 200; W += IsRGB(format) ? 1 : 2) {
    PClip src = RandomClip(host, GetParam().pixel_type, W, H, rng);
    const Picture in = host.FrameOf(src, 0);
    for (const auto& k : kernels) {
      // Both chromas (a YUY2 row blurred whole), and one of them (YUY2 samples taken apart).
      const bool u = true, v = (W / 2 + k.size) % 3 != 0;
      PClip out =
          host.Apply("GaussBlur", {Arg(src), Named("size", k.size), Named("sd", k.sd), Named("u", u), Named("v", v)});
      ASSERT_TRUE(Expected(in, k.size, k.sd, u, v).Matches(host.FrameOf(out, 0)))
          << W << "x" << H << " size " << k.size << " sd " << k.sd << " v " << v;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, GaussBlurModel, ::testing::ValuesIn(AllFormats()),
                         [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tintara::testing
