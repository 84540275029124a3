#include "runtime/CacheClip.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/StackGuard.h"

namespace tintara {

const char kLengthUnknownMessage[] =
    "the length of its clip is unknown (it is read from a stream); give the stream's frame count, as in "
    "RawSource(\"-\", frames=N) or tintara --stdin-frames N";

bool LengthUnknown(const PClip& clip) { return clip && clip->SetCacheHints(kCacheGetLengthUnknown, 0) == 1; }

CacheClip::CacheClip(const PClip& child, int capacity, bool length_unknown)
    : child_(child), vi_(child->GetVideoInfo()), capacity_(std::max(0, capacity)), length_unknown_(length_unknown) {
  child_->SetCacheHints(0, 0);
}

CacheClip::~CacheClip() {
  // Freeing a chain of N clips would nest N destructor calls, as deep as making a frame of it:
  // the outermost cache of a chain frees the children one after another instead, and the
  // caches freed meanwhile only hand it their child.
  thread_local std::vector<PClip>* freeing = nullptr;
  if (freeing) {
    freeing->push_back(child_);
    child_ = nullptr;
    return;
  }
  std::vector<PClip> pending{child_};
  child_ = nullptr;
  freeing = &pending;
  while (!pending.empty()) {
    const PClip next = pending.back();
    pending.pop_back();
  }  // `next` is released here, freeing its clip if that was the last reference
  freeing = nullptr;
}

PVideoFrame CacheClip::GetFrame(int n, IScriptEnvironment* env) {
  CheckStackLeft(env);
  n = std::max(0, std::min(n, vi_.num_frames - 1));
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = recent_.begin(); it != recent_.end(); ++it) {
      if (it->first != n) continue;
      recent_.splice(recent_.begin(), recent_, it);
      return recent_.front().second;
    }
  }
  // Made outside the lock so that other frames can be made at the same time; two threads
  // asking for the same frame may both make it, which costs time but not correctness.
  PVideoFrame frame = child_->GetFrame(n, env);
  if (capacity_ > 0 && frame) {
    std::lock_guard<std::mutex> lock(mutex_);
    bool present = false;
    for (const auto& entry : recent_) present = present || entry.first == n;
    if (!present) {
      recent_.emplace_front(n, frame);
      if (static_cast<int>(recent_.size()) > capacity_) recent_.pop_back();
    }
  }
  return frame;
}

bool CacheClip::GetParity(int n) { return child_->GetParity(std::max(0, std::min(n, vi_.num_frames - 1))); }

void CacheClip::GetAudio(void* buf, int64_t start, int64_t count, IScriptEnvironment* env) {
  if (vi_.HasAudio()) child_->GetAudio(buf, start, count, env);
}

int CacheClip::SetCacheHints(int hints, int) { return hints == kCacheGetLengthUnknown && length_unknown_ ? 1 : 0; }

}  // namespace tintara
