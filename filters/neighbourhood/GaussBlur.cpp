#include "filters/neighbourhood/GaussBlur.h"

#include <algorithm>
#include <cmath>

#include "filters/common/Args.h"
#include "filters/common/Vectorised.h"

namespace tintara {

namespace {

// Argument positions in the signature.
enum { kClip, kSize, kSd, kU, kV };

// One plane of samples `Step` bytes apart in a row; RGB blurs its `Channels` byte positions
// (each a plane of its own) in one sweep.
struct Samples {
  BYTE* data;
  int pitch;
  int width;  // samples per row
  int height;

  BYTE* Row(int y) const { return data + static_cast<long>(y) * pitch; }
};

Samples SamplesOf(const PVideoFrame& f, int plane, int offset, int step) {
  return {f->GetWritePtr(plane) + offset, f->GetPitch(plane), f->GetRowSize(plane) / step, f->GetHeight(plane)};
}

// Copies samples first..last-1 of a row (only the sample bytes: YUY2 chroma lies between others).
template <int Step, int Channels>
void CopySamples(BYTE* out, const BYTE* in, int first, int last) {
  for (int o = first * Step; o < last * Step; o += Step)
    for (int c = 0; c < Channels; ++c) out[o + c] = in[o + c];
}

// Blurs P in place through the scratch plane T (same geometry). Along rows into T: the first and
// last h samples are copied, the others weighted. Along columns back into P for the rows h..r-h-1;
// the first and last h rows keep their samples. Weights sum to at most 1024, so the shifted
// sums fit a byte. The kernel length is fixed per instance so the weight loops unroll.
// The weighted sums of one row, on pointers that cannot alias, as loops the compiler vectorises.
template <int Step, int Channels, int Size>
inline void BlurRowAcross(const BYTE* __restrict in, BYTE* __restrict out, int first, int last,
                          const int* __restrict kernel) {
  constexpr int h = Size / 2;
  int k[Size];
  for (int j = 0; j < Size; ++j) k[j] = kernel[j];
  for (int x = first; x < last; ++x) {
    const BYTE* s = in + (x - h) * Step;
    for (int c = 0; c < Channels; ++c) {
      // The weights mirror about the centre (KernelFor makes them so): pairs share a product.
      int sum = k[h] * s[h * Step + c];
      for (int j = 0; j < h; ++j) sum += k[j] * (s[j * Step + c] + s[(Size - 1 - j) * Step + c]);
      out[x * Step + c] = static_cast<BYTE>(sum >> 10);
    }
  }
}

template <int Step, int Channels, int Size>
inline void BlurRowDown(const BYTE* const* rows, BYTE* __restrict out, int width, const int* __restrict kernel) {
  int k[Size];
  const BYTE* __restrict r[Size];
  for (int j = 0; j < Size; ++j) k[j] = kernel[j], r[j] = rows[j];
  constexpr int h = Size / 2;
  for (int o = 0; o < width * Step; o += Step)
    for (int c = 0; c < Channels; ++c) {
      int sum = k[h] * r[h][o + c];
      for (int j = 0; j < h; ++j) sum += k[j] * (r[j][o + c] + r[Size - 1 - j][o + c]);
      out[o + c] = static_cast<BYTE>(sum >> 10);
    }
}

// Blurs P in place through the scratch plane T (same geometry). Along rows into T: the first and
// last h samples are copied, the others weighted. Along columns back into P for the rows h..r-h-1;
// the first and last h rows keep their samples. Weights sum to at most 1024, so the shifted
// sums fit a byte. The kernel length is fixed per instance so the weight loops unroll.
template <int Step, int Channels, int Size>
void BlurPlane(const Samples& p, const Samples& t, const GaussBlur::Kernel& kernel) {
  constexpr int h = Size / 2;
  const int width = p.width, height = p.height;
  Vectorised([&] {
    for (int y = 0; y < height; ++y) {
      const BYTE* in = p.Row(y);
      BYTE* out = t.Row(y);
      const int lead = std::min(h, width);
      CopySamples<Step, Channels>(out, in, 0, lead);
      BlurRowAcross<Step, Channels, Size>(in, out, h, width - h, kernel.data());
      const int tail = std::max(width - h, lead);
      CopySamples<Step, Channels>(out, in, tail, width);
    }
    const BYTE* rows[Size];
    for (int y = h; y < height - h; ++y) {
      for (int j = 0; j < Size; ++j) rows[j] = t.Row(y - h + j);
      BlurRowDown<Step, Channels, Size>(rows, p.Row(y), width, kernel.data());
    }
  });
}

using PlaneBlur = void (*)(const Samples&, const Samples&, const GaussBlur::Kernel&);

template <int Step, int Channels>
PlaneBlur BlurFor(int size) {
  switch (size) {
    case 3: return BlurPlane<Step, Channels, 3>;
    case 5: return BlurPlane<Step, Channels, 5>;
    case 7: return BlurPlane<Step, Channels, 7>;
    case 9: return BlurPlane<Step, Channels, 9>;
    default: return BlurPlane<Step, Channels, 11>;
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
  PVideoFrame frame = child->GetFrame(n, env);
  env->MakeWritable(&frame);
  PVideoFrame temp = env->NewVideoFrame(vi);
  auto blur = [&](PlaneBlur plane_blur, int plane, int offset, int step) {
    plane_blur(SamplesOf(frame, plane, offset, step), SamplesOf(temp, plane, offset, step), kernel);
  };
  switch (format) {
    case PixelFormat::RGB24: blur(BlurFor<3, 3>(size), PLANAR_Y, 0, 3); break;
    case PixelFormat::RGB32: blur(BlurFor<4, 4>(size), PLANAR_Y, 0, 4); break;
    case PixelFormat::YUY2:
      blur(BlurFor<2, 1>(size), PLANAR_Y, 0, 2);
      if (u) blur(BlurFor<4, 1>(size), PLANAR_Y, 1, 4);  // one U per pixel pair
      if (v) blur(BlurFor<4, 1>(size), PLANAR_Y, 3, 4);
      break;
    default:
      blur(BlurFor<1, 1>(size), PLANAR_Y, 0, 1);
      if (u) blur(BlurFor<1, 1>(size), PLANAR_U, 0, 1);
      if (v) blur(BlurFor<1, 1>(size), PLANAR_V, 0, 1);
      break;
  }
  return frame;
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
