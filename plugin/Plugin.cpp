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
    {"MaskMaker", MaskMakerSignature(), CreateMaskMaker},
    {"CrossFill", CrossFillSignature(), CreateCrossFill},
    {"Inlay", InlaySignature(), CreateInlay},
    {"ColorDrops", ColorDropsSignature(), CreateColorDrops},
    {"Morpher", MorpherSignature(), CreateMorpher},
    {"GaussBlur", GaussBlurSignature(), CreateGaussBlur},
    {"EMarker", EMarkerSignature(), CreateEMarker},
    {"ColorLine", ColorLineSignature(), CreateColorLine},
    {"SharpEdge", SharpEdgeSignature(), CreateSharpEdge},
};
const int kFilterCount = sizeof(kFilters) / sizeof(kFilters[0]);

}  // namespace tintara

extern "C" __attribute__((visibility("default"))) const char* AvisynthPluginInit2(IScriptEnvironment* env) {
  // A CPU level that cannot be honoured stops the load: no filter may run on another level.
  const tintara::LevelChoice& level = tintara::ProcessLevel();
  if (!level.error.empty()) env->ThrowError("Tintara: %s", level.error.c_str());
  for (int i = 0; i < tintara::kFilterCount; ++i)
    env->AddFunction(tintara::kFilters[i].name, tintara::kFilters[i].signature, tintara::kFilters[i].create, nullptr);
  return "Tintara  Plugin";
}
