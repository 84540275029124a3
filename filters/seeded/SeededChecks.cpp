#include "filters/seeded/SeededFilter.h"

namespace tintara {

void CheckSeededClips(const char* name, const VideoInfo& vi, const VideoInfo& mvi, IScriptEnvironment* env) {
  if (mvi.pixel_type != vi.pixel_type) env->ThrowError("%s:Clips have differing pixel_types", name);
  if (!IsOneOfTheFiveFormats(vi.pixel_type)) env->ThrowError("%s: This color format is not supported here", name);
  if (mvi.width != vi.width || mvi.height != vi.height)
    env->ThrowError("%s: The heights/widths of clips are unequal", name);
}

void CheckFrameOrder(const char* name, int sf, int ef, IScriptEnvironment* env) {
  if (sf > ef || sf < 0 || ef < 0)
    env->ThrowError("%s:frame numbers must be +ve and end number not less than start number", name);
}

void CheckWholeSets(const char* name, const std::vector<int>& values, size_t per_set, IScriptEnvironment* env) {
  if (values.size() % per_set != 0)
    env->ThrowError("%s: A value may be missing or may be extra in the  parameter sets", name);
}

void CheckShiftOrStretch(const char* name, bool stretch, int st, IScriptEnvironment* env) {
  if (stretch) {
    if (st < -100) env->ThrowError("%s: stretch value being less than -100 percent not valid", name);
  } else if (st < -255 || st > 255) {
    env->ThrowError("%s: shift value being either less than -255 or more than 255 is not valid", name);
  }
}

}  // namespace tintara
