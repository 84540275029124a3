#include "runtime/builtins/ColorConvert.h"

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#include "filters/common/Vectorised.h"
#include "runtime/builtins/ChromaResizer.h"
#include "runtime/builtins/Formats.h"
#include "runtime/builtins/FrameRows.h"

namespace tintara {

namespace {

// ---- Coefficients --------------------------------------------------------------------------
// Rec.601 between full-range RGB and limited-range YUV, rounded to fixed point the way
// AviSynth+ 3.7.5 rounds them. Its full-range scale is 255.5, not 255: the half meant for
// rounding went into the scale, and the output shows it (RGB grey 200 gives Y 187, not 188).

struct Coefficients {
  // RGB -> YUV in 15 bits, rows Y, U, V, columns B, G, R.
  int yb, yg, yr, ub, ug, ur, vb, vg, vr;
  // RGB -> YUY2 chroma, from the sums of three pixels' blue or red and luma.
  int ku, kv, ku_luma, kv_luma;
  // YUV -> RGB in 13 bits (4:4:4 -> RGB).
  int y, bu, gu, gv, rv;
  // YUV -> RGB in 14 bits, as the YUY2 routine has them (the 16-bit matrix divided down).
  int cy, cbu, cgu, cgv, crv;
};

int Round(double x) { return static_cast<int>(x + 0.5); }  // truncates toward zero, as AviSynth+ does

Coefficients MakeCoefficients() {
  const double kr = 0.299, kb = 0.114, kg = (1 - kr) - kb;
  const double srgb = 255.5, sy = 219, suv = 112;
  Coefficients c{};
  double m = 32768.0;
  c.yb = Round(sy * kb * m / srgb), c.yg = Round(sy * kg * m / srgb), c.yr = Round(sy * kr * m / srgb);
  c.ub = Round(suv * m / srgb), c.ug = Round(suv * kg / (kb - 1) * m / srgb),
  c.ur = Round(suv * kr / (kb - 1) * m / srgb);
  c.vb = Round(suv * kb / (kr - 1) * m / srgb), c.vg = Round(suv * kg / (kr - 1) * m / srgb), c.vr = c.ub;

  const double dku = 112 / (255.5 * (1 - kb)) * 32768, dkv = 112 / (255.5 * (1 - kr)) * 32768;
  c.ku = Round(dku), c.kv = Round(dkv);
  c.ku_luma = -Round(dku * 255.5 / 219), c.kv_luma = -Round(dkv * 255.5 / 219);

  const auto to_rgb = [&](double scale, int* y, int* bu, int* gu, int* gv, int* rv) {
    *y = Round(srgb * 1.0 * scale / sy);
    *bu = Round(srgb * (1 - kb) * scale / suv);
    *gu = Round(srgb * (kb - 1) * kb / kg * scale / suv);
    *gv = Round(srgb * (kr - 1) * kr / kg * scale / suv);
    *rv = Round(srgb * (1 - kr) * scale / suv);
  };
  to_rgb(8192.0, &c.y, &c.bu, &c.gu, &c.gv, &c.rv);
  int y16, bu16, gu16, gv16, rv16;
  to_rgb(65536.0, &y16, &bu16, &gu16, &gv16, &rv16);
  c.cy = y16 / 4, c.cbu = bu16 / 8, c.cgu = -gu16 / 8, c.cgv = -gv16 / 8, c.crv = rv16 / 8;
  return c;
}

const Coefficients& K() {
  static const Coefficients c = MakeCoefficients();
  return c;
}

// Scratch bytes for one frame's work, kept per thread so that a frame costs no allocation
// (fresh pages for two full-size planes cost more than the conversion).
BYTE* Scratch(int which, size_t bytes) {
  thread_local std::vector<BYTE> buffers[2];
  if (buffers[which].size() < bytes) buffers[which].resize(bytes);
  return buffers[which].data();
}

inline BYTE Clamp(int v) { return static_cast<BYTE>(v < 0 ? 0 : v > 255 ? 255 : v); }

// ---- Row routines (picture rows; Bytes is 3 for RGB24, 4 for RGB32) --------------------------
// Each routine runs its pixels in blocks of a fixed count, then one by one, so that the blocks
// compile to vector code; the coefficients are copied to locals first, since a byte store could
// otherwise alias them and force a reload per pixel.

template <typename Span>
inline void InBlocks(int begin, int end, const Span& span) {
  int x = begin;
  for (; x + 64 <= end; x += 64) span(x, std::integral_constant<int, 64>());
  for (; x < end; ++x) span(x, std::integral_constant<int, 1>());
}

// N pixels; the pointers are restrict so that the vector loop needs no overlap checks.
template <int Bytes, int N>
inline void RgbSpanToYuv444(const BYTE* __restrict in, BYTE* __restrict y, BYTE* __restrict u, BYTE* __restrict v,
                            const Coefficients k) {
  for (int x = 0; x < N; ++x) {
    int b, g, r;
    if (Bytes == 4) {  // one 32-bit load per pixel keeps the loop in plain vector lanes
      uint32_t p;
      std::memcpy(&p, in + 4 * x, 4);
      b = p & 255, g = (p >> 8) & 255, r = (p >> 16) & 255;
    } else {
      b = in[x * Bytes], g = in[x * Bytes + 1], r = in[x * Bytes + 2];
    }
    y[x] = Clamp(16 + ((k.yb * b + k.yg * g + k.yr * r + 16384) >> 15));
    u[x] = Clamp(128 + ((k.ub * b + k.ug * g + k.ur * r + 16384) >> 15));
    v[x] = Clamp(128 + ((k.vb * b + k.vg * g + k.vr * r + 16384) >> 15));
  }
}

template <int Bytes>
void RgbRowToYuv444(const BYTE* in, BYTE* y, BYTE* u, BYTE* v, int w) {
  const Coefficients k = K();
  InBlocks(0, w,
           [&](int x, auto n) { RgbSpanToYuv444<Bytes, decltype(n)::value>(in + x * Bytes, y + x, u + x, v + x, k); });
}

// Each pair's chroma comes from a 1-2-1 window of pixels centred on its even pixel, the first
// pair's left neighbour being the pixel itself; `luma` holds w ints of scratch.
template <int Bytes>
void RgbRowToYuy2(const BYTE* in, BYTE* out, int w, int* luma) {
  const Coefficients k = K();
  InBlocks(0, w, [&](int x0, auto n) {
    for (int x = x0; x < x0 + decltype(n)::value; ++x)  // 16.5 in 15 bits: the offset and the rounding
      luma[x] = (k.yb * in[x * Bytes] + k.yg * in[x * Bytes + 1] + k.yr * in[x * Bytes + 2] + 0x84000) >> 15;
  });
  const auto pair = [&](int q, int left) {
    const int x = 2 * q;
    const int ls = luma[left] + 2 * luma[x] + luma[x + 1] - 64;
    const int bs = in[left * Bytes] + 2 * in[x * Bytes] + in[(x + 1) * Bytes];
    const int rs = in[left * Bytes + 2] + 2 * in[x * Bytes + 2] + in[(x + 1) * Bytes + 2];
    const int mu = ls * k.ku_luma + bs * k.ku, mv = ls * k.kv_luma + rs * k.kv;
    BYTE* o = out + 4 * q;
    o[0] = static_cast<BYTE>(luma[x]);
    o[1] = Clamp(((mu >> 1) + 0x808000) >> 16);  // 128.5 in 16 bits
    o[2] = static_cast<BYTE>(luma[x + 1]);
    o[3] = Clamp(((mv >> 1) + 0x808000) >> 16);
  };
  pair(0, 0);
  InBlocks(1, w / 2, [&](int q0, auto n) {
    for (int q = q0; q < q0 + decltype(n)::value; ++q) pair(q, 2 * q - 1);
  });
}

// The odd pixel of a pair blends its chroma with the next pair's; the row's last pair has none
// to blend with. N pairs from `in`, whose pair N (the next one) is read for its chroma.
template <int Bytes>
inline void PutYuy2Rgb(BYTE* __restrict o, int y, int su, int sv, const Coefficients& k) {
  const int l = (y - 16) * k.cy + 8192;
  o[0] = Clamp((l + su * k.cbu) >> 14);
  o[1] = Clamp((l - su * k.cgu - sv * k.cgv) >> 14);
  o[2] = Clamp((l + sv * k.crv) >> 14);
  if (Bytes == 4) o[3] = 255;
}

template <int Bytes, int N>
inline void Yuy2SpanToRgb(const BYTE* __restrict in, BYTE* __restrict out, const Coefficients k) {
  for (int q = 0; q < N; ++q) {
    const BYTE* p = in + 4 * q;
    const int u = p[1] - 128, v = p[3] - 128, nu = p[5] - 128, nv = p[7] - 128;
    PutYuy2Rgb<Bytes>(out + 2 * q * Bytes, p[0], 2 * u, 2 * v, k);
    PutYuy2Rgb<Bytes>(out + (2 * q + 1) * Bytes, p[2], u + nu, v + nv, k);
  }
}

template <int Bytes>
void Yuy2RowToRgb(const BYTE* in, BYTE* out, int w) {
  const Coefficients k = K();
  const int last = w / 2 - 1;
  InBlocks(0, last,
           [&](int q, auto n) { Yuy2SpanToRgb<Bytes, decltype(n)::value>(in + 4 * q, out + 2 * q * Bytes, k); });
  const BYTE* p = in + 4 * last;
  PutYuy2Rgb<Bytes>(out + 2 * last * Bytes, p[0], 2 * (p[1] - 128), 2 * (p[3] - 128), k);
  PutYuy2Rgb<Bytes>(out + (2 * last + 1) * Bytes, p[2], 2 * (p[1] - 128), 2 * (p[3] - 128), k);
}

template <int Bytes, int N>
inline void Yuv444SpanToRgb(const BYTE* __restrict y, const BYTE* __restrict u, const BYTE* __restrict v,
                            BYTE* __restrict out, const Coefficients k) {
  for (int x = 0; x < N; ++x) {
    const int l = k.y * (y[x] - 16) + 4096, cu = u[x] - 128, cv = v[x] - 128;
    BYTE* o = out + x * Bytes;
    o[0] = Clamp((l + k.bu * cu) >> 13);
    o[1] = Clamp((l + k.gu * cu + k.gv * cv) >> 13);
    o[2] = Clamp((l + k.rv * cv) >> 13);
    if (Bytes == 4) o[3] = 255;
  }
}

template <int Bytes>
void Yuv444RowToRgb(const BYTE* y, const BYTE* u, const BYTE* v, BYTE* out, int w) {
  const Coefficients k = K();
  InBlocks(0, w,
           [&](int x, auto n) { Yuv444SpanToRgb<Bytes, decltype(n)::value>(y + x, u + x, v + x, out + x * Bytes, k); });
}

// About 3/4 of `cur` and 1/4 of `other`, in two rounded halvings.
inline BYTE Blend(int cur, int other) { return static_cast<BYTE>((((cur + other + 1) >> 1) + cur) >> 1); }

// ---- Whole frames --------------------------------------------------------------------------

class Conversion;
using Routine = void (*)(const Conversion&, const PVideoFrame&, const PVideoFrame&);

class Conversion {
 public:
  Conversion(const VideoInfo& from, int to) : from_(from), to_(from) {
    to_.pixel_type = to;
    run_ = Pick(from.pixel_type, to);
    if (IsRgbType(from.pixel_type) && IsPlanarType(to)) {
      h_ = ChromaDownHorizontal(from.width);
      v_ = ChromaDownVertical(from.height);
    } else if (IsPlanarType(from.pixel_type) && IsRgbType(to)) {
      h_ = ChromaUpHorizontal(from.width);
      v_ = ChromaUpVertical(from.height);
    }
  }
  void Run(const PVideoFrame& src, const PVideoFrame& dst) const { run_(*this, src, dst); }
  const VideoInfo& To() const { return to_; }

 private:
  static Routine Pick(int from, int to);

  template <int In, int Out>
  static void RgbToRgb(const Conversion& c, const PVideoFrame& src, const PVideoFrame& dst) {
    const PlaneRows<const BYTE> s = ReadRows(src, c.from_);
    const PlaneRows<BYTE> d = WriteRows(dst, c.to_);
    for (int y = 0; y < s.rows; ++y) {
      const BYTE* in = s.Row(y);
      BYTE* out = d.Row(y);
      for (int x = 0; x < c.from_.width; ++x, in += In, out += Out) {
        out[0] = in[0], out[1] = in[1], out[2] = in[2];
        if (Out == 4) out[3] = 255;
      }
    }
  }

  template <int Bytes>
  static void RgbToYuy2(const Conversion& c, const PVideoFrame& src, const PVideoFrame& dst) {
    const PlaneRows<const BYTE> s = ReadRows(src, c.from_);
    const PlaneRows<BYTE> d = WriteRows(dst, c.to_);
    thread_local std::vector<int> luma;
    if (luma.size() < static_cast<size_t>(c.from_.width)) luma.resize(static_cast<size_t>(c.from_.width));
    Vectorised([&] {
      for (int y = 0; y < s.rows; ++y) RgbRowToYuy2<Bytes>(s.Row(y), d.Row(y), c.from_.width, luma.data());
    });
  }

  // Y as it is; U and V at full size, then halved both ways by the resizer.
  template <int Bytes>
  static void RgbTo420(const Conversion& c, const PVideoFrame& src, const PVideoFrame& dst) {
    const int w = c.from_.width, h = c.from_.height;
    const PlaneRows<const BYTE> s = ReadRows(src, c.from_);
    const PlaneRows<BYTE> luma = WriteRows(dst, c.to_, 0);
    BYTE* u = Scratch(0, static_cast<size_t>(w) * h);
    BYTE* v = Scratch(1, static_cast<size_t>(w) * h);
    Vectorised([&] {
      for (int y = 0; y < h; ++y)
        RgbRowToYuv444<Bytes>(s.Row(y), luma.Row(y), u + static_cast<size_t>(y) * w, v + static_cast<size_t>(y) * w, w);
    });
    for (int p = 1; p <= 2; ++p) {
      const PlaneRows<BYTE> out = WriteRows(dst, c.to_, p);
      ResizePlane({p == 1 ? u : v, w, w, h}, c.h_, c.v_, out.top, out.step);
    }
  }

  template <int Bytes>
  static void Yuy2ToRgb(const Conversion& c, const PVideoFrame& src, const PVideoFrame& dst) {
    const PlaneRows<const BYTE> s = ReadRows(src, c.from_);
    const PlaneRows<BYTE> d = WriteRows(dst, c.to_);
    Vectorised([&] {
      for (int y = 0; y < s.rows; ++y) Yuy2RowToRgb<Bytes>(s.Row(y), d.Row(y), c.from_.width);
    });
  }

  template <int Bytes>
  static void P420ToRgb(const Conversion& c, const PVideoFrame& src, const PVideoFrame& dst) {
    const int w = c.from_.width, h = c.from_.height;
    BYTE* u = Scratch(0, static_cast<size_t>(w) * h);
    BYTE* v = Scratch(1, static_cast<size_t>(w) * h);
    for (int p = 1; p <= 2; ++p) {
      const PlaneRows<const BYTE> in = ReadRows(src, c.from_, p);
      ResizePlane({in.top, in.step, in.bytes, in.rows}, c.h_, c.v_, p == 1 ? u : v, w);
    }
    const PlaneRows<const BYTE> luma = ReadRows(src, c.from_, 0);
    const PlaneRows<BYTE> d = WriteRows(dst, c.to_);
    Vectorised([&] {
      for (int y = 0; y < h; ++y)
        Yuv444RowToRgb<Bytes>(luma.Row(y), u + static_cast<size_t>(y) * w, v + static_cast<size_t>(y) * w, d.Row(y), w);
    });
  }

  // Luma copied; each chroma sample the rounded-up mean of the two rows' samples of its pair.
  static void Yuy2To420(const Conversion& c, const PVideoFrame& src, const PVideoFrame& dst) {
    const int w = c.from_.width;
    const PlaneRows<const BYTE> s = ReadRows(src, c.from_);
    const PlaneRows<BYTE> luma = WriteRows(dst, c.to_, 0), u = WriteRows(dst, c.to_, 1), v = WriteRows(dst, c.to_, 2);
    for (int y = 0; y < s.rows; ++y) {
      const BYTE* in = s.Row(y);
      BYTE* out = luma.Row(y);
      for (int x = 0; x < w; ++x) out[x] = in[2 * x];
    }
    for (int cy = 0; cy < u.rows; ++cy) {
      const BYTE *a = s.Row(2 * cy), *b = s.Row(2 * cy + 1);
      BYTE *ou = u.Row(cy), *ov = v.Row(cy);
      for (int cx = 0; cx < w / 2; ++cx) {
        ou[cx] = static_cast<BYTE>((a[4 * cx + 1] + b[4 * cx + 1] + 1) >> 1);
        ov[cx] = static_cast<BYTE>((a[4 * cx + 3] + b[4 * cx + 3] + 1) >> 1);
      }
    }
  }

  // No horizontal interpolation; each inner row leans a quarter towards the chroma row on its
  // side. The first two and last two rows take their chroma row as it is.
  static void P420ToYuy2(const Conversion& c, const PVideoFrame& src, const PVideoFrame& dst) {
    const int w = c.from_.width, h = c.from_.height;
    const PlaneRows<const BYTE> luma = ReadRows(src, c.from_, 0), u = ReadRows(src, c.from_, 1),
                                v = ReadRows(src, c.from_, 2);
    const PlaneRows<BYTE> d = WriteRows(dst, c.to_);
    for (int y = 0; y < h; ++y) {
      const int cy = y / 2;
      const bool plain = y < 2 || y >= h - 2;
      const int other = (y & 1) ? cy + 1 : cy - 1;
      const BYTE *l = luma.Row(y), *cu = u.Row(cy), *cv = v.Row(cy);
      const BYTE *ou = plain ? cu : u.Row(other), *ov = plain ? cv : v.Row(other);
      BYTE* out = d.Row(y);
      for (int x = 0; x < w / 2; ++x, out += 4) {
        out[0] = l[2 * x];
        out[1] = plain ? cu[x] : Blend(cu[x], ou[x]);
        out[2] = l[2 * x + 1];
        out[3] = plain ? cv[x] : Blend(cv[x], ov[x]);
      }
    }
  }

  // YV12 and I420 hold the same samples; only the order of their planes in memory differs.
  static void P420To420(const Conversion& c, const PVideoFrame& src, const PVideoFrame& dst) {
    for (int p = 0; p < 3; ++p) {
      const PlaneRows<const BYTE> s = ReadRows(src, c.from_, p);
      const PlaneRows<BYTE> d = WriteRows(dst, c.to_, p);
      for (int y = 0; y < s.rows; ++y) std::memcpy(d.Row(y), s.Row(y), static_cast<size_t>(s.bytes));
    }
  }

  VideoInfo from_, to_;
  Routine run_;
  ResizeProgram h_, v_;
};

Routine Conversion::Pick(int from, int to) {
  const bool in24 = from == VideoInfo::CS_BGR24;
  if (IsRgbType(to)) {
    const bool out24 = to == VideoInfo::CS_BGR24;
    if (IsRgbType(from))
      return in24 ? (out24 ? RgbToRgb<3, 3> : RgbToRgb<3, 4>) : (out24 ? RgbToRgb<4, 3> : RgbToRgb<4, 4>);
    if (from == VideoInfo::CS_YUY2) return out24 ? Yuy2ToRgb<3> : Yuy2ToRgb<4>;
    return out24 ? P420ToRgb<3> : P420ToRgb<4>;
  }
  if (to == VideoInfo::CS_YUY2) return IsRgbType(from) ? (in24 ? RgbToYuy2<3> : RgbToYuy2<4>) : P420ToYuy2;
  if (IsRgbType(from)) return in24 ? RgbTo420<3> : RgbTo420<4>;
  return from == VideoInfo::CS_YUY2 ? Yuy2To420 : P420To420;
}

class ConvertedClip : public IClip {
 public:
  ConvertedClip(const PClip& child, int pixel_type) : child_(child), conversion_(child->GetVideoInfo(), pixel_type) {}
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override {
    const PVideoFrame src = child_->GetFrame(n, env);
    PVideoFrame dst = env->NewVideoFrame(conversion_.To());
    conversion_.Run(src, dst);
    return dst;
  }
  bool GetParity(int n) override { return child_->GetParity(n); }
  void GetAudio(void*, int64_t, int64_t, IScriptEnvironment*) override {}
  int SetCacheHints(int, int) override { return 0; }
  const VideoInfo& GetVideoInfo() override { return conversion_.To(); }

 private:
  PClip child_;
  const Conversion conversion_;
};

}  // namespace

PClip ConvertClip(Environment& env, const PClip& clip, int pixel_type, const std::string& function) {
  const VideoInfo& vi = clip->GetVideoInfo();
  if (vi.pixel_type == pixel_type) return clip;
  // ConvertToYV12 leaves I420 alone (AviSynth+ names both YV12).
  if (pixel_type == VideoInfo::CS_YV12 && vi.pixel_type == VideoInfo::CS_I420) return clip;
  if (PixelTypeName(vi.pixel_type) == std::string("unknown")) env.Fail(function + ": the clip's pixel type is unknown");
  if (vi.IsRGB() && pixel_type == VideoInfo::CS_YUY2 && (vi.width & 1))
    env.Fail("ConvertToYUY2: Image width must be even. Use Crop!");
  if (vi.IsRGB() && IsPlanarType(pixel_type)) {
    if (vi.width & 1) env.Fail("Convert: Cannot convert if width isn't mod2!");
    if (vi.height & 1) env.Fail("Convert: Cannot convert if height isn't mod2!");
  }
  if (vi.IsYUY2() && IsPlanarType(pixel_type) && (vi.height & 1))
    env.Fail(function + ": Image height must be multiple of 2");
  VideoInfo out = vi;
  out.pixel_type = pixel_type;
  CheckClipFormat(env, function, out);
  return PClip(new ConvertedClip(clip, pixel_type));
}

PVideoFrame ConvertFrame(IScriptEnvironment* env, const PVideoFrame& src, const VideoInfo& from, int pixel_type) {
  if (from.pixel_type == pixel_type) return src;
  const Conversion conversion(from, pixel_type);
  PVideoFrame dst = env->NewVideoFrame(conversion.To());
  conversion.Run(src, dst);
  return dst;
}

}  // namespace tintara
