// Row loops in whole blocks of a constant number of pixels: a kernel called with a constant
// count compiles to whole vectors with no leftover loop (whose one-pixel-at-a-time steps can
// cost more than the vectors of a 1920-pixel row). The last block of a row ends at the row's
// end and overlaps the one before it, so it suits kernels whose every output byte is worked out
// from inputs the kernel does not write.
//
// Usage: ForBlocks<64>(n, [&](int i) { Kernel(p + i, ..., 64); }, [&] { Kernel(p, ..., n); });
#pragma once

namespace tintara {

// Pixels (or samples) per block of the row loops: a whole AVX-512 vector of bytes.
constexpr int kBlock = 64;

// Calls block(i) for blocks [i, i + Block) covering 0..n-1 when n >= Block, else short().
template <int Block, typename BlockFn, typename ShortFn>
inline void ForBlocks(int n, const BlockFn& block, const ShortFn& short_row) {
  if (n < Block) {
    short_row();
    return;
  }
  for (int i = 0; i + Block < n; i += Block) block(i);
  block(n - Block);
}

}  // namespace tintara
