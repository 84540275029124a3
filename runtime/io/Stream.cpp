#include "runtime/io/Stream.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace tintara::io {

StreamReader::~StreamReader() {
  if (fd_ > 0) close(fd_);
}

bool StreamReader::Fill() {
  if (start_ > 0) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<long>(start_));
    start_ = 0;
  }
  const size_t old = buffer_.size();
  buffer_.resize(old + 65536);
  ssize_t got;
  do {
    got = ::read(fd_, buffer_.data() + old, 65536);
  } while (got < 0 && errno == EINTR);
  if (got < 0) {
    const int error = errno;
    buffer_.resize(old);
    throw std::runtime_error(std::string("read error: ") + std::strerror(error));
  }
  buffer_.resize(old + static_cast<size_t>(got));
  return got > 0;
}

bool StreamReader::ReadLine(size_t limit, std::string* line) {
  line->clear();
  for (;;) {
    for (size_t i = start_; i < buffer_.size(); ++i) {
      if (buffer_[i] == '\n') {
        line->append(buffer_.begin() + static_cast<long>(start_), buffer_.begin() + static_cast<long>(i));
        start_ = i + 1;
        return true;
      }
      if (line->size() + (i - start_) >= limit) {
        line->append(buffer_.begin() + static_cast<long>(start_), buffer_.begin() + static_cast<long>(i));
        start_ = i;
        return false;
      }
    }
    line->append(buffer_.begin() + static_cast<long>(start_), buffer_.end());
    start_ = buffer_.size();
    if (!Fill()) return false;
  }
}

size_t StreamReader::Read(uint8_t* out, size_t count) {
  size_t done = 0;
  while (done < count) {
    if (start_ == buffer_.size()) {
      // Large reads go straight to the caller's memory.
      if (count - done >= 65536) {
        ssize_t got;
        do {
          got = ::read(fd_, out + done, count - done);
        } while (got < 0 && errno == EINTR);
        if (got < 0) throw std::runtime_error(std::string("read error: ") + std::strerror(errno));
        if (got == 0) break;
        done += static_cast<size_t>(got);
        continue;
      }
      if (!Fill()) break;
    }
    const size_t n = std::min(count - done, buffer_.size() - start_);
    std::memcpy(out + done, buffer_.data() + start_, n);
    start_ += n;
    done += n;
  }
  return done;
}

std::string StreamReader::Peek(size_t count) {
  while (buffer_.size() - start_ < count && Fill()) {
  }
  const size_t n = std::min(count, buffer_.size() - start_);
  return std::string(buffer_.begin() + static_cast<long>(start_), buffer_.begin() + static_cast<long>(start_ + n));
}

}  // namespace tintara::io
