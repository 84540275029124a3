// Pixel routines compiled three times, for baseline x86-64, for AVX2 and for AVX-512 (byte and
// word instructions), the copy picked at run time (CpuLevel.h): the module runs on any x86-64
// and still uses the widest vectors there are.
//
// A filter picks its copy once, when it is built: `ForLevel<&Kernel<F>>()` is a pointer to the
// copy of Kernel<F> for this process's level, with the kernel and everything it calls inlined
// into it, so kernels are written as plain loops the compiler can vectorise (no calls into other
// files inside). `Vectorised([&] { ... })` runs a piece of code in the level's copy where it is.
#pragma once

#include <utility>

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

// The copies of one kernel function, each with the kernel inlined into it.
template <auto Kernel>
struct LevelCopies;
template <typename R, typename... A, R (*Kernel)(A...)>
struct LevelCopies<Kernel> {
  [[gnu::target(TINTARA_AVX512_TARGET ",avx512vbmi"), gnu::flatten]] static R Avx512Vbmi(A... a) {
    return Kernel(std::forward<A>(a)...);
  }
  [[gnu::target(TINTARA_AVX512_TARGET), gnu::flatten]] static R Avx512(A... a) { return Kernel(std::forward<A>(a)...); }
  [[gnu::target("avx2"), gnu::flatten]] static R Avx2(A... a) { return Kernel(std::forward<A>(a)...); }
  [[gnu::flatten]] static R Baseline(A... a) { return Kernel(std::forward<A>(a)...); }
};

// Kernel's copy for `level`: baseline, AVX2 or AVX-512 (AVX-512 also where the CPU has VBMI).
template <auto Kernel>
decltype(Kernel) ForLevel(VectorLevel level = CpuVectorLevel()) {
  using Copies = LevelCopies<Kernel>;
  switch (level) {
    case VectorLevel::Avx512:
    case VectorLevel::Avx512Vbmi: return &Copies::Avx512;
    case VectorLevel::Avx2: return &Copies::Avx2;
    default: return &Copies::Baseline;
  }
}

// As ForLevel, with a fourth copy for CPUs with AVX-512 byte permutes, for the loops that move
// bytes three apart (RGB24 samples gathered into a row, or a row spread over RGB24 pixels).
template <auto Kernel>
decltype(Kernel) ForLevelVbmi(VectorLevel level = CpuVectorLevel()) {
  if (level == VectorLevel::Avx512Vbmi) return &LevelCopies<Kernel>::Avx512Vbmi;
  return ForLevel<Kernel>(level);
}

#else

template <typename Fn>
void Vectorised(const Fn& fn) {
  fn();
}

template <auto Kernel>
decltype(Kernel) ForLevel(VectorLevel = CpuVectorLevel()) {
  return Kernel;
}

template <auto Kernel>
decltype(Kernel) ForLevelVbmi(VectorLevel = CpuVectorLevel()) {
  return Kernel;
}

#endif

}  // namespace tintara
