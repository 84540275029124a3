// DrawLines: lines of one grey level drawn into a range of frames: a polyline through a list of
// points, separate segments between pairs of points, or curves through each three points, with
// points that can drift across the range.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "filters/common/Format.h"
#include "host/avisynth.h"

namespace tintara {

// The arguments, in signature order.
struct DrawLinesArgs {
  PClip clip;
  int sf = 0, ef = 0;
  std::vector<int> values;  // x0, y0, x1, y1, ...
  const char* line = nullptr;
  int lval = 0;
  bool brush = false;
  int lx = 0, ty = 0, rx = 0, by = 0;
};

class DrawLines : public GenericVideoFilter {
 public:
  static constexpr int kMaxValues = 120;  // room for 60 points
  enum class Line { Join, Diff, Curve };
  // A point where it stands on one frame; 64 bits, as the motion can carry it far outside.
  struct Point {
    int64_t x = 0, y = 0;
  };
  // Draws the lines through `count` moved points into a frame, for one format.
  using Routine = void (*)(const FramePlanes<BYTE>& planes, int W, int H, const Point* points, int count, Line line,
                           int lval, bool brush);

  DrawLines(const DrawLinesArgs& args, Line line);
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;

 private:
  const DrawLinesArgs arg;
  std::array<int, kMaxValues> points{};  // the values, where the frames read them
  const int count;                       // values in `points`
  const Line line;                       // of arg.line

  PixelFormat format;
  Routine draw;  // for the format and this CPU level
};

const char* DrawLinesSignature();
AVSValue CreateDrawLines(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
