// The conversions between the five formats, held to bytes AviSynth+ 3.7.5 produced, the chroma
// resizer to its coefficient programs, and the refused sizes to AviSynth+'s messages.
#include <random>

#include "runtime/builtins/ChromaResizer.h"
#include "tests/script/BuiltinsFixture.h"

namespace tintara {
namespace {

using testing::Arg;
using testing::Named;

constexpr int kRgb24 = VideoInfo::CS_BGR24, kRgb32 = VideoInfo::CS_BGR32, kYuy2 = VideoInfo::CS_YUY2,
              kYv12 = VideoInfo::CS_YV12, kI420 = VideoInfo::CS_I420;

class Conversion : public BuiltinsFixture {};

std::vector<int> Repeat(const std::vector<int>& pattern, int times) {
  std::vector<int> out;
  for (int i = 0; i < times; ++i) out.insert(out.end(), pattern.begin(), pattern.end());
  return out;
}
std::vector<int> Join(std::initializer_list<std::vector<int>> parts) {
  std::vector<int> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// Each conversion pair on pictures whose AviSynth+ output is known: primaries and greys (the
// 255.5 scale shows in grey 200 -> Y 187), chroma windows at the row ends, clamped results,
// the odd pixel of a YUY2 pair blending with the next pair, and the resizer at picture edges.
TEST_F(Conversion, EveryPairGivesAviSynthsBytes) {
  const std::vector<int> black{0, 0, 0}, white{255, 255, 255}, red{0, 0, 255}, green{0, 255, 0}, blue{255, 0, 0};
  const struct {
    int from, w, h;
    std::vector<int> in;
    const char* call;
    std::vector<int> out;
  } cases[] = {
      {kRgb24, 2, 2, Repeat(red, 4), "ConvertToYV12", {81, 81, 81, 81, 90, 240}},
      {kRgb24, 2, 2, Repeat(blue, 4), "ConvertToYV12", {41, 41, 41, 41, 240, 110}},
      {kRgb24, 2, 2, Repeat({200, 200, 200}, 4), "ConvertToYV12", {187, 187, 187, 187, 128, 128}},
      {kRgb32, 2, 2, Repeat({255, 255, 255, 7}, 4), "ConvertToYV12", {235, 235, 235, 235, 128, 128}},
      {kRgb24, 6, 2, Repeat(Join({black, black, white, white, red, red}), 2), "ConvertToYV12",
       Join({Repeat({16, 16, 235, 235, 81, 81}, 2), {128, 128, 101}, {128, 129, 209}})},
      {kRgb24, 6, 2, Repeat(Join({black, black, white, white, red, red}), 2), "ConvertToI420",
       Join({Repeat({16, 16, 235, 235, 81, 81}, 2), {128, 128, 101}, {128, 129, 209}})},
      {kRgb24, 4, 1, Join({black, black, white, white}), "ConvertToYUY2", {16, 128, 16, 128, 235, 128, 235, 128}},
      {kRgb24, 4, 1, Join({red, green, blue, white}), "ConvertToYUY2", {81, 81, 144, 189, 41, 165, 235, 95}},
      {kRgb32,
       4,
       1,
       Join({red, {9}, green, {9}, black, {9}, black, {9}}),
       "ConvertToYUY2",
       {81, 81, 144, 189, 16, 110, 16, 105}},
      {kRgb24, 4, 1, Join({red, green, white, black}), "ConvertToYUY2", {81, 81, 144, 189, 235, 109, 16, 104}},
      {kRgb24, 1, 1, {10, 20, 30}, "ConvertToRGB32", {10, 20, 30, 255}},
      {kRgb24, 3, 1, {1, 2, 3, 4, 5, 6, 7, 8, 9}, "ConvertToRGB32", {1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255}},
      {kRgb32, 1, 1, {10, 20, 30, 40}, "ConvertToRGB24", {10, 20, 30}},
      {kYuy2,
       4,
       1,
       {16, 128, 235, 128, 81, 90, 145, 240},
       "ConvertToRGB24",
       {0, 0, 0, 217, 217, 255, 0, 0, 255, 74, 74, 255}},
      {kYuy2,
       4,
       1,
       {126, 128, 126, 128, 126, 240, 126, 16},
       "ConvertToRGB24",
       {128, 128, 128, 242, 152, 39, 255, 176, 0, 255, 176, 0}},
      {kYuy2, 2, 1, {126, 54, 200, 34}, "ConvertToRGB32", {0, 234, 0, 255, 65, 255, 64, 255}},
      {kYuy2, 2, 1, {255, 255, 0, 0}, "ConvertToRGB24", {255, 255, 74, 238, 36, 0}},
      {kYuy2, 2, 2, {50, 100, 60, 150, 70, 201, 80, 51}, "ConvertToYV12", {50, 60, 70, 80, 151, 101}},
      {kYv12, 2, 2, {16, 235, 126, 81, 90, 240}, "ConvertToRGB24", {0, 0, 179, 179, 179, 255, 52, 52, 255, 0, 0, 255}},
      {kI420,
       2,
       2,
       {16, 235, 126, 81, 90, 240},
       "ConvertToRGB",
       {0, 0, 179, 255, 179, 179, 255, 255, 52, 52, 255, 255, 0, 0, 255, 255}},
      {kYv12,
       4,
       2,
       {16, 60, 120, 235, 16, 60, 120, 235, 90, 200, 240, 60},
       "ConvertToRGB24",
       Repeat({0, 0, 163, 86, 27, 87, 255, 143, 29, 255, 255, 137}, 2)},
      {kYv12,
       4,
       4,
       Join({Repeat({126}, 16), {16, 240, 240, 16}, Repeat({128}, 4)}),
       "ConvertToRGB24",
       {0,   170, 128, 128, 128, 128, 255, 87,  128, 255, 79,  128, 23,  149, 128, 128,
        128, 128, 233, 108, 128, 254, 104, 128, 233, 108, 128, 128, 128, 128, 23,  149,
        128, 3,   153, 128, 255, 87,  128, 128, 128, 128, 0,   170, 128, 0,   178, 128}},
      {kYv12,
       2,
       6,
       Join({Repeat({100}, 12), {60, 120, 200}, {40, 128, 220}}),
       "ConvertToYUY2",
       {100, 60,  100, 40,  100, 60,  100, 40,  100, 105, 100, 106,
        100, 140, 100, 151, 100, 200, 100, 220, 100, 200, 100, 220}},
      {kYv12, 2, 2, {1, 2, 3, 4, 5, 6}, "ConvertToI420", {1, 2, 3, 4, 5, 6}},
  };
  for (const auto& c : cases) {
    const PClip in = FromBytes(c.from, c.w, c.h, c.in);
    const PClip out = Call(c.call, {Arg(in)});
    ASSERT_TRUE(out) << c.call;
    EXPECT_EQ(BytesOf(out), c.out) << c.call << " of " << c.w << "x" << c.h << " " << c.in[0] << " " << c.in[1];
  }
}

// Which clips the calls give: the same clip where AviSynth+ returns it unchanged (so I420 stays
// I420 under ConvertToYV12), RGB32 for ConvertToRGB from YUV.
TEST_F(Conversion, CallsKeepOrPickTheFormatAsAviSynthDoes) {
  const struct {
    int from;
    const char* call;
    int to;
    bool same;
  } cases[] = {
      {kRgb24, "ConvertToRGB24", kRgb24, true}, {kRgb24, "ConvertToRGB", kRgb24, true},
      {kRgb32, "ConvertToRGB", kRgb32, true},   {kYuy2, "ConvertToRGB", kRgb32, false},
      {kYv12, "ConvertToRGB", kRgb32, false},   {kI420, "ConvertToYV12", kI420, true},
      {kYv12, "ConvertToI420", kI420, false},   {kYuy2, "ConvertToI420", kI420, false},
  };
  for (const auto& c : cases) {
    const PClip in = FromBytes(c.from, 2, 2, std::vector<int>(io::FrameBytes(VideoInfoOf(c.from, 2, 2, 1)), 50));
    const PClip out = Call(c.call, {Arg(in)});
    ASSERT_TRUE(out);
    EXPECT_EQ(out->GetVideoInfo().pixel_type, c.to) << c.call;
    EXPECT_EQ(out.get() == in.get(), c.same) << c.call;
  }
}

TEST_F(Conversion, RefusedSizesAndArgumentsGiveTheirMessages) {
  const auto blank = [this](int type, int w, int h) {
    return FromBytes(type, w, h, std::vector<int>(io::FrameBytes(VideoInfoOf(type, w, h, 1))));
  };
  EXPECT_EQ(ErrorOf("ConvertToYUY2", {Arg(blank(kRgb24, 3, 2))}), "ConvertToYUY2: Image width must be even. Use Crop!");
  EXPECT_EQ(ErrorOf("ConvertToYV12", {Arg(blank(kRgb32, 3, 3))}), "Convert: Cannot convert if width isn't mod2!");
  EXPECT_EQ(ErrorOf("ConvertToYV12", {Arg(blank(kRgb24, 4, 3))}), "Convert: Cannot convert if height isn't mod2!");
  EXPECT_EQ(ErrorOf("ConvertToYV12", {Arg(blank(kYuy2, 4, 3))}), "ConvertToYV12: Image height must be multiple of 2");
  // Odd heights are fine where the rows are converted one by one.
  EXPECT_EQ(ErrorOf("ConvertToYUY2", {Arg(blank(kRgb24, 4, 3))}), "(no error)");
  EXPECT_EQ(ErrorOf("ConvertToRGB32", {Arg(blank(kYuy2, 2, 3))}), "(no error)");
  EXPECT_EQ(ErrorOf("ConvertToRGB24", {Arg(blank(kYv12, 2, 2)), Named("matrix", "rec601")}), "(no error)");
  EXPECT_EQ(ErrorOf("ConvertToRGB24", {Arg(blank(kYv12, 2, 2)), Named("matrix", "Rec709")}),
            "ConvertToRGB24: tintara converts only with the defaults (matrix \"Rec601\", interlaced=false, chroma "
            "placement \"MPEG2\", chromaresample \"bicubic\"); leave out matrix");
  EXPECT_NE(ErrorOf("ConvertToYV12", {Arg(blank(kRgb24, 2, 2)), Named("interlaced", true)}), "(no error)");
}

// Every output byte is written and nothing outside the rows is read: the same random pictures
// converted in frames poisoned two ways give the same bytes (and the sanitizers see the reads),
// at the tiny and odd sizes where windows and resizer taps meet the edges.
TEST(ConversionEdges, EveryPairWritesEveryByteAtEdgeSizes) {
  std::mt19937 random(15);
  const int types[] = {kRgb24, kRgb32, kYuy2, kYv12, kI420};
  const char* calls[] = {"ConvertToRGB24", "ConvertToRGB32", "ConvertToYUY2", "ConvertToYV12", "ConvertToI420"};
  const int sizes[][2] = {{1, 1}, {2, 2}, {3, 1}, {4, 2}, {6, 4}, {2, 6}, {10, 2}, {258, 6}};
  for (const int from : types)
    for (const auto& size : sizes) {
      VideoInfo vi = VideoInfoOf(from, size[0], size[1], 1);
      if ((from != kRgb24 && from != kRgb32) && (size[0] & 1)) continue;
      if ((from == kYv12 || from == kI420) && (size[1] & 1)) continue;
      std::vector<uint8_t> bytes(io::FrameBytes(vi));
      for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
      for (const char* call : calls) {
        std::vector<std::vector<uint8_t>> outputs;
        for (const uint8_t poison : {0x00, 0xFF}) {
          Environment::Options o;
          o.poison = true;
          o.poison_value = poison;
          Environment env(o);
          RegisterBuiltins(env);
          PVideoFrame f = env.NewVideoFrame(vi);
          io::LoadFrame(bytes.data(), vi, io::FileLayout::Raw, f);
          Value v;
          std::string why;
          try {
            v = env.Call(call, {Arg(env.Cached(PClip(new MemoryClip(vi, {f}))))});
          } catch (const AvisynthError&) {
            continue;  // a size the conversion refuses
          }
          const VideoInfo& out = v.clip->GetVideoInfo();
          outputs.emplace_back(io::FrameBytes(out));
          io::StoreFrame(v.clip->GetFrame(0, &env), out, io::FileLayout::Raw, outputs.back().data());
        }
        if (outputs.size() == 2) {
          EXPECT_EQ(outputs[0], outputs[1]) << call << " " << size[0] << "x" << size[1];
        }
      }
    }
}

// The resizer's programs as AviSynth+ computes them: "start:coefficients" per output sample.
std::string Program(const ResizeProgram& p) {
  std::string s;
  for (size_t i = 0; i < p.start.size(); ++i) {
    s += (i ? "; " : "") + std::to_string(p.start[i]) + ":";
    for (int k = 0; k < p.count[i]; ++k)
      s += (k ? "," : "") + std::to_string(p.coefficients[p.first_coefficient[i] + k]);
  }
  return s;
}

TEST(ChromaResizer, ProgramsFoldEdgeTapsAndRoundOnTheRunningSum) {
  EXPECT_EQ(Program(ChromaUpHorizontal(12)),
            "0:15474,910,0; 0:8192,8761,-569; 0:910,14564,910,0; 0:-568,8760,8761,-569; 1:910,14564,910,0; "
            "1:-568,8760,8761,-569; 2:910,14564,910,0; 2:-568,8760,8761,-569; 3:910,14564,910; 3:-568,8760,8192; "
            "4:910,15474; 4:-568,16952");
  EXPECT_EQ(Program(ChromaUpVertical(12)),
            "0:16768,-384; 0:12430,4196,-242; 0:3954,12814,-384; 0:-383,12813,4196,-242; 0:-241,4195,12814,-384; "
            "1:-383,12813,4196,-242; 1:-241,4195,12814,-384; 2:-383,12813,4196,-242; 2:-241,4195,12814,-384; "
            "3:-383,12813,3954; 3:-241,4195,12430; 4:-383,16767");
  EXPECT_EQ(Program(ChromaDownHorizontal(12)),
            "0:11833,4380,455,-284,0; 0:171,4380,7282,4380,455,-284,0; 1:-283,454,4380,7282,4380,455,-284,0; "
            "3:-283,454,4380,7282,4380,455,-284,0; 5:-283,454,4380,7282,4380,455,-284; 7:-283,454,4380,7282,4551");
  EXPECT_EQ(Program(ChromaDownVertical(12)),
            "0:8192,6407,2098,-192,-121; 0:-312,2097,6407,6407,2098,-192,-121; "
            "1:-120,-192,2097,6407,6407,2098,-192,-121; 3:-120,-192,2097,6407,6407,2098,-192,-121; "
            "5:-120,-192,2097,6407,6407,2098,-313; 7:-120,-192,2097,6407,8192");
  EXPECT_EQ(Program(ChromaUpHorizontal(2)), "0:16384; 0:16384");
  EXPECT_EQ(Program(ChromaUpVertical(2)), "0:16384; 0:16384");
  EXPECT_EQ(Program(ChromaDownHorizontal(2)), "0:11833,4551");
  EXPECT_EQ(Program(ChromaDownVertical(2)), "0:8192,8192");
  EXPECT_EQ(Program(ChromaUpHorizontal(4)), "0:15474,910; 0:8192,8192; 0:910,15474; 0:-568,16952");
}

// The interior runs phase by phase in vector lanes; it must give what the taps say, output by
// output, wherever the interior starts and ends (widths around the 32-sample blocks).
TEST(ChromaResizer, PlanesResizeExactlyAsTheirProgramsSay) {
  std::mt19937 random(7);
  const auto direct = [](const ResizeProgram& p, const std::vector<BYTE>& in, int at) {
    int sum = 8192;
    for (int k = 0; k < p.count[at]; ++k) sum += p.coefficients[p.first_coefficient[at] + k] * in[p.start[at] + k];
    return static_cast<BYTE>(std::max(0, std::min(255, sum >> 14)));
  };
  for (const int w : {4, 30, 64, 66, 130, 200})
    for (const int h : {2, 6, 40}) {
      for (const bool up : {false, true}) {
        const int sw = up ? w / 2 : w, sh = up ? h / 2 : h;
        std::vector<BYTE> src(static_cast<size_t>(sw) * sh);
        for (BYTE& b : src) b = static_cast<BYTE>(random() % 3 == 0 ? (random() & 1) * 255 : random());
        const ResizeProgram ph = up ? ChromaUpHorizontal(w) : ChromaDownHorizontal(w);
        const ResizeProgram pv = up ? ChromaUpVertical(h) : ChromaDownVertical(h);
        const int tw = static_cast<int>(ph.start.size()), th = static_cast<int>(pv.start.size());
        std::vector<BYTE> got(static_cast<size_t>(tw) * th);
        ResizePlane({src.data(), sw, sw, sh}, ph, pv, got.data(), tw);
        std::vector<BYTE> across(static_cast<size_t>(tw) * sh), want(got.size());
        for (int y = 0; y < sh; ++y)
          for (int x = 0; x < tw; ++x)
            across[y * tw + x] = direct(ph, std::vector<BYTE>(src.begin() + y * sw, src.begin() + (y + 1) * sw), x);
        for (int x = 0; x < tw; ++x) {
          std::vector<BYTE> column(static_cast<size_t>(sh));
          for (int y = 0; y < sh; ++y) column[y] = across[y * tw + x];
          for (int y = 0; y < th; ++y) want[y * tw + x] = direct(pv, column, y);
        }
        EXPECT_EQ(got, want) << (up ? "up " : "down ") << w << "x" << h;
      }
    }
}

}  // namespace
}  // namespace tintara
