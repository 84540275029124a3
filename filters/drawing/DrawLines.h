// DrawLines: lines of one grey level drawn into a range of frames: a polyline through a list of
// points, separate segments between pairs of points, or curves through each three points, with
// points that can drift across the range.
#pragma once

#include <array>
#include <vector>

#include "filters/common/Format.h"
#include "host/avisynth.h"

namespace tintara {

class DrawLines : public GenericVideoFilter {
 public:
  static constexpr int kMaxValues = 120;  // room for 60 points
  enum class Line { Join, Diff, Curve };

  DrawLines(const PClip& child, int sf, int ef, const std::vector<int>& values, Line line, int lval, bool brush,
            int lx, int ty, int rx, int by);
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;

 private:
  const int sf, ef;
  std::array<int, kMaxValues> points{};  // x0, y0, x1, y1, ...
  const int count;                       // values in `points`
  const Line line;
  const int lval;
  const bool brush;
  const int lx, ty, rx, by;

  PixelFormat format;
};

AVSValue CreateDrawLines(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
