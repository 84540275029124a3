// The drawing filters and the chart in the registration table: in the table's order, before
// MaskMaker, with their exact signatures.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/Environment.h"

namespace tintara {
namespace {

TEST(DrawingRegistration, RowsInTableOrderWithExactSignatures) {
  Environment env;
  env.LoadPlugin(TINTARA_MODULE_PATH);
  const std::string region = "cc[sf]i[ef]i[shape]s[x]i[y]i[w]i[h]i[st]i[white]b";
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"DrawLines", "ciii+[line]s[lval]i[brush]b[lx]i[ty]i[rx]i[by]i"}, {"Stretch", region}, {"Shift", region},
      {"Pallet", "c[sgy]i[egy]i[fgy]i[hbox]i[vbox]i"}};
  const auto rows = env.Registered();
  auto at = rows.begin();
  for (const auto& row : expected) {
    at = std::find(at, rows.end(), row);
    ASSERT_NE(at, rows.end()) << row.first << " missing, out of order or with another signature";
  }
  EXPECT_NE(std::find_if(at, rows.end(), [](const auto& r) { return r.first == "MaskMaker"; }), rows.end());
}

}  // namespace
}  // namespace tintara
