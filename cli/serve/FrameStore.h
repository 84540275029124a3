// The frames the page was shown lately, per clip of one run of the script, so that switching
// clips, A/B views and pixel readouts do not make a frame again. Bounded: at most kPerClip
// frames of each clip and kMaxBytes of pictures in all; the least recently used go first.
#pragma once

#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>

#include "cli/serve/ShownFrame.h"

namespace tintara::serve {

class FrameStore {
 public:
  static constexpr int kPerClip = 4;
  static constexpr size_t kMaxBytes = size_t{256} << 20;

  using Make = std::function<std::shared_ptr<const ShownFrame>()>;

  // The stored frame n of `clip`, or the one `make` makes (stored then). `cached` tells which.
  std::shared_ptr<const ShownFrame> Get(const std::string& clip, int n, const Make& make, bool* cached);

 private:
  struct Entry {
    std::string clip;
    int n;
    std::shared_ptr<const ShownFrame> frame;
  };
  static size_t BytesOf(const ShownFrame& f);
  void Trim(const std::string& clip);  // called with the mutex held

  std::mutex mutex_;
  std::list<Entry> entries_;  // most recently used first
  size_t bytes_ = 0;
};

}  // namespace tintara::serve
