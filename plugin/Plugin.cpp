#include <cctype>

#include "filters/common/CpuLevel.h"
#include "filters/drawing/DrawLines.h"
#include "filters/drawing/Inlay.h"
#include "filters/drawing/Shift.h"
#include "filters/drawing/Stretch.h"
#include "filters/marking/EMarker.h"
#include "filters/marking/MaskMaker.h"
#include "filters/masks/CrossFill.h"
#include "filters/masks/Pallet.h"
#include "filters/neighbourhood/GaussBlur.h"
#include "filters/neighbourhood/Morpher.h"
#include "filters/neighbourhood/SharpEdge.h"
#include "filters/seeded/ColorBrush.h"
#include "filters/seeded/ColorDrops.h"
#include "filters/seeded/ColorLine.h"
#include "plugin/Registration.h"

namespace tintara {

const FilterRegistration kFilters[] = {
    {"ColorBrush", ColorBrushSignature(), CreateColorBrush},
    {"DrawLines", DrawLinesSignature(), CreateDrawLines},
    {"Stretch", RegionSignature(), CreateStretch},
    {"Shift", RegionSignature(), CreateShift},
    {"Pallet", PalletSignature(), CreatePallet},
    {"MaskMaker", MaskMakerSignature(), CreateMaskMaker, MaskMakerIntDefault},
    {"CrossFill", CrossFillSignature(), CreateCrossFill},
    {"Inlay", InlaySignature(), CreateInlay},
    {"ColorDrops", ColorDropsSignature(), CreateColorDrops},
    {"Morpher", MorpherSignature(), CreateMorpher},
    {"GaussBlur", GaussBlurSignature(), CreateGaussBlur},
    {"EMarker", EMarkerSignature(), CreateEMarker, EMarkerIntDefault},
    {"ColorLine", ColorLineSignature(), CreateColorLine},
    {"SharpEdge", SharpEdgeSignature(), CreateSharpEdge, SharpEdgeIntDefault},
};
const int kFilterCount = sizeof(kFilters) / sizeof(kFilters[0]);

namespace {

bool SameName(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
  return *a == *b;
}

}  // namespace

}  // namespace tintara

// The default of an int argument of a filter (the filter's name in any case, the argument's in
// lower case), for a host that shows the values a filter works with: 1 and *value for a number,
// 2 and *same_as for "the value of that argument", 3, 4 or 5 for the clip's last frame, column or
// row, 0 when not told (an unknown name, or a filter that does not say).
extern "C" __attribute__((visibility("default"))) int TintaraIntDefault(const char* filter, const char* arg, int* value,
                                                                        const char** same_as) {
  for (int i = 0; i < tintara::kFilterCount; ++i) {
    const tintara::FilterRegistration& f = tintara::kFilters[i];
    if (f.int_default && tintara::SameName(f.name, filter)) return static_cast<int>(f.int_default(arg, value, same_as));
  }
  return 0;
}

extern "C" __attribute__((visibility("default"))) const char* AvisynthPluginInit2(IScriptEnvironment* env) {
  // A CPU level that cannot be honoured stops the load: no filter may run on another level.
  const tintara::LevelChoice& level = tintara::ProcessLevel();
  if (!level.error.empty()) env->ThrowError("Tintara: %s", level.error.c_str());
  for (int i = 0; i < tintara::kFilterCount; ++i)
    env->AddFunction(tintara::kFilters[i].name, tintara::kFilters[i].signature, tintara::kFilters[i].create, nullptr);
  return "Tintara  Plugin";
}
