#include "filters/common/WindowArgs.h"

#include <cstdint>

namespace tintara {

void CheckSweepRange(const char* name, const SweepRange& r, int frames, IScriptEnvironment* env) {
  // In 64 bits: any int may be given, and sf + ef must not wrap.
  if (r.test) {
    if (r.sf < 0 || r.ef < 2 || int64_t{r.sf} + r.ef > frames)
      env->ThrowError("%s: startf must be +ve and endf atleast 2 and startf+endf less than frame count of %d ", name,
                      frames);
  } else if (r.sf < 0 || r.ef < r.sf || r.ef >= frames) {
    env->ThrowError("%s: startf and endf must be +ve, endf more than startf and within this clip having %d frames ",
                    name, frames);
  }
}

void CheckStartWindow(const char* name, const Window& w, int width, int height, WindowWording wording,
                      IScriptEnvironment* env) {
  const bool plain = wording == WindowWording::Plain;
  const int end_margin = plain ? 4 : 1;
  if (w.lx < 0 || w.lx > width - 3)
    env->ThrowError(plain ? "%s:window left x lx must be 0 and %d" : "%s:window left x lx must be between 0 and %d",
                    name, width - 4);
  if (w.ty < 0 || w.ty > height - 3)
    env->ThrowError(plain ? "%s:window top y ty must be 0 and %d" : "%s:window top y ty must be between  0 and %d",
                    name, height - 4);
  if (w.rx < w.lx + 4 || w.rx > width - 1)
    env->ThrowError(
        plain ? "%s:window right x rx must be %d and %d" : "%s:window right x rx must be between  %d and %d", name,
        w.lx + 4, width - end_margin);
  if (w.by < w.ty + 4 || w.by > height - 1)
    env->ThrowError(
        plain ? "%s:window bottom y by must be %d and %d" : "%s:window bottom y by must be between %d and %d", name,
        w.ty + 4, height - end_margin);
}

}  // namespace tintara
