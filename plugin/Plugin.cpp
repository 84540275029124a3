#include "filters/drawing/DrawLines.h"
#include "filters/drawing/Shift.h"
#include "filters/drawing/Stretch.h"
#include "filters/marking/MaskMaker.h"
#include "filters/masks/Pallet.h"
#include "plugin/Registration.h"

namespace tintara {

const FilterRegistration kFilters[] = {
    {"DrawLines", "ciii+[line]s[lval]i[brush]b[lx]i[ty]i[rx]i[by]i", CreateDrawLines},
    {"Stretch", "cc[sf]i[ef]i[shape]s[x]i[y]i[w]i[h]i[st]i[white]b", CreateStretch},
    {"Shift", "cc[sf]i[ef]i[shape]s[x]i[y]i[w]i[h]i[st]i[white]b", CreateShift},
    {"Pallet", "c[sgy]i[egy]i[fgy]i[hbox]i[vbox]i", CreatePallet},
    {"MaskMaker",
     "c[sf]i[ef]i[type]s[gyt]i[rt]i[bt]i[white]b[et]i[ert]i[ebt]i[test]b[ft]i[fr]i[fb]i[fet]i[fert]i[febt]i"
     "[lx]i[ty]i[rx]i[by]i[xcol]b[col]i[elx]i[ety]i[erx]i[eby]i",
     CreateMaskMaker},
};
const int kFilterCount = sizeof(kFilters) / sizeof(kFilters[0]);

}  // namespace tintara

extern "C" __attribute__((visibility("default"))) const char* AvisynthPluginInit2(IScriptEnvironment* env) {
  for (int i = 0; i < tintara::kFilterCount; ++i)
    env->AddFunction(tintara::kFilters[i].name, tintara::kFilters[i].signature, tintara::kFilters[i].create, nullptr);
  return "Tintara  Plugin";
}
