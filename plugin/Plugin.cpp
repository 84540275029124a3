#include "filters/marking/EMarker.h"
#include "filters/marking/MaskMaker.h"
#include "filters/neighbourhood/GaussBlur.h"
#include "filters/neighbourhood/SharpEdge.h"
#include "plugin/Registration.h"

namespace tintara {

const FilterRegistration kFilters[] = {
    {"MaskMaker",
     "c[sf]i[ef]i[type]s[gyt]i[rt]i[bt]i[white]b[et]i[ert]i[ebt]i[test]b[ft]i[fr]i[fb]i[fet]i[fert]i[febt]i"
     "[lx]i[ty]i[rx]i[by]i[xcol]b[col]i[elx]i[ety]i[erx]i[eby]i",
     CreateMaskMaker},
    {"GaussBlur", "c[size]i[sd]f[u]b[v]b", CreateGaussBlur},
    {"EMarker",
     "c[sf]i[ef]i[type]s[gyt]i[rt]i[bt]i[lt]i[white]b[test]b[ft]i[fr]i[fb]i[fl]i[lx]i[ty]i[rx]i[by]i[xcol]b[col]i"
     "[elx]i[ety]i[erx]i[eby]i",
     CreateEMarker},
    {"SharpEdge",
     "c[sf]i[ef]i[type]s[lt]i[ut]i[white]b[test]b[flt]i[fut]i[lx]i[ty]i[rx]i[by]i[xcol]b[col]i[elx]i[ety]i[erx]i[eby]i"
     "[gradient]b",
     CreateSharpEdge},
};
const int kFilterCount = sizeof(kFilters) / sizeof(kFilters[0]);

}  // namespace tintara

extern "C" __attribute__((visibility("default"))) const char* AvisynthPluginInit2(IScriptEnvironment* env) {
  for (int i = 0; i < tintara::kFilterCount; ++i)
    env->AddFunction(tintara::kFilters[i].name, tintara::kFilters[i].signature, tintara::kFilters[i].create, nullptr);
  return "Tintara  Plugin";
}
