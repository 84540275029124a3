// The cache in front of every clip keeps what its readers' requests show they need: nothing for
// a single reader in frame order (whose frames then reach it unshared), one frame more each
// time a frame it let go is asked for again, never more than its capacity.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "runtime/CacheClip.h"
#include "runtime/Environment.h"
#include "runtime/MemoryClip.h"

namespace tintara {
namespace {

// Makes a new frame for every request, frame n's first byte n, and counts the requests.
class CountingClip : public IClip {
 public:
  explicit CountingClip(std::atomic<int>* made) : made_(made) {}
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override {
    ++*made_;
    PVideoFrame f = env->NewVideoFrame(vi_);
    f->GetWritePtr()[0] = static_cast<BYTE>(n);
    return f;
  }
  bool GetParity(int) override { return false; }
  void GetAudio(void*, int64_t, int64_t, IScriptEnvironment*) override {}
  int SetCacheHints(int, int) override { return 0; }
  const VideoInfo& GetVideoInfo() override { return vi_; }

 private:
  VideoInfo vi_ = VideoInfoOf(VideoInfo::CS_YV12, 16, 4, 40);
  std::atomic<int>* made_;
};

struct ReadingPattern {
  const char* label;
  std::vector<int> offsets;  // each step asks for step + offset, in this order
  int capacity;
  int made;   // frames the clip makes for 20 steps
  int keeps;  // frames the cache ends up keeping
};

TEST(Cache, KeepsWhatTheReadersNeedUpToItsCapacity) {
  const ReadingPattern patterns[] = {
      {"one reader in order", {0}, 4, 20, 0},
      // The second reader finds the frame it let go once, then it is kept.
      {"two readers of each frame", {0, 0}, 4, 21, 1},
      // Threads a frame apart: frames 0 and 1 are missed twice before two are kept.
      {"two threads a frame apart", {0, 1, 0, 1}, 4, 23, 2},
      // Capped at one: only each step's first request, for the frame the step before ended
      // on, is saved (3 of 4 frames made per step instead of 1).
      {"two threads a frame apart, room for one", {0, 1, 0, 1}, 1, 62, 1},
      {"no cache", {0, 0}, 0, 40, 0},
  };
  for (const ReadingPattern& p : patterns) {
    SCOPED_TRACE(p.label);
    Environment env;
    std::atomic<int> made{0};
    CacheClip cache(PClip(new CountingClip(&made)), p.capacity);
    for (int step = 0; step < 20; ++step)
      for (int offset : p.offsets) {
        const PVideoFrame f = cache.GetFrame(step + offset, &env);
        ASSERT_EQ(f->GetReadPtr()[0], step + offset);
      }
    EXPECT_EQ(made, p.made);
    EXPECT_EQ(cache.Keeps(), p.keeps);
  }
}

// A frame not kept reaches its reader unshared, so MakeWritable has nothing to copy; a kept one
// is shared with the cache and must be copied before writing.
TEST(Cache, OnlyKeptFramesAreShared) {
  Environment env;
  std::atomic<int> made{0};
  CacheClip cache(PClip(new CountingClip(&made)), 4);
  PVideoFrame first = cache.GetFrame(0, &env);
  EXPECT_TRUE(first->IsWritable());
  EXPECT_FALSE(env.MakeWritable(&first));
  first = nullptr;
  PVideoFrame again = cache.GetFrame(0, &env);  // asked for again: now kept
  EXPECT_FALSE(again->IsWritable());
  EXPECT_EQ(again->GetWritePtr(), nullptr);
  const PVideoFrame kept = again;
  EXPECT_TRUE(env.MakeWritable(&again));
  EXPECT_NE(again->GetReadPtr(), kept->GetReadPtr());
  EXPECT_EQ(cache.GetFrame(0, &env)->GetReadPtr(), kept->GetReadPtr());
}

}  // namespace
}  // namespace tintara
