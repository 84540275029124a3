// GaussBlur: a separable Gaussian blur with integer weights, along rows then along columns, of
// every frame as a whole; YUV chroma is blurred only on request.
#pragma once

#include <array>

#include "filters/common/Format.h"
#include "host/avisynth.h"

namespace tintara {

class GaussBlur : public GenericVideoFilter {
 public:
  static constexpr int kMaxSize = 11;
  // Integer weights summing to at most 1024 (results are shifted right by 10 bits).
  using Kernel = std::array<int, kMaxSize>;

  GaussBlur(const PClip& child, int size, double sd, bool u, bool v, IScriptEnvironment* env);
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;

  // The weights for an odd `size` of 3..11 and a standard deviation `sd` >= 0.
  static Kernel KernelFor(int size, double sd);

 private:
  const int size;
  const double sd;
  const bool u, v;
  const Kernel kernel;
  PixelFormat format;
};

AVSValue CreateGaussBlur(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
