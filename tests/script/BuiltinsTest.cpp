// The built-in sources: BlankClip's colours, picture orientation through stacks and conversions,
// and the sources' checks of their files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "runtime/builtins/Builtins.h"
#include "runtime/builtins/FillColour.h"
#include "runtime/io/FrameName.h"
#include "runtime/io/Png.h"
#include "runtime/script/Evaluator.h"
#include "tests/support/TestHost.h"

namespace tintara {
namespace {

using testing::Picture;

class Builtins : public ::testing::Test {
 protected:
  Builtins() {
    RegisterBuiltins(env_);
    char dir[] = "/tmp/tintara_builtins_XXXXXX";
    dir_ = mkdtemp(dir);
  }
  ~Builtins() override { std::system(("rm -rf " + dir_).c_str()); }

  PClip Clip(const std::string& source) {
    const Value v = script::RunScript(env_, source).value;
    EXPECT_TRUE(v.IsClip());
    return v.clip;
  }
  Picture Frame(const PClip& clip, int n = 0) { return Picture(clip->GetFrame(n, &env_), clip->GetVideoInfo()); }
  std::string ErrorOf(const std::string& source) {
    try {
      const Value v = script::RunScript(env_, source).value;
      if (v.IsClip()) v.clip->GetFrame(0, &env_);
    } catch (const script::ScriptError& e) {
      return e.what();
    }
    return "(no error)";
  }
  std::string File(const std::string& name, const std::string& bytes) {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  Environment env_;
  std::string dir_;
};

// The single-colour rule of BlankClip and AddBorders, with AviSynth+'s results: it rounds in
// 16-bit fixed point and is not the rule of the conversions.
TEST(FillColour, ColoursBecomeAviSynthsYuv) {
  const struct {
    int r, g, b, y, u, v;
  } cases[] = {
      {0, 0, 0, 16, 128, 128},   {255, 255, 255, 235, 128, 128}, {255, 0, 0, 81, 91, 240},    {0, 255, 0, 145, 54, 34},
      {0, 0, 255, 41, 240, 110}, {128, 128, 128, 126, 128, 128}, {255, 255, 0, 210, 16, 146},
  };
  for (const auto& c : cases) {
    const Yuv yuv = ColourToYuv(c.r, c.g, c.b);
    EXPECT_EQ(yuv.y, c.y) << c.r << "," << c.g << "," << c.b;
    EXPECT_EQ(yuv.u, c.u) << c.r << "," << c.g << "," << c.b;
    EXPECT_EQ(yuv.v, c.v) << c.r << "," << c.g << "," << c.b;
  }
}

TEST_F(Builtins, BlankClipColoursEveryFormat) {
  // RGB keeps R in the red byte (byte 2) and the top byte of the colour in RGB32's fourth.
  const Picture rgb32 = Frame(Clip("BlankClip(width=4, height=2, color=$80FF8000)"));
  EXPECT_EQ(rgb32.Get(3, 1, 2), 0xFF);
  EXPECT_EQ(rgb32.Get(3, 1, 1), 0x80);
  EXPECT_EQ(rgb32.Get(3, 1, 0), 0x00);
  EXPECT_EQ(rgb32.Get(0, 0, 3), 0x80);
  const Picture yuy2 = Frame(Clip("BlankClip(width=4, height=2, pixel_type=\"YUY2\", color=$00FF00)"));
  EXPECT_EQ(yuy2.Get(1, 1, 0), 145);
  EXPECT_EQ(yuy2.Get(1, 1, 1), 54);
  EXPECT_EQ(yuy2.Get(1, 1, 2), 34);
  const Picture i420 = Frame(Clip("BlankClip(width=4, height=2, pixel_type=\"I420\", color=$0000FF)"));
  EXPECT_EQ(i420.Get(3, 1, 0), 41);
  EXPECT_EQ(i420.Get(3, 1, 1), 240);
  EXPECT_EQ(i420.Get(3, 1, 2), 110);
  const Picture direct = Frame(Clip("BlankClip(width=4, height=2, pixel_type=\"YV12\", color_yuv=$508090)"));
  EXPECT_EQ(direct.Get(0, 0, 0), 0x50);
  EXPECT_EQ(direct.Get(0, 0, 1), 0x80);
  EXPECT_EQ(direct.Get(0, 0, 2), 0x90);
  // A clip given first lends its format.
  const PClip copy = Clip("BlankClip(BlankClip(width=6, height=4, pixel_type=\"YUY2\", length=3), color=$FFFFFF)");
  EXPECT_EQ(copy->GetVideoInfo().num_frames, 3);
  EXPECT_EQ(Frame(copy).Get(5, 3, 0), 235);
}

// A blank clip costs no frame until one is asked for (a 164060-pixel-wide one is 315 MB), then
// every frame number, from several threads, gets the one same picture.
TEST_F(Builtins, BlankClipMakesItsPictureOnFirstRequestOnly) {
  const PClip wide = Clip("BlankClip(length=3, width=164060)");
  EXPECT_EQ(env_.Frames().LiveFrames(), 0u);
  const PClip small = Clip("BlankClip(length=5, width=8, height=2, color=$102030)");
  std::vector<PVideoFrame> got(4);
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) threads.emplace_back([&, i] { got[i] = small->GetFrame(i == 3 ? 99 : i, &env_); });
  for (std::thread& t : threads) t.join();
  for (int i = 1; i < 4; ++i) EXPECT_EQ(got[i]->GetReadPtr(), got[0]->GetReadPtr());
  EXPECT_EQ(env_.Frames().LiveFrames(), 1u);
  EXPECT_EQ(Picture(got[0], small->GetVideoInfo()).Get(7, 1, 2), 0x10);
}

TEST_F(Builtins, StackVerticalPutsTheFirstClipOnTopInEveryFormat) {
  for (const char* type : {"RGB24", "RGB32", "YUY2", "YV12", "I420"}) {
    const PClip stack = Clip(std::string("top = BlankClip(width=4, height=2, pixel_type=\"") + type +
                             "\", color=$FFFFFF)\nStackVertical(top, top.BlankClip(color=$000000, height=4))");
    const Picture p = Frame(stack);
    ASSERT_EQ(p.Height(), 6) << type;
    const bool rgb = std::string(type).compare(0, 3, "RGB") == 0;
    EXPECT_EQ(p.Get(0, 0, 0), rgb ? 255 : 235) << type;
    EXPECT_EQ(p.Get(3, 1, 0), rgb ? 255 : 235) << type;
    EXPECT_EQ(p.Get(0, 2, 0), rgb ? 0 : 16) << type;
    EXPECT_EQ(p.Get(3, 5, 0), rgb ? 0 : 16) << type;
  }
}

TEST_F(Builtins, StackHorizontalPlacesClipsLeftToRightIncludingChroma) {
  const PClip stack = Clip(
      "a = BlankClip(width=2, height=2, pixel_type=\"YV12\", color=$FF0000)\n"
      "b = BlankClip(width=4, height=2, pixel_type=\"YV12\", color=$0000FF)\nStackHorizontal(a, b, a)");
  const Picture p = Frame(stack);
  ASSERT_EQ(p.Width(), 8);
  const int expected_u[8] = {91, 91, 240, 240, 240, 240, 91, 91};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(p.Get(x, 1, 1), expected_u[x]) << x;
  EXPECT_EQ(p.Get(4, 0, 0), 41);
}

TEST_F(Builtins, ConversionsKeepPictureRowsInPlace) {
  // Red above blue in RGB; every path through the formats must keep red on top.
  const std::string card =
      "card = StackVertical(BlankClip(width=2, height=2, color=$FF0000), "
      "BlankClip(width=2, height=2, color=$0000FF))\n";
  const char* paths[] = {"card.ConvertToYV12", "card.ConvertToYUY2", "card.ConvertToRGB24.ConvertToI420",
                         "card.ConvertToYUY2.ConvertToYV12", "card.ConvertToYV12.ConvertToYUY2"};
  for (const char* path : paths) {
    const Picture p = Frame(Clip(card + path));
    EXPECT_EQ(p.Get(1, 0, 0), 81) << path;
    EXPECT_EQ(p.Get(1, 3, 0), 41) << path;
    EXPECT_GT(p.Get(0, 0, 2), p.Get(0, 3, 2)) << path;  // V: red's is high, blue's low
  }
  for (const char* path : {"card.ConvertToYV12.ConvertToRGB24", "card.ConvertToYUY2.ConvertToRGB32"}) {
    const Picture back = Frame(Clip(card + path));
    EXPECT_GT(back.Get(0, 0, 2), 200) << path;  // red byte of the top row
    EXPECT_LT(back.Get(0, 0, 0), 60) << path;
    EXPECT_GT(back.Get(0, 3, 0), 200) << path;  // blue byte of the bottom row
    EXPECT_LT(back.Get(0, 3, 2), 60) << path;
  }
}

TEST_F(Builtins, RawSourceReadsFramesAndNamesTheFileInItsErrors) {
  // Two 2x2 RGB24 frames, top row first: frame 1's top-left pixel is (b, g, r) = (1, 2, 3).
  std::string bytes(24, '\0');
  bytes[12] = 1, bytes[13] = 2, bytes[14] = 3;
  const std::string raw = File("two.raw", bytes);
  const PClip clip = Clip("RawSource(\"" + raw + "\", width=2, height=2, pixel_type=\"RGB24\")");
  EXPECT_EQ(clip->GetVideoInfo().num_frames, 2);
  const Picture p = Frame(clip, 1);
  EXPECT_EQ(p.Get(0, 0, 0), 1);
  EXPECT_EQ(p.Get(0, 0, 2), 3);
  EXPECT_EQ(p.Get(0, 1, 2), 0);

  EXPECT_EQ(
      ErrorOf("RawSource(\"" + raw + "\", width=3, height=2, pixel_type=\"RGB24\")"),
      "RawSource: the size of \"" + raw + "\" (24 bytes) is not a whole number of 3x2 RGB24 frames (18 bytes each)");
  EXPECT_EQ(ErrorOf("RawSource(\"" + raw + "\")"),
            "RawSource: \"" + raw +
                "\" has no Y4M header, so it is read as headerless raw frames: give its width= "
                "and height= (and pixel_type=, YV12 when not given)");
  EXPECT_EQ(ErrorOf("RawSource(\"" + dir_ + "/none.raw\", width=2, height=2)"),
            "RawSource: cannot open \"" + dir_ + "/none.raw\": No such file or directory");
  const std::string empty = File("empty.raw", "");
  EXPECT_EQ(ErrorOf("RawSource(\"" + empty + "\", width=2, height=2)"), "RawSource: \"" + empty + "\" is empty");
}

TEST_F(Builtins, RawSourceReadsY4mAndRefusesBrokenOnes) {
  const std::string header = "YUV4MPEG2 W4 H2 F30000:1001 Ip C420jpeg\n";
  const std::string frame(12, 'x');
  const std::string good = File("good.y4m", header + "FRAME\n" + frame + "FRAME Ixyz\n" + frame);
  const PClip clip = Clip("RawSource(\"" + good + "\", pixel_type=\"I420\")");
  const VideoInfo& vi = clip->GetVideoInfo();
  EXPECT_EQ(vi.num_frames, 2);
  EXPECT_EQ(vi.fps_numerator, 30000u);
  EXPECT_EQ(vi.fps_denominator, 1001u);
  EXPECT_EQ(vi.pixel_type, VideoInfo::CS_I420);

  const std::string cut = File("cut.y4m", header + "FRAME\n" + frame + "FRAME\n" + frame.substr(0, 5));
  EXPECT_EQ(ErrorOf("RawSource(\"" + cut + "\")"),
            "RawSource: \"" + cut + "\" is truncated: frame 1 has 5 of its 12 bytes");
  const std::string bad = File("bad.y4m", header + "FRAMX\n" + frame);
  EXPECT_EQ(ErrorOf("RawSource(\"" + bad + "\")"),
            "RawSource: \"" + bad + "\" is not a valid Y4M file: frame 0 does not start with a FRAME line");
  const std::string c444 = File("c444.y4m", "YUV4MPEG2 W4 H2 C444\n");
  EXPECT_EQ(ErrorOf("RawSource(\"" + c444 + "\")"),
            "RawSource: \"" + c444 +
                "\" is not a valid Y4M file: its colour space C444 is not one of 420jpeg, "
                "420paldv, 420mpeg2, 420, 422 or mono");
  const std::string odd = File("odd.y4m", "YUV4MPEG2 W5 H2\nFRAME\n" + std::string(11, 'x'));
  EXPECT_EQ(ErrorOf("RawSource(\"" + odd + "\")"),
            "RawSource: \"" + odd + "\": YV12 and I420 frames need an even width");
  EXPECT_EQ(ErrorOf("RawSource(\"" + good + "\", pixel_type=\"YUY2\")"),
            "RawSource: \"" + good + "\" holds 4:2:0 or grey frames, which are read as YV12 or I420, not YUY2");
}

TEST_F(Builtins, ImageSourceChecksEveryPictureOfTheSequence) {
  // Pictures from the runtime's own writer; the third is wider on purpose.
  const auto picture = [this](const std::string& name, int width, uint8_t blue, uint8_t red) {
    std::vector<uint8_t> bgr;
    for (int i = 0; i < width * 2; ++i) bgr.insert(bgr.end(), {blue, 0, red});
    std::vector<uint8_t> png;
    std::string why;
    ASSERT_TRUE(io::EncodePng(bgr.data(), width, 2, &png, &why)) << why;
    File(name, std::string(png.begin(), png.end()));
  };
  picture("p0.png", 4, 0, 255);
  picture("p1.png", 4, 255, 0);
  picture("p2.png", 6, 0, 255);
  const PClip two = Clip("ImageSource(\"" + dir_ + "/p%d.png\", end=1)");
  EXPECT_EQ(two->GetVideoInfo().num_frames, 2);
  const Picture second = Frame(two, 1);
  EXPECT_EQ(second.Get(3, 1, 0), 255);  // blue byte of a blue picture
  EXPECT_EQ(second.Get(3, 1, 2), 0);
  EXPECT_EQ(ErrorOf("ImageSource(\"" + dir_ + "/p%d.png\")"),
            "ImageSource: \"" + dir_ + "/p2.png\" is 6x2, but \"" + dir_ + "/p0.png\" is 4x2");
  EXPECT_EQ(ErrorOf("ImageSource(\"" + dir_ + "/p%d.png\", start=5)"),
            "ImageSource: \"" + dir_ + "/p5.png\" does not exist");
  EXPECT_EQ(ErrorOf("ImageSource(\"" + dir_ + "/p%s.png\")"),
            "ImageSource: \"" + dir_ + "/p%s.png\" has a % that is not %d, %0Nd or %%");
  File("text.png", "not a picture");
  EXPECT_NE(
      ErrorOf("ImageSource(\"" + dir_ + "/text.png\")").find("ImageSource: cannot read \"" + dir_ + "/text.png\": "),
      std::string::npos);
}

TEST(FrameName, PatternsNumberFramesLikePrintf) {
  io::FrameName name;
  std::string why;
  ASSERT_TRUE(io::FrameName::Parse("out/f%04d.png", &name, &why));
  EXPECT_EQ(name.For(7), "out/f0007.png");
  EXPECT_EQ(name.For(123456), "out/f123456.png");
  ASSERT_TRUE(io::FrameName::Parse("100%%_%3d", &name, &why));
  EXPECT_EQ(name.For(5), "100%_  5");
  ASSERT_TRUE(io::FrameName::Parse("%d", &name, &why));
  EXPECT_EQ(name.For(-3), "-3");
  ASSERT_TRUE(io::FrameName::Parse("still.png", &name, &why));
  EXPECT_FALSE(name.HasNumber());
  EXPECT_FALSE(io::FrameName::Parse("%d_%d.png", &name, &why));
  EXPECT_FALSE(io::FrameName::Parse("%n.png", &name, &why));
  EXPECT_FALSE(io::FrameName::Parse("%99999999999d", &name, &why));
  EXPECT_FALSE(io::FrameName::Parse("trailing%", &name, &why));
}

}  // namespace
}  // namespace tintara
