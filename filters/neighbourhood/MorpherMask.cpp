// The operations on the mask itself: erosion and dilation, their two combinations, thinning,
// and the removal of isolated dots and holes.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#include "filters/common/Blocks.h"
#include "filters/common/SampleRows.h"
#include "filters/common/Surround.h"
#include "filters/common/Vectorised.h"
#include "filters/common/VectorisedVbmi.h"
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

// A result row written over `count` pixels of an output row, greyed as the window's inside is:
// RGB copies the sample into green and red, YUY2 sets each pixel's own chroma byte to 128,
// planar writes the sample (its chroma is greyed per plane afterwards).
template <PixelFormat F>
inline void PutGreyed(const BYTE* __restrict row, BYTE* __restrict dst, int count) {
  if constexpr (IsRGB(F)) {
    PutGreyRgb<BytesPerPixel(F)>(row, dst, count);
  } else if constexpr (F == PixelFormat::YUY2) {
    PutNeutralYuy2(row, dst, count);
  } else {
    ScatterSamples<1>(row, dst, count);
  }
}

// Planar chroma of the window's inside: neutral (RGB and YUY2 were greyed with the rows).
template <PixelFormat F>
void GreyChroma(const FramePlanes<BYTE>& o, const Window& w) {
  if constexpr (IsPlanar(F)) GreyOut<F>(o, w.lx, w.rx, w.ty, w.by);
}

// Copies src into out except [lx, rx) x [ty, by), whose pixels the mask operations write whole
// (every byte, planar chroma by the grey-out).
template <PixelFormat F>
void CopyAroundGreyed(const FramePlanes<BYTE>& o, const FramePlanes<const BYTE>& s, const Window& w) {
  constexpr int step = BytesPerPixel(F);
  const int top = MemoryRow(F, s.y.height, w.ty), bottom = MemoryRow(F, s.y.height, w.by - 1);
  CopyAround(o.y, s.y, {std::min(top, bottom), std::max(top, bottom) + 1, w.lx * step, w.rx * step});
  if constexpr (IsPlanar(F)) {
    const ByteRect chroma{w.ty / 2, w.by / 2, w.lx / 2, w.rx / 2};
    CopyAround(o.u, s.u, chroma);
    CopyAround(o.v, s.v, chroma);
  }
}

// A result row over `count` pixels of memory row m, greyed; the fourth byte of RGB32 is the
// source's.
template <PixelFormat F>
inline void PutGreyedFrom(const BYTE* row, const FramePlanes<const BYTE>& s, const FramePlanes<BYTE>& o,
                          const Window& w, int m, int count) {
  constexpr int step = BytesPerPixel(F);
  BYTE* d = o.y.Row(m) + w.lx * step;
  if constexpr (IsRGB(F)) {
    PutGreyRgbFrom<step>(row, s.y.Row(m) + w.lx * step, d, count);
  } else {
    PutGreyed<F>(row, d, count);
  }
}

// The rectangle's rows are taken in rising memory order (RGB is stored bottom-up, so picture row
// by comes first there): the 3x3 tests read the same whatever the direction, and rising
// addresses keep the frames streaming from memory. The memory row of the rectangle's j-th row
// in that order, and the memory row of picture row by, which the greyed rows leave out.
struct MemoryRows {
  int first, by;
  MemoryRows(PixelFormat f, int height, const Window& w)
      : first(std::min(MemoryRow(f, height, w.ty), MemoryRow(f, height, w.by))), by(MemoryRow(f, height, w.by)) {}
};

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

// One erode or dilate pass of an RGB32 or YUY2 frame: each input row's samples gathered once and
// tested three wide once, the result words written into the frame. Input rows are picture rows
// ty .. by, pixels lx .. rx; result rows ty .. by-1, pixels lx .. rx-1 are written.
template <PixelFormat F>
void ErodeWordsIn(const FramePlanes<BYTE>& o, const FramePlanes<const BYTE>& s, const Window& w, BYTE value) {
  static_assert(F == PixelFormat::RGB32 || F == PixelFormat::YUY2, "pixels of one word");
  using Lane = std::conditional_t<F == PixelFormat::RGB32, uint32_t, uint16_t>;
  const BYTE other = value == 255 ? 0 : 255;
  const int width = w.rx - w.lx + 1, height = w.by - w.ty + 1;
  const size_t lanes = static_cast<size_t>(width);
  // The last three rows' samples and clear bytes.
  std::vector<BYTE> samples(3 * lanes), clear(3 * lanes);
  auto sample_ring = [&](int j) { return samples.data() + static_cast<size_t>(j % 3) * lanes; };
  auto ring = [&](int j) { return clear.data() + static_cast<size_t>(j % 3) * lanes; };
  // Rows in rising memory order (MemoryRows); of the two edge rows, picture row by is left as the
  // source's and picture row ty becomes 128.
  const MemoryRows rows(F, s.y.height, w);
  const bool upwards = rows.first == rows.by;
  auto in = [&](int j) { return s.y.Row(rows.first + j) + w.lx * sizeof(Lane); };
  auto out = [&](int j) { return o.y.Row(rows.first + j) + w.lx * sizeof(Lane); };
  Vectorised([&] {
    if (!upwards) EdgeWordRow<Lane>(in(0), out(0), width);
    for (int j = 0; j < height; ++j) {
      GatherSamples<sizeof(Lane)>(in(j), sample_ring(j), width);
      ClearOfOther(sample_ring(j), ring(j), width, other);
      if (j >= 2)
        ErodeWordRow<Lane>(sample_ring(j - 1), in(j - 1), ring(j - 2), ring(j - 1), ring(j), out(j - 1), width, value,
                           other);
    }
    if (upwards) EdgeWordRow<Lane>(in(height - 1), out(height - 1), width);
  });
}

template <PixelFormat F>
void ErodeOrDilateIn(const PVideoFrame& out, const PVideoFrame& src, const Window& w, int value) {
  const FramePlanes<const BYTE> s = ReadPlanes(src, F);
  const FramePlanes<BYTE> o = WritePlanes(out, F);
  CopyAroundGreyed<F>(o, s, w);
  if constexpr (IsPlanar(F)) {
    // Rows ty .. by-1 are made in the output frame itself; column rx, which the pass makes 128,
    // gets the source's sample back.
    const int width = w.rx - w.lx + 1, height = w.by - w.ty + 1;
    ErosionRows pass(width, height, static_cast<BYTE>(value));
    const auto target = [&](int r) { return w.ty + r < w.by ? o.y.Row(w.ty + r) + w.lx : nullptr; };
    Vectorised([&] {
      for (int j = 0; j < height; ++j)
        pass.PushInto(s.y.Row(w.ty + j) + w.lx, target, [&](int r, const BYTE*) {
          if (w.ty + r < w.by) o.y.Row(w.ty + r)[w.rx] = s.y.Row(w.ty + r)[w.rx];
        });
    });
  } else if constexpr (F == PixelFormat::RGB24) {
    // Samples three bytes apart: gathered into a row, the pass's result rows greyed into the frame.
    constexpr int step = BytesPerPixel(F);
    const int width = w.rx - w.lx + 1, height = w.by - w.ty + 1;
    ErosionRows pass(width, height, static_cast<BYTE>(value));
    const MemoryRows rows(F, s.y.height, w);
    VectorisedVbmi([&] {
      for (int j = 0; j < height; ++j)
        pass.Push(InputRow<step>(pass, s.y.Row(rows.first + j) + w.lx * step, width), [&](int r, const BYTE* row) {
          if (rows.first + r != rows.by) PutGreyedFrom<F>(row, s, o, w, rows.first + r, width - 1);
        });
    });
  } else {
    ErodeWordsIn<F>(o, s, w, static_cast<BYTE>(value));
  }
  GreyChroma<F>(o, w);
}

// Two passes, the first's rows feeding the second as they come. The whole rectangle gets the
// second pass's samples (its edge 128); [lx, rx) x [ty, by) is greyed; the rest is the source's.
template <PixelFormat F>
void CloseOrOpenIn(const PVideoFrame& out, const PVideoFrame& src, const Window& w, int first, int second) {
  constexpr int step = BytesPerPixel(F);
  const FramePlanes<const BYTE> s = ReadPlanes(src, F);
  const FramePlanes<BYTE> o = WritePlanes(out, F);
  const int width = w.rx - w.lx + 1, height = w.by - w.ty + 1;
  CopyAroundGreyed<F>(o, s, w);
  ErosionRows first_pass(width, height, static_cast<BYTE>(first));
  ErosionRows second_pass(width, height, static_cast<BYTE>(second));
  const MemoryRows rows(F, s.y.height, w);
  const auto passes = [&] {
    const auto put = [&](int r, const BYTE* row) {
      const int m = rows.first + r;
      if (m != rows.by) {
        PutGreyedFrom<F>(row, s, o, w, m, width - 1);
        o.y.Row(m)[w.rx * step] = row[width - 1];
      } else {
        ScatterSamples<step>(row, o.y.Row(m) + w.lx * step, width);
      }
    };
    // Planar: the second pass makes every row of the rectangle in the output frame itself.
    const auto into_second = [&](int, const BYTE* row) {
      if constexpr (IsPlanar(F)) {
        second_pass.PushInto(
            row, [&](int r) { return o.y.Row(rows.first + r) + w.lx; }, [](int, const BYTE*) {});
      } else {
        second_pass.Push(row, put);
      }
    };
    for (int j = 0; j < height; ++j)
      first_pass.Push(InputRow<step>(first_pass, s.y.Row(rows.first + j) + w.lx * step, width), into_second);
  };
  if constexpr (F == PixelFormat::RGB24) {
    VectorisedVbmi(passes);
  } else {
    Vectorised(passes);
  }
  GreyChroma<F>(o, w);
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
// copied into contiguous rows (columns lx .. rx, rows ty .. by) and copied back after.
template <PixelFormat F>
void ThinIn(const PVideoFrame& frame, const Window& w, BYTE mark, BYTE back) {
  constexpr int step = BytesPerPixel(F);
  const FramePlanes<BYTE> f = WritePlanes(frame, F);
  const int width = w.rx - w.lx + 1, height = w.by - w.ty + 1;
  const size_t row_bytes = static_cast<size_t>(width);
  std::vector<BYTE> samples(row_bytes * static_cast<size_t>(height)), turns(row_bytes);
  auto row = [&](int r) { return samples.data() + static_cast<size_t>(r) * row_bytes; };
  Vectorised([&] {
    for (int r = 0; r < height; ++r) GatherSamples<step>(PictureRow<F>(f.y, w.ty + r) + w.lx * step, row(r), width);
    for (int pass = 0; pass < 6; ++pass)
      for (int r = 1; r < height - 1; ++r) ThinRow(row(r - 1), row(r), row(r + 1), turns.data(), width, mark, back);
    for (int r = 1; r < height - 1; ++r)
      ScatterSamples<step>(row(r) + 1, PictureRow<F>(f.y, w.ty + r) + (w.lx + 1) * step, width - 2);
  });
  GreyOut<F>(f, w.lx, w.rx, w.ty, w.by);
  Outline<F>(f.y, w);
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

// Rows ty+1 .. by-2 and columns lx+1 .. rx-2 get the result (bytes 0..2 of an RGB pixel, the
// sample of a YUV one); then the outline, and on YUV neutral chroma.
template <PixelFormat F>
void IsolatedDotsIn(const PVideoFrame& out, const PVideoFrame& src, const Window& w, bool salt) {
  constexpr int step = BytesPerPixel(F);
  const FramePlanes<BYTE> o = WritePlanes(out, F);
  const int count = w.rx - w.lx - 2;
  std::vector<BYTE> dots(static_cast<size_t>(count > 0 ? count : 1));
  ForInnerRows<F>(ReadPlane(src), w, [&](int y, const BYTE* up, const BYTE* mid, const BYTE* down) {
    if (salt)
      DotRow<true>(up, mid, down, dots.data(), count);
    else
      DotRow<false>(up, mid, down, dots.data(), count);
    BYTE* d = PictureRow<F>(o.y, y) + (w.lx + 1) * step;
    if constexpr (IsRGB(F)) {
      PutGreyRgb<step>(dots.data(), d, count);
    } else {
      ScatterSamples<step>(dots.data(), d, count);
    }
  });
  Outline<F>(o.y, w);
  if constexpr (!IsRGB(F)) GreyOut<F>(o, w.lx, w.rx, w.ty, w.by);
}

}  // namespace

void ErodeOrDilate(const PVideoFrame& out, const PVideoFrame& src, const FrameJob& job, int value) {
  ForFormat(job.format, [&](auto f) { ErodeOrDilateIn<f.value>(out, src, job.w, value); });
}

void CloseOrOpen(const PVideoFrame& out, const PVideoFrame& src, const FrameJob& job, int first, int second) {
  ForFormat(job.format, [&](auto f) { CloseOrOpenIn<f.value>(out, src, job.w, first, second); });
}

void Thin(const PVideoFrame& frame, const FrameJob& job) {
  ForFormat(job.format, [&](auto f) { ThinIn<f.value>(frame, job.w, job.markval, job.backval); });
}

void IsolatedDots(const PVideoFrame& out, const PVideoFrame& src, const FrameJob& job, bool salt) {
  CopyFrame(out, src, job.format);
  ForFormat(job.format, [&](auto f) { IsolatedDotsIn<f.value>(out, src, job.w, salt); });
}

}  // namespace morpher

}  // namespace tintara
