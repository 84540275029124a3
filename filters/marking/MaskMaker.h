// MaskMaker: a two-level mask from per-channel thresholds inside a moving window, with a test
// mode that sweeps the thresholds over frames made from one source frame.
#pragma once

#include "filters/common/ArgTable.h"
#include "filters/common/Format.h"
#include "filters/common/Motion.h"
#include "host/avisynth.h"

namespace tintara {

struct MarkFrame;
struct MaskRule;

// The arguments, in signature order.
struct MaskMakerArgs {
  PClip clip;
  int sf = 0, ef = 0;
  const char* type = nullptr;
  int gyt = 0, rt = 0, bt = 0;
  bool white = true;
  int et = 0, ert = 0, ebt = 0;
  bool test = false;
  int ft = 0, fr = 0, fb = 0;
  int fet = 0, fert = 0, febt = 0;
  int lx = 0, ty = 0, rx = 0, by = 0;
  bool xcol = true;
  int col = 0;
  int elx = 0, ety = 0, erx = 0, eby = 0;
};

class MaskMaker : public GenericVideoFilter {
 public:
  MaskMaker(const MaskMakerArgs& args, IScriptEnvironment* env);
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;

 private:
  // The thresholds and values at step s.
  MaskRule RuleAt(const FrameStep& s) const;

  const MaskMakerArgs arg;
  PixelFormat format;
  int votes_needed;
  // Marks one frame: the routine for the format and the type's votes, for this CPU level.
  void (*routine)(const MarkFrame& frame, const MaskRule& rule);
};

const char* MaskMakerSignature();
DefaultKind MaskMakerIntDefault(const char* arg, int* value, const char** same_as);
AVSValue CreateMaskMaker(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
