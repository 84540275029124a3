// ColorBars, BlankClip's arguments, and the functions that place rows and pixels (Crop,
// AddBorders, the flips, the stacks), held to AviSynth+'s bytes and messages. Bytes are in file
// order: picture rows top first, so RGB's bottom-up storage is tested on the way.
#include "tests/script/BuiltinsFixture.h"

namespace tintara {
namespace {

using testing::Arg;
using testing::Named;

constexpr int kRgb24 = VideoInfo::CS_BGR24, kRgb32 = VideoInfo::CS_BGR32, kYuy2 = VideoInfo::CS_YUY2,
              kYv12 = VideoInfo::CS_YV12, kI420 = VideoInfo::CS_I420;

class Geometry : public BuiltinsFixture {
 protected:
  PClip Bars(int w, int h, const char* type) {
    return Call("ColorBars", {Named("width", w), Named("height", h), Named("pixel_type", type)});
  }
  // Row y of a frame in file order.
  std::vector<int> Row(const std::vector<int>& bytes, int row_bytes, int y) {
    return std::vector<int>(bytes.begin() + y * row_bytes, bytes.begin() + (y + 1) * row_bytes);
  }
  // The picture column where each colour run of a row ends (exclusive), for `bytes` per pixel.
  std::vector<int> RunEnds(const std::vector<int>& row, int bytes) {
    std::vector<int> ends;
    for (size_t x = bytes; x <= row.size(); x += bytes)
      if (x == row.size() || !std::equal(row.begin() + x - bytes, row.begin() + x, row.begin() + x))
        ends.push_back(static_cast<int>(x / bytes));
    return ends;
  }
};

TEST_F(Geometry, ColorBarsDrawsAviSynthsBars) {
  const std::vector<int> rgb = BytesOf(Bars(7, 4, "RGB24"));
  EXPECT_EQ(Row(rgb, 21, 0), (std::vector<int>{0xb4, 0xb4, 0xb4, 0x10, 0xb4, 0xb4, 0xb4, 0xb4, 0x10, 0x10, 0xb4,
                                               0x10, 0xb4, 0x10, 0xb4, 0x10, 0x10, 0xb4, 0xb4, 0x10, 0x10}));
  EXPECT_EQ(Row(rgb, 21, 3), (std::vector<int>{0x6a, 0x46, 0x10, 0xeb, 0xeb, 0xeb, 0xeb, 0xeb, 0xeb, 0x76, 0x10,
                                               0x48, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10}));
  const std::vector<int> yuy2 = BytesOf(Bars(14, 8, "YUY2"));
  const std::vector<int> top{0xb4, 0x80, 0xb4, 0x80, 0xa2, 0x2c, 0xa2, 0x8e, 0x83, 0x9c, 0x83, 0x2c, 0x70, 0x48,
                             0x70, 0x3a, 0x54, 0xb8, 0x54, 0xc6, 0x41, 0x64, 0x41, 0xd4, 0x23, 0xd4, 0x23, 0x72};
  for (int y = 0; y < 6; ++y) EXPECT_EQ(Row(yuy2, 28, y), top) << y;
  const std::vector<int> bottom{0x10, 0x9e, 0x10, 0x5f, 0xeb, 0x80, 0xeb, 0x80, 0xeb, 0x80, 0xeb, 0x80, 0x10, 0xae,
                                0x10, 0x95, 0x10, 0x80, 0x10, 0x80, 0x10, 0x80, 0x10, 0x80, 0x10, 0x80, 0x10, 0x80};
  EXPECT_EQ(Row(yuy2, 28, 6), bottom);
  EXPECT_EQ(Row(yuy2, 28, 7), bottom);
  const std::vector<int> yv12 = BytesOf(Bars(8, 8, "YV12"));
  for (int y = 0; y < 6; ++y)
    EXPECT_EQ(Row(yv12, 8, y), (std::vector<int>{0xb4, 0xb4, 0x83, 0x83, 0x54, 0x54, 0x23, 0x23}));
  EXPECT_EQ(Row(yv12, 8, 7), std::vector<int>(8, 0x10));
  EXPECT_EQ(std::vector<int>(yv12.begin() + 64, yv12.end()),
            (std::vector<int>{0x80, 0x9c, 0xb8, 0xd4, 0x80, 0x9c, 0xb8, 0xd4, 0x80, 0x9c, 0xb8,
                              0xd4, 0x9e, 0xae, 0x80, 0x80, 0x80, 0x2c, 0xc6, 0x72, 0x80, 0x2c,
                              0xc6, 0x72, 0x80, 0x2c, 0xc6, 0x72, 0x5f, 0x95, 0x80, 0x80}));
  // Width 1: the green bar on top (alpha 0), the +Q bar at the bottom.
  const std::vector<int> one = BytesOf(Bars(1, 4, "RGB32"));
  EXPECT_EQ(one,
            (std::vector<int>{0x10, 0xb4, 0x10, 0, 0x10, 0xb4, 0x10, 0, 0x10, 0xb4, 0x10, 0, 0x76, 0x10, 0x48, 0}));
}

// Bars are cut on the format's coarsest columns and bands on its chroma rows, so 640x480 YV12
// bars sit elsewhere than RGB's, and band heights depend on the format.
TEST_F(Geometry, ColorBarsBandsAndBarEndsFollowTheFormatsGrid) {
  const PClip rgb = Bars(640, 480, "RGB32");
  EXPECT_EQ(rgb->GetVideoInfo().num_frames, 107892);
  EXPECT_EQ(rgb->GetVideoInfo().fps_numerator, 30000u);
  EXPECT_EQ(rgb->GetVideoInfo().fps_denominator, 1001u);
  const std::vector<int> bytes = BytesOf(rgb);
  EXPECT_EQ(RunEnds(Row(bytes, 2560, 319), 4), (std::vector<int>{91, 183, 274, 366, 457, 549, 640}));
  EXPECT_EQ(Row(bytes, 2560, 320), Row(bytes, 2560, 359));
  EXPECT_NE(Row(bytes, 2560, 319), Row(bytes, 2560, 320));
  EXPECT_NE(Row(bytes, 2560, 359), Row(bytes, 2560, 360));
  EXPECT_EQ(RunEnds(Row(bytes, 2560, 479), 4), (std::vector<int>{114, 229, 343, 457, 488, 518, 549, 640}));
  EXPECT_EQ(RunEnds(Row(BytesOf(Bars(640, 480, "YV12")), 640, 0), 1),
            (std::vector<int>{92, 182, 274, 366, 458, 548, 640}));
  // Band heights: each row compared with rows 0 (top), 28 (middle) and 39 (bottom) of 8x40 bars.
  const auto bands = [this](const char* type, int h) {
    const std::vector<int> b = BytesOf(Bars(8, h, type)), tall = BytesOf(Bars(8, 40, type));
    const int row = type[0] == 'R' ? 24 : type[1] == 'U' ? 16 : 8;
    std::string s;
    for (int y = 0; y < h; ++y)
      s += Row(b, row, y) == Row(tall, row, 0)    ? 't'
           : Row(b, row, y) == Row(tall, row, 28) ? 'm'
           : Row(b, row, y) == Row(tall, row, 39) ? 'b'
                                                  : '?';
    return s;
  };
  EXPECT_EQ(bands("RGB24", 10), "tttttttmbb");
  EXPECT_EQ(bands("YUY2", 10), "tttttttmbb");
  EXPECT_EQ(bands("YV12", 10), "ttttttttbb");
  EXPECT_EQ(bands("YV12", 8), "ttttttbb");
  EXPECT_EQ(bands("RGB24", 3), "ttm");
  EXPECT_EQ(ErrorOf("ColorBars", {Named("pixel_type", "I420")}), "ColorBars: this pixel_type not supported");
  EXPECT_EQ(ErrorOf("ColorBars", {Named("pixel_type", "RGB")}), "ColorBars: this pixel_type not supported");
  EXPECT_EQ(ErrorOf("ColorBars", {Named("width", 7), Named("pixel_type", "yuy2")}),
            "ColorBars: YUY2 width must be even!");
  EXPECT_EQ(ErrorOf("ColorBars", {Named("height", 5), Named("pixel_type", "YV12")}),
            "ColorBars: for 4:2:0 both height and width must be even!");
}

TEST_F(Geometry, BlankClipArgumentsFollowAviSynth) {
  const auto rate = [this](std::vector<Argument> args) {
    const PClip c = Call("BlankClip", args);
    return c ? std::to_string(c->GetVideoInfo().fps_numerator) + "/" + std::to_string(c->GetVideoInfo().fps_denominator)
             : "";
  };
  EXPECT_EQ(rate({}), "24/1");
  EXPECT_EQ(rate({Named("fps", 25)}), "25/1");
  EXPECT_EQ(rate({Named("fps", 29.97)}), "31425823/1048576");
  EXPECT_EQ(rate({Named("fps", 23.976)}), "12570329/524288");
  EXPECT_EQ(rate({Named("fps", 29.97), Named("fps_denominator", 1)}), "30/1");
  EXPECT_EQ(rate({Named("fps", 30000), Named("fps_denominator", 1001)}), "30000/1001");
  EXPECT_EQ(rate({Named("fps", 50), Named("fps_denominator", 2)}), "25/1");
  // A template lends everything; arguments override it.
  const PClip bars = Bars(8, 4, "YUY2");
  const PClip copy = Call("BlankClip", {Arg(bars), Named("length", 3)});
  EXPECT_EQ(copy->GetVideoInfo().pixel_type, kYuy2);
  EXPECT_EQ(copy->GetVideoInfo().fps_denominator, 1001u);
  EXPECT_EQ(copy->GetVideoInfo().num_frames, 3);
  EXPECT_EQ(Call("BlankClip", {Argument{"clip", Value::Clip(bars)}})->GetVideoInfo().num_frames, 107892);
  EXPECT_EQ(ErrorOf("BlankClip", {Arg(bars), Argument{"clip", Value::Clip(bars)}}),
            "BlankClip: Only 1 Template clip allowed.");
  EXPECT_EQ(Call("BlankClip", {Named("length", 0)})->GetVideoInfo().num_frames, 0);
  // Colours: RGB32 keeps the alpha byte, YUV ignores it; color_yuv is YUV's own.
  EXPECT_EQ(BytesOf(Call("BlankClip",
                         {Named("width", 1), Named("height", 1), Named("color", static_cast<int>(0xFF102030u))})),
            (std::vector<int>{0x30, 0x20, 0x10, 0xff}));
  EXPECT_EQ(BytesOf(Call("BlankClip", {Named("width", 2), Named("height", 1), Named("pixel_type", "YUY2"),
                                       Named("color", 0x7FFF0000)})),
            (std::vector<int>{81, 91, 81, 240}));
  EXPECT_EQ(BytesOf(Call("BlankClip", {Named("width", 2), Named("height", 2), Named("pixel_type", "I420"),
                                       Named("color", 0), Named("color_yuv", 0x123456)})),
            (std::vector<int>{0x12, 0x12, 0x12, 0x12, 0x34, 0x56}));
  EXPECT_EQ(ErrorOf("BlankClip", {Named("pixel_type", "YV12"), Named("color", 1), Named("color_yuv", 2)}),
            "BlankClip: color and color_yuv are mutually exclusive");
  EXPECT_EQ(ErrorOf("BlankClip", {Named("color_yuv", 2)}), "BlankClip: color_yuv only valid for YUV color spaces");
  EXPECT_EQ(ErrorOf("BlankClip", {Named("width", 6), Named("height", 3), Named("pixel_type", "YV12")}),
            "Filter Error: Attempted to request a planar frame that wasn't mod2 in height!");
  EXPECT_EQ(ErrorOf("BlankClip", {Named("width", 3), Named("pixel_type", "YUY2")}),
            "Filter Error: Attempted to request an YUY2 frame that wasn't mod2 in width.");
  EXPECT_EQ(ErrorOf("BlankClip", {Named("pixel_type", "YV24")}),
            "BlankClip: pixel_type \"YV24\" is a format tintara does not have; use RGB24, RGB32, YUY2, YV12 or I420");
}

TEST_F(Geometry, CropCutsInPictureRowsAndChecksInAviSynthsOrder) {
  // A 4x3 RGB24 picture whose pixel (x, y) is (x, y, 7): top counts from the top of the picture.
  std::vector<int> rgb;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) rgb.insert(rgb.end(), {x, y, 7});
  const PClip src = FromBytes(kRgb24, 4, 3, rgb);
  EXPECT_EQ(BytesOf(Call("Crop", {Arg(src), Arg(1), Arg(1), Arg(2), Arg(1)})), (std::vector<int>{1, 1, 7, 2, 1, 7}));
  EXPECT_EQ(BytesOf(Call("Crop", {Arg(src), Arg(2), Arg(0), Arg(0), Arg(-2)})), (std::vector<int>{2, 0, 7, 3, 0, 7}));
  EXPECT_EQ(BytesOf(Call("Crop", {Arg(src), Arg(0), Arg(1), Arg(-3), Arg(0)})), (std::vector<int>{0, 1, 7, 0, 2, 7}));
  EXPECT_EQ(BytesOf(Call("CropBottom", {Arg(src), Arg(2)})), (std::vector<int>{0, 0, 7, 1, 0, 7, 2, 0, 7, 3, 0, 7}));
  // YV12: planes by name, chroma from left/2 and top/2.
  std::vector<int> yv12;
  for (int i = 0; i < 16; ++i) yv12.push_back(i);
  yv12.insert(yv12.end(), {100, 101, 102, 103, 200, 201, 202, 203});
  EXPECT_EQ(BytesOf(Call("Crop", {Arg(FromBytes(kYv12, 4, 4, yv12)), Arg(2), Arg(2), Arg(2), Arg(2)})),
            (std::vector<int>{10, 11, 14, 15, 103, 203}));
  const PClip yuy2 = FromBytes(kYuy2, 8, 2, std::vector<int>(32));
  const PClip planar = FromBytes(kI420, 8, 4, std::vector<int>(48));
  const struct {
    PClip clip;
    int left, top, width, height;
    const char* message;
  } refused[] = {
      {src, -1, 0, 0, 0, "Crop: Top and Left must be more than 0"},
      {src, 4, 0, 0, 0, "Crop: Destination width is 0 or less."},
      {src, 9, 0, 0, 0, "Crop: Destination width is 0 or less."},
      {src, 0, 1, 0, -2, "Crop: Destination height is 0 or less."},
      {src, 1, 0, 4, 0, "Crop: you cannot use crop to enlarge or 'shift' a clip"},
      {yuy2, 1, 0, 2, 0, "Crop: YUV image can only be cropped by Mod 2 (left side)."},
      {yuy2, 2, 0, -3, 0, "Crop: YUV image can only be cropped by Mod 2 (right side)."},
      {yuy2, 0, 1, 0, 1, "(no error)"},
      {planar, 0, 1, 0, 0, "Crop: YUV image can only be cropped by Mod 2 (top)."},
      {planar, 0, 0, 0, 3, "Crop: YUV image can only be cropped by Mod 2 (bottom)."},
  };
  for (const auto& r : refused)
    EXPECT_EQ(ErrorOf("Crop", {Arg(r.clip), Arg(r.left), Arg(r.top), Arg(r.width), Arg(r.height)}), r.message)
        << r.left << "," << r.top << "," << r.width << "," << r.height;
}

TEST_F(Geometry, AddBordersPaintsEachFormatsColourBytes) {
  const PClip white =
      Call("BlankClip", {Named("width", 2), Named("height", 2), Named("pixel_type", "YV12"), Named("color", 0xFFFFFF)});
  std::vector<int> luma(36, 0x10);
  for (int i : {14, 15, 20, 21}) luma[i] = 0xeb;
  luma.insert(luma.end(), 18, 0x80);
  EXPECT_EQ(BytesOf(Call("AddBorders", {Arg(white), Arg(2), Arg(2), Arg(2), Arg(2)})), luma);
  // RGB32 borders carry the colour's alpha; RGB keeps the picture where its rows are.
  const PClip dot = FromBytes(kRgb32, 1, 1, {1, 2, 3, 4});
  EXPECT_EQ(BytesOf(Call("AddBorders", {Arg(dot), Arg(0), Arg(1), Arg(1), Arg(-4), Named("color", 0x40102030)})),
            (std::vector<int>{0x30, 0x20, 0x10, 0x40, 0x30, 0x20, 0x10, 0x40, 1, 2, 3, 4, 0x30, 0x20, 0x10, 0x40}));
  // YUY2 ignores the alpha byte (AviSynth+ adds it into the chroma bytes); odd top is fine.
  const PClip pair = FromBytes(kYuy2, 2, 1, {50, 60, 70, 80});
  EXPECT_EQ(BytesOf(Call("AddBorders",
                         {Arg(pair), Arg(2), Arg(1), Arg(0), Arg(0), Named("color", static_cast<int>(0xFF000000))})),
            (std::vector<int>{16, 128, 16, 128, 16, 128, 16, 128, 16, 128, 16, 128, 50, 60, 70, 80}));
  EXPECT_EQ(BytesOf(Call("AddBorders", {Arg(pair), Arg(0), Arg(0), Arg(2), Arg(0), Named("color_yuv", 0x123456)})),
            (std::vector<int>{50, 60, 70, 80, 0x12, 0x34, 0x12, 0x56}));
  const PClip planar = FromBytes(kYv12, 2, 2, std::vector<int>(6));
  const struct {
    int left, top, right, bottom;
    const char* message;
  } refused[] = {
      {1, 0, 0, 0, "AddBorders: YUV image can only add by Mod 2 (left side)."},
      {0, 1, 1, 0, "AddBorders: YUV image can only add by Mod 2 (right side)."},
      {0, 1, 0, 1, "AddBorders: YUV image can only add by Mod 2 (top)."},
      {0, 0, 0, 3, "AddBorders: YUV image can only add by Mod 2 (bottom)."},
      {-1, -3, 0, 0, "(no error)"},
  };
  for (const auto& r : refused)
    EXPECT_EQ(ErrorOf("AddBorders", {Arg(planar), Arg(r.left), Arg(r.top), Arg(r.right), Arg(r.bottom)}), r.message);
  EXPECT_EQ(ErrorOf("AddBorders", {Arg(dot), Arg(0), Arg(0), Arg(0), Arg(0), Named("color_yuv", 1)}),
            "AddBorders: color_yuv only valid for YUV color spaces");
}

TEST_F(Geometry, FlipsMoveWholePixelsAndKeepYuy2ChromaWithItsPair) {
  const struct {
    int type, w, h;
    std::vector<int> in, horizontal, vertical;
  } cases[] = {
      {kRgb24,
       2,
       2,
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
       {4, 5, 6, 1, 2, 3, 10, 11, 12, 7, 8, 9},
       {7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}},
      {kRgb32, 2, 1, {1, 2, 3, 4, 5, 6, 7, 8}, {5, 6, 7, 8, 1, 2, 3, 4}, {1, 2, 3, 4, 5, 6, 7, 8}},
      {kYuy2,
       4,
       2,
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16},
       {7, 6, 5, 8, 3, 2, 1, 4, 15, 14, 13, 16, 11, 10, 9, 12},
       {9, 10, 11, 12, 13, 14, 15, 16, 1, 2, 3, 4, 5, 6, 7, 8}},
      {kYv12,
       4,
       2,
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
       {4, 3, 2, 1, 8, 7, 6, 5, 10, 9, 12, 11},
       {5, 6, 7, 8, 1, 2, 3, 4, 9, 10, 11, 12}},
  };
  for (const auto& c : cases) {
    const PClip in = FromBytes(c.type, c.w, c.h, c.in);
    EXPECT_EQ(BytesOf(Call("FlipHorizontal", {Arg(in)})), c.horizontal) << c.w << "x" << c.h;
    EXPECT_EQ(BytesOf(Call("FlipVertical", {Arg(in)})), c.vertical) << c.w << "x" << c.h;
  }
}

TEST_F(Geometry, StacksMatchFormatsAsOneAndRunToTheLongestClip) {
  const PClip a = FromBytes(kYv12, 2, 2, {1, 2, 3, 4, 5, 6}), b = FromBytes(kI420, 2, 2, {7, 8, 9, 10, 11, 12});
  const PClip side = Call("StackHorizontal", {Arg(b), Arg(a)});
  EXPECT_EQ(side->GetVideoInfo().pixel_type, kI420);
  EXPECT_EQ(BytesOf(side), (std::vector<int>{7, 8, 1, 2, 9, 10, 3, 4, 11, 5, 12, 6}));
  EXPECT_EQ(BytesOf(Call("StackVertical", {Arg(a), Arg(b)})),
            (std::vector<int>{1, 2, 3, 4, 7, 8, 9, 10, 5, 11, 6, 12}));
  const PClip three = Call("StackVertical", {Arg(Numbered(3)), Arg(Numbered(5, 30))});
  EXPECT_EQ(three->GetVideoInfo().num_frames, 5);
  EXPECT_EQ(three->GetVideoInfo().fps_numerator, 25u);
  EXPECT_EQ(three->GetFrame(4, &env_)->GetReadPtr()[0], 4);  // the lower clip's first byte
  EXPECT_EQ(ErrorOf("StackHorizontal", {Arg(a), Arg(FromBytes(kYv12, 2, 4, std::vector<int>(12)))}),
            "StackHorizontal: image heights don't match");
  EXPECT_EQ(ErrorOf("StackVertical", {Arg(a), Arg(FromBytes(kYv12, 4, 2, std::vector<int>(12)))}),
            "StackVertical: image widths don't match");
  EXPECT_EQ(ErrorOf("StackVertical", {Arg(a), Arg(FromBytes(kYuy2, 2, 2, std::vector<int>(8)))}),
            "StackVertical: image formats don't match");
}

}  // namespace
}  // namespace tintara
