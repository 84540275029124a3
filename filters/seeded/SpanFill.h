// The flood fill of the seeded colouring filters: a region of equal mask samples is flooded
// run by run through a private copy of the mask frame, without recursion, each pixel painted
// once and re-marked at once so a later fill sees what earlier fills took.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

#include "filters/common/Format.h"

namespace tintara {

// A run waiting to be filled: a column of it in memory row r, and the run it was found from:
// memory row `from` (the row above or below; -1 for the starting point) and its columns
// [x0, x1), all marked already, so the scan back into that row can pass over them.
struct PendingRun {
  int x, r, from, x0, x1;
};

// Pending runs of a fill, last in first out. It grows on demand: a large region with ragged
// borders can hold many pending runs at once.
class WorkStack {
 public:
  WorkStack() { items_.reserve(1024); }
  void Push(const PendingRun& run) { items_.push_back(run); }
  PendingRun Pop() {
    const PendingRun run = items_.back();
    items_.pop_back();
    return run;
  }
  bool Empty() const { return items_.empty(); }

 private:
  std::vector<PendingRun> items_;
};

// The private copy of a mask frame that one call fills through: one byte per pixel, the pixel's
// mask sample (the first byte of an RGB pixel, the Y byte of YUY2, the luma sample of YV12 and
// I420), rows in memory order. Packing the samples keeps the scans dense whatever the format.
// Either it owns its bytes (Packed) or it marks a caller's plane of one-byte samples in place.
class MaskCopy {
 public:
  MaskCopy(const Plane& plane, int width, int height) : plane_(plane), width_(width), height_(height) {}

  template <PixelFormat F>
  static MaskCopy Packed(const ConstPlane& mask, int width, int height) {
    const int pitch = (width + 63) & ~63;
    std::unique_ptr<BYTE[]> bytes(new BYTE[static_cast<size_t>(pitch) * (height > 0 ? height : 0)]);
    MaskCopy copy(Plane{bytes.get(), pitch, width, height}, width, height);
    copy.owned_ = std::move(bytes);
    PackRows<F>(mask, copy.plane_, width, height);
    return copy;
  }

  BYTE& At(int x, int r) const { return plane_.Row(r)[x]; }
  BYTE* Row(int r) const { return plane_.Row(r); }
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  // The arguments come by value, so the loops need not reload them after every store.
  template <PixelFormat F>
  static void PackRows(const ConstPlane mask, const Plane to_plane, const int width, const int height) {
    constexpr int step = BytesPerPixel(F);
    for (int r = 0; r < height; ++r) {
      const BYTE* __restrict from = mask.Row(r);
      BYTE* __restrict to = to_plane.Row(r);
      if constexpr (step == 1) {
        std::memcpy(to, from, static_cast<size_t>(width));
      } else if constexpr (step == 3 || __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__) {
        for (int x = 0; x < width; ++x) to[x] = from[x * step];
      } else {
        // The low byte of each whole pixel read as a word: the loop narrows lanes, no shuffles.
        using Word = std::conditional_t<step == 2, uint16_t, uint32_t>;
        for (int x = 0; x < width; ++x) {
          Word w;
          std::memcpy(&w, from + x * step, sizeof w);
          to[x] = static_cast<BYTE>(w);
        }
      }
    }
  }

  std::unique_ptr<BYTE[]> owned_;
  Plane plane_;
  int width_, height_;
};

// Scanning a row of samples for the end of a run: the first column in [c, end) whose sample
// differs from m (Skip<true>) or equals it (Skip<false>), or end. The row is read in blocks of
// four 8-byte words with an exact per-byte zero test, so there are no false hits; the last
// columns one at a time.
namespace span {

constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
constexpr int kScanBytes = 32;

// High bit of each byte of x that is not zero.
inline uint64_t NonZeroBytes(uint64_t x) { return (((x & kLow7) + kLow7) | x) & ~kLow7; }

inline uint64_t Load8(const BYTE* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

template <bool Equal>
int Skip(const BYTE* row, int c, int end, BYTE m) {
  if constexpr (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) {
    const uint64_t pattern = 0x0101010101010101ULL * m;
    for (; c + kScanBytes <= end; c += kScanBytes) {
      const BYTE* p = row + c;
      uint64_t hits[4], any = 0;
      for (int w = 0; w < 4; ++w) {
        const uint64_t diff = Load8(p + 8 * w) ^ pattern;
        // Equal: stop at a sample that differs; otherwise at one that matches (a zero byte).
        hits[w] = Equal ? diff : ~NonZeroBytes(diff) & ~kLow7;
        any |= hits[w];
      }
      if (!any) continue;
      for (int w = 0; w < 4; ++w) {
        const uint64_t h = Equal ? NonZeroBytes(hits[w]) : hits[w];
        if (h) return c + 8 * w + __builtin_ctzll(h) / 8;
      }
    }
    // Short runs and the end of a row: single words.
    for (; c + 8 <= end; c += 8) {
      const uint64_t diff = Load8(row + c) ^ pattern;
      const uint64_t h = Equal ? NonZeroBytes(diff) : ~NonZeroBytes(diff) & ~kLow7;
      if (h) return c + __builtin_ctzll(h) / 8;
    }
  }
  while (c < end && (row[c] == m) == Equal) ++c;
  return c;
}

// The first column of the run of samples equal to m that ends at column c (whose sample is m):
// the same test as Skip, scanning leftward, the highest differing sample of a block found with
// a leading-zero count.
inline int RunStart(const BYTE* row, int c, BYTE m) {
  if constexpr (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) {
    const uint64_t pattern = 0x0101010101010101ULL * m;
    // Columns from c on are known equal; test the block of columns [c - kScanBytes, c).
    for (; c >= kScanBytes; c -= kScanBytes) {
      const BYTE* p = row + c - kScanBytes;
      uint64_t any = 0, hits[4];
      for (int w = 0; w < 4; ++w) {
        hits[w] = Load8(p + 8 * w) ^ pattern;
        any |= hits[w];
      }
      if (!any) continue;
      for (int w = 3; w >= 0; --w) {
        const uint64_t h = NonZeroBytes(hits[w]);
        if (h) return c - kScanBytes + 8 * w + (63 - __builtin_clzll(h)) / 8 + 1;
      }
    }
    for (; c >= 8; c -= 8) {
      const uint64_t h = NonZeroBytes(Load8(row + c - 8) ^ pattern);
      if (h) return c - 8 + (63 - __builtin_clzll(h)) / 8 + 1;
    }
  }
  while (c > 0 && row[c - 1] == m) --c;
  return c;
}

}  // namespace span

// Which pixels touch: those sharing an edge (Four), or an edge or a corner (Eight).
enum class Neighbours { Four, Eight };

// Floods the region of samples equal to m around (x0, r0), 4- or 8-connected, calling
// paint(x0, x1, r) for runs [x0, x1) of memory row r that together hold each pixel of the
// region once, and re-marking its samples with k (k != m). The region is taken along memory
// rows, which keeps the mask and the picture in cache: a popped position grows into the whole
// run of matching samples of its row, which is painted and marked, and every run of matching
// samples in the rows above and below that touches it (columns [x0, x1), or [x0 - 1, x1 + 1)
// when corners touch) is queued once from this run (a run reached again later is found marked
// and skipped); the scan back into the row a run was found from passes over the run that found
// it.
// Which pixels are painted, and how often, does not depend on the order of the runs. The caller
// starts only on a sample equal to m.
template <Neighbours N = Neighbours::Four, typename PaintFn>
void SpanFill(const MaskCopy& mask, int x0, int r0, BYTE m, BYTE k, WorkStack* stack, const PaintFn& paint) {
  constexpr int reach = N == Neighbours::Eight ? 1 : 0;
  const int W = mask.Width(), H = mask.Height();
  stack->Push({x0, r0, -1, 0, 0});
  while (!stack->Empty()) {
    const PendingRun run = stack->Pop();
    const int x = run.x, r = run.r;
    BYTE* row = mask.Row(r);
    if (row[x] != m) continue;
    // The run [left, right) around x.
    const int left = span::RunStart(row, x, m);
    const int right = span::Skip<true>(row, x, W, m);
    paint(left, right, r);
    std::memset(row + left, k, static_cast<size_t>(right - left));
    const int from = left - reach < 0 ? 0 : left - reach;
    const int end = right + reach > W ? W : right + reach;
    // Queues every run of samples equal to m in row nr that starts or reaches into [c, stop).
    const auto queue = [&](int nr, int c, int stop) {
      const BYTE* next = mask.Row(nr);
      for (c = span::Skip<false>(next, c, stop, m); c < stop; c = span::Skip<false>(next, c, stop, m)) {
        stack->Push({c, nr, r, left, right});
        c = span::Skip<true>(next, c, stop, m);
      }
    };
    for (int nr : {r - 1, r + 1}) {
      if (nr < 0 || nr >= H) continue;
      if (nr != run.from) {
        queue(nr, from, end);
      } else {
        // The row this run was found from: its run [x0, x1) is marked, only the columns beyond
        // it can hold more.
        queue(nr, from, run.x0 < end ? run.x0 : end);
        queue(nr, run.x1 > from ? run.x1 : from, end);
      }
    }
  }
}

}  // namespace tintara
