// The frame pool used from several threads at once: frames made, shared and released by
// module-side code on any thread, and the chroma alignment switched meanwhile.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "runtime/Environment.h"
#include "runtime/MemoryClip.h"

namespace tintara {
namespace {

TEST(PoolThreads, FramesAndChromaAlignmentFromManyThreads) {
  Environment env;
  const VideoInfo vi = VideoInfoOf(VideoInfo::CS_YV12, 130, 20, 1);
  std::atomic<int> bad{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 300; ++i) {
        if (t == 0) {
          env.PlanarChromaAlignment(i % 2 ? IScriptEnvironment::PlanarChromaAlignmentOn
                                          : IScriptEnvironment::PlanarChromaAlignmentOff);
          continue;
        }
        if (t == 1) {
          env.PlanarChromaAlignment(IScriptEnvironment::PlanarChromaAlignmentTest);
          continue;
        }
        PVideoFrame f = env.NewVideoFrame(vi);
        // Either layout, but one of the two: aligned chroma rows or half the luma pitch.
        const int pitchUV = f->GetPitch(PLANAR_U);
        if (pitchUV != 128 && pitchUV != f->GetPitch() / 2) ++bad;
        PVideoFrame shared = f;
        if (env.MakeWritable(&shared)) shared->GetWritePtr(PLANAR_V)[0] = 1;
      }
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(bad, 0);
  EXPECT_EQ(env.Frames().LiveFrames(), 0u);
}

}  // namespace
}  // namespace tintara
