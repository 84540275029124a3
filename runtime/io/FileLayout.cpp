#include "runtime/io/FileLayout.h"

#include <cstring>
#include <initializer_list>

namespace tintara::io {

namespace {

bool Planar(const VideoInfo& vi) { return vi.pixel_type == VideoInfo::CS_YV12 || vi.pixel_type == VideoInfo::CS_I420; }
bool Rgb(const VideoInfo& vi) { return vi.pixel_type == VideoInfo::CS_BGR24 || vi.pixel_type == VideoInfo::CS_BGR32; }

// The memory row holding picture row y.
int MemoryRow(const VideoInfo& vi, int y) { return Rgb(vi) ? vi.height - 1 - y : y; }

const BYTE* ReadRow(const PVideoFrame& f, int plane, int row) {
  return f->GetReadPtr(plane) + static_cast<long>(row) * f->GetPitch(plane);
}
BYTE* WriteRow(const PVideoFrame& f, int plane, int row) {
  return f->GetWritePtr(plane) + static_cast<long>(row) * f->GetPitch(plane);
}

}  // namespace

size_t FrameBytes(const VideoInfo& vi) {
  const size_t w = static_cast<size_t>(vi.width), h = static_cast<size_t>(vi.height);
  if (Planar(vi)) return w * h + 2 * (w / 2) * (h / 2);
  return static_cast<size_t>(vi.BytesFromPixels(vi.width)) * h;
}

bool HoldsRows(const VideoInfo& vi, FileLayout layout) { return !(vi.IsYUY2() && layout == FileLayout::Y4m); }

namespace {

// Calls `row(pointer, bytes)` for every row a file holding the frame's rows holds, in file order.
template <typename Row>
void ForEachFileRow(const PVideoFrame& frame, const VideoInfo& vi, const Row& row) {
  const int w = vi.width, h = vi.height;
  if (Planar(vi)) {
    for (int plane : {PLANAR_Y, PLANAR_U, PLANAR_V}) {
      const int rows = plane == PLANAR_Y ? h : h / 2, bytes = plane == PLANAR_Y ? w : w / 2;
      for (int y = 0; y < rows; ++y) row(ReadRow(frame, plane, y), static_cast<size_t>(bytes));
    }
    return;
  }
  const int bytes = vi.BytesFromPixels(w);
  for (int y = 0; y < h; ++y) row(ReadRow(frame, PLANAR_Y, MemoryRow(vi, y)), static_cast<size_t>(bytes));
}

}  // namespace

void FrameRuns(const PVideoFrame& frame, const VideoInfo& vi, std::vector<ByteRun>* runs) {
  runs->clear();
  ForEachFileRow(frame, vi, [runs](const BYTE* row, size_t bytes) {
    if (!runs->empty() && runs->back().data + runs->back().size == row)
      runs->back().size += bytes;
    else
      runs->push_back(ByteRun{row, bytes});
  });
}

void StoreFrame(const PVideoFrame& frame, const VideoInfo& vi, FileLayout layout, uint8_t* out) {
  if (HoldsRows(vi, layout)) {
    ForEachFileRow(frame, vi, [&out](const BYTE* row, size_t bytes) {
      std::memcpy(out, row, bytes);
      out += bytes;
    });
    return;
  }
  // YUY2 in Y4M: planar 4:2:2, Y then U then V.
  const int w = vi.width, h = vi.height;
  uint8_t* luma = out;
  uint8_t* u = out + static_cast<size_t>(w) * h;
  uint8_t* v = u + static_cast<size_t>(w / 2) * h;
  for (int y = 0; y < h; ++y) {
    const BYTE* row = ReadRow(frame, PLANAR_Y, y);
    for (int cx = 0; cx < w / 2; ++cx, row += 4) {
      *luma++ = row[0];
      *u++ = row[1];
      *luma++ = row[2];
      *v++ = row[3];
    }
  }
}

void LoadFrame(const uint8_t* in, const VideoInfo& vi, FileLayout layout, const PVideoFrame& frame) {
  const int w = vi.width, h = vi.height;
  if (Planar(vi)) {
    for (int plane : {PLANAR_Y, PLANAR_U, PLANAR_V}) {
      const int rows = plane == PLANAR_Y ? h : h / 2, bytes = plane == PLANAR_Y ? w : w / 2;
      for (int y = 0; y < rows; ++y, in += bytes)
        std::memcpy(WriteRow(frame, plane, y), in, static_cast<size_t>(bytes));
    }
    return;
  }
  if (vi.IsYUY2() && layout == FileLayout::Y4m) {
    const uint8_t* luma = in;
    const uint8_t* u = in + static_cast<size_t>(w) * h;
    const uint8_t* v = u + static_cast<size_t>(w / 2) * h;
    for (int y = 0; y < h; ++y) {
      BYTE* row = WriteRow(frame, PLANAR_Y, y);
      for (int cx = 0; cx < w / 2; ++cx, row += 4) {
        row[0] = *luma++;
        row[1] = *u++;
        row[2] = *luma++;
        row[3] = *v++;
      }
    }
    return;
  }
  const int bytes = vi.BytesFromPixels(w);
  for (int y = 0; y < h; ++y, in += bytes)
    std::memcpy(WriteRow(frame, PLANAR_Y, MemoryRow(vi, y)), in, static_cast<size_t>(bytes));
}

void LoadLumaOnly(const uint8_t* in, const VideoInfo& vi, const PVideoFrame& frame) {
  const int w = vi.width, h = vi.height;
  for (int y = 0; y < h; ++y, in += w) std::memcpy(WriteRow(frame, PLANAR_Y, y), in, static_cast<size_t>(w));
  for (int plane : {PLANAR_U, PLANAR_V})
    for (int y = 0; y < h / 2; ++y) std::memset(WriteRow(frame, plane, y), 128, static_cast<size_t>(w / 2));
}

void StoreBgr(const PVideoFrame& frame, const VideoInfo& vi, uint8_t* out) {
  const int step = vi.IsRGB32() ? 4 : 3;
  for (int y = 0; y < vi.height; ++y) {
    const BYTE* row = ReadRow(frame, PLANAR_Y, MemoryRow(vi, y));
    for (int x = 0; x < vi.width; ++x, row += step, out += 3) {
      out[0] = row[0];
      out[1] = row[1];
      out[2] = row[2];
    }
  }
}

}  // namespace tintara::io
