// The functions that pick and renumber frames, on a 10-frame clip whose frame n is marked n:
// Trim's forms, Reverse, Loop, SelectEvery, AssumeFPS, the splices, and where requests outside a
// clip are clamped (which only shows when a renumbering clip reaches outside its child).
#include "runtime/builtins/Editing.h"
#include "tests/script/BuiltinsFixture.h"

namespace tintara {
namespace {

using testing::Arg;
using testing::Named;

class Editing : public BuiltinsFixture {
 protected:
  std::vector<int> Frames(const std::string& name, std::vector<Argument> args) {
    const PClip clip = Call(name, args);
    return clip ? Numbers(clip) : std::vector<int>{-1};
  }
  std::vector<int> Range(int first, int last) {
    std::vector<int> out;
    for (int n = first; n <= last; ++n) out.push_back(n);
    return out;
  }
  PClip ten_ = Numbered(10);
};

TEST_F(Editing, TrimFormsClampAsAviSynthDoes) {
  const struct {
    std::vector<Argument> args;
    std::vector<int> frames;
  } cases[] = {
      {{Arg(2), Arg(5)}, Range(2, 5)},
      {{Arg(2), Arg(0)}, Range(2, 9)},
      {{Arg(2), Arg(-3)}, {2, 3, 4}},
      {{Arg(-3), Arg(4)}, Range(0, 4)},
      {{Arg(-5), Arg(-2)}, {0, 1}},
      {{Arg(12), Arg(15)}, {9}},
      {{Arg(7), Arg(3)}, {7}},
      {{Arg(3), Arg(20)}, Range(3, 9)},
      {{Arg(0), Arg(-1)}, {0}},
      {{Arg(9), Arg(-2147483647)}, {9}},
      {{Arg(3), Named("length", 4)}, Range(3, 6)},
      {{Arg(8), Named("length", 5)}, {8, 9}},
      {{Arg(3), Named("length", 0)}, {}},
      {{Arg(3), Named("end", 5)}, Range(3, 5)},
      {{Arg(3), Named("end", 50)}, Range(3, 9)},
  };
  for (const auto& c : cases) {
    std::vector<Argument> args{Arg(ten_)};
    args.insert(args.end(), c.args.begin(), c.args.end());
    EXPECT_EQ(Frames("Trim", args), c.frames) << c.args[0].value.integer << ", " << c.args[1].value.integer;
  }
  EXPECT_EQ(ErrorOf("Trim", {Arg(ten_), Arg(3), Named("length", -1)}), "Trim: Length must be >= 0");
  EXPECT_EQ(ErrorOf("Trim", {Arg(ten_), Arg(3), Named("end", 2)}), "Trim: End must be >= Start");
  EXPECT_EQ(ErrorOf("Trim", {Arg(ten_), Arg(3)}), "Script error: Invalid arguments to function \"Trim\"");
}

TEST_F(Editing, ReverseAndLoopRenumberFrames) {
  EXPECT_EQ(Frames("Reverse", {Arg(ten_)}), (std::vector<int>{9, 8, 7, 6, 5, 4, 3, 2, 1, 0}));
  const struct {
    int times, start, end;
    std::vector<int> frames;
  } cases[] = {
      {3, 2, 4, {0, 1, 2, 3, 4, 2, 3, 4, 2, 3, 4, 5, 6, 7, 8, 9}},
      {0, 2, 4, {0, 1, 5, 6, 7, 8, 9}},
      {2, 4, 2, {0, 1, 2, 3, 4, 4, 5, 6, 7, 8, 9}},
      {2, 12, 15, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 9}},
      {2, 8, 10000000, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 8, 9}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Frames("Loop", {Arg(ten_), Named("times", c.times), Named("start", c.start), Named("end", c.end)}),
              c.frames)
        << c.times << "," << c.start << "," << c.end;
  // For ever: exactly ten million frames, the segment repeating and what follows never shown.
  const PClip endless = Call("Loop", {Arg(ten_), Named("start", 2), Named("end", 4)});
  EXPECT_EQ(endless->GetVideoInfo().num_frames, 10000000);
  EXPECT_EQ(endless->GetFrame(9999999, &env_)->GetReadPtr()[0], 2 + (9999999 - 2) % 3);
}

TEST_F(Editing, SelectEveryInterleavesOffsetsAndLetsTheChildClamp) {
  const struct {
    std::vector<int> args;
    std::vector<int> frames;
  } cases[] = {
      {{3}, {0, 3, 6, 9}},
      {{3, 2}, {2, 5, 8}},
      {{3, 0, 2}, {0, 2, 3, 5, 6, 8, 9}},
      {{3, 2, 0}, {2, 0, 5, 3, 8, 6, 9, 9}},  // offset 2's fourth frame is 11, clamped by the source
      {{2, -1}, {0, 1, 3, 5, 7, 9}},
      {{2, 11}, {}},
      {{4, 1, 1, 3}, {1, 1, 3, 5, 5, 7, 9, 9}},
  };
  for (const auto& c : cases) {
    std::vector<Argument> args{Arg(ten_)};
    for (int v : c.args) args.push_back(Arg(v));
    EXPECT_EQ(Frames("SelectEvery", args), c.frames) << c.args[0] << "," << c.args.size();
  }
  EXPECT_EQ(ErrorOf("SelectEvery", {Arg(ten_), Arg(0)}), "Parameter 'every' of SelectEvery cannot be zero.");
  // A cached Trim clamps the request for its frame -1 itself; cache=false passes it on.
  const PClip cut = Call("Trim", {Arg(ten_), Arg(2), Arg(5)});
  EXPECT_EQ(Frames("SelectEvery", {Arg(cut), Arg(2), Arg(-1)}), (std::vector<int>{2, 3, 5}));
  EXPECT_EQ(Frames("SelectEvery", {Arg(cut), Arg(3), Arg(2), Arg(0)}), (std::vector<int>{4, 2, 5, 5}));
  const PClip uncached = Call("Trim", {Arg(ten_), Arg(2), Arg(5), Named("cache", false)});
  EXPECT_EQ(Frames("SelectEvery", {Arg(uncached), Arg(2), Arg(-1)}), (std::vector<int>{1, 3, 5}));
  // Rates: fps * offsets / step, reduced.
  const VideoInfo three = Call("SelectEvery", {Arg(ten_), Arg(3), Arg(0), Arg(1)})->GetVideoInfo();
  EXPECT_EQ(std::to_string(three.fps_numerator) + "/" + std::to_string(three.fps_denominator), "50/3");
  const PClip ntsc = Call("AssumeFPS", {Arg(ten_), Arg(30000), Arg(1001)});
  const VideoInfo quarter = Call("SelectEvery", {Arg(ntsc), Arg(4)})->GetVideoInfo();
  EXPECT_EQ(std::to_string(quarter.fps_numerator) + "/" + std::to_string(quarter.fps_denominator), "7500/1001");
}

TEST_F(Editing, AssumeFpsPicksAviSynthsFractions) {
  const struct {
    double fps;
    unsigned num, den;
  } floats[] = {
      {29.97, 2997, 100},  {23.976, 2997, 125}, {59.94, 2997, 50}, {29.97003, 30000, 1001},         {24.5, 49, 2},
      {14.985, 2997, 200}, {11.988, 2997, 250}, {1.0 / 3, 1, 3},   {120000.0 / 1001, 120000, 1001}, {25.0, 25, 1},
  };
  for (const auto& f : floats) {
    unsigned num = 0, den = 0;
    ASSERT_TRUE(FloatFrameRate(f.fps, &num, &den)) << f.fps;
    EXPECT_EQ(std::to_string(num) + "/" + std::to_string(den), std::to_string(f.num) + "/" + std::to_string(f.den))
        << f.fps;
  }
  // Rates no 32-bit fraction holds are refused, not overflowed into.
  unsigned num, den;
  EXPECT_FALSE(FloatFrameRate(1e30, &num, &den));
  EXPECT_FALSE(FloatFrameRate(1e-30, &num, &den));
  const auto rate = [this](std::vector<Argument> args) {
    args.insert(args.begin(), Arg(ten_));
    const PClip c = Call("AssumeFPS", args);
    return c ? std::to_string(c->GetVideoInfo().fps_numerator) + "/" + std::to_string(c->GetVideoInfo().fps_denominator)
             : "";
  };
  EXPECT_EQ(rate({Arg(50), Arg(2)}), "25/1");
  EXPECT_EQ(rate({Arg(0)}), "0/1");
  EXPECT_EQ(rate({Str("NTSC_Film")}), "24000/1001");
  EXPECT_EQ(rate({Str("pal_video")}), "25/1");
  EXPECT_EQ(rate({Str("ntsc_round_quad")}), "2997/25");
  EXPECT_EQ(rate({Arg(Numbered(1, 30))}), "30/1");
  EXPECT_EQ(ErrorOf("AssumeFPS", {Arg(ten_), Arg(25), Arg(0)}), "AssumeFPS: Denominator cannot be 0 (zero).");
  EXPECT_EQ(ErrorOf("AssumeFPS", {Arg(ten_), {"", Value::Float(0)}}), "AssumeFPS: FPS must be greater then 0.\n");
  EXPECT_EQ(ErrorOf("AssumeFPS", {Arg(ten_), Str("pal")}), "AssumeFPS: invalid preset value used.\n");
}

TEST_F(Editing, SplicesJoinFramesAndCheckWhatMustMatch) {
  const PClip four = Call("Trim", {Arg(ten_), Arg(6), Arg(9)});
  for (const char* splice : {"UnalignedSplice", "AlignedSplice"}) {
    EXPECT_EQ(Frames(splice, {Arg(four), Arg(ten_), Arg(four)}),
              (std::vector<int>{6, 7, 8, 9, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 6, 7, 8, 9}));
    // A request past either end goes to the end clip, which clamps it.
    const PClip joined = Call(splice, {Arg(four), Arg(ten_)});
    EXPECT_EQ(joined->GetFrame(-5, &env_)->GetReadPtr()[0], 6);
    EXPECT_EQ(joined->GetFrame(99, &env_)->GetReadPtr()[0], 9);
  }
  const auto blank = [this](const char* type, int w, int h, double fps) {
    return Call("BlankClip", {Named("length", 2), Named("width", w), Named("height", h), Named("pixel_type", type),
                              Named("fps", fps)});
  };
  const PClip yv12 = blank("YV12", 4, 2, 25);
  EXPECT_EQ(ErrorOf("UnalignedSplice", {Arg(yv12), Arg(blank("YV12", 4, 4, 25))}), "Splice: Frame sizes don't match");
  EXPECT_EQ(ErrorOf("UnalignedSplice", {Arg(yv12), Arg(blank("YUY2", 4, 2, 25))}), "Splice: Video formats don't match");
  EXPECT_EQ(ErrorOf("AlignedSplice", {Arg(yv12), Arg(blank("YV12", 4, 2, 30))}),
            "Splice: Video framerate doesn't match");
  // YV12 and I420 are one format; rates within a millionth match; the first clip's rate stays.
  const PClip mixed = Call("UnalignedSplice", {Arg(yv12), Arg(blank("I420", 4, 2, 25.0000001))});
  EXPECT_EQ(mixed->GetVideoInfo().pixel_type, VideoInfo::CS_YV12);
  EXPECT_EQ(mixed->GetVideoInfo().num_frames, 4);
  EXPECT_EQ(mixed->GetVideoInfo().fps_numerator, 25u);
}

}  // namespace
}  // namespace tintara
