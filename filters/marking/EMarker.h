// EMarker: marks edges found by small difference operators, per colour channel, inside a
// moving window, with a test mode that sweeps the thresholds over frames made from one source
// frame.
#pragma once

#include "filters/common/ArgTable.h"
#include "filters/common/Format.h"
#include "filters/common/Motion.h"
#include "host/avisynth.h"

namespace tintara {

// The edge operators of `type`.
enum class EdgeOperator { E1, E2, EL, EP, ES, EPL, ESL };

struct EMarkerRule;
struct MarkFrame;

// The arguments, in signature order.
struct EMarkerArgs {
  PClip clip;
  int sf = 0, ef = 0;
  const char* type = nullptr;
  int gyt = 0, rt = 0, bt = 0, lt = 0;
  bool white = true, test = false;
  int ft = 0, fr = 0, fb = 0, fl = 0;
  int lx = 0, ty = 0, rx = 0, by = 0;
  bool xcol = true;
  int col = 0;
  int elx = 0, ety = 0, erx = 0, eby = 0;
};

class EMarker : public GenericVideoFilter {
 public:
  EMarker(const EMarkerArgs& args, IScriptEnvironment* env);
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;

 private:
  // The thresholds at step s, as the kernels test them.
  EMarkerRule RuleAt(const FrameStep& s) const;

  const EMarkerArgs arg;
  PixelFormat format;
  EdgeOperator op;
  // Marks one frame: the format's and the operator's kernels, for this CPU level.
  void (*routine)(const MarkFrame& frame, const EMarkerRule& rule);
};

const char* EMarkerSignature();
DefaultKind EMarkerIntDefault(const char* arg, int* value, const char** same_as);
AVSValue CreateEMarker(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
