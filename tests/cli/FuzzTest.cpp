// Broken inputs must end in a clear error, never a crash: mutated scripts, and Y4M, raw and PNG
// files cut short or with bytes changed. Runs in-process (so the sanitizer build watches every
// case) and, for a few cases, through the command to check its exit status.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "runtime/builtins/Builtins.h"
#include "runtime/io/Png.h"
#include "runtime/script/Evaluator.h"
#include "tests/cli/CliSupport.h"

namespace tintara::testing {
namespace {

class Random {
 public:
  explicit Random(unsigned seed) : x_(seed * 2654435761u + 1u) {}
  unsigned Below(unsigned n) {
    x_ ^= x_ << 13;
    x_ ^= x_ >> 17;
    x_ ^= x_ << 5;
    return n ? x_ % n : 0;
  }

 private:
  unsigned x_;
};

// Runs a script and makes its first and last frames; returns "" on success, else the error.
// Anything but a ScriptError escaping is a failure of the test.
std::string ErrorOf(const std::string& source) {
  Environment env;
  RegisterBuiltins(env);
  env.LoadPlugin(TINTARA_MODULE_PATH);
  try {
    const Value v = script::RunScript(env, source).value;
    if (v.IsClip()) {
      v.clip->GetFrame(0, &env);
      v.clip->GetFrame(v.clip->GetVideoInfo().num_frames - 1, &env);
    }
  } catch (const script::ScriptError& e) {
    const std::string message = e.what();
    EXPECT_FALSE(message.empty()) << source;
    return message.empty() ? "(empty message)" : message;
  }
  return "";
}

std::string Mutate(std::string s, Random& random) {
  static const char* const pieces[] = {"(", ")",           ",",          ".",           "=",      "+",    "-",
                                       "*", "/",           "%",          "\\",          "\n",     "\"",   "$",
                                       "0", "-2147483648", "2147483647", "99999999999", "x",      "last", "1.5",
                                       "#", "MaskMaker",   "Trim",       "$FFFFFFFF",   "width=", "()",   "\\\n"};
  const int edits = 1 + static_cast<int>(random.Below(3));
  for (int i = 0; i < edits && !s.empty(); ++i) {
    const size_t at = random.Below(static_cast<unsigned>(s.size()));
    switch (random.Below(3)) {
      case 0: s.erase(at, 1 + random.Below(4)); break;
      case 1: s.insert(at, pieces[random.Below(sizeof pieces / sizeof pieces[0])]); break;
      default: s[at] = static_cast<char>(random.Below(128)); break;
    }
  }
  return s;
}

class Fuzz : public CliTest {};

TEST_F(Fuzz, MutatedScriptsEndInScriptErrors) {
  std::ifstream demo(std::string(TINTARA_SOURCE_DIR) + "/examples/demo.avs");
  const std::string demo_text((std::istreambuf_iterator<char>(demo)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(demo_text.empty());
  const std::string bases[] = {
      demo_text,
      "c = BlankClip(length=5, width=32, height=16, pixel_type=\"YV12\")\n"
      "c.MaskMaker(gyt=10, et=50, lx=0, ty=0, rx=20, by=10, elx=4, ety=2, erx=31, eby=15).Trim(1, -2)\n",
      "a = 7 * (3 + -2) / 2 % 5\nb = StackHorizontal(BlankClip(width=a * 2), BlankClip(width=4))\nb.ConvertToYUY2\n",
  };
  Random random(2024);
  int errors = 0;
  for (int i = 0; i < 600; ++i) {
    const std::string script = Mutate(bases[i % 3], random);
    if (!ErrorOf(script).empty()) ++errors;
  }
  EXPECT_GT(errors, 100);  // the mutations do break scripts
}

// A small valid Y4M of three 8x4 frames.
std::string SmallY4m() {
  std::string y4m = "YUV4MPEG2 W8 H4 F25:1 Ip A1:1 C420jpeg\n";
  for (int n = 0; n < 3; ++n) y4m += "FRAME\n" + CliTest::Pattern(48, static_cast<unsigned>(n));
  return y4m;
}

TEST_F(Fuzz, CutAndDamagedY4mFilesAreRefusedCleanly) {
  const std::string y4m = SmallY4m();
  const std::string script = "RawSource(\"" + Path("f.y4m") + "\")";
  ASSERT_EQ(ErrorOf((Put("f.y4m", y4m), script)), "");
  int refused = 0;
  for (size_t size = 0; size < y4m.size(); ++size) {
    Put("f.y4m", y4m.substr(0, size));
    const std::string error = ErrorOf(script);
    // Cut at the end of a frame's data is a shorter, valid file; anywhere else is refused.
    if (!error.empty()) {
      ++refused;
      EXPECT_NE(error.find("RawSource: "), std::string::npos) << size << ": " << error;
    }
  }
  EXPECT_GE(refused, static_cast<int>(y4m.size()) - 3);
  Random random(7);
  for (int i = 0; i < 300; ++i) {
    std::string damaged = y4m;
    for (int k = 0; k < 3; ++k) damaged[random.Below(60)] = static_cast<char>(random.Below(256));
    Put("f.y4m", damaged);
    ErrorOf(script);
  }
}

TEST_F(Fuzz, RawFilesOfEverySizeAreReadOrRefused) {
  const std::string script =
      "RawSource(\"" + Path("f.raw") + "\", width=4, height=2, pixel_type=\"YUY2\").ConvertToRGB24";
  for (size_t size = 0; size <= 50; ++size) {
    Put("f.raw", Pattern(size, 3));
    const std::string error = ErrorOf(script);
    EXPECT_EQ(error.empty(), size > 0 && size % 16 == 0) << size << ": " << error;
  }
}

TEST_F(Fuzz, CutAndDamagedPngsAreRefusedCleanly) {
  const std::string bgr = Pattern(8 * 4 * 3, 9);
  std::vector<uint8_t> png;
  std::string why;
  ASSERT_TRUE(io::EncodePng(reinterpret_cast<const uint8_t*>(bgr.data()), 8, 4, &png, &why)) << why;
  const std::string good(png.begin(), png.end());
  const std::string script = "ImageSource(\"" + Path("p.png") + "\", pixel_type=\"YV12\")";
  ASSERT_EQ(ErrorOf((Put("p.png", good), script)), "");
  // Cut anywhere before the closing 12-byte IEND chunk, the picture is incomplete.
  for (size_t size = 0; size < good.size() - 12; size += 3) {
    Put("p.png", good.substr(0, size));
    EXPECT_NE(ErrorOf(script).find("ImageSource: "), std::string::npos) << size;
  }
  Random random(11);
  for (int i = 0; i < 200; ++i) {
    std::string damaged = good;
    damaged[random.Below(static_cast<unsigned>(damaged.size()))] = static_cast<char>(random.Below(256));
    Put("p.png", damaged);
    ErrorOf(script);
  }
}

TEST_F(Fuzz, TheCommandExitsWithOneOnBrokenStreamsAndScripts) {
  const std::string y4m = SmallY4m();
  Put("stream.avs", "RawSource(\"-\").ConvertToRGB32");
  for (size_t size : {size_t{0}, size_t{20}, size_t{45}, size_t{50}, y4m.size() - 1}) {
    Put("cut.y4m", y4m.substr(0, size));
    const Outcome o = Tintara("stream.avs out.raw", "cut.y4m");
    EXPECT_EQ(o.status, 1) << size;
    EXPECT_EQ(o.err.compare(0, 11, "RawSource: "), 0) << size << ": " << o.err;
  }
  Random random(5);
  const std::string base = "c = BlankClip(length=3, width=16, height=8)\nc.ConvertToYV12.MaskMaker(gyt=0, et=90)\n";
  for (int i = 0; i < 25; ++i) {
    Put("m.avs", Mutate(base, random));
    const Outcome o = Tintara("m.avs out.raw");
    EXPECT_TRUE(o.status == 0 || o.status == 1) << o.status << " for:\n" << Get("m.avs");
    if (o.status == 1) {
      EXPECT_FALSE(o.err.empty());
    }
  }
}

}  // namespace
}  // namespace tintara::testing
