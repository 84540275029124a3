// The binary layout a real host relies on, where the compiler cannot check it (polymorphic
// classes), and the baked value and reference-count code.
#include <gtest/gtest.h>

#include <cstring>

#include "host/avisynth.h"
#include "runtime/Environment.h"
#include "runtime/MemoryClip.h"

namespace tintara {
namespace {

class NullClip : public IClip {
 public:
  explicit NullClip(bool* deleted) : deleted_(deleted) {}
  ~NullClip() override { *deleted_ = true; }
  PVideoFrame GetFrame(int, IScriptEnvironment*) override { return PVideoFrame(); }
  bool GetParity(int) override { return false; }
  void GetAudio(void*, int64_t, int64_t, IScriptEnvironment*) override {}
  int SetCacheHints(int, int) override { return 0; }
  const VideoInfo& GetVideoInfo() override { return vi_; }

 private:
  VideoInfo vi_{};
  bool* deleted_;
};

long RefcntAtOffset8(IClip* c) {
  long v;
  std::memcpy(&v, reinterpret_cast<const char*>(c) + 8, sizeof v);
  return v;
}

TEST(HostLayout, ClipCountsReferencesAtOffset8AndDeletesAtZero) {
  bool deleted = false;
  IClip* raw = new NullClip(&deleted);
  EXPECT_EQ(RefcntAtOffset8(raw), 0);
  {
    PClip a(raw);
    EXPECT_EQ(RefcntAtOffset8(raw), 1);
    PClip b = a;
    AVSValue v(b);
    EXPECT_EQ(RefcntAtOffset8(raw), 3);
    EXPECT_EQ(raw->GetVersion(), 2);
  }
  EXPECT_TRUE(deleted);
}

TEST(HostLayout, ValuesKeepTypeAtZeroAndPayloadAtEight) {
  auto bytes = [](const AVSValue& v) {
    unsigned char b[16];
    std::memcpy(b, &v, 16);
    return std::vector<unsigned char>(b, b + 16);
  };
  auto i = bytes(AVSValue(0x12345678));
  EXPECT_EQ(i[0], 'i');
  EXPECT_EQ(i[1], 0);
  int payload;
  std::memcpy(&payload, i.data() + 8, 4);
  EXPECT_EQ(payload, 0x12345678);
  // The whole union is cleared before a narrow member is stored.
  auto b = bytes(AVSValue(true));
  EXPECT_EQ(b[8], 1);
  for (int k = 9; k < 16; ++k) EXPECT_EQ(b[k], 0) << k;
  AVSValue items[3] = {AVSValue(1), AVSValue(2.5), AVSValue("x")};
  AVSValue array(items, 3);
  auto a = bytes(array);
  EXPECT_EQ(a[0], 'a');
  short size;
  std::memcpy(&size, a.data() + 2, 2);
  EXPECT_EQ(size, 3);
  const AVSValue* pointer;
  std::memcpy(&pointer, a.data() + 8, 8);
  EXPECT_EQ(pointer, items);
}

TEST(HostLayout, ValueAccessorsReadHostLongAndDoubleTypes) {
  // The host's 'l' (int64) and 'd' (double) values, built byte by byte as a host would.
  AVSValue l, d;
  unsigned char raw[16] = {};
  raw[0] = 'l';
  const int64_t big = (int64_t{7} << 32) | 42;
  std::memcpy(raw + 8, &big, 8);
  std::memcpy(static_cast<void*>(&l), raw, 16);
  raw[0] = 'd';
  const double half = 0.5;
  std::memcpy(raw + 8, &half, 8);
  std::memcpy(static_cast<void*>(&d), raw, 16);
  EXPECT_TRUE(l.IsInt());
  EXPECT_EQ(l.AsInt(), 42);  // low 32 bits
  EXPECT_EQ(l.AsInt(9), 42);
  EXPECT_TRUE(d.IsFloat());
  EXPECT_FALSE(d.IsInt());
  EXPECT_DOUBLE_EQ(d.AsFloat(), 0.5);
  EXPECT_EQ(d.AsInt(9), 9);
}

TEST(HostLayout, MissingArgumentsFallBackToDefaults) {
  AVSValue items[2] = {AVSValue(5), AVSValue()};
  AVSValue args(items, 2);
  EXPECT_EQ(args[0].AsInt(1), 5);
  EXPECT_EQ(args[1].AsInt(7), 7);  // void element
  EXPECT_EQ(args[9].AsInt(7), 7);  // past the end: the array itself, not an int
  EXPECT_EQ(args[-1].AsString("d"), std::string("d"));
  EXPECT_EQ(AVSValue(3).AsFloat(1.0), 3.0);  // an int is a float
  EXPECT_FALSE(AVSValue(3).IsString());
}

TEST(HostLayout, FrameReleaseDropsBufferCountOnlyAtZero) {
  Environment env;
  const VideoInfo vi = VideoInfoOf(VideoInfo::CS_YV12, 70, 46, 1);
  PVideoFrame f = env.NewVideoFrame(vi);
  EXPECT_TRUE(f->IsWritable());
  EXPECT_EQ(f->GetFrameBuffer()->GetRefcount(), 1);
  {
    PVideoFrame g = f;
    EXPECT_FALSE(f->IsWritable());
    EXPECT_EQ(f->GetWritePtr(), nullptr);
    EXPECT_EQ(f->GetFrameBuffer()->GetRefcount(), 1);
  }
  EXPECT_TRUE(f->IsWritable());
  const int before = f->GetFrameBuffer()->GetSequenceNumber();
  f->GetWritePtr(PLANAR_U);
  f->GetWritePtr(PLANAR_V);
  EXPECT_EQ(f->GetFrameBuffer()->GetSequenceNumber(), before + 2);
  EXPECT_EQ(f->GetRowSize(), 70);
  EXPECT_EQ(f->GetHeight(), 46);
  EXPECT_EQ(f->GetRowSize(PLANAR_U), 35);
  EXPECT_EQ(f->GetHeight(PLANAR_V), 23);
  EXPECT_EQ(f->GetRowSize(PLANAR_U_ALIGNED), 35);
}

// The vtable slot a pointer to a virtual member names: the Itanium ABI stores 1 + the slot's
// byte offset in the pointer's first word.
template <typename Member>
long SlotOf(Member member) {
  static_assert(sizeof(Member) == 16, "Itanium member function pointer");
  long word;
  std::memcpy(&word, &member, sizeof word);
  return (word - 1) / 8;
}

TEST(HostLayout, VirtualFunctionsSitInTheHostsSlots) {
  EXPECT_EQ(SlotOf(&IClip::GetVersion), 0);
  EXPECT_EQ(SlotOf(&IClip::GetFrame), 1);
  EXPECT_EQ(SlotOf(&IClip::GetParity), 2);
  EXPECT_EQ(SlotOf(&IClip::GetAudio), 3);
  EXPECT_EQ(SlotOf(&IClip::SetCacheHints), 4);
  EXPECT_EQ(SlotOf(&IClip::GetVideoInfo), 5);
  using E = IScriptEnvironment;
  const long slots[] = {
      SlotOf(&E::GetCPUFlags),
      SlotOf(&E::SaveString),
      SlotOf(&E::Sprintf),
      SlotOf(&E::VSprintf),
      SlotOf(&E::ThrowError),
      SlotOf(&E::AddFunction),
      SlotOf(&E::FunctionExists),
      SlotOf(&E::Invoke),
      SlotOf(&E::GetVar),
      SlotOf(&E::SetVar),
      SlotOf(&E::SetGlobalVar),
      SlotOf(&E::PushContext),
      SlotOf(&E::PopContext),
      SlotOf(&E::NewVideoFrame),
      SlotOf(&E::MakeWritable),
      SlotOf(&E::BitBlt),
      SlotOf(&E::AtExit),
      SlotOf(&E::CheckVersion),
      SlotOf(&E::Subframe),
      SlotOf(&E::SetMemoryMax),
      SlotOf(&E::SetWorkingDir),
      SlotOf(&E::ManageCache),
      SlotOf(&E::PlanarChromaAlignment),
      SlotOf(&E::SubframePlanar),
  };
  for (int i = 0; i < 24; ++i) EXPECT_EQ(slots[i], i + 2) << i;  // 0 and 1: the destructor

  // The host deletes a clip through slot 7 (the deleting destructor).
  bool deleted = false;
  IClip* raw = new NullClip(&deleted);
  void** vtable = *reinterpret_cast<void***>(raw);
  reinterpret_cast<void (*)(IClip*)>(vtable[7])(raw);
  EXPECT_TRUE(deleted);
}

// Chroma is chosen only by PLANAR_U, PLANAR_V and their _ALIGNED forms; any other selector,
// a combination of bits included, addresses the first plane.
TEST(HostLayout, OnlyTheFourChromaSelectorsAddressChroma) {
  Environment env;
  PVideoFrame f = env.NewVideoFrame(VideoInfoOf(VideoInfo::CS_YV12, 70, 46, 1));
  const BYTE* y = f->GetReadPtr();
  struct Case {
    int plane;
    int offset;
  };
  const Case cases[] = {
      {DEFAULT_PLANE, f->GetOffset()},
      {PLANAR_Y, f->GetOffset()},
      {PLANAR_U, f->GetOffset(PLANAR_U)},
      {PLANAR_V, f->GetOffset(PLANAR_V)},
      {PLANAR_ALIGNED, f->GetOffset()},
      {PLANAR_Y_ALIGNED, f->GetOffset()},
      {PLANAR_U_ALIGNED, f->GetOffset(PLANAR_U)},
      {PLANAR_V_ALIGNED, f->GetOffset(PLANAR_V)},
      {PLANAR_Y | PLANAR_U, f->GetOffset()},
      {PLANAR_U | PLANAR_V, f->GetOffset()},
      {PLANAR_Y | PLANAR_V, f->GetOffset()},
      {16 | PLANAR_U, f->GetOffset()},
      {-1, f->GetOffset()},
  };
  ASSERT_NE(f->GetOffset(PLANAR_U), f->GetOffset());
  ASSERT_NE(f->GetOffset(PLANAR_V), f->GetOffset());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plane);
    const bool chroma = c.offset != f->GetOffset();
    EXPECT_EQ(f->GetOffset(c.plane), c.offset);
    EXPECT_EQ(f->GetReadPtr(c.plane), y - f->GetOffset() + c.offset);
    EXPECT_EQ(f->GetPitch(c.plane), chroma ? f->GetPitch(PLANAR_U) : f->GetPitch());
    EXPECT_EQ(f->GetRowSize(c.plane), chroma ? 35 : 70);
    EXPECT_EQ(f->GetHeight(c.plane), chroma ? 23 : 46);
    EXPECT_EQ(f->GetWritePtr(c.plane), y - f->GetOffset() + c.offset);
  }
}

}  // namespace
}  // namespace tintara
