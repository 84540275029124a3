// What the seeded colouring filters share around their fills: the mask clip, the frame range
// and the format, and a GetFrame that passes frames outside the range through and otherwise
// sets up one call's work (the writable picture, a packed copy of the mask samples, a work
// stack) and hands it to the filter's ColourFrame<F>, the format picked once per frame.
#pragma once

#include <vector>

#include "filters/common/Format.h"
#include "filters/common/Painting.h"
#include "filters/seeded/Seeds.h"
#include "filters/seeded/SpanFill.h"
#include "host/avisynth.h"

namespace tintara {

// One GetFrame call's working state: rows are memory rows, W and H the frame's size.
struct FrameWork {
  FramePlanes<BYTE> out;
  MaskCopy samples;
  int W, H;
  WorkStack stack;
};

// The seed loop of ColorDrops and ColorLine on frame n: each seed in order, drifted by movex
// and movey over the frame range of `a`, gives fill(x, r, colour) its column, memory row and
// colour, then its marker dot when pshow is set. The checks keep every moved seed inside the
// frame; the test here only guards the memory.
template <PixelFormat F, typename Args, typename Fill>
void ForEachSeed(const std::vector<Seed>& seeds, const Args& a, int n, const FrameWork& work, const MarkerColour& dot,
                 const Fill& fill) {
  const int dx = static_cast<int>(Drift(n - a.sf, a.movex, a.ef - a.sf));
  const int dy = static_cast<int>(Drift(n - a.sf, a.movey, a.ef - a.sf));
  const bool pshow = a.pshow;
  for (const Seed& seed : seeds) {
    const int x = seed.x + dx, y = seed.y + dy;
    if (x < 0 || x >= work.W || y < 0 || y >= work.H) continue;
    const int r = MemoryRow(F, work.H, y);
    fill(x, r, seed.colour);
    if (pshow) MarkerDot<F>(work.out, x, r, dot);
  }
}

// The checks the seeded filters share, each message starting with the filter's `name`: the mask
// clip's pixel type, the format, and the mask's size against the picture's, in that order.
void CheckSeededClips(const char* name, const VideoInfo& vi, const VideoInfo& mvi, IScriptEnvironment* env);
// `st` as a stretch (shift given as false: at least -100 percent) or a shift (-255..255).
void CheckShiftOrStretch(const char* name, bool stretch, int st, IScriptEnvironment* env);

// Filter derives from SeededFilter<Filter, Args> and defines
// `template <PixelFormat F> void ColourFrame(int n, FrameWork& work) const`; Args starts with
// the clip, the mask, sf and ef.
template <typename Filter, typename Args>
class SeededFilter : public GenericVideoFilter {
 public:
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override {
    PVideoFrame picture = child->GetFrame(n, env);
    if (n < arg.sf || n > arg.ef) return picture;
    // The mask frame is fetched before the picture is made writable; the fills mark a packed
    // copy of its samples, never the frame itself.
    const PVideoFrame maskFrame = arg.mask->GetFrame(n, env);
    env->MakeWritable(&picture);
    ForFormat(format, [&](auto f) {
      constexpr PixelFormat F = decltype(f)::value;
      const int W = vi.width, H = picture->GetHeight();
      FrameWork work{WritePlanes(picture, format), MaskCopy::Packed<F>(ReadPlane(maskFrame), W, H), W, H, {}};
      static_cast<const Filter*>(this)->template ColourFrame<F>(n, work);
    });
    return picture;
  }

 protected:
  explicit SeededFilter(const Args& args) : GenericVideoFilter(args.clip), arg(args), format(FormatOf(vi)) {}

  const Args arg;
  const PixelFormat format;
};

}  // namespace tintara
