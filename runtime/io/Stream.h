// Reading a stream (standard input, a pipe) that can be read only once, front to back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tintara::io {

// The frame count standing in for the length of a stream that was not given one: its real
// length is known only at its end.
constexpr int kStreamFrames = 1 << 24;

// Thrown when a frame past the end of a stream is asked for; the command ends its output there.
struct EndOfStream {};

class StreamReader {
 public:
  // Reads from `fd`, which the reader closes unless it is standard input.
  explicit StreamReader(int fd) : fd_(fd) {}
  ~StreamReader();
  StreamReader(const StreamReader&) = delete;
  StreamReader& operator=(const StreamReader&) = delete;

  // Reads up to and without the next line feed; false at the end of the stream or when no
  // line feed comes within `limit` bytes (`line` then holds what was read).
  bool ReadLine(size_t limit, std::string* line);
  // Reads up to `count` bytes; returns how many it got (fewer only at the end of the stream).
  // Throws std::runtime_error on a read error.
  size_t Read(uint8_t* out, size_t count);
  // The first bytes without consuming them (fewer at the end of the stream).
  std::string Peek(size_t count);

 private:
  bool Fill();  // more bytes into the buffer; false at the end

  int fd_;
  std::vector<uint8_t> buffer_;
  size_t start_ = 0;  // first unread byte in buffer_
};

}  // namespace tintara::io
