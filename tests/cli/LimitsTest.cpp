// Where long scripts, streams and hostile files meet the limits of the machine: chains of clips
// longer than a stack, streams of unknown length, PNGs of 16 bits or with lying sizes, outputs
// that cannot be written or would overwrite an input. Each ends in correct bytes or a clear
// error with a non-zero exit, never a crash.
#include <pthread.h>

#include <string>

#include "runtime/builtins/Builtins.h"
#include "runtime/script/Evaluator.h"
#include "tests/cli/CliSupport.h"

namespace tintara::testing {
namespace {

class Limits : public CliTest {};

std::string BlurChain(int length) {
  std::string script = "BlankClip(length=1, width=16, height=16, pixel_type=\"YV12\")\n";
  for (int i = 0; i < length; ++i) script += "GaussBlur()\n";
  return script;
}

// The frame of `clip` made on a thread with a stack of `stack` bytes; "" or the error.
std::string MakeFrameOnStack(Environment* env, const PClip& clip, size_t stack) {
  struct Job {
    Environment* env;
    const PClip* clip;
    std::string error;
  } job{env, &clip, ""};
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, stack);
  pthread_t thread;
  const auto run = [](void* p) -> void* {
    Job* j = static_cast<Job*>(p);
    try {
      (*j->clip)->GetFrame(0, j->env);
    } catch (const script::ScriptError& e) {
      j->error = e.what();
    }
    return nullptr;
  };
  EXPECT_EQ(pthread_create(&thread, &attr, run, &job), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
  return job.error;
}

TEST_F(Limits, ChainsLongerThanTheStackAreAnErrorInProcessAndRunInTheCommand) {
  // In process, a chain whose frame would need more than a 1 MB stack is refused.
  Environment env;
  RegisterBuiltins(env);
  env.LoadPlugin(TINTARA_MODULE_PATH);
  const PClip deep = script::RunScript(env, BlurChain(3000)).value.clip;
  EXPECT_EQ(MakeFrameOnStack(&env, deep, size_t{1} << 20),
            "the chain of clips is too long to make a frame: it would overflow this thread's 1 MB stack");
  EXPECT_EQ(MakeFrameOnStack(&env, script::RunScript(env, BlurChain(3)).value.clip, size_t{1} << 20), "");

  // The command makes frames on large stacks: 12,000 blurs (an 8 MB stack held about 9,500)
  // give the bytes of 200, GaussBlur's fixed point on this clip being reached well before.
  Put("short.avs", BlurChain(200));
  Put("long.avs", BlurChain(12000));
  for (const char* threads : {"1", "2"}) {
    const Outcome o = Tintara(std::string("--threads ") + threads + " long.avs long.raw");
    ASSERT_EQ(o.status, 0) << o.err;
    ASSERT_EQ(Tintara("short.avs short.raw").status, 0);
    EXPECT_EQ(Get("long.raw"), Get("short.raw"));
    EXPECT_EQ(Get("long.raw").size(), 384u);
  }
}

}  // namespace
}  // namespace tintara::testing
