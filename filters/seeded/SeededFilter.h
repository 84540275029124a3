// What the seeded colouring filters share around their fills: the mask clip, the frame range,
// the routine picked once for the clip's format, the filter's variant and the CPU level, and a
// GetFrame that passes frames outside the range through and otherwise hands the writable
// picture and the mask frame to that routine. The routine packs the mask samples into a private
// copy (the fills mark it, never the frame) and runs the filter's ColourFrame<F, Variant>.
#pragma once

#include <cstdint>
#include <vector>

#include "filters/common/ForFormat.h"
#include "filters/common/Format.h"
#include "filters/common/Painting.h"
#include "filters/common/Vectorised.h"
#include "filters/seeded/Seeds.h"
#include "filters/seeded/SpanFill.h"
#include "host/avisynth.h"

namespace tintara {

// One frame's planes: the picture, written in place, and the mask; W and H the frame's size.
struct SeededFrame {
  FramePlanes<BYTE> out;
  ConstPlane mask;
  int W, H;
};

// One frame's working state: rows are memory rows.
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
    if (pshow) MarkPixel<F>(dot, RowOf<F>(work.out, r), x);
  }
}

// The checks the seeded filters share, each message starting with the filter's `name`.
// The mask clip's pixel type, the format, and the mask's size against the picture's, in that order.
void CheckSeededClips(const char* name, const VideoInfo& vi, const VideoInfo& mvi, IScriptEnvironment* env);
// sf and ef not negative, sf not past ef.
void CheckFrameOrder(const char* name, int sf, int ef, IScriptEnvironment* env);
// The script values come in whole sets of `per_set`.
void CheckWholeSets(const char* name, const std::vector<int>& values, size_t per_set, IScriptEnvironment* env);
// Every seed inside the W x H frame; then moved(seed), if given, may refuse it, seed by seed.
template <typename Moved>
void CheckSeeds(const char* name, const std::vector<int>& values, int W, int H, IScriptEnvironment* env,
                const Moved& moved) {
  for (const Seed& s : SeedsOf(values)) {
    if (s.x < 0 || s.y < 0 || s.x >= W || s.y >= H)
      env->ThrowError("%s: one or more  coordinates of x and or y are outside frame width of %d frame height of %d",
                      name, W, H);
    moved(s);
  }
}
// `st` as a stretch (shift given as false: at least -100 percent) or a shift (-255..255).
void CheckShiftOrStretch(const char* name, bool stretch, int st, IScriptEnvironment* env);
// movex within -W..W-1 and movey within -H..H-1.
inline bool MovesOutOfRange(int movex, int movey, int W, int H) {
  return movex < -W || movex >= W || movey < -H || movey >= H;
}

// Filter derives from SeededFilter<Filter, Args>, defines
// `template <PixelFormat F, bool Variant> void ColourFrame(int n, FrameWork& work) const` and
// passes its routine up (RoutineFor, TintRoutineFor); Args starts with the clip, the mask, sf
// and ef.
template <typename Filter, typename Args>
class SeededFilter : public GenericVideoFilter {
 public:
  using Routine = void (*)(const Filter& filter, int n, const SeededFrame& frame);

  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override {
    PVideoFrame picture = child->GetFrame(n, env);
    if (n < arg.sf || n > arg.ef) return picture;
    // The mask frame is fetched before the picture is made writable.
    const PVideoFrame maskFrame = arg.mask->GetFrame(n, env);
    env->MakeWritable(&picture);
    routine(static_cast<const Filter&>(*this), n,
            {WritePlanes(picture, format), ReadPlane(maskFrame), vi.width, picture->GetHeight()});
    return picture;
  }

 protected:
  SeededFilter(const Args& args, Routine chosen)
      : GenericVideoFilter(args.clip), arg(args), format(FormatOf(vi)), routine(chosen) {}

  // The routine for the clip's format (one of the five, by the checks) at this CPU level:
  // ColourFrame<F, Variant>.
  template <bool Variant>
  static Routine RoutineFor(const Args& args) {
    return ChooseForFormat(FormatOf(args.clip->GetVideoInfo()),
                           [](auto f) { return ForLevel<&ColourFrameOf<decltype(f)::value, Variant>>(); });
  }

  // For a filter that tints: Variant is whether its shift and st add an offset (the run loops
  // then add rather than look up).
  static Routine TintRoutineFor(const Args& args) {
    return Brightness(args.shift, args.st).IsOffset() ? RoutineFor<true>(args) : RoutineFor<false>(args);
  }

  const Args arg;
  const PixelFormat format;

 private:
  template <PixelFormat F, bool Variant>
  static void ColourFrameOf(const Filter& filter, int n, const SeededFrame& frame) {
    FrameWork work{frame.out, MaskCopy::Packed<F>(frame.mask, frame.W, frame.H), frame.W, frame.H, {}};
    filter.template ColourFrame<F, Variant>(n, work);
  }

  const Routine routine;
};

}  // namespace tintara
