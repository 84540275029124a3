// The clip every function result is wrapped in: frame numbers are clamped into the clip's
// range, as real hosts do, and the last few frames are kept so that a clip used twice in a
// script is not computed twice. A cached frame is shared, so a filter that writes into a frame
// it fetched without MakeWritable fails here as it would in AviSynth+.
#pragma once

#include <list>
#include <mutex>
#include <utility>

#include "host/avisynth.h"

namespace tintara {

// Asked through SetCacheHints, which wrappers pass on to their child (as hosts ask clips about
// themselves): a clip read from a stream whose length is not known answers 1, so does every
// clip the runtime made from one.
constexpr int kCacheGetLengthUnknown = 0x7A11;

// Whether the clip's frame count is a stand-in because it comes from a stream of unknown length.
bool LengthUnknown(const PClip& clip);
// Why such a clip cannot be used where its length matters, after "Name: ".
extern const char kLengthUnknownMessage[];

class CacheClip : public IClip {
 public:
  CacheClip(const PClip& child, int capacity, bool length_unknown = false);
  ~CacheClip() override;
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;
  bool GetParity(int n) override;
  void GetAudio(void* buf, int64_t start, int64_t count, IScriptEnvironment* env) override;
  int SetCacheHints(int cachehints, int frame_range) override;
  const VideoInfo& GetVideoInfo() override { return vi_; }

  const PClip& Child() const { return child_; }

 private:
  PClip child_;
  VideoInfo vi_;
  const int capacity_;
  const bool length_unknown_;
  std::mutex mutex_;
  std::list<std::pair<int, PVideoFrame>> recent_;  // most recent first
};

}  // namespace tintara
