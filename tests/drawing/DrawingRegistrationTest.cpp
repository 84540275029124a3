// The drawing filters and the chart in the module's registration table: their rows in the
// table's order, with their signatures as the host must see them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/Environment.h"

namespace tintara {
namespace {

TEST(DrawingRegistration, RowsInTableOrderWithExactSignatures) {
  Environment env;
  env.LoadPlugin(TINTARA_MODULE_PATH);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"DrawLines", "ciii+[line]s[lval]i[brush]b[lx]i[ty]i[rx]i[by]i"},
      {"Stretch", "cc[sf]i[ef]i[shape]s[x]i[y]i[w]i[h]i[st]i[white]b"},
      {"Shift", "cc[sf]i[ef]i[shape]s[x]i[y]i[w]i[h]i[st]i[white]b"},
      {"Pallet", "c[sgy]i[egy]i[fgy]i[hbox]i[vbox]i"},
      {"MaskMaker", ""},
  };
  const auto rows = env.Registered();
  size_t at = 0;
  for (const auto& [name, signature] : expected) {
    while (at < rows.size() && rows[at].first != name) ++at;
    ASSERT_LT(at, rows.size()) << name << " missing or out of order";
    if (!signature.empty()) {
      EXPECT_EQ(rows[at].second, signature) << name;
    }
  }
}

}  // namespace
}  // namespace tintara
