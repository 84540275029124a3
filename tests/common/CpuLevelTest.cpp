// TINTARA_CPU chooses among the compiled copies of the pixel routines; a level that cannot be
// honoured must stop the module from loading rather than quietly run another copy.
#include <gtest/gtest.h>

#include <cstdlib>

#include "filters/common/CpuLevel.h"
#include "tests/cli/CliSupport.h"

namespace tintara::testing {
namespace {

TEST(CpuLevel, NamedLevelsUpToTheBestAreTakenOthersRefused) {
  using L = VectorLevel;
  const struct {
    const char* requested;
    L best, level;
    const char* error;  // a part of the message, "" for none
  } cases[] = {
      {nullptr, L::Avx2, L::Avx2, ""},
      {"", L::Avx512Vbmi, L::Avx512Vbmi, ""},
      {"baseline", L::Avx512Vbmi, L::Baseline, ""},
      {"avx2", L::Avx512Vbmi, L::Avx2, ""},
      {"avx512", L::Avx512Vbmi, L::Avx512, ""},
      {"avx512vbmi", L::Avx512Vbmi, L::Avx512Vbmi, ""},
      {"avx2", L::Avx2, L::Avx2, ""},
      {"avx512", L::Avx2, L::Avx2, "TINTARA_CPU=avx512: this CPU lacks that level (its best is avx2)"},
      {"avx512vbmi", L::Avx512, L::Avx512, "lacks that level (its best is avx512)"},
      {"avx2", L::Baseline, L::Baseline, "lacks that level (its best is baseline)"},
      {"AVX2", L::Avx512Vbmi, L::Avx512Vbmi, "TINTARA_CPU=AVX2: unknown CPU level (use baseline, avx2"},
      {"avx", L::Avx512Vbmi, L::Avx512Vbmi, "unknown CPU level"},
      {"avx2 ", L::Avx512Vbmi, L::Avx512Vbmi, "unknown CPU level"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.requested ? c.requested : "(unset)");
    const LevelChoice choice = ChooseLevel(c.requested, c.best);
    EXPECT_EQ(choice.level, c.level);
    if (*c.error == '\0')
      EXPECT_EQ(choice.error, "");
    else
      EXPECT_NE(choice.error.find(c.error), std::string::npos) << choice.error;
  }
}

class CpuLevelCommand : public CliTest {};

TEST_F(CpuLevelCommand, UnknownLevelStopsTheCommandWithTheReason) {
  Put("one.avs", "BlankClip(length=1, width=16, height=16, pixel_type=\"YV12\").GaussBlur()\n");
  setenv("TINTARA_CPU", "avx1024", 1);
  const Outcome o = Tintara("--info one.avs");
  unsetenv("TINTARA_CPU");
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("Tintara: TINTARA_CPU=avx1024: unknown CPU level"), std::string::npos) << o.err;
  EXPECT_EQ(o.out, "");
}

}  // namespace
}  // namespace tintara::testing
