// SharpEdge: a gradient-magnitude image of one of three 3x3 difference operators inside a
// moving window, and a thin edge mask of its crests between two thresholds. Coloured pixels can
// be left out and painted; a test mode sweeps the thresholds over frames made from one frame.
#pragma once

#include "filters/common/ArgTable.h"
#include "filters/common/Format.h"
#include "filters/common/Motion.h"
#include "host/avisynth.h"

namespace tintara {

struct MarkFrame;
struct SharpEdgeRule;

// The arguments, in signature order.
struct SharpEdgeArgs {
  PClip clip;
  int sf = 0, ef = 0;
  const char* type = nullptr;
  int lt = 0, ut = 0;
  bool white = true, test = false;
  int flt = 0, fut = 0;
  int lx = 0, ty = 0, rx = 0, by = 0;
  bool xcol = true;
  int col = 0;
  int elx = 0, ety = 0, erx = 0, eby = 0;
  bool gradient = false;
};

class SharpEdge : public GenericVideoFilter {
 public:
  SharpEdge(const SharpEdgeArgs& args, IScriptEnvironment* env);
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;

 private:
  // The thresholds and values at step s.
  SharpEdgeRule RuleAt(const FrameStep& s) const;

  const SharpEdgeArgs arg;
  PixelFormat format;
  // G, and M from it, of one frame: the format's and the operator's routine, for this CPU level.
  void (*routine)(const MarkFrame& frame, const SharpEdgeRule& rule);
};

const char* SharpEdgeSignature();
DefaultKind SharpEdgeIntDefault(const char* arg, int* value, const char** same_as);
AVSValue CreateSharpEdge(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
