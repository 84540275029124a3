// GaussBlur: a separable Gaussian blur with integer weights, along rows then along columns, of
// every frame as a whole; YUV chroma is blurred only on request.
#pragma once

#include <array>
#include <vector>

#include "filters/common/Format.h"
#include "host/avisynth.h"

namespace tintara {

// The arguments, in signature order.
struct GaussBlurArgs {
  PClip clip;
  int size = 0;
  double sd = 0;
  bool u = false, v = false;
};

class GaussBlur : public GenericVideoFilter {
 public:
  static constexpr int kMaxSize = 11;
  // Integer weights summing to at most 1024 (results are shifted right by 10 bits).
  using Kernel = std::array<int, kMaxSize>;

  explicit GaussBlur(const GaussBlurArgs& args);
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;

  // The weights for an odd `size` of 3..11 and a standard deviation `sd` >= 0.
  static Kernel KernelFor(int size, double sd);

  struct PlanePass;  // a plane blurred or copied, by the routine picked for it

 private:
  const GaussBlurArgs arg;
  const Kernel kernel;
  const std::vector<PlanePass> passes;  // in order; chosen by format, size, u and v
};

const char* GaussBlurSignature();
AVSValue CreateGaussBlur(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
