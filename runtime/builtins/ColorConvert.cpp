#include "runtime/builtins/ColorConvert.h"

#include <cstring>

#include "runtime/builtins/Formats.h"

namespace tintara {

namespace {

// Coefficients in 16-bit fixed point: 219/255 and 224/255 scale full-range RGB into the
// limited ranges; the chroma rows each sum to zero so that grey stays at 128.
constexpr int kYR = 16829, kYG = 33039, kYB = 6416;
constexpr int kUR = -9714, kUG = -19070, kUB = 28784;
constexpr int kVR = 28784, kVG = -24103, kVB = -4681;
constexpr int kY = 76309, kRV = 104597, kGU = -25675, kGV = -53279, kBU = 132201;

// A 16-bit fixed-point value rounded to a byte, clamped.
inline BYTE ToByte(int fixed) {
  const int t = fixed + 32768;
  if (t < 0) return 0;
  const int v = t >> 16;
  return static_cast<BYTE>(v > 255 ? 255 : v);
}

// Luma of one pixel; chroma from the sums of the RGB of `count` pixels (1, 2 or 4, shift
// 0, 1 or 2). The sums keep every numerator positive, so the shifts round exactly.
inline BYTE LumaOf(int r, int g, int b) { return static_cast<BYTE>((kYR * r + kYG * g + kYB * b + (16 << 16) + 32768) >> 16); }
inline BYTE ChromaU(int rs, int gs, int bs, int shift) {
  return static_cast<BYTE>((kUR * rs + kUG * gs + kUB * bs + ((128 << 16) + 32768) * (1 << shift)) >> (16 + shift));
}
inline BYTE ChromaV(int rs, int gs, int bs, int shift) {
  return static_cast<BYTE>((kVR * rs + kVG * gs + kVB * bs + ((128 << 16) + 32768) * (1 << shift)) >> (16 + shift));
}

// Writes the RGB of (y, u, v) into the first three bytes of `out` (blue, green, red).
inline void PutRgb(BYTE* out, int y, int u, int v) {
  const int l = kY * (y - 16);
  out[0] = ToByte(l + kBU * (u - 128));
  out[1] = ToByte(l + kGU * (u - 128) + kGV * (v - 128));
  out[2] = ToByte(l + kRV * (v - 128));
}

struct Planes {
  const BYTE* p[3];
  int pitch[3];
};
struct WritablePlanes {
  BYTE* p[3];
  int pitch[3];
};
Planes Read(const PVideoFrame& f) {
  return {{f->GetReadPtr(PLANAR_Y), f->GetReadPtr(PLANAR_U), f->GetReadPtr(PLANAR_V)},
          {f->GetPitch(PLANAR_Y), f->GetPitch(PLANAR_U), f->GetPitch(PLANAR_V)}};
}
WritablePlanes Write(const PVideoFrame& f) {
  return {{f->GetWritePtr(PLANAR_Y), f->GetWritePtr(PLANAR_U), f->GetWritePtr(PLANAR_V)},
          {f->GetPitch(PLANAR_Y), f->GetPitch(PLANAR_U), f->GetPitch(PLANAR_V)}};
}
inline const BYTE* Row(const Planes& f, int plane, int row) { return f.p[plane] + static_cast<long>(row) * f.pitch[plane]; }
inline BYTE* Row(const WritablePlanes& f, int plane, int row) { return f.p[plane] + static_cast<long>(row) * f.pitch[plane]; }

using Converter = void (*)(const PVideoFrame& src, const PVideoFrame& dst, int w, int h);

// RGB frames of either width; the fourth byte of a new RGB32 pixel is 255.
template <int InBytes, int OutBytes>
void RgbToRgb(const PVideoFrame& src, const PVideoFrame& dst, int w, int h) {
  const Planes s = Read(src);
  const WritablePlanes d = Write(dst);
  for (int m = 0; m < h; ++m) {
    const BYTE* in = Row(s, 0, m);
    BYTE* out = Row(d, 0, m);
    for (int x = 0; x < w; ++x, in += InBytes, out += OutBytes) {
      out[0] = in[0];
      out[1] = in[1];
      out[2] = in[2];
      if (OutBytes == 4) out[3] = InBytes == 4 ? in[3] : 255;
    }
  }
}

// RGB is stored bottom-up: picture row y is memory row h-1-y.
template <int Bytes>
void RgbToYuy2(const PVideoFrame& src, const PVideoFrame& dst, int w, int h) {
  const Planes s = Read(src);
  const WritablePlanes d = Write(dst);
  for (int y = 0; y < h; ++y) {
    const BYTE* in = Row(s, 0, h - 1 - y);
    BYTE* out = Row(d, 0, y);
    for (int x = 0; x < w; x += 2, in += 2 * Bytes, out += 4) {
      const BYTE* a = in;
      const BYTE* b = in + Bytes;
      out[0] = LumaOf(a[2], a[1], a[0]);
      out[2] = LumaOf(b[2], b[1], b[0]);
      out[1] = ChromaU(a[2] + b[2], a[1] + b[1], a[0] + b[0], 1);
      out[3] = ChromaV(a[2] + b[2], a[1] + b[1], a[0] + b[0], 1);
    }
  }
}

template <int Bytes>
void RgbTo420(const PVideoFrame& src, const PVideoFrame& dst, int w, int h) {
  const Planes s = Read(src);
  const WritablePlanes d = Write(dst);
  for (int cy = 0; cy < h / 2; ++cy) {
    const BYTE* top = Row(s, 0, h - 1 - 2 * cy);
    const BYTE* bottom = Row(s, 0, h - 2 - 2 * cy);
    BYTE* y0 = Row(d, 0, 2 * cy);
    BYTE* y1 = Row(d, 0, 2 * cy + 1);
    BYTE* u = Row(d, 1, cy);
    BYTE* v = Row(d, 2, cy);
    for (int x = 0; x < w; x += 2, top += 2 * Bytes, bottom += 2 * Bytes) {
      const BYTE* p[4] = {top, top + Bytes, bottom, bottom + Bytes};
      y0[x] = LumaOf(p[0][2], p[0][1], p[0][0]);
      y0[x + 1] = LumaOf(p[1][2], p[1][1], p[1][0]);
      y1[x] = LumaOf(p[2][2], p[2][1], p[2][0]);
      y1[x + 1] = LumaOf(p[3][2], p[3][1], p[3][0]);
      const int r = p[0][2] + p[1][2] + p[2][2] + p[3][2];
      const int g = p[0][1] + p[1][1] + p[2][1] + p[3][1];
      const int b = p[0][0] + p[1][0] + p[2][0] + p[3][0];
      u[x / 2] = ChromaU(r, g, b, 2);
      v[x / 2] = ChromaV(r, g, b, 2);
    }
  }
}

template <int Bytes>
void Yuy2ToRgb(const PVideoFrame& src, const PVideoFrame& dst, int w, int h) {
  const Planes s = Read(src);
  const WritablePlanes d = Write(dst);
  for (int y = 0; y < h; ++y) {
    const BYTE* in = Row(s, 0, y);
    BYTE* out = Row(d, 0, h - 1 - y);
    for (int x = 0; x < w; x += 2, in += 4, out += 2 * Bytes) {
      PutRgb(out, in[0], in[1], in[3]);
      PutRgb(out + Bytes, in[2], in[1], in[3]);
      if (Bytes == 4) out[3] = out[7] = 255;
    }
  }
}

template <int Bytes>
void P420ToRgb(const PVideoFrame& src, const PVideoFrame& dst, int w, int h) {
  const Planes s = Read(src);
  const WritablePlanes d = Write(dst);
  for (int y = 0; y < h; ++y) {
    const BYTE* luma = Row(s, 0, y);
    const BYTE* u = Row(s, 1, y / 2);
    const BYTE* v = Row(s, 2, y / 2);
    BYTE* out = Row(d, 0, h - 1 - y);
    for (int x = 0; x < w; ++x, out += Bytes) {
      PutRgb(out, luma[x], u[x / 2], v[x / 2]);
      if (Bytes == 4) out[3] = 255;
    }
  }
}

void Yuy2To420(const PVideoFrame& src, const PVideoFrame& dst, int w, int h) {
  const Planes s = Read(src);
  const WritablePlanes d = Write(dst);
  for (int y = 0; y < h; ++y) {
    const BYTE* in = Row(s, 0, y);
    BYTE* out = Row(d, 0, y);
    for (int x = 0; x < w; ++x) out[x] = in[2 * x];
  }
  for (int cy = 0; cy < h / 2; ++cy) {
    const BYTE* a = Row(s, 0, 2 * cy);
    const BYTE* b = Row(s, 0, 2 * cy + 1);
    BYTE* u = Row(d, 1, cy);
    BYTE* v = Row(d, 2, cy);
    for (int cx = 0; cx < w / 2; ++cx) {
      u[cx] = static_cast<BYTE>((a[4 * cx + 1] + b[4 * cx + 1] + 1) >> 1);
      v[cx] = static_cast<BYTE>((a[4 * cx + 3] + b[4 * cx + 3] + 1) >> 1);
    }
  }
}

void P420ToYuy2(const PVideoFrame& src, const PVideoFrame& dst, int w, int h) {
  const Planes s = Read(src);
  const WritablePlanes d = Write(dst);
  for (int y = 0; y < h; ++y) {
    const BYTE* luma = Row(s, 0, y);
    const BYTE* u = Row(s, 1, y / 2);
    const BYTE* v = Row(s, 2, y / 2);
    BYTE* out = Row(d, 0, y);
    for (int cx = 0; cx < w / 2; ++cx) {
      out[4 * cx] = luma[2 * cx];
      out[4 * cx + 1] = u[cx];
      out[4 * cx + 2] = luma[2 * cx + 1];
      out[4 * cx + 3] = v[cx];
    }
  }
}

// YV12 and I420 hold the same samples; only the order of their planes in memory differs.
void P420To420(const PVideoFrame& src, const PVideoFrame& dst, int w, int h) {
  const Planes s = Read(src);
  const WritablePlanes d = Write(dst);
  for (int plane = 0; plane < 3; ++plane) {
    const int rows = plane == 0 ? h : h / 2, bytes = plane == 0 ? w : w / 2;
    for (int y = 0; y < rows; ++y) std::memcpy(Row(d, plane, y), Row(s, plane, y), static_cast<size_t>(bytes));
  }
}

Converter Pick(int from, int to) {
  const bool rgb24 = from == VideoInfo::CS_BGR24;
  switch (to) {
    case VideoInfo::CS_BGR24:
    case VideoInfo::CS_BGR32: {
      const bool out24 = to == VideoInfo::CS_BGR24;
      if (IsRgbType(from)) return rgb24 ? (out24 ? RgbToRgb<3, 3> : RgbToRgb<3, 4>) : (out24 ? RgbToRgb<4, 3> : RgbToRgb<4, 4>);
      if (from == VideoInfo::CS_YUY2) return out24 ? Yuy2ToRgb<3> : Yuy2ToRgb<4>;
      return out24 ? P420ToRgb<3> : P420ToRgb<4>;
    }
    case VideoInfo::CS_YUY2:
      if (IsRgbType(from)) return rgb24 ? RgbToYuy2<3> : RgbToYuy2<4>;
      if (IsPlanarType(from)) return P420ToYuy2;
      return nullptr;
    default:
      if (IsRgbType(from)) return rgb24 ? RgbTo420<3> : RgbTo420<4>;
      if (from == VideoInfo::CS_YUY2) return Yuy2To420;
      return P420To420;
  }
}

class ConvertedClip : public IClip {
 public:
  ConvertedClip(const PClip& child, int pixel_type) : child_(child), vi_(child->GetVideoInfo()) {
    convert_ = Pick(vi_.pixel_type, pixel_type);
    vi_.pixel_type = pixel_type;
  }
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override {
    const PVideoFrame src = child_->GetFrame(n, env);
    PVideoFrame dst = env->NewVideoFrame(vi_);
    convert_(src, dst, vi_.width, vi_.height);
    return dst;
  }
  bool GetParity(int n) override { return child_->GetParity(n); }
  void GetAudio(void*, int64_t, int64_t, IScriptEnvironment*) override {}
  int SetCacheHints(int, int) override { return 0; }
  const VideoInfo& GetVideoInfo() override { return vi_; }

 private:
  PClip child_;
  VideoInfo vi_;
  Converter convert_;
};

}  // namespace

Yuv RgbToYuv(int r, int g, int b) { return {LumaOf(r, g, b), ChromaU(r, g, b, 0), ChromaV(r, g, b, 0)}; }

Rgb YuvToRgb(int y, int u, int v) {
  BYTE bgr[3];
  PutRgb(bgr, y, u, v);
  return {bgr[2], bgr[1], bgr[0]};
}

PClip ConvertClip(Environment& env, const PClip& clip, int pixel_type, const std::string& function) {
  VideoInfo vi = clip->GetVideoInfo();
  if (vi.pixel_type == pixel_type) return clip;
  if (PixelTypeName(vi.pixel_type) == std::string("unknown")) env.Fail(function + ": the clip's pixel type is unknown");
  vi.pixel_type = pixel_type;
  CheckClipFormat(env, function, vi);
  return PClip(new ConvertedClip(clip, pixel_type));
}

PVideoFrame ConvertFrame(IScriptEnvironment* env, const PVideoFrame& src, const VideoInfo& from, int pixel_type) {
  if (from.pixel_type == pixel_type) return src;
  VideoInfo vi = from;
  vi.pixel_type = pixel_type;
  PVideoFrame dst = env->NewVideoFrame(vi);
  Pick(from.pixel_type, pixel_type)(src, dst, vi.width, vi.height);
  return dst;
}

}  // namespace tintara
