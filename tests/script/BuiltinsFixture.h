// What the built-in function tests share: an environment with the built-ins, clips made from
// bytes in file order (picture rows top first; YV12 and I420 as Y, U, V planes), a clip whose
// frame n is marked with n, and calls by name that give a clip or a message.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/Environment.h"
#include "runtime/MemoryClip.h"
#include "runtime/builtins/Builtins.h"
#include "runtime/io/FileLayout.h"
#include "tests/support/TestHost.h"

namespace tintara {

class BuiltinsFixture : public ::testing::Test {
 protected:
  BuiltinsFixture() : env_(Poisoned()) { RegisterBuiltins(env_); }

  static Environment::Options Poisoned() {
    Environment::Options o;
    o.poison = true;
    return o;
  }

  PClip FromBytes(int pixel_type, int width, int height, const std::vector<int>& bytes, int frames = 1) {
    const VideoInfo vi = VideoInfoOf(pixel_type, width, height, frames);
    EXPECT_EQ(bytes.size(), io::FrameBytes(vi));
    const std::vector<uint8_t> raw(bytes.begin(), bytes.end());
    PVideoFrame f = env_.NewVideoFrame(vi);
    io::LoadFrame(raw.data(), vi, io::FileLayout::Raw, f);
    return env_.Cached(PClip(new MemoryClip(vi, {f})));
  }

  // A 2x2 RGB32 clip of `frames` frames whose frame n has n in its first byte.
  PClip Numbered(int frames, unsigned fps = 25) {
    VideoInfo vi = VideoInfoOf(VideoInfo::CS_BGR32, 2, 2, frames);
    vi.fps_numerator = fps;
    std::vector<PVideoFrame> list;
    for (int n = 0; n < frames; ++n) {
      PVideoFrame f = env_.NewVideoFrame(vi);
      f->GetWritePtr()[0] = static_cast<BYTE>(n);
      list.push_back(f);
    }
    return env_.Cached(PClip(new MemoryClip(vi, std::move(list))));
  }
  // The numbers of the frames a clip made by Numbered shows, frame by frame.
  std::vector<int> Numbers(const PClip& clip) {
    std::vector<int> out;
    for (int n = 0; n < clip->GetVideoInfo().num_frames; ++n) out.push_back(clip->GetFrame(n, &env_)->GetReadPtr()[0]);
    return out;
  }

  std::vector<int> BytesOf(const PClip& clip, int n = 0) {
    const VideoInfo& vi = clip->GetVideoInfo();
    std::vector<uint8_t> raw(io::FrameBytes(vi));
    io::StoreFrame(clip->GetFrame(n, &env_), vi, io::FileLayout::Raw, raw.data());
    return std::vector<int>(raw.begin(), raw.end());
  }

  PClip Call(const std::string& name, const std::vector<Argument>& args) {
    try {
      const Value v = env_.Call(name, args);
      EXPECT_TRUE(v.IsClip()) << name;
      return v.clip;
    } catch (const AvisynthError& e) {
      ADD_FAILURE() << name << ": " << e.msg;
      return PClip();
    }
  }
  std::string ErrorOf(const std::string& name, const std::vector<Argument>& args) {
    try {
      const Value v = env_.Call(name, args);
      if (v.IsClip()) v.clip->GetFrame(0, &env_);
    } catch (const AvisynthError& e) {
      return e.msg;
    }
    return "(no error)";
  }

  Environment env_;
};

inline Argument Str(const std::string& s) { return {"", Value::String(s)}; }

}  // namespace tintara
