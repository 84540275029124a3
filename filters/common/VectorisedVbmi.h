// A fourth copy of a pixel routine for the level with AVX-512 byte permutes (VBMI): loops that move
// bytes three apart (RGB24 samples gathered into a row, or a row spread over RGB24 pixels) then
// compile to a few permutes per vector instead of chains of word permutes and byte shuffles.
// Elsewhere the routine runs as `Vectorised` picks it.
#pragma once

#include "filters/common/Vectorised.h"

namespace tintara {

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

template <typename Fn>
[[gnu::target(TINTARA_AVX512_TARGET ",avx512vbmi"), gnu::flatten]] void RunForAvx512Vbmi(const Fn& fn) {
  fn();
}

template <typename Fn>
void VectorisedVbmi(const Fn& fn) {
  if (CpuVectorLevel() == VectorLevel::Avx512Vbmi) {
    RunForAvx512Vbmi(fn);
  } else {
    Vectorised(fn);
  }
}

#else

template <typename Fn>
void VectorisedVbmi(const Fn& fn) {
  Vectorised(fn);
}

#endif

}  // namespace tintara
