#include "cli/serve/FrameStore.h"

namespace tintara::serve {

size_t FrameStore::BytesOf(const ShownFrame& f) {
  // The picture and, roughly, the clip's own frame beside it.
  return f.rgba.size() + f.rgba.size() / 4 * 3;
}

std::shared_ptr<const ShownFrame> FrameStore::Get(const std::string& clip, int n, const Make& make, bool* cached) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->clip == clip && it->n == n) {
        entries_.splice(entries_.begin(), entries_, it);
        *cached = true;
        return entries_.front().frame;
      }
    }
  }
  // Made outside the lock: other clips' frames are served meanwhile. Two requests for the same
  // frame at once both make it; the second to finish replaces the first.
  std::shared_ptr<const ShownFrame> frame = make();
  *cached = false;
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->clip == clip && it->n == n) {
      bytes_ -= BytesOf(*it->frame);
      entries_.erase(it);
      break;
    }
  }
  entries_.push_front({clip, n, frame});
  bytes_ += BytesOf(*frame);
  Trim(clip);
  return frame;
}

void FrameStore::Trim(const std::string& clip) {
  int of_clip = 0;
  for (auto it = entries_.begin(); it != entries_.end();) {
    const bool over = it->clip == clip && ++of_clip > kPerClip;
    if (over) {
      bytes_ -= BytesOf(*it->frame);
      it = entries_.erase(it);
    } else {
      ++it;
    }
  }
  // Keep the newest frame even when it alone is over the bound.
  while (bytes_ > kMaxBytes && entries_.size() > 1) {
    bytes_ -= BytesOf(*entries_.back().frame);
    entries_.pop_back();
  }
}

}  // namespace tintara::serve
