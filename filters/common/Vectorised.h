// Pixel routines compiled three times, for baseline x86-64, for AVX2 and for AVX-512 (byte and
// word instructions), the copy picked at run time (CpuLevel.h): the module runs on any x86-64
// and still uses the widest vectors there are.
//
// Usage: Vectorised([&] { Kernel<F>(...); }); the kernel is inlined into both copies, so it is
// written as plain loops the compiler can vectorise (no calls into other files inside).
#pragma once

#include "filters/common/CpuLevel.h"

namespace tintara {

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

// GCC keeps to 256-bit vectors unless told otherwise; clang knows no such option here.
#if defined(__clang__)
#define TINTARA_AVX512_TARGET "avx512f,avx512bw,avx512vl,avx2,bmi2"
#else
#define TINTARA_AVX512_TARGET "avx512f,avx512bw,avx512vl,avx2,bmi2,prefer-vector-width=512"
#endif

template <typename Fn>
[[gnu::target(TINTARA_AVX512_TARGET), gnu::flatten]] void RunForAvx512(const Fn& fn) {
  fn();
}

template <typename Fn>
[[gnu::target("avx2"), gnu::flatten]] void RunForAvx2(const Fn& fn) {
  fn();
}

template <typename Fn>
[[gnu::flatten]] void RunForBaseline(const Fn& fn) {
  fn();
}

template <typename Fn>
void Vectorised(const Fn& fn) {
  switch (CpuVectorLevel()) {
    case VectorLevel::Avx512:
    case VectorLevel::Avx512Vbmi: RunForAvx512(fn); break;
    case VectorLevel::Avx2: RunForAvx2(fn); break;
    default: RunForBaseline(fn); break;
  }
}

#else

template <typename Fn>
void Vectorised(const Fn& fn) {
  fn();
}

#endif

}  // namespace tintara
