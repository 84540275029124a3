// Frames as files hold them, picture order and top row first: raw frames in the byte layouts of
// ffmpeg's rawvideo formats (RGB24 bgr24, RGB32 bgra, YUY2 yuyv422, YV12 and I420 yuv420p with
// planes Y, U, V), and Y4M frame data, which differs only for YUY2 (planar 4:2:2: Y, U, V).
// RGB frames are stored bottom-up in memory, so their rows are flipped on the way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/avisynth.h"

namespace tintara::io {

enum class FileLayout { Raw, Y4m };

// Bytes of one frame (the same for both layouts).
size_t FrameBytes(const VideoInfo& vi);

// A run of bytes in memory.
struct ByteRun {
  const uint8_t* data;
  size_t size;
};

// Whether the file holds the frame's rows as they are (every layout but YUY2 in Y4M, which
// takes the samples apart), so that a writer can send them from the frame without a copy.
bool HoldsRows(const VideoInfo& vi, FileLayout layout);
// The frame's bytes in the file layout as runs of the frame's memory, in file order, rows that
// follow each other in memory joined into one run. Only for a layout that HoldsRows.
void FrameRuns(const PVideoFrame& frame, const VideoInfo& vi, std::vector<ByteRun>* runs);
// Writes a frame's bytes in the file layout into `out` (FrameBytes long).
void StoreFrame(const PVideoFrame& frame, const VideoInfo& vi, FileLayout layout, uint8_t* out);
// Fills a writable frame from `in` (FrameBytes long).
void LoadFrame(const uint8_t* in, const VideoInfo& vi, FileLayout layout, const PVideoFrame& frame);
// Fills a writable YV12 or I420 frame from luma only (a grey Y4M picture): chroma is 128.
void LoadLumaOnly(const uint8_t* in, const VideoInfo& vi, const PVideoFrame& frame);

// Picture rows of an RGB frame, top row first, as packed bgr24 (the fourth byte of RGB32
// dropped): what picture writers take.
void StoreBgr(const PVideoFrame& frame, const VideoInfo& vi, uint8_t* out);

}  // namespace tintara::io
