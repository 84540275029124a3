// The seeded colouring filters, one 1920x1080 frame each: a few seeds or strokes over a mask of
// the test picture, and one fill of a region that covers the whole frame.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchHost.h"
#include "runtime/MemoryClip.h"

namespace tintara::bench {
namespace {

// A one-frame mask clip whose sample at picture (x, y) is value(x, y), in the clip's format.
PClip MaskOf(int pixel_type, const std::function<BYTE(int, int)>& value) {
  const VideoInfo vi = VideoInfoOf(pixel_type, kWidth, kHeight, 1);
  PVideoFrame f = Env().NewVideoFrame(vi);
  const bool rgb = pixel_type == VideoInfo::CS_BGR24 || pixel_type == VideoInfo::CS_BGR32;
  const int bpp = pixel_type == VideoInfo::CS_BGR24 ? 3 : pixel_type == VideoInfo::CS_BGR32 ? 4 : 1;
  BYTE* base = f->GetWritePtr();
  for (int y = 0; y < kHeight; ++y) {
    BYTE* row = base + static_cast<long>(rgb ? kHeight - 1 - y : y) * f->GetPitch();
    for (int x = 0; x < kWidth; ++x) {
      if (pixel_type == VideoInfo::CS_YUY2) {
        row[2 * x] = value(x, y);
        row[2 * x + 1] = 128;
      } else {
        std::memset(row + x * bpp, value(x, y), bpp);
      }
    }
  }
  if (f->GetPitch(PLANAR_U))
    for (int plane : {PLANAR_U, PLANAR_V})
      for (int y = 0; y < f->GetHeight(plane); ++y)
        std::memset(f->GetWritePtr(plane) + static_cast<long>(y) * f->GetPitch(plane), 128, f->GetRowSize(plane));
  return Env().Cached(PClip(new MemoryClip(vi, {f})));
}

// The bright bars of the test picture as regions of 1, for the brush.
BYTE BarOfOnes(int x, int y) { return (x / 240) % 2 == 1 && y > kHeight / 4 && y < 3 * kHeight / 4 ? 1 : 0; }

PClip MaskMakerMask(const PClip& picture) {
  return Env().Call("MaskMaker", {{"", Value::Clip(picture)}, {"gyt", Value::Int(150)}, {"et", Value::Int(255)}}).clip;
}

Value Call(const char* name, const PClip& picture, const PClip& mask, const std::vector<int>& values,
           std::vector<Argument> named = {}) {
  std::vector<Argument> args = {
      {"", Value::Clip(picture)}, {"", Value::Clip(mask)}, {"", Value::Int(0)}, {"", Value::Int(0)}};
  for (int v : values) args.push_back({"", Value::Int(v)});
  for (Argument& a : named) args.push_back(a);
  return Env().Call(name, args);
}

// Seeds on the dark disc (whose region joins the background) and on three bars.
const std::vector<int> kSeeds = {640, 540, 0xFF0000, 360, 540, 0x0000FF, 840, 540, 0x00FF00, 1320, 500, 0xFFFF00};

void ColorDrops(benchmark::State& state, int pixel_type) {
  PClip picture = TestPicture(pixel_type);
  TimeFrames(state, Call("ColorDrops", picture, MaskMakerMask(picture), kSeeds,
                         {{"st", Value::Int(10)}, {"pshow", Value::Bool(true)}})
                        .clip);
}

void ColorDropsWholeFrame(benchmark::State& state, int pixel_type) {
  TimeFrames(state, Call("ColorDrops", TestPicture(pixel_type), MaskOf(pixel_type, [](int, int) { return 0; }),
                         {kWidth / 2, kHeight / 2, 0xFF0000})
                        .clip);
}

void ColorBrush(benchmark::State& state, int pixel_type) {
  const std::vector<int> strokes = {100, 300,      1800, 800, 0xFF8000, 1700, 290,     200,
                                    700, 0x0080FF, 960,  0,   1000,     1079, 0x00FF00};
  TimeFrames(state, Call("ColorBrush", TestPicture(pixel_type), MaskOf(pixel_type, BarOfOnes), strokes,
                         {{"lshow", Value::Bool(true)}, {"lcol", Value::Int(0xFFFFFF)}})
                        .clip);
}

void ColorBrushWholeFrame(benchmark::State& state, int pixel_type) {
  TimeFrames(state, Call("ColorBrush", TestPicture(pixel_type), MaskOf(pixel_type, [](int, int) { return 1; }),
                         {0, 0, 1919, 1079, 0xFF0000})
                        .clip);
}

void ColorLine(benchmark::State& state, int pixel_type) {
  PClip picture = TestPicture(pixel_type);
  TimeFrames(state, Call("ColorLine", picture, MaskMakerMask(picture), kSeeds, {{"pshow", Value::Bool(true)}}).clip);
}

void ColorLineWholeFrame(benchmark::State& state, int pixel_type) {
  TimeFrames(state, Call("ColorLine", TestPicture(pixel_type), MaskOf(pixel_type, [](int, int) { return 0; }),
                         {kWidth / 2, kHeight / 2, 0xFF0000})
                        .clip);
}

const int registered = [] {
  for (const BenchFormat& f : Formats()) {
    const std::string suffix = std::string("/") + f.name;
    benchmark::RegisterBenchmark(("ColorDrops" + suffix).c_str(), ColorDrops, f.pixel_type);
    benchmark::RegisterBenchmark(("ColorDrops-whole" + suffix).c_str(), ColorDropsWholeFrame, f.pixel_type);
    benchmark::RegisterBenchmark(("ColorBrush" + suffix).c_str(), ColorBrush, f.pixel_type);
    benchmark::RegisterBenchmark(("ColorBrush-whole" + suffix).c_str(), ColorBrushWholeFrame, f.pixel_type);
    benchmark::RegisterBenchmark(("ColorLine" + suffix).c_str(), ColorLine, f.pixel_type);
    benchmark::RegisterBenchmark(("ColorLine-whole" + suffix).c_str(), ColorLineWholeFrame, f.pixel_type);
  }
  return 0;
}();

}  // namespace
}  // namespace tintara::bench
