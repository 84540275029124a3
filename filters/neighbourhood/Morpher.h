// Morpher: cleans black-and-white masks (erosion, dilation, their two combinations, thinning,
// isolated dot and hole removal) and marks the brightness relief of a picture (valleys, ridges,
// dark and bright areas) inside a window that may move across a frame range.
#pragma once

#include "filters/common/Format.h"
#include "host/avisynth.h"

namespace tintara {

// The arguments, in signature order.
struct MorpherArgs {
  PClip clip;
  int sf = 0, ef = 0;
  const char* type = nullptr;  // only read while the filter is built
  bool white = true;
  int lx = 0, ty = 0, rx = 0, by = 0;
  int elx = 0, ety = 0, erx = 0, eby = 0;
  int lt = 0, ut = 0;
  bool test = false;
  int flt = 0, fut = 0;
};

namespace morpher {
struct FrameJob;
}

class Morpher : public GenericVideoFilter {
 public:
  // The thirteen values of `type`.
  enum class Operation { Erode, Dilate, Close, Open, Thin, Salt, Pepper, Vale, Ridge, Rorv, Flood, Drain, Ford };

  explicit Morpher(const MorpherArgs& args);
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;

 private:
  const MorpherArgs arg;
  bool in_place = false;      // thinning changes the source frame itself
  BYTE mark = 255, back = 0;  // the kept value and the other (see FrameJob)
  // Makes the frame, for the clip's format, the operation and the CPU level.
  void (*routine)(const PVideoFrame& out, const PVideoFrame& src, const morpher::FrameJob& job) = nullptr;
};

const char* MorpherSignature();
AVSValue CreateMorpher(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
