// EMarker: marks edges found by small difference operators, per colour channel, inside a
// moving window, with a test mode that sweeps the thresholds over frames made from one source
// frame.
#pragma once

#include "filters/common/Format.h"
#include "filters/common/Motion.h"
#include "host/avisynth.h"

namespace tintara {

// The edge operators of `type`.
enum class EdgeOperator { E1, E2, EL, EP, ES, EPL, ESL };

struct EMarkerRule;
using EdgeRoutine = void (*)(const FramePlanes<const BYTE>& src, const FramePlanes<BYTE>& out, const Window& w,
                             const EMarkerRule& rule);

class EMarker : public GenericVideoFilter {
 public:
  EMarker(const PClip& child, int sf, int ef, const char* type, int gyt, int rt, int bt, int lt, bool white, bool test,
          int ft, int fr, int fb, int fl, int lx, int ty, int rx, int by, bool xcol, int col, int elx, int ety,
          int erx, int eby, IScriptEnvironment* env);
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;

 private:
  const int sf, ef;
  const char* const type;
  const int gyt, rt, bt, lt;
  [[maybe_unused]] const bool white;  // kept with the other arguments; the marks are worked out from it
  const bool test;
  const int ft, fr, fb, fl;
  const int lx, ty, rx, by;
  const bool xcol;
  const int col;
  const int elx, ety, erx, eby;
  const int markval, backval;

  PixelFormat format;
  EdgeOperator op;
  EdgeRoutine routine;  // the interior's kernel for this format and operator
};

AVSValue CreateEMarker(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
