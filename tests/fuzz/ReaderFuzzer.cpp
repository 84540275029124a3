// libFuzzer target: the input is a file for one of the readers (the first byte picks Y4M, raw
// or PNG, and for raw the size and format). Opening it and making its frames may end in a clear
// error naming the file, never in a crash, a hang or a leak.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "runtime/builtins/Builtins.h"
#include "runtime/script/Evaluator.h"
#include "runtime/script/Syntax.h"

using namespace tintara;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const char* const kinds[] = {"y4m", "raw", "png"};
  static const char* const types[] = {"RGB24", "RGB32", "YUY2", "YV12", "I420"};
  const int kind = data[0] % 3;
  const std::string path = "/tmp/tintara-reader-fuzz-" + std::to_string(getpid()) + "." + kinds[kind];
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data + 1, 1, size - 1, f);
  std::fclose(f);

  std::string source;
  if (kind == 1) {
    const int width = 2 + 2 * (data[0] / 3 % 8), height = 2 + 2 * (data[0] / 24 % 4);
    source = "RawSource(\"" + path + "\", width=" + std::to_string(width) + ", height=" + std::to_string(height) +
             ", pixel_type=\"" + types[(data[0] >> 5) % 5] + "\")";
  } else if (kind == 0) {
    source = "RawSource(\"" + path + "\")";
  } else {
    source = "ImageSource(\"" + path + "\", 0, 0)";
  }

  Environment env;
  RegisterBuiltins(env);
  try {
    const Value v = script::RunScript(env, source).value;
    if (v.IsClip()) {
      const int frames = v.clip->GetVideoInfo().num_frames;
      for (int n = 0; n < frames && n < 8; ++n) v.clip->GetFrame(n, &env);
    }
  } catch (const script::ScriptError&) {
  } catch (const AvisynthError&) {
  }
  std::remove(path.c_str());
  return 0;
}
