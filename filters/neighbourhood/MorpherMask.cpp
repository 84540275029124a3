// The operations on the mask itself: erosion and dilation, their two combinations, thinning,
// and the removal of isolated dots and holes.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#include "filters/common/Blocks.h"
#include "filters/common/ForFormat.h"
#include "filters/common/SampleRows.h"
#include "filters/common/Surround.h"
#include "filters/common/Vectorised.h"
#include "filters/neighbourhood/MorpherWork.h"

namespace tintara {

namespace {

// Rows are judged in runs of kBlock samples, the last run moved back to end where the row does
// (so it repeats part of the run before it, harmless as no output feeds an input): each run
// compiles to whole vectors, with no sample-by-sample leftover. Rows shorter than a run go one
// sample at a time.

// The start of the run after the one at `start`, moved back to end at `end`; -1 after the last.
inline int NextRun(int start, int end) {
  if (start == end - kBlock) return -1;
  return start + kBlock > end - kBlock ? end - kBlock : start + kBlock;
}

// Marks in `clear` the samples 1..width-2 of a row none of whose three horizontal neighbours
// (itself included) holds `other`.
inline void ClearOfOther(const BYTE* __restrict row, BYTE* __restrict clear, int width, BYTE other) {
  if (width - 2 < kBlock) {
    for (int i = 1; i < width - 1; ++i)
      clear[i] = ((row[i - 1] != other) & (row[i] != other) & (row[i + 1] != other)) ? 0xFF : 0;
    return;
  }
  for (int start = 1; start >= 0; start = NextRun(start, width - 1)) {
    const BYTE* __restrict r = row + start;
    BYTE* __restrict c = clear + start;
    for (int k = 0; k < kBlock; ++k) c[k] = ((r[k - 1] != other) & (r[k] != other) & (r[k + 1] != other)) ? 0xFF : 0;
  }
}

// The result row: 128 at both ends; inside, `value` where the sample holds it and the three
// rows around it are clear of `other` there, `other` elsewhere.
inline void ErodeRow(const BYTE* __restrict mid, const BYTE* __restrict up, const BYTE* __restrict here,
                     const BYTE* __restrict down, BYTE* __restrict out, int width, BYTE value, BYTE other) {
  out[0] = 128;
  if (width - 2 < kBlock) {
    for (int i = 1; i < width - 1; ++i)
      out[i] = ((mid[i] == value) & ((up[i] & here[i] & down[i]) != 0)) ? value : other;
  } else {
    for (int start = 1; start >= 0; start = NextRun(start, width - 1)) {
      const BYTE* __restrict m = mid + start;
      const BYTE* __restrict a = up + start;
      const BYTE* __restrict h = here + start;
      const BYTE* __restrict d = down + start;
      BYTE* __restrict o = out + start;
      for (int k = 0; k < kBlock; ++k) o[k] = ((m[k] == value) & ((a[k] & h[k] & d[k]) != 0)) ? value : other;
    }
  }
  out[width - 1] = 128;
}

// One erosion pass over a rectangle of `width` x `height` samples, streamed through contiguous
// rows: rows go in top to bottom and each result row leaves as soon as the row below it has
// come in. Result rows 0 and height-1 and samples 0 and width-1 are 128; inside, a sample keeps
// `value` only when it holds it and none of its eight neighbours holds `other` (the sample
// itself then cannot), otherwise it gets `other`. The 3x3 test is separable: each input row's
// three-wide test is made once and shared by the three result rows that need it.
class ErosionRows {
 public:
  ErosionRows(int width, int height, BYTE value)
      : width_(width), height_(height), value_(value), other_(value == 255 ? 0 : 255) {
    for (int k = 0; k < 3; ++k) own_[k] = clear_[k] = result_[k] = Sized(width);
  }

  // A buffer for the next input row, for callers that must gather it first.
  BYTE* InputBuffer() { return own_[fed_ % 3].data(); }

  // Takes the next input row (width samples, left as they are until two more rows have come in)
  // and hands every result row now complete to sink(row_index, samples). Result rows stay as
  // they are until two more result rows have left, so a second pass can take them as input.
  template <typename Sink>
  void Push(const BYTE* row, const Sink& sink) {
    PushInto(
        row, [](int) { return static_cast<BYTE*>(nullptr); }, sink);
  }

  // The same, each result row r made where target(r) points (width bytes, not overlapping any
  // input row still needed) or, given nullptr, in the pass's own buffer. Rows made elsewhere
  // are not kept for a second pass.
  template <typename Target, typename Sink>
  void PushInto(const BYTE* row, const Target& target, const Sink& sink) {
    const int j = fed_++;
    in_[j % 3] = row;
    ClearOfOther(row, clear_[j % 3].data(), width_, other_);
    if (j == 0) EdgeRow(0, target(0), sink);
    if (j >= 2 && j - 1 < height_ - 1) {
      BYTE* out = target(j - 1);
      if (out == nullptr) out = result_[(j - 1) % 3].data();
      ErodeRow(in_[(j - 1) % 3], clear_[(j - 2) % 3].data(), clear_[(j - 1) % 3].data(), clear_[j % 3].data(), out,
               width_, value_, other_);
      sink(j - 1, static_cast<const BYTE*>(out));
    }
    if (j == height_ - 1 && j > 0) EdgeRow(j, target(j), sink);
  }

 private:
  static std::vector<BYTE> Sized(int width) { return std::vector<BYTE>(static_cast<size_t>(width > 0 ? width : 1)); }

  template <typename Sink>
  void EdgeRow(int j, BYTE* out, const Sink& sink) {
    if (out == nullptr) out = result_[j % 3].data();
    std::memset(out, 128, static_cast<size_t>(width_));
    sink(j, static_cast<const BYTE*>(out));
  }

  const int width_, height_;
  const BYTE value_, other_;
  int fed_ = 0;
  const BYTE* in_[3] = {};
  std::vector<BYTE> own_[3], clear_[3], result_[3];
};

// The next input row of a pass: the frame's row itself when its samples are contiguous,
// otherwise gathered into the pass's buffer.
template <int Step>
const BYTE* InputRow(ErosionRows& pass, const BYTE* samples, int width) {
  if constexpr (Step == 1) return samples;
  BYTE* row = pass.InputBuffer();
  GatherSamples<Step>(samples, row, width);
  return row;
}

}  // namespace

namespace morpher {

namespace {

// Copies src into out except the drawn rectangle, whose pixels the mask operations write whole
// (every byte, planar chroma by the grey-out).
template <PixelFormat F>
void CopyAroundGreyed(const FramePlanes<BYTE>& o, const FramePlanes<const BYTE>& s, const PictureRect& drawn) {
  constexpr int step = BytesPerPixel(F);
  const MemoryRows rows = MemoryRowsOf(F, s.y.height, drawn);
  CopyAround(o.y, s.y, {rows.first, rows.first + rows.count, drawn.x0 * step, drawn.x1 * step});
  if constexpr (IsPlanar(F)) {
    const ByteRect chroma{drawn.y0 / 2, drawn.y1 / 2, drawn.x0 / 2, drawn.x1 / 2};
    CopyAround(o.u, s.u, chroma);
    CopyAround(o.v, s.v, chroma);
  }
}

// A result row over `count` pixels from column x0 of memory row m, greyed as the window's inside
// is: RGB copies the sample into green and red (the fourth byte of RGB32 is the source's), YUY2
// sets each pixel's own chroma byte to 128, planar writes the sample.
template <PixelFormat F>
inline void PutGreyedFrom(const BYTE* row, const FramePlanes<const BYTE>& s, const FramePlanes<BYTE>& o, int x0, int m,
                          int count) {
  constexpr int step = BytesPerPixel(F);
  BYTE* d = o.y.Row(m) + x0 * step;
  if constexpr (IsRGB(F)) {
    PutGreyRgbFrom<step>(row, s.y.Row(m) + x0 * step, d, count);
  } else if constexpr (F == PixelFormat::YUY2) {
    PutNeutralYuy2(row, d, count);
  } else {
    ScatterSamples<1>(row, d, count);
  }
}

// The window's rows are taken in rising memory order (MemoryRowsOf): the 3x3 tests read the same
// whatever the direction, and rising addresses keep the frames streaming from memory. RGB is
// stored bottom-up, so there the window's last picture row, which the mask operations leave as
// the source's, comes first; this is its index in that order.
template <PixelFormat F>
int LastPictureRowIndex(const MemoryRows& rows) {
  return IsRGB(F) ? 0 : rows.count - 1;
}

// RGB32 and YUY2 pixels as words (RGB32 a 32-bit word, YUY2 a 16-bit sample-chroma pair, the
// sample in the low byte): each result word is made straight in the frame row, greyed, with no
// result row to scatter afterwards.
template <typename Lane>
inline Lane LaneAt(const BYTE* p, int i) {
  Lane v;
  std::memcpy(&v, p + static_cast<size_t>(i) * sizeof(Lane), sizeof(Lane));
  return v;
}

template <typename Lane>
inline void PutLane(BYTE* p, int i, Lane v) {
  std::memcpy(p + static_cast<size_t>(i) * sizeof(Lane), &v, sizeof(Lane));
}

// The greyed word of a pixel whose sample becomes `sample`: RGB32 takes it in bytes 0..2 and
// keeps the source's fourth byte, YUY2 takes it with chroma 128.
template <typename Lane>
inline Lane GreyWord(Lane source, uint32_t sample) {
  if constexpr (sizeof(Lane) == 4) {
    return static_cast<Lane>((source & 0xFF000000u) | (sample * 0x010101u));
  } else {
    return static_cast<Lane>(sample | 0x8000u);
  }
}

// Result row of a word-lane pass, pixels 0..width-2 of `out`: 128 at pixel 0, inside `value`
// where the sample (`mid`, gathered from the words of `words`) holds it and the three clear rows
// allow it, `other` elsewhere.
template <typename Lane>
inline void ErodeWordRow(const BYTE* __restrict mid, const BYTE* __restrict words, const BYTE* __restrict up,
                         const BYTE* __restrict here, const BYTE* __restrict down, BYTE* __restrict out, int width,
                         BYTE value, BYTE other) {
  PutLane<Lane>(out, 0, GreyWord<Lane>(LaneAt<Lane>(words, 0), 128));
  for (int i = 1; i < width - 1; ++i) {
    const bool keep = (mid[i] == value) & ((up[i] & here[i] & down[i]) != 0);
    PutLane<Lane>(out, i, GreyWord<Lane>(LaneAt<Lane>(words, i), keep ? value : other));
  }
}

// Row 0 of a word-lane pass: pixels 0..width-2 greyed with sample 128.
template <typename Lane>
inline void EdgeWordRow(const BYTE* __restrict src, BYTE* __restrict out, int width) {
  for (int i = 0; i < width - 1; ++i) PutLane<Lane>(out, i, GreyWord<Lane>(LaneAt<Lane>(src, i), 128));
}

// One erode pass of an RGB32 or YUY2 frame: each input row's samples gathered once and tested
// three wide once, the result words written into the frame. Every row and pixel of the window is
// read; those of the drawn rectangle are written.
template <PixelFormat F>
void ErodeWordsIn(const FramePlanes<BYTE>& o, const FramePlanes<const BYTE>& s, const PictureRect& w, BYTE value) {
  static_assert(F == PixelFormat::RGB32 || F == PixelFormat::YUY2, "pixels of one word");
  using Lane = std::conditional_t<F == PixelFormat::RGB32, uint32_t, uint16_t>;
  const BYTE other = value == 255 ? 0 : 255;
  const int width = w.x1 - w.x0, height = w.y1 - w.y0;
  const size_t lanes = static_cast<size_t>(width);
  // The last three rows' samples and clear bytes.
  std::vector<BYTE> samples(3 * lanes), clear(3 * lanes);
  auto sample_ring = [&](int j) { return samples.data() + static_cast<size_t>(j % 3) * lanes; };
  auto ring = [&](int j) { return clear.data() + static_cast<size_t>(j % 3) * lanes; };
  // Rows in rising memory order; of the two edge rows, the last picture row is left as the
  // source's and the first becomes 128.
  const MemoryRows rows = MemoryRowsOf(F, s.y.height, w);
  const int top = IsRGB(F) ? height - 1 : 0;
  auto in = [&](int j) { return s.y.Row(rows.first + j) + w.x0 * sizeof(Lane); };
  auto out = [&](int j) { return o.y.Row(rows.first + j) + w.x0 * sizeof(Lane); };
  if (top == 0) EdgeWordRow<Lane>(in(0), out(0), width);
  for (int j = 0; j < height; ++j) {
    GatherSamples<sizeof(Lane)>(in(j), sample_ring(j), width);
    ClearOfOther(sample_ring(j), ring(j), width, other);
    if (j >= 2)
      ErodeWordRow<Lane>(sample_ring(j - 1), in(j - 1), ring(j - 2), ring(j - 1), ring(j), out(j - 1), width, value,
                         other);
  }
  if (top != 0) EdgeWordRow<Lane>(in(top), out(top), width);
}

// Erosion of job.mark: a sample keeps it only when none of its eight neighbours holds the other
// value. The window's first row and column become 128, its last ones stay the source's.
template <PixelFormat F>
void Erode(const PVideoFrame& out, const PVideoFrame& src, const FrameJob& job) {
  constexpr int step = BytesPerPixel(F);
  const FramePlanes<const BYTE> s = ReadPlanes(src, F);
  const FramePlanes<BYTE> o = WritePlanes(out, F);
  const PictureRect w = job.window;
  const int width = w.x1 - w.x0, height = w.y1 - w.y0;
  CopyAroundGreyed<F>(o, s, job.Drawn());
  if constexpr (IsPlanar(F)) {
    // Rows y0 .. y1-2 are made in the output frame itself; the last column, which the pass makes
    // 128, gets the source's sample back.
    ErosionRows pass(width, height, job.mark);
    const auto target = [&](int r) { return r < height - 1 ? o.y.Row(w.y0 + r) + w.x0 : nullptr; };
    for (int j = 0; j < height; ++j)
      pass.PushInto(s.y.Row(w.y0 + j) + w.x0, target, [&](int r, const BYTE*) {
        if (r < height - 1) o.y.Row(w.y0 + r)[w.x1 - 1] = s.y.Row(w.y0 + r)[w.x1 - 1];
      });
  } else if constexpr (F == PixelFormat::RGB24) {
    // Samples three bytes apart: gathered into a row, the pass's result rows greyed into the frame.
    ErosionRows pass(width, height, job.mark);
    const MemoryRows rows = MemoryRowsOf(F, s.y.height, w);
    const int last = LastPictureRowIndex<F>(rows);
    for (int j = 0; j < height; ++j)
      pass.Push(InputRow<step>(pass, s.y.Row(rows.first + j) + w.x0 * step, width), [&](int r, const BYTE* row) {
        if (r != last) PutGreyedFrom<F>(row, s, o, w.x0, rows.first + r, width - 1);
      });
  } else {
    ErodeWordsIn<F>(o, s, w, job.mark);
  }
  if constexpr (IsPlanar(F)) GreyOut<F>(o, job.Drawn());  // RGB and YUY2 were greyed with the rows
}

// Closing: erosion of job.mark, then of job.back, the first pass's rows feeding the second as
// they come. The whole window gets the second pass's samples (its edge 128); the drawn rectangle
// is greyed; the rest is the source's.
template <PixelFormat F>
void Close(const PVideoFrame& out, const PVideoFrame& src, const FrameJob& job) {
  constexpr int step = BytesPerPixel(F);
  const FramePlanes<const BYTE> s = ReadPlanes(src, F);
  const FramePlanes<BYTE> o = WritePlanes(out, F);
  const PictureRect w = job.window;
  const int width = w.x1 - w.x0, height = w.y1 - w.y0;
  CopyAroundGreyed<F>(o, s, job.Drawn());
  ErosionRows first_pass(width, height, job.mark);
  ErosionRows second_pass(width, height, job.back);
  const MemoryRows rows = MemoryRowsOf(F, s.y.height, w);
  const int last = LastPictureRowIndex<F>(rows);
  const auto put = [&](int r, const BYTE* row) {
    const int m = rows.first + r;
    if (r != last) {
      PutGreyedFrom<F>(row, s, o, w.x0, m, width - 1);
      o.y.Row(m)[(w.x1 - 1) * step] = row[width - 1];
    } else {
      ScatterSamples<step>(row, o.y.Row(m) + w.x0 * step, width);
    }
  };
  // Planar: the second pass makes every row of the window in the output frame itself.
  const auto into_second = [&](int, const BYTE* row) {
    if constexpr (IsPlanar(F)) {
      second_pass.PushInto(
          row, [&](int r) { return o.y.Row(rows.first + r) + w.x0; }, [](int, const BYTE*) {});
    } else {
      second_pass.Push(row, put);
    }
  };
  for (int j = 0; j < height; ++j)
    first_pass.Push(InputRow<step>(first_pass, s.y.Row(rows.first + j) + w.x0 * step, width), into_second);
  if constexpr (IsPlanar(F)) GreyOut<F>(o, job.Drawn());  // RGB and YUY2 were greyed with the rows
}

// Whether a mark pixel on the mask's edge turns to background: it has a background 4-neighbour,
// at least two mark neighbours, and it is neither an end point nor a joint of two parts of the
// mask (fewer than two joins round it). Bitwise throughout, so a row is judged in vectors.
inline bool Thins(BYTE P, BYTE N, BYTE NE, BYTE E, BYTE SE, BYTE S, BYTE SW, BYTE W, BYTE NW, BYTE mark, BYTE back) {
  const uint8_t mN = N == mark, mNE = NE == mark, mE = E == mark, mSE = SE == mark;
  const uint8_t mS = S == mark, mSW = SW == mark, mW = W == mark, mNW = NW == mark;
  const uint8_t bN = N == back, bNE = NE == back, bE = E == back, bSE = SE == back;
  const uint8_t bS = S == back, bSW = SW == back, bW = W == back, bNW = NW == back;
  const uint8_t marks = static_cast<uint8_t>(mN + mNE + mE + mSE + mS + mSW + mW + mNW);
  const uint8_t joins = static_cast<uint8_t>((mNW & bN) + (mN & bNE & bE) + (mNE & bE) + (mE & bSE & bS) + (mSE & bS) +
                                             (mS & bSW & bW) + (mSW & bW) + (mW & bNW & bN));
  return (P == mark) & ((bN | bS | bW | bE) != 0) & (marks >= 2) & (joins < 2);
}

// One row of a thinning pass over samples 1..width-2 of `p`, `n` being the row above as this
// pass left it. Each pixel sees its west neighbour as already changed by this pass: the row is
// judged in vectors with the west neighbours as they were, which holds for every pixel whose
// west neighbour stayed; right of a turn, pixels are judged again in order until one stays.
// Turns are few, so runs of eight pixels without one are stepped over at once.
inline void ThinRow(const BYTE* __restrict n, BYTE* __restrict p, const BYTE* __restrict s, BYTE* __restrict turns,
                    int width, BYTE mark, BYTE back) {
  const int end = width - 1;
  for (int x = 1; x < end; ++x)
    turns[x] = Thins(p[x], n[x], n[x + 1], p[x + 1], s[x + 1], s[x], s[x - 1], p[x - 1], n[x - 1], mark, back);
  int x = 1;
  while (x < end) {
    if (x + 8 <= end) {
      uint64_t eight;
      std::memcpy(&eight, turns + x, 8);
      if (eight == 0) {
        x += 8;
        continue;
      }
    }
    if (!turns[x]) {
      ++x;
      continue;
    }
    p[x++] = back;
    while (x < end && Thins(p[x], n[x], n[x + 1], p[x + 1], s[x + 1], s[x], s[x - 1], p[x - 1], n[x - 1], mark, back))
      p[x++] = back;
    ++x;  // judged with its west neighbour turned, and stays
  }
}

// Six passes in place, each seeing the changes it has already made, over the window's samples
// copied into contiguous rows and copied back after (all but its edge rows and columns); then
// the drawn rectangle greyed and outlined. `frame` is the source, made writable.
template <PixelFormat F>
void Thin(const PVideoFrame& frame, const PVideoFrame&, const FrameJob& job) {
  constexpr int step = BytesPerPixel(F);
  const FramePlanes<BYTE> f = WritePlanes(frame, F);
  const PictureRect w = job.window;
  const int width = w.x1 - w.x0, height = w.y1 - w.y0;
  const size_t row_bytes = static_cast<size_t>(width);
  std::vector<BYTE> samples(row_bytes * static_cast<size_t>(height)), turns(row_bytes);
  auto row = [&](int y) { return samples.data() + static_cast<size_t>(y - w.y0) * row_bytes; };
  ForMemoryRows<F>(f.y.height, w, [&](int m, int y) { GatherSamples<step>(f.y.Row(m) + w.x0 * step, row(y), width); });
  for (int pass = 0; pass < 6; ++pass)
    for (int y = w.y0 + 1; y < w.y1 - 1; ++y)
      ThinRow(row(y - 1), row(y), row(y + 1), turns.data(), width, job.mark, job.back);
  const PictureRect inside{w.x0 + 1, w.x1 - 1, w.y0 + 1, w.y1 - 1};
  ForMemoryRows<F>(f.y.height, inside,
                   [&](int m, int y) { ScatterSamples<step>(row(y) + 1, f.y.Row(m) + inside.x0 * step, width - 2); });
  GreyOut<F>(f, job.Drawn());
  Outline<F>(f.y, job.Drawn());
}

// A pixel's code weighs its raw sample and its neighbours' by powers of two: 255 is a 255 dot
// on 0, 130050 a 0 hole in 255. One row of samples 1..count of `mid` (gathered rows).
template <bool Salt>
inline void DotRow(const BYTE* __restrict n, const BYTE* __restrict p, const BYTE* __restrict s, BYTE* __restrict out,
                   int count) {
  for (int i = 0; i < count; ++i) {
    const int code = p[i + 1] + 2 * p[i + 2] + 4 * n[i + 2] + 8 * n[i + 1] + 16 * n[i] + 32 * p[i] + 64 * s[i] +
                     128 * s[i + 1] + 256 * s[i + 2];
    if constexpr (Salt) {
      out[i] = code == 255 ? 0 : p[i + 1];
    } else {
      out[i] = code == 130050 ? 255 : p[i + 1];
    }
  }
}

// Salt removes 255 dots on 0, pepper 0 holes in 255, inside the drawn rectangle: bytes 0..2 of
// an RGB pixel, the sample of a YUV one.
template <PixelFormat F, bool Salt>
void IsolatedDots(const PVideoFrame& out, const PVideoFrame& src, const FrameJob& job) {
  constexpr int step = BytesPerPixel(F);
  RemakeInside<F>(out, src, job, DotRow<Salt>, [](const BYTE* dots, BYTE* dst, int count) {
    if constexpr (IsRGB(F)) {
      PutGreyRgb<step>(dots, dst, count);
    } else {
      ScatterSamples<step>(dots, dst, count);
    }
  });
}

// The copy of Kernel for this process's CPU level; RGB24 erosions, which gather and spread
// samples three bytes apart, also have one for AVX-512 byte permutes.
template <PixelFormat F, auto Kernel>
Routine Pick() {
  if constexpr (F == PixelFormat::RGB24) return ForLevelVbmi<Kernel>();
  return ForLevel<Kernel>();
}

}  // namespace

Routine MaskRoutine(PixelFormat format, Morpher::Operation operation) {
  using Operation = Morpher::Operation;
  return ChooseForFormat(format, [operation](auto f) -> Routine {
    constexpr PixelFormat F = decltype(f)::value;
    switch (operation) {
      case Operation::Erode:
      case Operation::Dilate: return Pick<F, &Erode<F>>();
      case Operation::Close:
      case Operation::Open: return Pick<F, &Close<F>>();
      case Operation::Thin: return ForLevel<&Thin<F>>();
      case Operation::Salt: return ForLevel<&IsolatedDots<F, true>>();
      default: return ForLevel<&IsolatedDots<F, false>>();
    }
  });
}

}  // namespace morpher

}  // namespace tintara
