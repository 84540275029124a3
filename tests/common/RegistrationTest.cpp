// The registration table: every filter in the module's order with its exact signature. The
// signatures are made from each filter's argument table, so a row out of place or with another
// type, name or group marker shows here as a changed string.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "runtime/Environment.h"

namespace tintara {
namespace {

TEST(Registration, EveryFilterInTableOrderWithExactSignature) {
  Environment env;
  env.LoadPlugin(TINTARA_MODULE_PATH);
  const std::string region = "cc[sf]i[ef]i[shape]s[x]i[y]i[w]i[h]i[st]i[white]b";
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"ColorBrush", "cciii+[shift]b[st]i[movex]i[movey]i[lshow]b[lcol]i"},
      {"DrawLines", "ciii+[line]s[lval]i[brush]b[lx]i[ty]i[rx]i[by]i"},
      {"Stretch", region},
      {"Shift", region},
      {"Pallet", "c[sgy]i[egy]i[fgy]i[hbox]i[vbox]i"},
      {"MaskMaker",
       "c[sf]i[ef]i[type]s[gyt]i[rt]i[bt]i[white]b[et]i[ert]i[ebt]i[test]b[ft]i[fr]i[fb]i[fet]i[fert]i[febt]i"
       "[lx]i[ty]i[rx]i[by]i[xcol]b[col]i[elx]i[ety]i[erx]i[eby]i"},
      {"CrossFill", "ccc[sf]i[ef]i[type]s[lx]i[ty]i[rx]i[by]i[color]i[white]b[shift]b[st]i[elx]i[ety]i[erx]i[eby]i"},
      {"Inlay",
       "ccc[sf]i[ef]i[type]s[color]i[lval]i[mwhite]b[x]i[y]i[w]i[h]i[shift]b[st]i[ellipse]b[ex]i[ey]i[ew]i[eh]i"},
      {"ColorDrops", "cciii+[movex]i[movey]i[shift]b[st]i[pshow]b[pcolor]i[wshed]b"},
      {"Morpher",
       "c[sf]i[ef]i[type]s[white]b[lx]i[ty]i[rx]i[by]i[elx]i[ety]i[erx]i[eby]i[lt]i[ut]i[test]b[flt]i[fut]i"},
      {"GaussBlur", "c[size]i[sd]f[u]b[v]b"},
      {"EMarker",
       "c[sf]i[ef]i[type]s[gyt]i[rt]i[bt]i[lt]i[white]b[test]b[ft]i[fr]i[fb]i[fl]i[lx]i[ty]i[rx]i[by]i[xcol]b[col]i"
       "[elx]i[ety]i[erx]i[eby]i"},
      {"ColorLine", "cciii+[pshow]b[pcolor]i[movex]i[movey]i"},
      {"SharpEdge",
       "c[sf]i[ef]i[type]s[lt]i[ut]i[white]b[test]b[flt]i[fut]i[lx]i[ty]i[rx]i[by]i[xcol]b[col]i[elx]i[ety]i[erx]i"
       "[eby]i[gradient]b"},
  };
  const auto rows = env.Registered();
  std::vector<std::pair<std::string, std::string>> module_rows;
  for (const auto& row : rows)
    for (const auto& want : expected)
      if (row.first == want.first) module_rows.push_back(row);
  EXPECT_EQ(module_rows, expected);
}

}  // namespace
}  // namespace tintara
