// The flood fill of the seeded colouring filters: a region of equal mask samples is flooded
// along vertical spans through a private copy of the mask frame, without recursion, each pixel
// painted once and re-marked at once so a later fill sees what earlier fills took.
#pragma once

#include <vector>

#include "filters/common/Format.h"

namespace tintara {

// Pending positions of a fill, last in first out. It grows on demand: a large region with
// ragged borders can hold many pending runs at once. Positions go in column first, row second.
class WorkStack {
 public:
  WorkStack() { items_.reserve(1024); }
  void Push(int x, int r) {
    items_.push_back(x);
    items_.push_back(r);
  }
  // Takes the row first, then the column.
  void Pop(int* x, int* r) {
    *r = items_.back();
    items_.pop_back();
    *x = items_.back();
    items_.pop_back();
  }
  bool Empty() const { return items_.empty(); }

 private:
  std::vector<int> items_;
};

// The writable mask copy of one call: a pixel's sample is the first byte of the pixel (RGB),
// its Y byte (YUY2) or its luma sample (YV12, I420). Rows are memory rows.
template <PixelFormat F>
class MaskCopy {
 public:
  MaskCopy(const Plane& plane, int width, int height) : plane_(plane), width_(width), height_(height) {}
  BYTE& At(int x, int r) const { return plane_.Row(r)[x * BytesPerPixel(F)]; }
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  Plane plane_;
  int width_, height_;
};

// Floods the 4-connected region of samples equal to m around (x0, r0), calling paint(x, r) once
// per pixel of it and re-marking its samples with k (k != m). Spans run down one column; each
// run of matching samples in a neighbouring column is queued once per span that touches it,
// from its first touching row. The caller starts only on a sample equal to m.
template <PixelFormat F, typename PaintFn>
void SpanFill(const MaskCopy<F>& mask, int x0, int r0, BYTE m, BYTE k, WorkStack* stack, const PaintFn& paint) {
  const int W = mask.Width(), H = mask.Height();
  stack->Push(x0, r0);
  while (!stack->Empty()) {
    int x, r;
    stack->Pop(&x, &r);
    // Up to the first matching row of this run (the popped pixel may have been taken since).
    while (r >= 0 && mask.At(x, r) == m) --r;
    ++r;
    if (r >= H) continue;
    const bool has_left = x >= 1, has_right = x < W - 1;
    bool left = false, right = false;
    while (mask.At(x, r) == m) {
      paint(x, r);
      mask.At(x, r) = k;
      if (has_left) {
        const bool match = mask.At(x - 1, r) == m;
        if (!left && match) stack->Push(x - 1, r);
        left = match;
      }
      if (has_right) {
        const bool match = mask.At(x + 1, r) == m;
        if (!right && match) stack->Push(x + 1, r);
        right = match;
      }
      if (++r >= H) break;
    }
  }
}

}  // namespace tintara
