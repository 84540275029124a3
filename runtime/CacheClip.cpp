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

namespace {
// Moves the element at `i` to the front, keeping the order of those before it.
template <typename T>
void ToFront(std::vector<T>& items, size_t i) {
  std::rotate(items.begin(), items.begin() + static_cast<long>(i), items.begin() + static_cast<long>(i) + 1);
}
}  // namespace

CacheClip::CacheClip(const PClip& child, int capacity, bool length_unknown)
    : child_(child), vi_(child->GetVideoInfo()), capacity_(std::max(0, capacity)), length_unknown_(length_unknown) {
  child_->SetCacheHints(0, 0);
  // Nothing reserved: most clips of a long chain never keep a frame, and their lists stay small.
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
    for (size_t i = 0; i < kept_.size(); ++i) {
      if (kept_[i].n != n) continue;
      ToFront(kept_, i);
      return kept_.front().frame;
    }
    // Frames recently missed, as many as the cache may keep: had it kept one more, a request
    // found among them would have been a hit.
    const auto seen = std::find(missed_.begin(), missed_.end(), n);
    if (seen != missed_.end()) {
      ToFront(missed_, static_cast<size_t>(seen - missed_.begin()));
      if (keeps_ < capacity_) ++keeps_;
    } else if (capacity_ > 0) {
      if (static_cast<int>(missed_.size()) == capacity_) missed_.pop_back();
      missed_.insert(missed_.begin(), n);
    }
  }
  // Made outside the lock so that other frames can be made at the same time; two threads
  // asking for the same frame may both make it, which costs time but not correctness.
  PVideoFrame frame = child_->GetFrame(n, env);
  if (frame) {
    std::lock_guard<std::mutex> lock(mutex_);
    Keep(n, frame);
  }
  return frame;
}

void CacheClip::Keep(int n, const PVideoFrame& frame) {
  if (keeps_ == 0) return;
  for (const Kept& k : kept_)
    if (k.n == n) return;  // another thread made it meanwhile
  kept_.insert(kept_.begin(), Kept{n, frame});
  if (static_cast<int>(kept_.size()) > keeps_) kept_.pop_back();
}

int CacheClip::Keeps() {
  std::lock_guard<std::mutex> lock(mutex_);
  return keeps_;
}

bool CacheClip::GetParity(int n) { return child_->GetParity(std::max(0, std::min(n, vi_.num_frames - 1))); }

void CacheClip::GetAudio(void* buf, int64_t start, int64_t count, IScriptEnvironment* env) {
  if (vi_.HasAudio()) child_->GetAudio(buf, start, count, env);
}

int CacheClip::SetCacheHints(int hints, int) { return hints == kCacheGetLengthUnknown && length_unknown_ ? 1 : 0; }

}  // namespace tintara
