// libFuzzer target: the input is a script. Parsing and running it, and making its first and
// last frames, may end in a script error but never in a crash, a hang or a leak.
#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>

#include "runtime/builtins/Builtins.h"
#include "runtime/script/Evaluator.h"
#include "runtime/script/Syntax.h"

using namespace tintara;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string source(reinterpret_cast<const char*>(data), size);
  std::string lower = source;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  // Loading other libraries of this machine, or reading its files, is not what is fuzzed here.
  if (lower.find("loadplugin") != std::string::npos || lower.find("source") != std::string::npos ||
      lower.find("import") != std::string::npos)
    return 0;

  // Each environment unloads the module when it goes; one lasting handle keeps it (and the
  // fuzzer's coverage counters inside it) mapped between inputs.
  static void* const kept = dlopen(TINTARA_MODULE_PATH, RTLD_LAZY);
  (void)kept;
  Environment env;
  RegisterBuiltins(env);
  env.LoadPlugin(TINTARA_MODULE_PATH);
  try {
    const Value v = script::RunScript(env, source).value;
    if (v.IsClip()) {
      const VideoInfo& vi = v.clip->GetVideoInfo();
      // Frames of huge clips take long to make and prove nothing more than small ones.
      if (static_cast<int64_t>(vi.width) * vi.height <= 1 << 20) {
        v.clip->GetFrame(0, &env);
        v.clip->GetFrame(vi.num_frames - 1, &env);
      }
    }
  } catch (const script::ScriptError&) {
  } catch (const AvisynthError&) {
  }
  return 0;
}
