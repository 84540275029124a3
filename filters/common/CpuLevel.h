// Which compiled copy of the pixel routines runs: the widest vector level the CPU has, or the
// one named by the environment variable TINTARA_CPU (baseline, avx2, avx512, avx512vbmi).
//
// The module takes its configuration from script arguments only. TINTARA_CPU is no exception to
// that rule in effect: every level computes the same bytes, so the variable changes no output;
// it is a test hook that lets a machine with AVX-512 run the narrower copies against the models.
// A level that is unknown, or that the CPU lacks, is refused when the module loads, never
// replaced by another one.
#pragma once

#include <cstdlib>
#include <cstring>
#include <string>

namespace tintara {

// Ordered: each level's instructions include those of the levels before it. Avx512Vbmi adds
// AVX-512 byte permutes, used only by the loops that move bytes three apart (ForLevelVbmi).
enum class VectorLevel { Baseline, Avx2, Avx512, Avx512Vbmi };

constexpr const char* kLevelNames[] = {"baseline", "avx2", "avx512", "avx512vbmi"};

inline const char* LevelName(VectorLevel level) { return kLevelNames[static_cast<int>(level)]; }

inline VectorLevel BestCpuLevel() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  if (__builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl"))
    return __builtin_cpu_supports("avx512vbmi") ? VectorLevel::Avx512Vbmi : VectorLevel::Avx512;
  if (__builtin_cpu_supports("avx2")) return VectorLevel::Avx2;
#endif
  return VectorLevel::Baseline;
}

// The level asked for by `requested` (null or empty: none asked, the best one) on a CPU whose
// best level is `best`; `error` is set, and the level is the best, when the request is refused.
struct LevelChoice {
  VectorLevel level = VectorLevel::Baseline;
  std::string error;
};

inline LevelChoice ChooseLevel(const char* requested, VectorLevel best) {
  LevelChoice choice{best, {}};
  if (requested == nullptr || *requested == '\0') return choice;
  for (int i = 0; i < 4; ++i) {
    if (std::strcmp(requested, kLevelNames[i]) != 0) continue;
    if (static_cast<int>(best) < i) {
      choice.error =
          std::string("TINTARA_CPU=") + requested + ": this CPU lacks that level (its best is " + LevelName(best) + ")";
    } else {
      choice.level = static_cast<VectorLevel>(i);
    }
    return choice;
  }
  choice.error =
      std::string("TINTARA_CPU=") + requested + ": unknown CPU level (use baseline, avx2, avx512 or avx512vbmi)";
  return choice;
}

// The choice for this process, made once from the environment.
inline const LevelChoice& ProcessLevel() {
  static const LevelChoice choice = ChooseLevel(std::getenv("TINTARA_CPU"), BestCpuLevel());
  return choice;
}

inline VectorLevel CpuVectorLevel() { return ProcessLevel().level; }

}  // namespace tintara
