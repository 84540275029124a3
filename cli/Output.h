// Writing a clip's frames: Y4M to standard output or a file, raw frames, or one PNG per frame.
// Frames are made and encoded on several threads and written in frame order.
#pragma once

#include <string>

#include "cli/CommandLine.h"
#include "host/avisynth.h"
#include "runtime/Environment.h"

namespace tintara::cli {

struct WriteRun {
  OutputKind kind = OutputKind::Y4mStdout;
  std::string name;
  int first = 0, last = 0;  // inclusive
  int threads = 1;
  bool progress = false;
  bool length_known = true;  // false for a clip read from a stream
};

// Writes frames first..last and returns how many were written: fewer when a stream the clip
// reads from ends earlier. Throws what making a frame throws, and std::runtime_error (with
// the message for the user) when the output cannot be written.
int WriteClip(Environment* env, const PClip& clip, const WriteRun& run);

// The reason a clip cannot be written as `kind`, or "" when it can.
std::string CannotWrite(const VideoInfo& vi, OutputKind kind);

}  // namespace tintara::cli
