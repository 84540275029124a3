#include "filters/neighbourhood/GaussBlur.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "filters/common/Args.h"
#include "filters/common/SampleRows.h"
#include "filters/common/Vectorised.h"

namespace tintara {

namespace {

// Argument positions in the signature.
enum { kClip, kSize, kSd, kU, kV };

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

ConstSamples ReadSamples(const PVideoFrame& f, int plane, int offset, int step, int pixel_bytes) {
  const int pixels = f->GetRowSize(plane) / pixel_bytes;
  return {f->GetReadPtr(plane) + offset, f->GetPitch(plane), pixels * pixel_bytes / step, f->GetHeight(plane)};
}

Samples WriteSamples(const PVideoFrame& f, int plane, int offset, int step, int pixel_bytes) {
  const int pixels = f->GetRowSize(plane) / pixel_bytes;
  return {f->GetWritePtr(plane) + offset, f->GetPitch(plane), pixels * pixel_bytes / step, f->GetHeight(plane)};
}

void CopyPlane(const PVideoFrame& out, const PVideoFrame& src, int plane) {
  for (int y = 0; y < src->GetHeight(plane); ++y)
    std::memcpy(out->GetWritePtr(plane) + static_cast<long>(y) * out->GetPitch(plane),
                src->GetReadPtr(plane) + static_cast<long>(y) * src->GetPitch(plane),
                static_cast<size_t>(src->GetRowSize(plane)));
}

// The weights split for 16-bit lanes: k = 16 * high + low, low < 16. With the weights summing
// to at most 1024 (KernelFor makes them so), the high sum stays within 64 * 255 and the low sum
// within 11 * 15 * 255, and (16 * high + low) >> 10 == (high + (low >> 4)) >> 6 exactly.
template <int Size>
struct SplitWeights {
  uint16_t high[Size], low[Size];
  explicit SplitWeights(const GaussBlur::Kernel& k) {
    for (int j = 0; j < Size; ++j) high[j] = static_cast<uint16_t>(k[j] >> 4), low[j] = static_cast<uint16_t>(k[j] & 15);
  }
};

// The weighted sums along one contiguous row, neighbours `Tap` bytes apart: the first and last
// h * Tap bytes are copied, the others weighted. The weights mirror about the centre (KernelFor
// makes them so): a pair shares its products. The weights are local copies, so stores into
// the byte row cannot be taken to change them.
template <int Tap, int Size>
inline void BlurRowAcross(const BYTE* __restrict in, BYTE* __restrict out, int width, const SplitWeights<Size>& w) {
  constexpr int h = Size / 2;
  uint16_t high[Size], low[Size];
  for (int j = 0; j < Size; ++j) high[j] = w.high[j], low[j] = w.low[j];
  const int lead = std::min(h * Tap, width), tail = std::max(width - h * Tap, lead);
  for (int i = 0; i < lead; ++i) out[i] = in[i];
  for (int i = h * Tap; i < width - h * Tap; ++i) {
    uint16_t hs = static_cast<uint16_t>(high[h] * in[i]), ls = static_cast<uint16_t>(low[h] * in[i]);
#pragma GCC unroll 8
    for (int j = 0; j < h; ++j) {
      const uint16_t pair = static_cast<uint16_t>(in[i + (j - h) * Tap] + in[i + (h - j) * Tap]);
      hs = static_cast<uint16_t>(hs + high[j] * pair);
      ls = static_cast<uint16_t>(ls + low[j] * pair);
    }
    out[i] = static_cast<BYTE>((hs + (ls >> 4)) >> 6);
  }
  for (int i = tail; i < width; ++i) out[i] = in[i];
}

// Tap 0 stands for a whole YUY2 row blurred at once: luma (even bytes) has its neighbours two
// bytes apart, U and V (odd bytes) four apart. Both spacings are summed over the whole row and
// the byte's own kept, which costs less than taking the planes apart and putting them back.
constexpr int kYuy2Row = 0;

template <int Size>
inline void BlurYuy2RowAcross(const BYTE* __restrict in, BYTE* __restrict out, BYTE* __restrict luma,
                              BYTE* __restrict chroma, int width, const SplitWeights<Size>& w) {
  BlurRowAcross<2, Size>(in, luma, width, w);
  BlurRowAcross<4, Size>(in, chroma, width, w);
  for (int i = 0; i < width; ++i) out[i] = (i & 1) ? chroma[i] : luma[i];
}

template <int Size>
inline void BlurRowDown(const BYTE* const* rows, BYTE* __restrict out, int width, const SplitWeights<Size>& w) {
  constexpr int h = Size / 2;
  uint16_t high[Size], low[Size];
  const BYTE* __restrict r[Size];
  for (int j = 0; j < Size; ++j) high[j] = w.high[j], low[j] = w.low[j], r[j] = rows[j];
  for (int i = 0; i < width; ++i) {
    uint16_t hs = static_cast<uint16_t>(high[h] * r[h][i]), ls = static_cast<uint16_t>(low[h] * r[h][i]);
#pragma GCC unroll 8
    for (int j = 0; j < h; ++j) {
      const uint16_t pair = static_cast<uint16_t>(r[j][i] + r[Size - 1 - j][i]);
      hs = static_cast<uint16_t>(hs + high[j] * pair);
      ls = static_cast<uint16_t>(ls + low[j] * pair);
    }
    out[i] = static_cast<BYTE>((hs + (ls >> 4)) >> 6);
  }
}

// Blurs `in` into `out` (the same plane, or for Step 1 another frame's), streamed: each row is
// gathered into a contiguous buffer (unless its samples already are one), blurred along into a
// ring of the last Size such rows, and as soon as the ring holds rows y-h .. y+h, row y is
// blurred down and written. In place, a row is rewritten only after every row that reads it
// has been read. The first and last h rows keep their samples; a plane shorter than Size keeps
// all of them.
template <int Step, int Tap, int Size>
void BlurPlane(const ConstSamples& in, const Samples& out, const GaussBlur::Kernel& kernel) {
  constexpr int h = Size / 2;
  const int width = in.width, height = in.height;
  if (width <= 0) return;
  const size_t row_bytes = static_cast<size_t>(width);
  if constexpr (Step == 1) {
    if (in.data != out.data)
      for (int y = 0; y < height; ++y)
        if (y < h || y >= height - h) std::memcpy(out.Row(y), in.Row(y), row_bytes);
  }
  if (height < Size) return;
  std::vector<BYTE> ring(row_bytes * Size), gathered(Step == 1 ? 0 : row_bytes), result(Step == 1 ? 0 : row_bytes);
  std::vector<BYTE> luma(Tap == kYuy2Row ? row_bytes : 0), chroma(Tap == kYuy2Row ? row_bytes : 0);
  const SplitWeights<Size> k(kernel);
  Vectorised([&] {
    const BYTE* rows[Size];
    for (int y = 0; y < height; ++y) {
      const BYTE* row = in.Row(y);
      if constexpr (Step != 1) {
        GatherSamples<Step>(row, gathered.data(), width);
        row = gathered.data();
      }
      BYTE* across = ring.data() + (y % Size) * row_bytes;
      if constexpr (Tap == kYuy2Row) {
        BlurYuy2RowAcross<Size>(row, across, luma.data(), chroma.data(), width, k);
      } else {
        BlurRowAcross<Tap, Size>(row, across, width, k);
      }
      const int out_y = y - h;
      if (out_y < h) continue;
      for (int j = 0; j < Size; ++j) rows[j] = ring.data() + ((out_y - h + j) % Size) * row_bytes;
      if constexpr (Step == 1) {
        BlurRowDown<Size>(rows, out.Row(out_y), width, k);
      } else {
        BlurRowDown<Size>(rows, result.data(), width, k);
        ScatterSamples<Step>(result.data(), out.Row(out_y), width);
      }
    }
  });
}

using PlaneBlur = void (*)(const ConstSamples&, const Samples&, const GaussBlur::Kernel&);

template <int Step, int Tap>
PlaneBlur BlurFor(int size) {
  switch (size) {
    case 3: return BlurPlane<Step, Tap, 3>;
    case 5: return BlurPlane<Step, Tap, 5>;
    case 7: return BlurPlane<Step, Tap, 7>;
    case 9: return BlurPlane<Step, Tap, 9>;
    default: return BlurPlane<Step, Tap, 11>;
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

GaussBlur::GaussBlur(const PClip& child, int size_, double sd_, bool u_, bool v_, IScriptEnvironment*)
    : GenericVideoFilter(child), size(size_), sd(sd_), u(u_), v(v_), kernel(KernelFor(size, sd)),
      format(FormatOf(vi)) {}

PVideoFrame GaussBlur::GetFrame(int n, IScriptEnvironment* env) {
  const PVideoFrame src = child->GetFrame(n, env);
  PVideoFrame out = env->NewVideoFrame(vi);
  // Contiguous planes blur from the source into the new frame; planes of samples between other
  // bytes blur in place in a copy.
  auto blur = [&](PlaneBlur plane_blur, int plane, int offset, int step, int pixel_bytes) {
    plane_blur(ReadSamples(step == 1 ? src : out, plane, offset, step, pixel_bytes),
               WriteSamples(out, plane, offset, step, pixel_bytes), kernel);
  };
  switch (format) {
    case PixelFormat::RGB24: blur(BlurFor<1, 3>(size), PLANAR_Y, 0, 1, 3); break;
    case PixelFormat::RGB32: blur(BlurFor<1, 4>(size), PLANAR_Y, 0, 1, 4); break;
    case PixelFormat::YUY2:
      if (u && v) {
        blur(BlurFor<1, kYuy2Row>(size), PLANAR_Y, 0, 1, 2);
        break;
      }
      CopyPlane(out, src, PLANAR_Y);
      blur(BlurFor<2, 1>(size), PLANAR_Y, 0, 2, 2);
      if (u) blur(BlurFor<4, 1>(size), PLANAR_Y, 1, 4, 4);  // one U per pixel pair
      if (v) blur(BlurFor<4, 1>(size), PLANAR_Y, 3, 4, 4);
      break;
    default:
      blur(BlurFor<1, 1>(size), PLANAR_Y, 0, 1, 1);
      if (u) blur(BlurFor<1, 1>(size), PLANAR_U, 0, 1, 1);
      else CopyPlane(out, src, PLANAR_U);
      if (v) blur(BlurFor<1, 1>(size), PLANAR_V, 0, 1, 1);
      else CopyPlane(out, src, PLANAR_V);
      break;
  }
  return out;
}

AVSValue CreateGaussBlur(AVSValue args, void*, IScriptEnvironment* env) {
  PClip clip = args[kClip].AsClip();
  const VideoInfo& vi = clip->GetVideoInfo();
  const int size = IntArg(args, kSize, 3);
  const double sd = FloatArg(args, kSd, 1.5);
  const bool u = BoolArg(args, kU, false), v = BoolArg(args, kV, false);

  if (FormatOf(vi) == PixelFormat::Other) env->ThrowError("GaussBlur: This color format is not yet supported");
  if (size < 3 || size > 11 || size % 2 == 0) env->ThrowError("GaussBlur:size of grid must be odd and between 3 and 11");
  if (sd < 0) env->ThrowError("GaussBlur:standard deviation sd can not be negative");

  return Created(new GaussBlur(clip, size, sd, u, v, env), args);
}

}  // namespace tintara
