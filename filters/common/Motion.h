// Frame ranges, test mode and linear motion across a range: which source frame a filter works
// on for output frame n, and where a moving value (window edge, threshold, seed) stands there.
#pragma once

#include <cstdint>

namespace tintara {

// start + ((end - start) * i) / d, multiplying first and truncating toward zero. Computed in
// 64 bits so no accepted argument overflows; d = 0 (a one-frame range) stays at the start.
inline int Lerp(int start, int end, int i, int d) {
  if (d == 0) return start;
  const int64_t step = (static_cast<int64_t>(end) - start) * i / d;
  return static_cast<int>(static_cast<int64_t>(start) + step);
}

// What a filter with a frame range and a test mode does for output frame n.
struct FrameStep {
  bool active = false;  // false: return child frame n unchanged
  int source = 0;       // the child frame to work on
  int i = 0, d = 1;     // the fraction of the way from start to end values
};

// Test mode off: frames sf..ef are worked on, frame n at (n - sf) / (ef - sf + 1) of the way.
// Test mode on: frames below ef are all made from source frame sf, frame n at n / ef.
inline FrameStep StepFor(int n, int sf, int ef, bool test) {
  FrameStep s;
  if (test) {
    s.active = n < ef;
    s.source = sf;
    s.i = n < 0 ? 0 : n;  // a host asks for frame 0 there; values never move back past the start
    s.d = ef;
  } else {
    s.active = n >= sf && n <= ef;
    s.source = n;
    if (s.active) {  // only then is n - sf sure to fit
      s.i = n - sf;
      s.d = ef - sf + 1;
    }
  }
  return s;
}

// A window as scripts give it: inclusive edges in picture coordinates. Pixel code works in the
// half-open PictureRect that WindowRectAt (Geometry.h) makes of it.
struct Window {
  int lx = 0, ty = 0, rx = 0, by = 0;
};

inline Window WindowAt(const Window& start, const Window& end, const FrameStep& s) {
  return {Lerp(start.lx, end.lx, s.i, s.d), Lerp(start.ty, end.ty, s.i, s.d), Lerp(start.rx, end.rx, s.i, s.d),
          Lerp(start.by, end.by, s.i, s.d)};
}

}  // namespace tintara
