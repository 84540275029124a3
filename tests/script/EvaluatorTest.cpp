// Running scripts: arithmetic, variables and `last`, calls with named and gathered arguments,
// the method form, and errors that carry the position of the call or operator at fault.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "runtime/builtins/Builtins.h"
#include "runtime/script/Evaluator.h"

namespace tintara::script {
namespace {

// Every script runs in an environment of its own, so that no `last` is left over from another.
class ScriptRun : public ::testing::Test {
 protected:
  Environment& Fresh() {
    envs_.push_back(std::make_unique<Environment>());
    RegisterBuiltins(*envs_.back());
    envs_.back()->LoadPlugin(TINTARA_MODULE_PATH);
    return *envs_.back();
  }

  Value Run(const std::string& source) { return RunScript(Fresh(), source).value; }

  std::string ErrorOf(const std::string& source) {
    try {
      Environment& env = Fresh();
      const Value v = RunScript(env, source).value;
      if (v.IsClip()) v.clip->GetFrame(0, &env);
    } catch (const ScriptError& e) {
      return std::string(e.what()) + " @" + std::to_string(e.Where().line) + ":" + std::to_string(e.Where().column);
    }
    return "(no error)";
  }

  int IntOf(const std::string& source) {
    const Value v = Run(source);
    EXPECT_TRUE(v.IsInt()) << source << " gives a " << v.KindName();
    return v.integer;
  }

  std::vector<std::unique_ptr<Environment>> envs_;
};

TEST_F(ScriptRun, IntArithmeticTruncatesTowardZero) {
  EXPECT_EQ(IntOf("7 / 2"), 3);
  EXPECT_EQ(IntOf("-7 / 2"), -3);
  EXPECT_EQ(IntOf("7 / -2"), -3);
  EXPECT_EQ(IntOf("-7 % 3"), -1);
  EXPECT_EQ(IntOf("7 % -3"), 1);
  EXPECT_EQ(IntOf("2 + 3 * 4 - 10 / 3"), 11);
  EXPECT_EQ(IntOf("-(2 - 5) * 2"), 6);
  EXPECT_EQ(IntOf("$FF + 1"), 256);
  EXPECT_EQ(IntOf("-2147483647 - 1"), -2147483647 - 1);
}

TEST_F(ScriptRun, IntMeetingFloatGivesFloatAndStringsJoin) {
  const Value half = Run("1 / 2.0");
  ASSERT_EQ(half.kind, Value::Kind::Float);
  EXPECT_DOUBLE_EQ(half.floating, 0.5);
  EXPECT_DOUBLE_EQ(Run("7.5 % 2").floating, 1.5);
  EXPECT_DOUBLE_EQ(Run("-0.25 * 4").floating, -1.0);
  EXPECT_EQ(Run("\"out/\" + \"a.raw\"").string, "out/a.raw");
}

TEST_F(ScriptRun, ArithmeticFaultsAreErrorsAtTheOperator) {
  EXPECT_EQ(ErrorOf("a = 1\nb = a / (a - 1)"), "Script error: division by zero @2:7");
  EXPECT_EQ(ErrorOf("5 % 0"), "Script error: remainder of a division by zero @1:3");
  EXPECT_EQ(ErrorOf("1.5 / 0"), "Script error: division by zero @1:5");
  EXPECT_EQ(ErrorOf("2147483647 + 1"), "Script error: 2147483647 + 1 does not fit in an int (-2147483648 to 2147483647) @1:12");
  EXPECT_EQ(ErrorOf("x = 65536 * 65536"), "Script error: 65536 * 65536 does not fit in an int (-2147483648 to 2147483647) @1:11");
  EXPECT_EQ(ErrorOf("(-2147483647 - 1) / -1"),
            "Script error: -2147483648 / -1 does not fit in an int (-2147483648 to 2147483647) @1:19");
  EXPECT_EQ(ErrorOf("m = -2147483647 - 1\n-m"), "Script error: -(-2147483648) does not fit in an int @2:1");
  EXPECT_EQ(ErrorOf("1 - \"a\""), "Script error: '-' cannot be applied to an int and a string @1:3");
  EXPECT_EQ(ErrorOf("-\"a\""), "Script error: '-' needs a number, not a string @1:1");
  EXPECT_NE(ErrorOf("x = 1.0e0").find("Script error"), std::string::npos);
}

TEST_F(ScriptRun, VariablesAreCaseInsensitiveAndUnknownNamesAreNamed) {
  EXPECT_EQ(IntOf("Size = 4\nsize * SIZE"), 16);
  EXPECT_EQ(ErrorOf("a = 1\nb = a + nothing"), "Script error: 'nothing' is neither a variable nor a function @2:9");
  EXPECT_EQ(ErrorOf("x = NoSuch(1)"), "Script error: there is no function named 'NoSuch' @1:5");
}

TEST_F(ScriptRun, ClipPropertiesInEveryCallForm) {
  const std::string clip = "c = BlankClip(length=7, width=64, height=48)\n";
  EXPECT_EQ(IntOf(clip + "c.Width"), 64);
  EXPECT_EQ(IntOf(clip + "c.height()"), 48);
  EXPECT_EQ(IntOf(clip + "FrameCount(c)"), 7);
  // A clip statement becomes `last`, which a call without a clip then uses.
  EXPECT_EQ(IntOf(clip + "c\nWidth + Height"), 112);
  EXPECT_EQ(IntOf(clip + "c\nTrim(2, 4)\nFrameCount"), 3);
}

TEST_F(ScriptRun, ResultIsReturnElseLastExpressionElseLast) {
  EXPECT_EQ(IntOf("return 5\nx = 1 / 0"), 5);
  EXPECT_EQ(IntOf("a = 3\na + 1"), 4);
  const Value last = Run("BlankClip(width=32, height=16)\nx = 3");
  ASSERT_TRUE(last.IsClip());
  EXPECT_EQ(last.clip->GetVideoInfo().width, 32);
  EXPECT_FALSE(Run("x = 3").Defined());
}

TEST_F(ScriptRun, NamedArgumentsAreCaseInsensitiveAndOptionalsOnlyByName) {
  const Value v = Run("BlankClip(LENGTH=5, Width=16, height=8, Pixel_Type=\"yv12\")");
  ASSERT_TRUE(v.IsClip());
  const VideoInfo& vi = v.clip->GetVideoInfo();
  EXPECT_EQ(vi.num_frames, 5);
  EXPECT_EQ(vi.width, 16);
  EXPECT_EQ(vi.pixel_type, VideoInfo::CS_YV12);
  // `length` is an optional parameter: a position cannot reach it.
  EXPECT_EQ(ErrorOf("BlankClip(5)"),
            "Script error: Invalid arguments to function 'BlankClip': too many arguments (1 given) @1:1");
  // With `last` at hand the reason is still about the call as written.
  EXPECT_EQ(ErrorOf("BlankClip()\nBlankClip(5)"),
            "Script error: Invalid arguments to function 'BlankClip': too many arguments (1 given) @2:1");
  EXPECT_EQ(ErrorOf("BlankClip(lenght=5)"),
            "Script error: Invalid arguments to function 'BlankClip': there is no argument named 'lenght' @1:1");
  EXPECT_EQ(ErrorOf("BlankClip(width=\"wide\")"),
            "Script error: Invalid arguments to function 'BlankClip': argument 'width' (int) is given a string @1:1");
}

TEST_F(ScriptRun, PlusGroupsGatherClipsAndIntsPassForFloats) {
  const Value v = Run("a = BlankClip(width=8, height=4)\nStackHorizontal(a, a, a)");
  ASSERT_TRUE(v.IsClip());
  EXPECT_EQ(v.clip->GetVideoInfo().width, 24);
  EXPECT_EQ(ErrorOf("StackVertical()"),
            "Script error: Invalid arguments to function 'StackVertical': argument 1 (clips) is missing @1:1");
  EXPECT_EQ(ErrorOf("a = BlankClip()\nStackVertical(a, 3)"),
            "Script error: Invalid arguments to function 'StackVertical': too many arguments (2 given) @2:1");
  EXPECT_EQ(ErrorOf("BlankClip()\nStackVertical(3)"),
            "Script error: Invalid arguments to function 'StackVertical': argument 1 (clips) is given a int @2:1");
  // With `last` and nothing else, the group is `last` alone.
  EXPECT_EQ(Run("BlankClip(width=8)\nStackVertical()").clip->GetVideoInfo().width, 8);
  const Value fps = Run("BlankClip(fps=30)");
  EXPECT_EQ(fps.clip->GetVideoInfo().fps_numerator, 30u);
}

TEST_F(ScriptRun, ImplicitLastIsTriedWhenTheCallAloneDoesNotMatch) {
  // Without `last` the clip is missing; with `last` the reason is about the argument given.
  EXPECT_EQ(ErrorOf("Trim(0, 3)"),
            "Script error: Invalid arguments to function 'Trim': argument 1 (clip) is given a int @1:1");
  EXPECT_EQ(ErrorOf("BlankClip()\nTrim(0, \"x\")"),
            "Script error: Invalid arguments to function 'Trim': argument 3 (int) is given a string @2:1");
}

TEST_F(ScriptRun, ModuleErrorsCarryTheCallPosition) {
  EXPECT_EQ(ErrorOf("c = BlankClip(width=64, height=48)\n  c.MaskMaker(lx=-1)"),
            "MaskMaker:window left x lx must be 0 and 60 @2:5");
  EXPECT_EQ(ErrorOf("BlankClip(pixel_type=\"YV12\")\nMaskMaker(type=\"x9\")"),
            "MaskMaker:type valid options are a1, c1, c2, c3 only @2:1");
}

TEST_F(ScriptRun, BuiltinErrorsCarryTheCallPosition) {
  EXPECT_EQ(ErrorOf("BlankClip(width=100000, height=100000)"),
            "BlankClip: a frame of 100000x100000 is too large @1:1");
  EXPECT_EQ(ErrorOf("x = 1\nBlankClip(width=7, pixel_type=\"YV12\")"),
            "BlankClip: YV12 and I420 frames need an even width @2:1");
  EXPECT_EQ(ErrorOf("BlankClip(pixel_type=\"RGB\")"),
            "BlankClip: unknown pixel_type \"RGB\"; use RGB24, RGB32, YUY2, YV12 or I420 @1:1");
  EXPECT_EQ(ErrorOf("BlankClip(length=0)"), "BlankClip: length must be at least 1 @1:1");
  EXPECT_EQ(ErrorOf("BlankClip(width=33).ConvertToYUY2"), "ConvertToYUY2: YUY2 frames need an even width @1:21");
  EXPECT_EQ(ErrorOf("a = BlankClip(height=10)\nb = BlankClip(height=12)\nStackHorizontal(a, b)"),
            "StackHorizontal: image heights don't match @3:1");
  EXPECT_EQ(ErrorOf("a = BlankClip()\nStackVertical(a, a.ConvertToYUY2)"), "StackVertical: image formats don't match @2:1");
}

TEST_F(ScriptRun, ErrorsWhileMakingFramesCarryThePositionOfTheClipThatFailed) {
  // A stream that ends inside a frame fails only when the frame is made.
  char path[] = "/tmp/tintara_eval_XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  const std::string data = "YUV4MPEG2 W4 H2 C420jpeg\nFRAME\n1234";
  ASSERT_EQ(write(fd, data.data(), data.size()), static_cast<ssize_t>(data.size()));
  close(fd);
  const std::string pipe = std::string(path) + ".fifo";
  // Read through a pipe (not a regular file) so that it is streamed.
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const pid_t child = fork();
  if (child == 0) {
    const int in = open(path, O_RDONLY), out = open(pipe.c_str(), O_WRONLY);
    char buf[256];
    ssize_t n;
    while ((n = read(in, buf, sizeof buf)) > 0) (void)!write(out, buf, static_cast<size_t>(n));
    _exit(0);
  }
  EXPECT_EQ(ErrorOf("x = 1\n\n  RawSource(\"" + pipe + "\").ConvertToRGB24"),
            "RawSource: \"" + pipe + "\" ends inside frame 0 (4 of 12 bytes) @3:3");
  waitpid(child, nullptr, 0);
  unlink(pipe.c_str());
  unlink(path);
}

TEST_F(ScriptRun, SlidersStandForTheirSettingAndPointAtTheirDefaultText) {
  const std::string text = "a = [<\"grey\", 0, 255, 60>] + 1\nb = [< \"gain\" ,-1.5, 2 , -0.25 >]\nc = [<\"n\", -10, 10, -3>]";
  RunOptions options;
  options.path = "page.avs";
  Result r = RunScript(Fresh(), text, options);
  ASSERT_EQ(r.sliders.size(), 3u);
  EXPECT_EQ(r.variables[0].second.integer, 61);
  EXPECT_EQ(r.variables[1].second.kind, Value::Kind::Float);
  EXPECT_DOUBLE_EQ(r.variables[1].second.floating, -0.25);
  EXPECT_EQ(r.variables[2].second.integer, -3);
  const char* const defaults[] = {"60", "-0.25", "-3"};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(text.substr(r.sliders[i].offset, r.sliders[i].length), defaults[i]);
    EXPECT_EQ(r.sliders[i].file, "page.avs");
  }
  EXPECT_FALSE(r.sliders[0].is_float);
  EXPECT_TRUE(r.sliders[1].is_float);
  EXPECT_DOUBLE_EQ(r.sliders[1].min, -1.5);
  // Settings are clamped to the slider's range; an int slider rounds its setting.
  options.sliders = {{"grey", 300}, {"gain", 1.0}, {"n", 2.6}};
  r = RunScript(Fresh(), text, options);
  EXPECT_EQ(r.variables[0].second.integer, 256);
  EXPECT_DOUBLE_EQ(r.variables[1].second.floating, 1.0);
  EXPECT_EQ(r.variables[2].second.integer, 3);
  EXPECT_EQ(ErrorOf("a = [<\"x\", 0, 9>]"),
            "Script error: a slider is written [<\"label\", min, max, default>], as in [<\"grey\", 0, 255, 60>] @1:5");
}

TEST_F(ScriptRun, VariablesAreListedInOrderOfFirstAssignmentWithFinalValues) {
  const Result r = RunScript(Fresh(), "b = 1\nBlankClip(width=8)\nA = 2\nB = b + 5");
  ASSERT_EQ(r.variables.size(), 3u);
  EXPECT_EQ(r.variables[0].first, "b");
  EXPECT_EQ(r.variables[0].second.integer, 6);
  EXPECT_EQ(r.variables[1].first, "last");
  EXPECT_TRUE(r.variables[1].second.IsClip());
  EXPECT_EQ(r.variables[2].first, "A");
  EXPECT_EQ(r.files, std::vector<std::string>{""});
}

}  // namespace
}  // namespace tintara::script
