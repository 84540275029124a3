// The YUV4MPEG2 stream header and frame headers: "YUV4MPEG2 W64 H48 F25:1 Ip A1:1 C420jpeg",
// then per frame "FRAME" (parameters allowed) and the frame's planes.
#pragma once

#include <cstddef>
#include <string>

#include "host/avisynth.h"

namespace tintara::io {

constexpr char kY4mMagic[] = "YUV4MPEG2";
constexpr size_t kY4mMaxHeader = 4096;  // longest header line accepted

struct Y4mFormat {
  enum class Sampling { S420, S422, Mono };
  int width = 0, height = 0;
  unsigned fps_numerator = 25, fps_denominator = 1;
  Sampling sampling = Sampling::S420;

  // Bytes of one frame's planes.
  size_t FrameBytes() const;
};

// Parses a header line (without its line feed). On failure `why` says what is wrong.
bool ParseY4mHeader(const std::string& line, Y4mFormat* format, std::string* why);
// Whether a frame header line (without its line feed) is "FRAME", alone or with parameters.
bool IsY4mFrameHeader(const std::string& line);
// Whether the first kY4mMaxHeader bytes of a line with no end in them begin a frame header with
// parameters, so that the message can say the line is too long rather than not a FRAME line.
bool IsLongY4mFrameHeader(const std::string& start);

// The header line, line feed included, for a YUY2 (C422) or YV12/I420 (C420jpeg) clip.
std::string Y4mHeaderFor(const VideoInfo& vi);

}  // namespace tintara::io
