// Byte arithmetic without branches, for row loops the compiler vectorises in byte lanes.
#pragma once

#include <cstdint>
#include <cstring>

#include "host/avisynth.h"

namespace tintara {

// `yes` where `s` holds, else `no`, as arithmetic: a select of a value against the byte it
// replaces would become a conditional store, which keeps the loop from vectorising.
inline BYTE Pick(bool s, int yes, int no) { return static_cast<BYTE>(no ^ ((yes ^ no) & -static_cast<int>(s))); }

// a where the selection byte `sel` is 0xFF, b where it is 0: for rows of selections made by
// comparisons, where Pick would first turn each back into a bool.
inline BYTE Select(BYTE sel, BYTE a, BYTE b) { return static_cast<BYTE>((sel & a) | (~sel & b)); }

// v + up clamped at 255, then less down clamped at 0: with one of up and down 0, the clamped sum
// of v and a signed offset, as a saturating add and a saturating subtract.
inline BYTE AddClamped(BYTE v, BYTE up, BYTE down) {
  const BYTE added = static_cast<BYTE>(v + up);
  const BYTE raised = static_cast<BYTE>(added | -static_cast<int>(added < v));
  const BYTE lowered = static_cast<BYTE>(raised - down);
  return static_cast<BYTE>(lowered & -static_cast<int>(lowered <= raised));
}

// RGB32 pixels handled whole, as 32-bit words whose low byte is the pixel's first: one lane per
// pixel rather than bytes four apart.
inline uint32_t LoadPixel(const BYTE* p) {
  uint32_t w;
  std::memcpy(&w, p, 4);
  return w;
}
inline void StorePixel(BYTE* p, uint32_t w) { std::memcpy(p, &w, 4); }

}  // namespace tintara
