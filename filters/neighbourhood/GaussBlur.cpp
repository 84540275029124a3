#include "filters/neighbourhood/GaussBlur.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "filters/common/ArgTable.h"
#include "filters/common/Blocks.h"
#include "filters/common/SampleRows.h"
#include "filters/common/Vectorised.h"

namespace tintara {

namespace {

// The arguments: script name, type, member, default.
using A = GaussBlurArgs;
constexpr ArgRow<A> kArgs[] = {
    Clip(&A::clip),          Int("size", &A::size, 3), Float("sd", &A::sd, 1.5),
    Bool("u", &A::u, false), Bool("v", &A::v, false),
};

// One plane of samples `Step` bytes apart in a row, or for RGB (Step 1, Tap 3 or 4) and whole
// YUY2 rows (Step 1, kYuy2Row) several interleaved planes blurred together.
template <typename Byte>
struct SamplesIn {
  Byte* data;
  int pitch;
  int width;  // samples per row (interleaved planes: all of them)
  int height;

  Byte* Row(int y) const { return data + static_cast<long>(y) * pitch; }
};
using Samples = SamplesIn<BYTE>;
using ConstSamples = SamplesIn<const BYTE>;

// The samples `offset` and `step` bytes into the rows of a plane of `pixel_bytes`-byte pixels.
template <typename Byte>
SamplesIn<Byte> SamplesOf(const PlaneOf<Byte>& p, int offset, int step, int pixel_bytes) {
  const int pixels = p.row_size / pixel_bytes;
  return {p.data + offset, p.pitch, pixels * pixel_bytes / step, p.height};
}

// Results are computed in blocks of kBlock samples; the last block of a row is moved back to end
// at the row's end (recomputing a few samples it shares with the block before), so every sample
// goes through the vector loop and none through a scalar remainder. Rows narrower than a block
// take a plain loop.

// The weights split for 16-bit lanes: k = 2^shift * high + low, low < 2^shift. Both weighted
// sums stay within 16 bits when the high weights and the low weights each sum to at most 257
// (257 * 255 < 65536), and (2^shift * high + low) >> 10 == (high + (low >> shift)) >> (10 - shift)
// exactly (nested floors). Shift 4 always fits, as the weights sum to at most 1024 (KernelFor
// makes them so): the high ones to at most 64, the low ones to at most 11 * 15. Size 3 at the
// usual spreads (sd from about 1 up) has every weight between 256 and 511 with the parts above
// 256 summing to at most 257 (sd 1.5: 315 393 315 = 256 + 59, 256 + 137, 256 + 59): split at
// 256 every high weight is 1, and the high sum is the plain sum of the samples (`unit`).
template <int Size>
struct SplitWeights {
  static constexpr int kUnitShift = 8;
  uint16_t high[Size], low[Size];
  bool unit = false;

  SplitWeights(const GaussBlur::Kernel& k, bool allow_unit) {
    int lows = 0;
    bool ones = true;
    for (int j = 0; j < Size; ++j) lows += k[j] & 255, ones = ones && (k[j] >> kUnitShift) == 1;
    unit = allow_unit && ones && lows <= 257;
    const int shift = unit ? kUnitShift : 4;
    for (int j = 0; j < Size; ++j) {
      high[j] = static_cast<uint16_t>(k[j] >> shift);
      low[j] = static_cast<uint16_t>(k[j] & ((1 << shift) - 1));
    }
  }
};

// The weights as the loops use them: local copies, so stores into byte rows cannot be taken to
// change them.
template <int Size, bool Unit>
struct LoopWeights {
  static constexpr int kShift = Unit ? SplitWeights<Size>::kUnitShift : 4;
  uint16_t high[Size], low[Size];
  explicit LoopWeights(const SplitWeights<Size>& w) {
    for (int j = 0; j < Size; ++j) high[j] = w.high[j], low[j] = w.low[j];
  }
};

// The blurred sample from the sums of mirrored pairs of samples (pair[j], the j-th from the
// outside) and the centre sample.
template <int Size, bool Unit>
inline BYTE Weigh(const uint16_t* pair, uint16_t centre, const LoopWeights<Size, Unit>& w) {
  constexpr int h = Size / 2;
  uint16_t hs, ls = static_cast<uint16_t>(w.low[h] * centre);
  if constexpr (Unit) {
    hs = centre;
  } else {
    hs = static_cast<uint16_t>(w.high[h] * centre);
  }
#pragma GCC unroll 8
  for (int j = 0; j < h; ++j) {
    if constexpr (Unit) {
      hs = static_cast<uint16_t>(hs + pair[j]);
    } else {
      hs = static_cast<uint16_t>(hs + w.high[j] * pair[j]);
    }
    ls = static_cast<uint16_t>(ls + w.low[j] * pair[j]);
  }
  constexpr int shift = LoopWeights<Size, Unit>::kShift;
  return static_cast<BYTE>((hs + (ls >> shift)) >> (10 - shift));
}

// out[i] for i < count, neighbours `Tap` bytes apart; in[-h * Tap .. count + h * Tap) is read.
template <int Tap, int Size, bool Unit>
inline void WeighAcross(const BYTE* __restrict in, BYTE* __restrict out, int count, const LoopWeights<Size, Unit>& w) {
  constexpr int h = Size / 2;
  for (int i = 0; i < count; ++i) {
    uint16_t pair[h];
#pragma GCC unroll 8
    for (int j = 0; j < h; ++j) pair[j] = static_cast<uint16_t>(in[i + (j - h) * Tap] + in[i + (h - j) * Tap]);
    out[i] = Weigh<Size, Unit>(pair, in[i], w);
  }
}

// The weighted sums along one contiguous row, neighbours `Tap` bytes apart: the first and last
// h * Tap bytes are copied, the others weighted. The weights mirror about the centre (KernelFor
// makes them so): a pair shares its products.
template <int Tap, int Size, bool Unit>
inline void BlurRowAcross(const BYTE* __restrict in, BYTE* __restrict out, int width,
                          const LoopWeights<Size, Unit>& w) {
  constexpr int h = Size / 2;
  const int lead = std::min(h * Tap, width), tail = std::max(width - h * Tap, lead);
  for (int i = 0; i < lead; ++i) out[i] = in[i];
  ForBlocks<kBlock>(
      tail - lead, [&](int i) { WeighAcross<Tap, Size, Unit>(in + lead + i, out + lead + i, kBlock, w); },
      [&] { WeighAcross<Tap, Size, Unit>(in + lead, out + lead, tail - lead, w); });
  for (int i = tail; i < width; ++i) out[i] = in[i];
}

// Tap 0 stands for a whole YUY2 row blurred at once: luma (even bytes) has its neighbours two
// bytes apart, U and V (odd bytes) four apart. The row is copied into the middle of `padded`
// (2h bytes either side), so every byte from 2h to width - 2h is weighted in one loop that takes
// each pair from either spacing by the byte's parity; the chroma bytes within 4h of either end
// are then put back as they were, as are the 2h bytes at either end.
constexpr int kYuy2Row = 0;

// One block of a whole YUY2 row starting at a luma byte: each pair taken two bytes apart at even
// bytes and four apart at odd ones, as a mask select.
template <int Size, bool Unit>
inline void WeighYuy2Block(const BYTE* __restrict in, BYTE* __restrict out, const LoopWeights<Size, Unit>& w) {
  constexpr int h = Size / 2;
  for (int k = 0; k < kBlock; ++k) {
    const uint16_t odd = static_cast<uint16_t>(-(k & 1));
    uint16_t pair[h];
#pragma GCC unroll 8
    for (int j = 0; j < h; ++j) {
      const uint16_t luma = static_cast<uint16_t>(in[k + (j - h) * 2] + in[k + (h - j) * 2]);
      const uint16_t chroma = static_cast<uint16_t>(in[k + (j - h) * 4] + in[k + (h - j) * 4]);
      pair[j] = static_cast<uint16_t>((chroma & odd) | (luma & ~odd));
    }
    out[k] = Weigh<Size, Unit>(pair, in[k], w);
  }
}

template <int Size, bool Unit>
inline void BlurYuy2RowAcross(const BYTE* __restrict in, BYTE* __restrict out, BYTE* __restrict padded, int width,
                              const LoopWeights<Size, Unit>& w) {
  constexpr int h = Size / 2;
  if (width - 4 * h < kBlock) {
    // Narrow rows: each spacing on its own, as plain loops.
    for (int i = 0; i < width; ++i) {
      const int tap = (i & 1) ? 4 : 2;
      if (i < h * tap || i >= width - h * tap) {
        out[i] = in[i];
        continue;
      }
      uint16_t pair[h];
      for (int j = 0; j < h; ++j) pair[j] = static_cast<uint16_t>(in[i + (j - h) * tap] + in[i + (h - j) * tap]);
      out[i] = Weigh<Size, Unit>(pair, in[i], w);
    }
    return;
  }
  std::memset(padded, 0, static_cast<size_t>(2 * h));
  std::memcpy(padded + 2 * h, in, static_cast<size_t>(width));
  std::memset(padded + 2 * h + width, 0, static_cast<size_t>(2 * h));
  const BYTE* __restrict p = padded + 2 * h;
  // Blocks start at even bytes (2h, and width - 2h - kBlock with width even), so byte k of a
  // block is chroma exactly when k is odd.
  const int from = 2 * h, to = width - 2 * h;
  for (int b = from; b < to; b += kBlock) {
    const int at = std::min(b, to - kBlock);
    WeighYuy2Block<Size, Unit>(p + at, out + at, w);
  }
  for (int i = 0; i < 2 * h; ++i) out[i] = in[i], out[width - 1 - i] = in[width - 1 - i];
  for (int i = 2 * h + 1; i < 4 * h; i += 2) out[i] = in[i], out[width - i] = in[width - i];
}

// out[i] for i in [at, at + count) from the rows r[0 .. Size).
template <int Size, bool Unit>
inline void WeighDown(const BYTE* const* rows, BYTE* __restrict out, int at, int count,
                      const LoopWeights<Size, Unit>& w) {
  constexpr int h = Size / 2;
  const BYTE* __restrict r[Size];
  for (int j = 0; j < Size; ++j) r[j] = rows[j] + at;
  out += at;
  for (int i = 0; i < count; ++i) {
    uint16_t pair[h];
#pragma GCC unroll 8
    for (int j = 0; j < h; ++j) pair[j] = static_cast<uint16_t>(r[j][i] + r[Size - 1 - j][i]);
    out[i] = Weigh<Size, Unit>(pair, r[h][i], w);
  }
}

// Row y blurred down from the rows y - h .. y + h of the ring.
template <int Size, bool Unit>
inline void BlurRowDown(const BYTE* const* rows, BYTE* __restrict out, int width, const LoopWeights<Size, Unit>& w) {
  ForBlocks<kBlock>(
      width, [&](int i) { WeighDown<Size, Unit>(rows, out, i, kBlock, w); },
      [&] { WeighDown<Size, Unit>(rows, out, 0, width, w); });
}

// Blurs `in` into `out` (the same plane, or for Step 1 another frame's), streamed: each row is
// gathered into a contiguous buffer (unless its samples already are one), blurred along into a
// ring of the last Size such rows, and as soon as the ring holds rows y-h .. y+h, row y is
// blurred down and written. In place, a row is rewritten only after every row that reads it
// has been read. The first and last h rows keep their samples; a plane shorter than Size keeps
// all of them.
template <int Step, int Tap, int Size, bool Unit>
void BlurPlaneWith(const ConstSamples& in, const Samples& out, const SplitWeights<Size>& k) {
  constexpr int h = Size / 2;
  const int width = in.width, height = in.height;
  const size_t row_bytes = static_cast<size_t>(width);
  std::vector<BYTE> ring(row_bytes * Size), gathered(Step == 1 ? 0 : row_bytes), result(Step == 1 ? 0 : row_bytes);
  std::vector<BYTE> padded(Tap == kYuy2Row ? row_bytes + 4 * h : 0);
  const LoopWeights<Size, Unit> w(k);
  const BYTE* rows[Size];
  for (int y = 0; y < height; ++y) {
    const BYTE* row = in.Row(y);
    if constexpr (Step != 1) {
      GatherSamples<Step>(row, gathered.data(), width);
      row = gathered.data();
    }
    BYTE* across = ring.data() + (y % Size) * row_bytes;
    if constexpr (Tap == kYuy2Row) {
      BlurYuy2RowAcross<Size, Unit>(row, across, padded.data(), width, w);
    } else {
      BlurRowAcross<Tap, Size, Unit>(row, across, width, w);
    }
    const int out_y = y - h;
    if (out_y < h) continue;
    for (int j = 0; j < Size; ++j) rows[j] = ring.data() + ((out_y - h + j) % Size) * row_bytes;
    if constexpr (Step == 1) {
      BlurRowDown<Size, Unit>(rows, out.Row(out_y), width, w);
    } else {
      BlurRowDown<Size, Unit>(rows, result.data(), width, w);
      ScatterSamples<Step>(result.data(), out.Row(out_y), width);
    }
  }
}

template <int Step, int Tap, int Size>
void BlurPlane(const ConstSamples& in, const Samples& out, const GaussBlur::Kernel& kernel) {
  constexpr int h = Size / 2;
  const int width = in.width, height = in.height;
  if (width <= 0) return;
  if constexpr (Step == 1) {
    if (in.data != out.data)
      for (int y = 0; y < height; ++y)
        if (y < h || y >= height - h) std::memcpy(out.Row(y), in.Row(y), static_cast<size_t>(width));
  }
  if (height < Size) return;
  // Only the narrowest kernel has its weights all between 256 and 511.
  const SplitWeights<Size> k(kernel, Size == 3);
  if constexpr (Size == 3) {
    if (k.unit) return BlurPlaneWith<Step, Tap, Size, true>(in, out, k);
  }
  BlurPlaneWith<Step, Tap, Size, false>(in, out, k);
}

}  // namespace

// One pass over a frame: the samples `offset` and `step` bytes into the rows of `plane`, of
// pixels `pixel_bytes` wide, blurred or copied by `run`.
struct GaussBlur::PlanePass {
  void (*run)(const ConstSamples& in, const Samples& out, const Kernel& kernel);
  int plane, offset, step, pixel_bytes;
};

namespace {

using Pass = GaussBlur::PlanePass;
using PlaneRoutine = decltype(Pass::run);

// A plane left as it is: its rows copied whole.
void CopyPlane(const ConstSamples& in, const Samples& out, const GaussBlur::Kernel&) {
  for (int y = 0; y < in.height; ++y) std::memcpy(out.Row(y), in.Row(y), static_cast<size_t>(in.width));
}

// The copy of BlurPlane for the kernel size and this process's CPU level.
template <int Step, int Tap>
PlaneRoutine BlurFor(int size) {
  switch (size) {
    case 3: return ForLevel<&BlurPlane<Step, Tap, 3>>();
    case 5: return ForLevel<&BlurPlane<Step, Tap, 5>>();
    case 7: return ForLevel<&BlurPlane<Step, Tap, 7>>();
    case 9: return ForLevel<&BlurPlane<Step, Tap, 9>>();
    default: return ForLevel<&BlurPlane<Step, Tap, 11>>();
  }
}

// The passes that make a frame. Contiguous samples blur from the source into the new frame;
// samples between other bytes (YUY2 planes on their own) blur in place in a copy. A YUV plane
// not asked for is copied.
std::vector<Pass> PassesFor(PixelFormat format, int size, bool u, bool v) {
  switch (format) {
    case PixelFormat::RGB24: return {Pass{BlurFor<1, 3>(size), PLANAR_Y, 0, 1, 3}};
    case PixelFormat::RGB32: return {Pass{BlurFor<1, 4>(size), PLANAR_Y, 0, 1, 4}};
    case PixelFormat::YUY2: {
      if (u && v) return {Pass{BlurFor<1, kYuy2Row>(size), PLANAR_Y, 0, 1, 2}};
      std::vector<Pass> passes{{CopyPlane, PLANAR_Y, 0, 1, 1}, {BlurFor<2, 1>(size), PLANAR_Y, 0, 2, 2}};
      if (u) passes.push_back({BlurFor<4, 1>(size), PLANAR_Y, 1, 4, 4});  // one U per pixel pair
      if (v) passes.push_back({BlurFor<4, 1>(size), PLANAR_Y, 3, 4, 4});
      return passes;
    }
    default: {
      const PlaneRoutine blur = BlurFor<1, 1>(size);
      return {{blur, PLANAR_Y, 0, 1, 1},
              {u ? blur : CopyPlane, PLANAR_U, 0, 1, 1},
              {v ? blur : CopyPlane, PLANAR_V, 0, 1, 1}};
    }
  }
}

}  // namespace

GaussBlur::Kernel GaussBlur::KernelFor(int size, double sd) {
  Kernel k{};
  const int h = size / 2;
  // sd 0 leaves no usable weights: take the limit of a vanishing spread, all weight on the
  // centre (NaN likewise, so the picture stays as it is).
  if (!(sd > 0)) {
    k[h] = 1024;
    return k;
  }
  double w[kMaxSize];
  double sum = 0;
  for (int i = 0; i < size; ++i) {
    const int d = i - h;
    w[i] = std::pow(2.71828, -(d * d * 0.5) / (sd * sd)) / (std::sqrt(6.2831853) * sd);
    sum += w[i];
  }
  // A spread too wide for doubles (infinite sd) makes every weight 0: take the limit of equal
  // weights.
  if (!(sum > 0) || !std::isfinite(sum)) {
    for (int i = 0; i < size; ++i) k[i] = 1024 / size;
    return k;
  }
  for (int i = 0; i < size; ++i) k[i] = static_cast<int>(w[i] * 1024 / sum);
  return k;
}

GaussBlur::GaussBlur(const GaussBlurArgs& args)
    : GenericVideoFilter(args.clip),
      arg(args),
      kernel(KernelFor(args.size, args.sd)),
      passes(PassesFor(FormatOf(vi), args.size, args.u, args.v)) {}

PVideoFrame GaussBlur::GetFrame(int n, IScriptEnvironment* env) {
  const PVideoFrame src = child->GetFrame(n, env);
  PVideoFrame out = env->NewVideoFrame(vi);
  for (const PlanePass& p : passes) {
    const PVideoFrame& from = p.step == 1 ? src : out;
    p.run(SamplesOf(ReadPlane(from, p.plane), p.offset, p.step, p.pixel_bytes),
          SamplesOf(WritePlane(out, p.plane), p.offset, p.step, p.pixel_bytes), kernel);
  }
  return out;
}

const char* GaussBlurSignature() { return SignatureText<kArgs>(); }

AVSValue CreateGaussBlur(AVSValue args, void*, IScriptEnvironment* env) {
  const GaussBlurArgs a = ReadArgs(kArgs, args);
  if (FormatOf(a.clip->GetVideoInfo()) == PixelFormat::Other)
    env->ThrowError("GaussBlur: This color format is not yet supported");
  if (a.size < 3 || a.size > 11 || a.size % 2 == 0)
    env->ThrowError("GaussBlur:size of grid must be odd and between 3 and 11");
  if (a.sd < 0) env->ThrowError("GaussBlur:standard deviation sd can not be negative");

  return Created(new GaussBlur(a), args);
}

}  // namespace tintara
