// Running scripts: arithmetic, variables and `last`, calls with named and gathered arguments,
// the method form, and errors that carry the position of the call or operator at fault.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "tests/script/ScriptRun.h"

namespace tintara::script {
namespace {

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
  EXPECT_DOUBLE_EQ(Run("-0.25 * 4").floating, -1.0);
  EXPECT_EQ(Run("\"out/\" + \"a.raw\"").string, "out/a.raw");
}

TEST_F(ScriptRun, ArithmeticFaultsAreErrorsAtTheOperator) {
  EXPECT_EQ(ErrorOf("a = 1\nb = a / (a - 1)"), "Evaluate: division by zero @2:7");
  EXPECT_EQ(ErrorOf("5 % 0"), "Evaluate: division by zero @1:3");
  EXPECT_EQ(ErrorOf("7.5 % 2"), "Evaluate: operands of `%' must be integers @1:5");
  EXPECT_EQ(ErrorOf("2 * \"a\""), "Evaluate: operands of `*' must be numeric @1:3");
  // `a - b` is `a + (-b)`: a wrong right operand fails at the minus, a wrong left one at `+`.
  EXPECT_EQ(ErrorOf("1 - \"a\""), "Evaluate: unary minus can only by used with numbers @1:3");
  EXPECT_EQ(ErrorOf("\"a\" - 1"), "Evaluate: operands of `+' must both be numbers, strings, or clips @1:5");
  EXPECT_EQ(ErrorOf("-\"a\""), "Evaluate: unary minus can only by used with numbers @1:1");
  EXPECT_EQ(ErrorOf("BlankClip() ++ 1"), "Evaluate: operands of `++' must be clips @1:13");
  EXPECT_EQ(ErrorOf("x = 1.0e0").find("Script error"), 0u);
}

TEST_F(ScriptRun, IntsOverflowInto64BitsAndFloatsDivideToInfinity) {
  const Value wide = Run("2147483647 + 1");
  ASSERT_EQ(wide.kind, Value::Kind::Long);
  EXPECT_EQ(wide.wide, 2147483648);
  EXPECT_EQ(Run("65536 * 65536").wide, int64_t{1} << 32);
  EXPECT_EQ(Run("(-2147483647 - 1) / -1").wide, 2147483648);
  EXPECT_EQ(Run("m = -2147483647 - 1\n-m").wide, 2147483648);
  EXPECT_EQ(Run("3000000000 - 3000000000 + 1").kind, Value::Kind::Int);
  // The one 64-bit quotient that does not fit wraps instead of trapping.
  EXPECT_EQ(Run("m = -9223372036854775807 - 1\nm / -1").wide, INT64_MIN);
  EXPECT_EQ(Run("m = -9223372036854775807 - 1\nm % -1").integer, 0);
  EXPECT_EQ(Run("1.5 / 0").floating, HUGE_VAL);
}

TEST_F(ScriptRun, VariablesAreCaseInsensitiveAndUnknownNamesAreNamed) {
  EXPECT_EQ(IntOf("Size = 4\nsize * SIZE"), 16);
  EXPECT_EQ(ErrorOf("a = 1\nb = a + nothing"), "I don't know what 'nothing' means. @2:9");
  EXPECT_EQ(ErrorOf("x = NoSuch(1)"), "Script error: There is no function named 'NoSuch'. @1:5");
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

TEST_F(ScriptRun, NamedArgumentsAreCaseInsensitiveAndPositionsFillOptionals) {
  const Value v = Run("BlankClip(LENGTH=5, Width=16, height=8, Pixel_Type=\"yv12\")");
  ASSERT_TRUE(v.IsClip());
  const VideoInfo& vi = v.clip->GetVideoInfo();
  EXPECT_EQ(vi.num_frames, 5);
  EXPECT_EQ(vi.width, 16);
  EXPECT_EQ(vi.pixel_type, VideoInfo::CS_YV12);
  const Value mixed = Run("BlankClip(width=8, 3)");
  EXPECT_EQ(mixed.clip->GetVideoInfo().num_frames, 3);
  EXPECT_EQ(mixed.clip->GetVideoInfo().width, 8);
  EXPECT_EQ(ErrorOf("BlankClip(lenght=5)"), "Script error: BlankClip does not have a named argument \"lenght\" @1:1");
  EXPECT_EQ(ErrorOf("BlankClip(width=\"wide\")"),
            "Script error: the named argument \"width\" to BlankClip had the wrong type (passed 's') @1:1");
  EXPECT_EQ(ErrorOf("BlankClip(width=8, Width=9)"),
            "Script error: the named argument \"Width\" was passed more than once (twice as named or first unnamed "
            "then named) to BlankClip @1:1");
}

TEST_F(ScriptRun, ModuleFiltersTakeOptionalValuesByPosition) {
  // The order of Shift's signature: sf ef shape x y w h st.
  const std::string clips = "c = BlankClip(width=640, height=480, length=60)\nb = BlankClip(c, color=$FF0000)\n";
  const Value v = Run(clips + "b.Shift(c, 0, 59, \"circle\", 320, 240, 100, 100, 40)");
  ASSERT_TRUE(v.IsClip());
  EXPECT_EQ(v.clip->GetVideoInfo().num_frames, 60);
  EXPECT_EQ(
      ErrorOf(clips + "b.Shift(c, 0, 59, \"circle\", 320, 240, 100, 100, 40, true, 1)"),
      "Script error: Invalid arguments to function 'Shift'.\nHint: 12 arguments are given, more than it takes. @3:3");
  EXPECT_EQ(ErrorOf(clips + "ColorDrops(b, c, 0, 5, 10, 10, 1.5)"),
            "Script error: Invalid arguments to function 'ColorDrops'.\nHint: argument 7 is a float where an int is "
            "expected. @3:1");
  EXPECT_EQ(
      ErrorOf(clips + "b.MaskMaker(0, 5, \"a1\", \"$D03020\")"),
      "Script error: Invalid arguments to function 'MaskMaker'.\nHint: argument 5 is the string \"$D03020\" where "
      "an int is expected; colours are ints written $RRGGBB, without quotes. @3:3");
  // A colour written with '#' comments out the rest of its line.
  const std::string hint =
      "\nHint: '#' starts a comment, so a colour written #RRGGBB ends the line there; colours are "
      "ints written $RRGGBB.";
  EXPECT_EQ(ErrorOf(clips + "b.Inlay(c #D03020, c\n  )"),
            "Script error: Invalid arguments to function 'Inlay'." + hint + " @3:3");
  EXPECT_EQ(ErrorOf(clips + "b.Inlay(c, c, #D03020)\nc"),
            "Script error: expected ')' after the arguments of Inlay, found the end of the script" + hint + " @4:2");
}

TEST_F(ScriptRun, PlusGroupsGatherClipsAndIntsPassForFloats) {
  const Value v = Run("a = BlankClip(width=8, height=4)\nStackHorizontal(a, a, a)");
  ASSERT_TRUE(v.IsClip());
  EXPECT_EQ(v.clip->GetVideoInfo().width, 24);
  EXPECT_EQ(ErrorOf("StackVertical()"),
            "Script error: Invalid arguments to function 'StackVertical'.\nHint: argument 1 (a clip) is missing. @1:1");
  EXPECT_EQ(ErrorOf("a = BlankClip()\nStackVertical(a, 3)"),
            "Script error: Invalid arguments to function 'StackVertical'.\nHint: argument 2 is an int where a clip is "
            "expected. @2:1");
  // A stack needs two clips, `last` alone is not enough.
  EXPECT_EQ(ErrorOf("BlankClip(width=8)\nStackVertical()"),
            "Script error: Invalid arguments to function 'StackVertical'.\nHint: argument 2 (a clip) is missing. @2:1");
  const Value fps = Run("BlankClip(fps=30)");
  EXPECT_EQ(fps.clip->GetVideoInfo().fps_numerator, 30u);
}

TEST_F(ScriptRun, ImplicitLastIsTriedWhenTheCallAloneDoesNotMatch) {
  // Without `last` the clip is missing; with `last` the hint is about the argument given.
  EXPECT_EQ(
      ErrorOf("Trim(0, 3)"),
      "Script error: Invalid arguments to function 'Trim'.\nHint: argument 1 is an int where a clip is expected. @1:1");
  EXPECT_EQ(
      ErrorOf("BlankClip()\nTrim(0, \"x\")"),
      "Script error: Invalid arguments to function 'Trim'.\nHint: argument 3 is a string where an int is expected. "
      "@2:1");
  // Not for the method form: `x.k` is k(x) only.
  EXPECT_EQ(ErrorOf("BlankClip()\nx = 1\nx.ConvertToYV12").substr(0, 60),
            "Script error: Invalid arguments to function 'ConvertToYV12'.");
  // A bare name that is a function runs with `last`.
  EXPECT_EQ(IntOf("BlankClip(width=8, length=9)\nTrim(2, 5)\nFrameCount"), 4);
}

TEST_F(ScriptRun, ModuleErrorsCarryTheCallPosition) {
  EXPECT_EQ(ErrorOf("c = BlankClip(width=64, height=48)\n  c.MaskMaker(lx=-1)"),
            "MaskMaker:window left x lx must be 0 and 60 @2:5");
  EXPECT_EQ(ErrorOf("BlankClip(pixel_type=\"YV12\")\nMaskMaker(type=\"x9\")"),
            "MaskMaker:type valid options are a1, c1, c2, c3 only @2:1");
}

TEST_F(ScriptRun, BuiltinErrorsCarryTheCallPosition) {
  EXPECT_EQ(ErrorOf("BlankClip(width=100000, height=100000)"), "BlankClip: a frame of 100000x100000 is too large @1:1");
  EXPECT_EQ(ErrorOf("x = 1\nBlankClip(width=7, pixel_type=\"YV12\")"),
            "Filter Error: Attempted to request a planar frame that wasn't mod2 in width! @2:1");
  EXPECT_EQ(ErrorOf("BlankClip(pixel_type=\"RGB\")"),
            "BlankClip: pixel_type must be \"RGB32\", \"RGB24\", \"YV12\", \"YV24\", \"YV16\", \"Y8\", \n"
            "\"YUV420P?\",\"YUV422P?\",\"YUV444P?\",\"Y?\",\n\"RGB48\",\"RGB64\",\"RGBP\",\"RGBP?\",\n"
            "\"YV411\" or \"YUY2\" @1:1");
  EXPECT_EQ(ErrorOf("BlankClip(length=-1)"), "BlankClip: length cannot be negative @1:1");
  EXPECT_EQ(ErrorOf("BlankClip(width=33).ConvertToYUY2"), "ConvertToYUY2: Image width must be even. Use Crop! @1:21");
  EXPECT_EQ(ErrorOf("a = BlankClip(height=10)\nb = BlankClip(height=12)\nStackHorizontal(a, b)"),
            "StackHorizontal: image heights don't match @3:1");
  EXPECT_EQ(ErrorOf("a = BlankClip()\nStackVertical(a, a.ConvertToYUY2)"),
            "StackVertical: image formats don't match @2:1");
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
  const std::string text =
      "a = [<\"grey\", 0, 255, 60>] + 1\nb = [< \"gain\" ,-1.5, 2 , -0.25 >]\nc = [<\"n\", -10, 10, -3>]";
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
  // A setting that is not a number is no setting; an infinite one is clamped.
  r = RunScript(Fresh(), text, {"", {{"n", NAN}, {"grey", -INFINITY}}});
  EXPECT_EQ(r.variables[0].second.integer, 1);
  EXPECT_EQ(r.variables[2].second.integer, -3);
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
