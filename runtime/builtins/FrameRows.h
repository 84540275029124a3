// The planes of a frame seen in picture order: Row(0) is the top picture row in every format.
// Packed RGB is stored bottom-up, so its picture rows run backwards through memory; the
// built-ins work on picture rows and never think about that again.
#pragma once

#include "host/avisynth.h"

namespace tintara {

template <typename Byte>
struct PlaneRows {
  Byte* top;  // first byte of the top picture row
  long step;  // from one picture row to the next (negative for RGB)
  int bytes;  // bytes in a row
  int rows;
  Byte* Row(int y) const { return top + y * step; }
};

inline int PlaneCount(const VideoInfo& vi) { return vi.IsPlanar() ? 3 : 1; }
// Plane 0, 1, 2 as the frame accessors name them.
inline int PlaneId(int index) { return index == 0 ? PLANAR_Y : index == 1 ? PLANAR_U : PLANAR_V; }

inline PlaneRows<const BYTE> ReadRows(const PVideoFrame& f, const VideoInfo& vi, int index = 0) {
  const int plane = PlaneId(index);
  const int rows = f->GetHeight(plane);
  const long pitch = f->GetPitch(plane);
  const BYTE* p = f->GetReadPtr(plane);
  if (vi.IsRGB()) return {p + (rows - 1) * pitch, -pitch, f->GetRowSize(plane), rows};
  return {p, pitch, f->GetRowSize(plane), rows};
}

inline PlaneRows<BYTE> WriteRows(const PVideoFrame& f, const VideoInfo& vi, int index = 0) {
  const int plane = PlaneId(index);
  const int rows = f->GetHeight(plane);
  const long pitch = f->GetPitch(plane);
  BYTE* p = f->GetWritePtr(plane);
  if (vi.IsRGB()) return {p + (rows - 1) * pitch, -pitch, f->GetRowSize(plane), rows};
  return {p, pitch, f->GetRowSize(plane), rows};
}

}  // namespace tintara
