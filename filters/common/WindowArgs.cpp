#include "filters/common/WindowArgs.h"

#include <cstdint>

namespace tintara {

void CheckSweepRange(const SweepRange& r, int frames, const char* test_text, const char* range_text,
                     IScriptEnvironment* env) {
  // In 64 bits: any int may be given, and sf + ef must not wrap.
  if (r.test) {
    if (r.sf < 0 || r.ef < 2 || int64_t{r.sf} + r.ef > frames) env->ThrowError(test_text, frames);
  } else if (r.sf < 0 || r.ef < r.sf || r.ef >= frames) {
    env->ThrowError(range_text, frames);
  }
}

void CheckStartWindow(const Window& w, int width, int height, const StartWindowText& text, IScriptEnvironment* env) {
  if (w.lx < 0 || w.lx > width - 3) env->ThrowError(text.left, width - 4);
  if (w.ty < 0 || w.ty > height - 3) env->ThrowError(text.top, height - 4);
  if (w.rx < w.lx + 4 || w.rx > width - 1) env->ThrowError(text.right, w.lx + 4, width - text.shown_end_margin);
  if (w.by < w.ty + 4 || w.by > height - 1) env->ThrowError(text.bottom, w.ty + 4, height - text.shown_end_margin);
}

}  // namespace tintara
