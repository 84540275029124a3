// A module's create function as the embedded host calls it: the argument array it receives,
// the references around the call, and the services it may use while it runs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/Environment.h"
#include "runtime/MemoryClip.h"

namespace tintara {
namespace {

class TrackedClip : public IClip {
 public:
  TrackedClip(const VideoInfo& vi, bool* deleted) : vi_(vi), deleted_(deleted) {}
  ~TrackedClip() override { *deleted_ = true; }
  PVideoFrame GetFrame(int, IScriptEnvironment*) override { return PVideoFrame(); }
  bool GetParity(int) override { return false; }
  void GetAudio(void*, int64_t, int64_t, IScriptEnvironment*) override {}
  int SetCacheHints(int, int) override { return 0; }
  const VideoInfo& GetVideoInfo() override { return vi_; }

 private:
  VideoInfo vi_;
  bool* deleted_;
};

// What the create function saw, written down while the call lasts.
struct Seen {
  std::string types;          // one letter per element, a group as "a<letters>"
  std::vector<float> floats;  // 'f' elements in order
  std::vector<int> ints;      // 'i' elements in order, groups included
  const char* string = nullptr;
  bool* made_deleted = nullptr;
  bool fail = false;
};

void Note(const AVSValue& v, Seen* seen) {
  seen->types += v.Type();
  if (v.Type() == 'f') seen->floats.push_back(static_cast<float>(v.AsFloat()));
  if (v.Type() == 'i') seen->ints.push_back(v.AsInt());
}

AVSValue Record(AVSValue args, void* user_data, IScriptEnvironment* env) {
  auto* seen = static_cast<Seen*>(user_data);
  for (int i = 0; i < args.ArraySize(); ++i) {
    const AVSValue& a = args[i];
    Note(a, seen);
    if (a.IsArray())
      for (int k = 0; k < a.ArraySize(); ++k) Note(a[k], seen);
  }
  PClip clip = args[0].AsClip();
  seen->string = args[4].AsString(nullptr);
  if (seen->fail) env->ThrowError("Record: refused %d", 7);
  TakeArgumentClips(args);
  return AVSValue(new TrackedClip(clip->GetVideoInfo(), seen->made_deleted));
}

// Signature order, 'v' for each absent optional, one nested array for the group, an int kept
// as 'i' for a float parameter and a script float rounded to float.
TEST(CreateCall, ArgumentsArriveInSignatureOrderTypedByValue) {
  bool source_deleted = false, made_deleted = false;
  {
    Environment env;
    Seen seen;
    seen.made_deleted = &made_deleted;
    env.AddFunction("Record", "ci+[a]f[b]f[s]s[x]i[y]b", Record, &seen);
    const VideoInfo vi = VideoInfoOf(VideoInfo::CS_BGR32, 8, 4, 2);
    {
      PClip source(new TrackedClip(vi, &source_deleted));
      const Value made = env.Call("Record", {{"", Value::Clip(source)},
                                             {"", Value::Int(4)},
                                             {"", Value::Int(-9)},
                                             {"b", Value::Float(0.1)},
                                             {"a", Value::Int(3)},
                                             {"s", Value::String("text")}});
      EXPECT_TRUE(made.IsClip());
      EXPECT_EQ(seen.types, "caiiifsvv");
      EXPECT_EQ(seen.ints, (std::vector<int>{4, -9, 3}));
      ASSERT_EQ(seen.floats.size(), 1u);
      EXPECT_EQ(seen.floats[0], 0.1f);
      // The module took one reference before returning and the host dropped one after the
      // call: only this test holds the source now.
      EXPECT_EQ(source->ReferenceCount(), 1);
      ASSERT_NE(seen.string, nullptr);
      EXPECT_STREQ(seen.string, "text");  // strings live as long as the environment
      EXPECT_FALSE(made_deleted);
    }
    // The returned value was destroyed by the host: the result's last holder is gone.
    EXPECT_TRUE(made_deleted);
    EXPECT_STREQ(seen.string, "text");

    // A create function that throws gets no release after it.
    seen.fail = true;
    bool kept_deleted = false;
    PClip kept(new TrackedClip(vi, &kept_deleted));
    try {
      env.Call("Record", {{"", Value::Clip(kept)}, {"", Value::Int(1)}, {"", Value::Int(2)}});
      FAIL() << "the create function's error was lost";
    } catch (const AvisynthError& e) {
      EXPECT_STREQ(e.msg, "Record: refused 7");
    }
    EXPECT_EQ(kept->ReferenceCount(), 1);
  }
  EXPECT_TRUE(source_deleted);
}

int exits = 0;
void CountExit(void* user_data, IScriptEnvironment*) { exits += *static_cast<int*>(user_data); }

TEST(CreateCall, AtExitRunsWhenTheEnvironmentGoes) {
  int step = 5;
  exits = 0;
  {
    Environment env;
    env.AtExit(CountExit, &step);
    env.AtExit(CountExit, &step);
    EXPECT_EQ(exits, 0);
  }
  EXPECT_EQ(exits, 10);
}

}  // namespace
}  // namespace tintara
