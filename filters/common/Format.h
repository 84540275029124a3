// The five pixel formats the filters accept, told apart by the whole pixel type (a host has
// further formats whose bits contain these, which a bit test would misread), and plane access
// that works in bytes with the frame's own pitches.
#pragma once

#include "host/avisynth.h"

namespace tintara {

enum class PixelFormat { RGB24, RGB32, YUY2, YV12, I420, Other };

inline PixelFormat FormatOf(const VideoInfo& vi) {
  switch (vi.pixel_type) {
    case VideoInfo::CS_BGR24: return PixelFormat::RGB24;
    case VideoInfo::CS_BGR32: return PixelFormat::RGB32;
    case VideoInfo::CS_YUY2: return PixelFormat::YUY2;
    case VideoInfo::CS_YV12: return PixelFormat::YV12;
    case VideoInfo::CS_I420: return PixelFormat::I420;
    default: return PixelFormat::Other;
  }
}

constexpr bool IsRGB(PixelFormat f) { return f == PixelFormat::RGB24 || f == PixelFormat::RGB32; }
constexpr bool IsPlanar(PixelFormat f) { return f == PixelFormat::YV12 || f == PixelFormat::I420; }
constexpr int BytesPerPixel(PixelFormat f) {
  return f == PixelFormat::RGB32 ? 4 : f == PixelFormat::RGB24 ? 3 : f == PixelFormat::YUY2 ? 2 : 1;
}

// Picture row y of a frame of `height` rows, as a memory row: RGB is stored bottom-up.
constexpr int MemoryRow(PixelFormat f, int height, int y) { return IsRGB(f) ? height - 1 - y : y; }

// One plane of a frame: rows addressed by memory row, through the pitch.
template <typename Byte>
struct PlaneOf {
  Byte* data = nullptr;
  int pitch = 0;
  int row_size = 0;  // bytes
  int height = 0;

  Byte* Row(int memory_row) const { return data + static_cast<long>(memory_row) * pitch; }
};
using Plane = PlaneOf<BYTE>;
using ConstPlane = PlaneOf<const BYTE>;

inline ConstPlane ReadPlane(const PVideoFrame& f, int plane = PLANAR_Y) {
  return {f->GetReadPtr(plane), f->GetPitch(plane), f->GetRowSize(plane), f->GetHeight(plane)};
}
inline Plane WritePlane(const PVideoFrame& f, int plane = PLANAR_Y) {
  return {f->GetWritePtr(plane), f->GetPitch(plane), f->GetRowSize(plane), f->GetHeight(plane)};
}

// The planes of a frame: one for packed formats, Y, U and V for the planar ones.
template <typename Byte>
struct FramePlanes {
  PlaneOf<Byte> y, u, v;
  bool planar = false;
};

inline FramePlanes<const BYTE> ReadPlanes(const PVideoFrame& f, PixelFormat format) {
  FramePlanes<const BYTE> p;
  p.y = ReadPlane(f, PLANAR_Y);
  p.planar = IsPlanar(format);
  if (p.planar) {
    p.u = ReadPlane(f, PLANAR_U);
    p.v = ReadPlane(f, PLANAR_V);
  }
  return p;
}
inline FramePlanes<BYTE> WritePlanes(const PVideoFrame& f, PixelFormat format) {
  FramePlanes<BYTE> p;
  p.y = WritePlane(f, PLANAR_Y);
  p.planar = IsPlanar(format);
  if (p.planar) {
    p.u = WritePlane(f, PLANAR_U);
    p.v = WritePlane(f, PLANAR_V);
  }
  return p;
}

// Copies every plane of `src` into `dst` (same format and size).
void CopyFrame(const PVideoFrame& dst, const PVideoFrame& src, PixelFormat format);

}  // namespace tintara
