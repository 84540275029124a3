// The clip every function result is wrapped in: frame numbers are clamped into the clip's
// range, as real hosts do, and frames asked for more than once are kept so that a clip used
// twice in a script is not computed twice.
//
// The cache starts empty and grows only when a request shows it should: a clip read once per
// frame, in order, by a single filter never gets a frame back, and keeping its frames would
// only hold memory and leave each frame shared, so that the next filter's MakeWritable had to
// copy it. A request for a frame that was asked for recently and is not kept (a second reader,
// or a reader on another thread a frame behind) means one more kept frame would have saved
// making it again, so the cache keeps one more, up to `capacity`. A kept frame is shared, so a
// filter that writes into a frame it fetched without MakeWritable fails here as it would in
// AviSynth+.
#pragma once

#include <mutex>
#include <vector>

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
  // How many frames the cache keeps at present.
  int Keeps();

 private:
  struct Kept {
    int n;
    PVideoFrame frame;
  };
  void Keep(int n, const PVideoFrame& frame);  // called with the mutex held

  PClip child_;
  VideoInfo vi_;
  const int capacity_;
  const bool length_unknown_;
  std::mutex mutex_;
  int keeps_ = 0;
  std::vector<Kept> kept_;   // most recent first, at most keeps_
  std::vector<int> missed_;  // frames recently asked for and not kept, most recent first
};

}  // namespace tintara
