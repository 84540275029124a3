// Frames as the embedded host makes them: alignment, padded pitches, plane order, writability.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "runtime/Environment.h"
#include "runtime/MemoryClip.h"

namespace tintara {
namespace {

bool Aligned64(const void* p) { return reinterpret_cast<uintptr_t>(p) % 64 == 0; }

TEST(Frames, PlanesAreAlignedWithPaddedPitchesAndHostPlaneOrder) {
  Environment env;
  PVideoFrame yv12 = env.NewVideoFrame(VideoInfoOf(VideoInfo::CS_YV12, 130, 20, 1), 16);
  EXPECT_EQ(yv12->GetPitch(), 192);
  EXPECT_EQ(yv12->GetPitch(PLANAR_U), 128);  // chroma rows aligned on their own
  for (int p : {PLANAR_Y, PLANAR_U, PLANAR_V}) EXPECT_TRUE(Aligned64(yv12->GetReadPtr(p)));
  EXPECT_LT(yv12->GetOffset(PLANAR_V), yv12->GetOffset(PLANAR_U));  // YV12: V before U
  PVideoFrame i420 = env.NewVideoFrame(VideoInfoOf(VideoInfo::CS_I420, 130, 20, 1));
  EXPECT_LT(i420->GetOffset(PLANAR_U), i420->GetOffset(PLANAR_V));  // I420: U before V
  PVideoFrame rgb = env.NewVideoFrame(VideoInfoOf(VideoInfo::CS_BGR24, 5, 3, 1), 128);
  EXPECT_EQ(rgb->GetRowSize(), 15);
  EXPECT_EQ(rgb->GetPitch(), 128);  // a larger alignment is a minimum
  EXPECT_EQ(rgb->GetPitch(PLANAR_U), 0);
  EXPECT_EQ(rgb->GetRowSize(PLANAR_U), 0);
  EXPECT_EQ(rgb->GetHeight(PLANAR_V), 0);
}

// A larger alignment holds for the plane pointers as well as the pitches, also when a buffer
// made for the default alignment is free for reuse; a negative one counts by its size.
TEST(Frames, LargerAlignmentsHoldForPointersAndPitches) {
  Environment env;
  const VideoInfo vi = VideoInfoOf(VideoInfo::CS_YV12, 64, 8, 1);
  for (int k = 0; k < 4; ++k) env.NewVideoFrame(vi);
  for (int align : {128, 1024, 4096, 8192, -256}) {
    SCOPED_TRACE(align);
    const uintptr_t unit = static_cast<uintptr_t>(align < 0 ? -align : align);
    PVideoFrame f = env.NewVideoFrame(vi, align);
    for (int p : {PLANAR_Y, PLANAR_U, PLANAR_V}) {
      EXPECT_EQ(reinterpret_cast<uintptr_t>(f->GetReadPtr(p)) % unit, 0u) << p;
      EXPECT_EQ(static_cast<uintptr_t>(f->GetPitch(p)) % unit, 0u) << p;
    }
  }
  // As large as an int can ask: no frame fits its sizes, so it is refused.
  EXPECT_THROW(env.NewVideoFrame(vi, INT_MIN), AvisynthError);
  EXPECT_THROW(env.NewVideoFrame(VideoInfoOf(VideoInfo::CS_BGR24, 2, 1 << 20, 1), 4096), AvisynthError);
}

TEST(Frames, ChromaAlignmentOffGivesHalfPitch) {
  Environment env;
  EXPECT_TRUE(env.PlanarChromaAlignment(IScriptEnvironment::PlanarChromaAlignmentOff));
  PVideoFrame f = env.NewVideoFrame(VideoInfoOf(VideoInfo::CS_YV12, 130, 20, 1));
  EXPECT_EQ(f->GetPitch(PLANAR_U), f->GetPitch() / 2);
  EXPECT_FALSE(env.PlanarChromaAlignment(IScriptEnvironment::PlanarChromaAlignmentTest));
}

TEST(Frames, RefusesSizesAndFormatsNoHostMakes) {
  Environment env;
  auto message = [&](int type, int w, int h) {
    try {
      env.NewVideoFrame(VideoInfoOf(type, w, h, 1));
    } catch (const AvisynthError& e) {
      return std::string(e.msg);
    }
    return std::string();
  };
  EXPECT_EQ(message(VideoInfo::CS_YUY2, 7, 4), "NewVideoFrame: YUY2 frames need an even width");
  EXPECT_EQ(message(VideoInfo::CS_YV12, 8, 5), "NewVideoFrame: YV12 and I420 frames need an even height");
  EXPECT_EQ(message(VideoInfo::CS_I420, 7, 4), "NewVideoFrame: YV12 and I420 frames need an even width");
  EXPECT_EQ(message(static_cast<int>(0xA000030Bu), 8, 8), "NewVideoFrame: unknown pixel type");  // YV24
  EXPECT_EQ(message(VideoInfo::CS_BGR24, 0, 8), "NewVideoFrame: a frame needs a width and a height of at least 1");
  EXPECT_EQ(message(VideoInfo::CS_BGR32, 100000, 100000), "NewVideoFrame: a frame of 100000x100000 is too large");
  EXPECT_EQ(message(VideoInfo::CS_BGR24, 7, 5), "");
}

TEST(Frames, MakeWritableCopiesOnlySharedFramesAndKeepsTheOriginal) {
  Environment env;
  const VideoInfo vi = VideoInfoOf(VideoInfo::CS_I420, 8, 4, 1);
  PVideoFrame original = env.NewVideoFrame(vi);
  original->GetWritePtr(PLANAR_U)[1] = 77;
  original->GetWritePtr(PLANAR_V)[1] = 99;
  PVideoFrame mine = original;
  EXPECT_TRUE(env.MakeWritable(&mine));
  EXPECT_NE(mine->GetReadPtr(), original->GetReadPtr());
  EXPECT_EQ(mine->GetReadPtr(PLANAR_U)[1], 77);
  EXPECT_EQ(mine->GetReadPtr(PLANAR_V)[1], 99);
  EXPECT_LT(mine->GetOffset(PLANAR_V), mine->GetOffset(PLANAR_U));  // copies put V first
  mine->GetWritePtr(PLANAR_U)[1] = 1;
  EXPECT_EQ(original->GetReadPtr(PLANAR_U)[1], 77);
  EXPECT_FALSE(env.MakeWritable(&mine));  // already writable: nothing done
}

// A copy has the geometry of the frame it copies, which for a part of a frame is not the
// geometry of the whole.
TEST(Frames, MakeWritableCopiesThePartAFrameShows) {
  Environment env;
  PVideoFrame whole = env.NewVideoFrame(VideoInfoOf(VideoInfo::CS_YV12, 128, 16, 1));
  for (int p : {PLANAR_Y, PLANAR_U, PLANAR_V})
    for (int y = 0; y < whole->GetHeight(p); ++y)
      for (int x = 0; x < whole->GetRowSize(p); ++x)
        whole->GetWritePtr(p)[y * whole->GetPitch(p) + x] = static_cast<BYTE>(p * 50 + y * 3 + x);
  const int pitch = whole->GetPitch(), pitchUV = whole->GetPitch(PLANAR_U);
  // Rows 2..9 and chroma rows 1..4, the left 64 columns.
  PVideoFrame part = env.SubframePlanar(whole, 2 * pitch, pitch, 64, 8, pitchUV, pitchUV, pitchUV);
  EXPECT_TRUE(env.MakeWritable(&part));
  EXPECT_EQ(part->GetRowSize(), 64);
  EXPECT_EQ(part->GetHeight(), 8);
  EXPECT_EQ(part->GetRowSize(PLANAR_U), 32);
  EXPECT_EQ(part->GetHeight(PLANAR_V), 4);
  for (int p : {PLANAR_Y, PLANAR_U, PLANAR_V}) {
    const int skip = p == PLANAR_Y ? 2 : 1;
    for (int y = 0; y < part->GetHeight(p); ++y)
      for (int x = 0; x < part->GetRowSize(p); ++x)
        ASSERT_EQ(part->GetReadPtr(p)[y * part->GetPitch(p) + x], static_cast<BYTE>(p * 50 + (y + skip) * 3 + x))
            << p << " " << x << "," << y;
  }
  // A view of an RGB frame upside down: the copy reads top-down what the view shows.
  PVideoFrame rgb = env.NewVideoFrame(VideoInfoOf(VideoInfo::CS_BGR32, 16, 4, 1));
  for (int y = 0; y < 4; ++y) rgb->GetWritePtr()[y * rgb->GetPitch()] = static_cast<BYTE>(10 + y);
  PVideoFrame flipped = env.Subframe(rgb, 3 * rgb->GetPitch(), -rgb->GetPitch(), 64, 4);
  EXPECT_TRUE(env.MakeWritable(&flipped));
  for (int y = 0; y < 4; ++y) EXPECT_EQ(flipped->GetReadPtr()[y * flipped->GetPitch()], 13 - y);
}

TEST(Frames, UnusedFramesAreReclaimed) {
  Environment env;
  const VideoInfo vi = VideoInfoOf(VideoInfo::CS_BGR32, 64, 64, 1);
  for (int i = 0; i < 100; ++i) env.NewVideoFrame(vi);
  EXPECT_LE(env.Frames().LiveFrames(), 1u);
  PVideoFrame kept = env.NewVideoFrame(vi);
  EXPECT_EQ(env.Frames().LiveFrames(), 1u);
}

// A buffer freed among frames still alive is the next one handed out, without a new allocation.
TEST(Frames, FreedBufferAmongLiveFramesIsReused) {
  Environment env;
  const VideoInfo vi = VideoInfoOf(VideoInfo::CS_YV12, 64, 16, 1);
  std::vector<PVideoFrame> alive;
  for (int i = 0; i < 20; ++i) alive.push_back(env.NewVideoFrame(vi));
  const BYTE* freed = alive[5]->GetReadPtr();
  alive[5] = PVideoFrame();
  PVideoFrame next = env.NewVideoFrame(vi);
  EXPECT_EQ(next->GetReadPtr(), freed);
  for (int i = 0; i < 20; ++i) {
    if (i == 5) continue;
    EXPECT_NE(alive[i]->GetReadPtr(), next->GetReadPtr());
  }
}

// When many frames were alive at once (a chain made on several threads) and all are released,
// the next as many frames reuse those buffers: none is freed and allocated again.
TEST(Frames, BuffersOfABusyMomentAreKeptForTheNext) {
  Environment env;
  const VideoInfo vi = VideoInfoOf(VideoInfo::CS_YV12, 256, 64, 1);
  std::vector<PVideoFrame> alive;
  std::vector<const BYTE*> before;
  for (int i = 0; i < 48; ++i) {
    alive.push_back(env.NewVideoFrame(vi));
    before.push_back(alive.back()->GetReadPtr());
  }
  alive.clear();
  EXPECT_EQ(env.Frames().LiveFrames(), 0u);  // sweeps: the buffers become spares
  for (int i = 0; i < 48; ++i) {
    alive.push_back(env.NewVideoFrame(vi));
    EXPECT_NE(std::find(before.begin(), before.end(), alive.back()->GetReadPtr()), before.end()) << "frame " << i;
  }
}

// A frame made and dropped over and over (a filter's output, frame after frame) comes back on the
// buffer it just left, still in the cache, even when a busy moment left many spares behind.
TEST(Frames, FrameMadeAgainAndAgainKeepsItsBufferOverTheSpares) {
  Environment env;
  const VideoInfo vi = VideoInfoOf(VideoInfo::CS_YV12, 256, 64, 1);
  {
    std::vector<PVideoFrame> busy;
    for (int i = 0; i < 32; ++i) busy.push_back(env.NewVideoFrame(vi));
  }
  EXPECT_EQ(env.Frames().LiveFrames(), 0u);  // sweeps: the 32 buffers become spares
  PVideoFrame held = env.NewVideoFrame(vi);  // a source frame that stays alive meanwhile
  const BYTE* first = env.NewVideoFrame(vi)->GetReadPtr();
  for (int i = 0; i < 10; ++i) EXPECT_EQ(env.NewVideoFrame(vi)->GetReadPtr(), first) << "frame " << i;
}

// Among more live frames than the pool looks at on each new frame (a long chain keeps one per
// clip), with freed ones scattered among them, a frame made and dropped again and again still
// comes back on its buffer, and freed buffers are found again: replacing frames one by one does
// not take a new buffer each time.
TEST(Frames, AmongManyLiveFramesFreedBuffersComeBack) {
  Environment env;
  const VideoInfo vi = VideoInfoOf(VideoInfo::CS_YV12, 64, 16, 1);
  std::vector<PVideoFrame> alive;
  for (int i = 0; i < 300; ++i) alive.push_back(env.NewVideoFrame(vi));
  for (size_t i = 0; i < alive.size(); i += 10) alive[i] = PVideoFrame();
  const BYTE* first = env.NewVideoFrame(vi)->GetReadPtr();
  for (int i = 0; i < 40; ++i) ASSERT_EQ(env.NewVideoFrame(vi)->GetReadPtr(), first) << "frame " << i;
  std::set<const BYTE*> used;
  for (size_t i = 0; i < 3000; ++i) {
    PVideoFrame& f = alive[i * 7 % alive.size()];
    f = env.NewVideoFrame(vi);
    used.insert(f->GetReadPtr());
  }
  // Each new frame looks at 4 buffers in use, so a freed one is found within a quarter as many
  // new frames as there are buffers: with one freed per new frame, a third over the live ones.
  EXPECT_LE(used.size(), alive.size() * 4 / 3 + 16);
}

// A frame that is gone leaves its buffer to the subframes still on it: new frames get others.
TEST(Frames, BufferHeldBySubframeIsNotReused) {
  Environment env;
  const VideoInfo vi = VideoInfoOf(VideoInfo::CS_BGR32, 64, 8, 1);
  PVideoFrame f = env.NewVideoFrame(vi);
  std::memset(f->GetWritePtr(), 7, static_cast<size_t>(f->GetPitch()) * 8);
  PVideoFrame sub = env.Subframe(f, 0, f->GetPitch(), 256, 8);
  f = PVideoFrame();
  for (int i = 0; i < 40; ++i) {
    PVideoFrame other = env.NewVideoFrame(vi);
    ASSERT_NE(other->GetReadPtr(), sub->GetReadPtr());
    std::memset(other->GetWritePtr(), 9, static_cast<size_t>(other->GetPitch()) * 8);
  }
  EXPECT_EQ(sub->GetReadPtr()[0], 7);
}

TEST(Frames, SubframeKeepsAlignmentAndSharesTheBuffer) {
  Environment env;
  PVideoFrame f = env.NewVideoFrame(VideoInfoOf(VideoInfo::CS_BGR32, 64, 8, 1));
  EXPECT_THROW(env.Subframe(f, 4, f->GetPitch(), 16, 2), AvisynthError);
  PVideoFrame sub = env.Subframe(f, f->GetPitch(), f->GetPitch(), 128, 2);
  EXPECT_EQ(sub->GetReadPtr(), f->GetReadPtr() + f->GetPitch());
  EXPECT_FALSE(f->IsWritable());
  EXPECT_THROW(env.Subframe(f, 0, f->GetPitch(), 64, 100), AvisynthError);  // past the buffer
}

// A negative pitch walks backwards from the first row: every row, not just the first and the
// end of the last, must lie in the buffer.
TEST(Frames, SubframeWithNegativePitchStaysInsideTheBuffer) {
  Environment env;
  PVideoFrame f = env.NewVideoFrame(VideoInfoOf(VideoInfo::CS_BGR32, 64, 8, 1));
  const int pitch = f->GetPitch();
  PVideoFrame flipped = env.Subframe(f, 7 * pitch, -pitch, 256, 8);
  EXPECT_EQ(flipped->GetReadPtr() + 7L * flipped->GetPitch(), f->GetReadPtr());
  EXPECT_THROW(env.Subframe(f, 0, -pitch, 16, 2), AvisynthError);  // second row before the buffer
  EXPECT_THROW(env.Subframe(f, 0, INT_MIN, 64, 2), AvisynthError);
  EXPECT_THROW(env.Subframe(f, 0, pitch, 64, INT_MIN), AvisynthError);

  PVideoFrame p = env.NewVideoFrame(VideoInfoOf(VideoInfo::CS_YV12, 64, 8, 1));
  const int pitchUV = p->GetPitch(PLANAR_U);
  // Chroma rows run from the buffer's start backwards.
  EXPECT_THROW(env.SubframePlanar(p, 0, p->GetPitch(), 64, 8, -p->GetOffset(PLANAR_U), 0, -pitchUV), AvisynthError);
  PVideoFrame up = env.SubframePlanar(p, 0, p->GetPitch(), 64, 8, 3 * pitchUV, 3 * pitchUV, -pitchUV);
  EXPECT_EQ(up->GetReadPtr(PLANAR_U) + 3L * up->GetPitch(PLANAR_U), p->GetReadPtr(PLANAR_U));
}

TEST(Frames, StringsLiveWithTheEnvironment) {
  Environment env;
  char* a = env.SaveString("abcdef", 3);
  EXPECT_STREQ(a, "abc");
  EXPECT_STREQ(env.Sprintf("%d-%s", 7, "x"), "7-x");
  try {
    env.ThrowError("Filter: value %d is out of range ", 300);
    FAIL();
  } catch (const AvisynthError& e) {
    EXPECT_STREQ(e.msg, "Filter: value 300 is out of range ");
  }
  EXPECT_THROW(env.GetVar("nothing"), IScriptEnvironment::NotFound);
  EXPECT_THROW(env.Invoke("NoSuchFunction", AVSValue()), IScriptEnvironment::NotFound);
  EXPECT_NO_THROW(env.CheckVersion(3));
  EXPECT_THROW(env.CheckVersion(5), AvisynthError);
}

}  // namespace
}  // namespace tintara
