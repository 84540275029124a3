// A clip as a script call returned it, marked with the call's position: an error raised while
// one of its frames is made leaves as a ScriptError at that position, unless a clip further
// down already gave it one.
#pragma once

#include <string>
#include <utility>

#include "host/avisynth.h"
#include "runtime/script/Syntax.h"

namespace tintara::script {

class PositionedClip : public IClip {
 public:
  PositionedClip(const PClip& child, Position where, std::string file)
      : child_(child), where_(where), file_(std::move(file)) {}

  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;
  bool GetParity(int n) override { return child_->GetParity(n); }
  void GetAudio(void* buf, int64_t start, int64_t count, IScriptEnvironment* env) override {
    child_->GetAudio(buf, start, count, env);
  }
  int SetCacheHints(int hints, int range) override { return child_->SetCacheHints(hints, range); }
  const VideoInfo& GetVideoInfo() override { return child_->GetVideoInfo(); }

 private:
  PClip child_;
  Position where_;
  std::string file_;
};

}  // namespace tintara::script
