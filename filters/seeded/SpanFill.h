// The flood fill of the seeded colouring filters: a region of equal mask samples is flooded
// run by run through a private copy of the mask frame, without recursion, each pixel painted
// once and re-marked at once so a later fill sees what earlier fills took.
#pragma once

#include <cstdint>
#include <cstring>
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

// Scanning a row of mask samples `Step` bytes apart for the end of a run: the first column in
// [c, end) whose sample differs from m (Skip<Step, true>) or equals it (Skip<Step, false>), or
// end. The row is read in blocks of 8-byte words holding whole pixels (four words for 1, 2 and
// 4 bytes per pixel, three for RGB24), with an exact per-byte zero test on the sample bytes, so
// there are no false hits; the last columns one at a time.
namespace span {

constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;

// The sample bytes of word w of a block.
template <int Step>
constexpr uint64_t SampleLanes(int w) {
  if constexpr (Step == 1) return ~0ULL;
  if constexpr (Step == 2) return 0x00FF00FF00FF00FFULL;
  if constexpr (Step == 4) return 0x000000FF000000FFULL;
  return w == 0 ? 0x00FF0000FF0000FFULL : w == 1 ? 0xFF0000FF0000FF00ULL : 0x0000FF0000FF0000ULL;
}

// High bit of each byte of x that is not zero.
inline uint64_t NonZeroBytes(uint64_t x) { return (((x & kLow7) + kLow7) | x) & ~kLow7; }

inline uint64_t Load8(const BYTE* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

template <int Step, bool Equal>
int Skip(const BYTE* row, int c, int end, BYTE m) {
  if constexpr (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) {
    constexpr int words = Step == 3 ? 3 : 4;       // per block
    constexpr int per_block = 8 * words / Step;    // pixels per block
    const uint64_t pattern = 0x0101010101010101ULL * m;
    for (; c + per_block <= end; c += per_block) {
      const BYTE* p = row + c * Step;
      uint64_t hits[words], any = 0;
      for (int w = 0; w < words; ++w) {
        const uint64_t diff = (Load8(p + 8 * w) ^ pattern) & SampleLanes<Step>(w);
        // Equal: stop at a sample that differs; otherwise at one that matches (a zero lane).
        hits[w] = Equal ? diff : ~NonZeroBytes(diff) & ~kLow7 & SampleLanes<Step>(w);
        any |= hits[w];
      }
      if (!any) continue;
      for (int w = 0; w < words; ++w) {
        const uint64_t h = Equal ? NonZeroBytes(hits[w]) : hits[w];
        if (h) return c + (8 * w + __builtin_ctzll(h) / 8) / Step;
      }
    }
  }
  while (c < end && (row[c * Step] == m) == Equal) ++c;
  return c;
}

// The first column of the run of samples equal to m that ends at column c (whose sample is m):
// the same word-at-a-time test as Skip, scanning leftward, the highest differing sample of a
// block found with a leading-zero count.
template <int Step>
int RunStart(const BYTE* row, int c, BYTE m) {
  if constexpr (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) {
    constexpr int words = Step == 3 ? 3 : 4;
    constexpr int per_block = 8 * words / Step;
    const uint64_t pattern = 0x0101010101010101ULL * m;
    // Columns c..end-of-run are known equal; test the block of columns [c - per_block, c).
    for (; c >= per_block; c -= per_block) {
      const BYTE* p = row + (c - per_block) * Step;
      uint64_t any = 0, hits[words];
      for (int w = 0; w < words; ++w) {
        hits[w] = (Load8(p + 8 * w) ^ pattern) & SampleLanes<Step>(w);
        any |= hits[w];
      }
      if (!any) continue;
      for (int w = words - 1; w >= 0; --w) {
        const uint64_t h = NonZeroBytes(hits[w]);
        if (h) return c - per_block + (8 * w + (63 - __builtin_clzll(h)) / 8) / Step + 1;
      }
    }
  }
  while (c > 0 && row[(c - 1) * Step] == m) --c;
  return c;
}

}  // namespace span

// Which pixels touch: those sharing an edge (Four), or an edge or a corner (Eight).
enum class Neighbours { Four, Eight };

// Floods the region of samples equal to m around (x0, r0), 4- or 8-connected, calling
// paint(a, b, r) for runs a..b (inclusive) of memory row r that together hold each pixel of the
// region once, and re-marking its samples with k (k != m). The region is taken along memory
// rows, which keeps the mask and the picture in cache: a popped position grows into the whole
// run of matching samples of its row, which is painted and marked, and every run of matching
// samples in the rows above and below that touches it (columns a..b, or a-1..b+1 when corners
// touch) is queued once from this run (a run reached again later is found marked and skipped).
// Which pixels are painted, and how often, does not depend on the order of the runs. The caller
// starts only on a sample equal to m.
template <Neighbours N = Neighbours::Four, PixelFormat F, typename PaintFn>
void SpanFill(const MaskCopy<F>& mask, int x0, int r0, BYTE m, BYTE k, WorkStack* stack, const PaintFn& paint) {
  constexpr int step = BytesPerPixel(F);
  constexpr int reach = N == Neighbours::Eight ? 1 : 0;
  const int W = mask.Width(), H = mask.Height();
  stack->Push(x0, r0);
  while (!stack->Empty()) {
    int x, r;
    stack->Pop(&x, &r);
    BYTE* row = &mask.At(0, r);
    if (row[x * step] != m) continue;
    const int left = span::RunStart<step>(row, x, m);
    const int right = span::Skip<step, true>(row, x, W, m) - 1;
    paint(left, right, r);
    for (int c = left; c <= right; ++c) row[c * step] = k;
    const int from = left - reach < 0 ? 0 : left - reach;
    const int end = right + 1 + reach > W ? W : right + 1 + reach;
    for (int nr : {r - 1, r + 1}) {
      if (nr < 0 || nr >= H) continue;
      const BYTE* next = &mask.At(0, nr);
      for (int c = span::Skip<step, false>(next, from, end, m); c < end; c = span::Skip<step, false>(next, c, end, m)) {
        stack->Push(c, nr);
        c = span::Skip<step, true>(next, c, end, m);
      }
    }
  }
}

}  // namespace tintara
