// MaskMaker: a two-level mask from per-channel thresholds inside a moving window, with a test
// mode that sweeps the thresholds over frames made from one source frame.
#pragma once

#include "filters/common/Format.h"
#include "filters/common/Motion.h"
#include "host/avisynth.h"

namespace tintara {

class MaskMaker : public GenericVideoFilter {
 public:
  MaskMaker(const PClip& child, int sf, int ef, const char* type, int gyt, int rt, int bt, bool white, int et,
            int ert, int ebt, bool test, int ft, int fr, int fb, int fet, int fert, int febt, int lx, int ty, int rx,
            int by, bool xcol, int col, int elx, int ety, int erx, int eby, IScriptEnvironment* env);
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;

 private:
  const int sf, ef;
  const char* const type;
  const int gyt, rt, bt;
  [[maybe_unused]] const bool white;  // kept with the other arguments; the marks are worked out from it
  const int et, ert, ebt;
  const bool test;
  const int ft, fr, fb;
  const int fet, fert, febt;
  const int lx, ty, rx, by;
  const bool xcol;
  const int col;
  const int elx, ety, erx, eby;
  const int markval, backval;

  PixelFormat format;
  bool bands;  // "a1"
  int votes_needed;
};

AVSValue CreateMaskMaker(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
