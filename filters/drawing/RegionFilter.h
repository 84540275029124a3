// What Shift and Stretch share: their arguments and checks, the fixed region (a rectangle,
// circle or ellipse) they work in, and the frame loop that changes each pixel of the region that
// the reference clip selects. The twins differ only in the change, in the range of `st` and in
// their messages.
#pragma once

#include <vector>

#include "filters/common/Format.h"
#include "host/avisynth.h"

namespace tintara {

// The messages of one twin, in the order of its checks, and its range of `st`.
struct RegionFilterText {
  const char* frames;             // sf negative or after ef
  const char* clip_frames;        // sf or ef beyond the clip (%d: its frame count)
  const char* shape;              // unknown shape
  const char* dimensions;         // negative x or y, w or h below 2
  const char* st;                 // st out of range
  const char* format;             // clip format not accepted
  const char* reference_frames;   // reference clip too short
  const char* reference_differs;  // reference clip of another format or size
  const char *rect_out, *circle_out, *ellipse_out;
  int st_min, st_max;
};

enum class Shape { Rect, Circle, Ellipse };

// The change to a byte v: Shift adds st, Stretch adds (v * st) / 100 (truncating toward zero);
// both hold the result to 0..255.
enum class RegionChange { Add, Percent };

// The arguments of the shared signature, in its order; 32767 in x, y, w, h means absent.
struct RegionArgs {
  PClip clip, reference;
  int sf = 0, ef = 0;
  const char* shape_name = nullptr;
  int x = 0, y = 0, w = 0, h = 0;
  int st = 0;
  bool white = true;
  Shape shape = Shape::Rect;  // of shape_name, after the checks
};

const char* RegionSignature();

// Reads the arguments of the shared signature, runs a twin's checks in order and builds it.
AVSValue CreateRegionFilter(const AVSValue& args, const RegionFilterText& text, RegionChange change,
                            IScriptEnvironment* env);

// The region's columns x0..x1-1 in one picture row; none where x0 >= x1.
struct RowRun {
  int x0 = 0, x1 = 0;
};

// The per-format routine that writes one frame: the region's runs (one per picture row) changed
// from the source where the reference selects them, every other byte copied.
using RegionRoutine = void (*)(const FramePlanes<const BYTE>& src, const FramePlanes<BYTE>& out, const ConstPlane& ref,
                               const std::vector<RowRun>& region, BYTE selected, int st);

class RegionFilter : public GenericVideoFilter {
 public:
  // Fills the shape defaults, runs the constructor checks in order and lays out the region.
  RegionFilter(const RegionArgs& a, const RegionFilterText& text, RegionChange change, IScriptEnvironment* env);
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;

 private:
  const RegionArgs arg;
  PixelFormat format;
  RegionRoutine routine;       // for the format, the change and this CPU level
  std::vector<RowRun> region;  // per picture row, cut to the frame
};

}  // namespace tintara
