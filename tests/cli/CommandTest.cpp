// The `tintara` command end to end: bytes of every output format, agreement with ffmpeg in
// both directions, frame ranges, threads, standard input, and messages with exit statuses.
#include <string>

#include "tests/cli/CliSupport.h"

namespace tintara::testing {
namespace {

struct RawFormat {
  const char* type;    // pixel_type
  const char* ffmpeg;  // ffmpeg's rawvideo name
  size_t bytes;        // one 16x8 frame
};
const RawFormat kFormats[] = {
    {"RGB24", "bgr24", 16 * 8 * 3},      {"RGB32", "bgra", 16 * 8 * 4},       {"YUY2", "yuyv422", 16 * 8 * 2},
    {"YV12", "yuv420p", 16 * 8 * 3 / 2}, {"I420", "yuv420p", 16 * 8 * 3 / 2},
};

std::string Source(const std::string& file, const std::string& type, int width = 16) {
  return "RawSource(\"" + file + "\", width=" + std::to_string(width) + ", height=8, pixel_type=\"" + type + "\")\n";
}

class Command : public CliTest {};

// At width 128 every row fills its pitch, so the rows of a YUV frame (and its planes) lie back
// to back in memory and are written in long runs.
TEST_F(Command, RawThroughTintaraIsByteIdenticalInEveryFormat) {
  for (int width : {16, 128}) {
    for (const RawFormat& f : kFormats) {
      SCOPED_TRACE(width);
      const std::string frames = Pattern(3 * f.bytes * width / 16, 1);
      Put("in.raw", frames);
      Put("copy.avs", Source("in.raw", f.type, width));
      const Outcome o = Tintara("--quiet copy.avs out.raw");
      ASSERT_EQ(o.status, 0) << f.type << ": " << o.err;
      EXPECT_EQ(Get("out.raw"), frames) << f.type;
      if (std::string(f.type).compare(0, 3, "RGB") == 0) continue;
      // And through a Y4M file of ours.
      ASSERT_EQ(Tintara("copy.avs out.y4m").status, 0) << f.type;
      Put("back.avs", "RawSource(\"out.y4m\", pixel_type=\"" + std::string(f.type) + "\")");
      ASSERT_EQ(Tintara("back.avs back.raw").status, 0) << f.type;
      EXPECT_EQ(Get("back.raw"), frames) << f.type;
    }
  }
}

TEST_F(Command, RawRowsComeOutTopRowFirstInFfmpegLayouts) {
  // Red above blue, one pixel pair per row; bytes from AviSynth+'s single-colour rule (red
  // 81/91/240, blue 41/240/110) and ffmpeg's layouts: bgr24 B,G,R; bgra B,G,R,A; yuyv422 Y0 U Y1 V;
  // yuv420p the Y rows, then U, then V.
  const std::pair<const char*, std::string> cases[] = {
      {"RGB24", std::string("\x00\x00\xFF\x00\x00\xFF\xFF\x00\x00\xFF\x00\x00", 12)},
      {"RGB32", std::string("\x00\x00\xFF\x00\x00\x00\xFF\x00\xFF\x00\x00\x00\xFF\x00\x00\x00", 16)},
      {"YUY2", std::string("\x51\x5B\x51\xF0\x29\xF0\x29\x6E", 8)},
      {"YV12", std::string("\x51\x51\x51\x51\x29\x29\x29\x29\x5B\xF0\xF0\x6E", 12)},
      {"I420", std::string("\x51\x51\x51\x51\x29\x29\x29\x29\x5B\xF0\xF0\x6E", 12)},
  };
  for (const auto& c : cases) {
    const std::string type = c.first;
    const std::string height = type == "YV12" || type == "I420" ? "2" : "1";
    Put("rows.avs", "StackVertical(BlankClip(length=1, width=2, height=" + height + ", color=$FF0000, pixel_type=\"" +
                        type + "\"), BlankClip(length=1, width=2, height=" + height + ", color=$0000FF, pixel_type=\"" +
                        type + "\"))");
    const Outcome o = Tintara("rows.avs rows.raw");
    ASSERT_EQ(o.status, 0) << type << ": " << o.err;
    EXPECT_EQ(Get("rows.raw"), c.second) << type;
  }
}

TEST_F(Command, FfmpegDecodesOurY4mAndWeReadFfmpegs) {
  ASSERT_TRUE(HaveFfmpeg()) << "ffmpeg is missing: scripts/install-deps installs it";
  const struct {
    const char* type;
    const char* raw;  // layout of our raw frames
    const char* y4m;  // the layout ffmpeg writes into a Y4M for it
  } cases[] = {{"YV12", "yuv420p", "yuv420p"}, {"I420", "yuv420p", "yuv420p"}, {"YUY2", "yuyv422", "yuv422p"}};
  for (const auto& c : cases) {
    const size_t bytes = std::string(c.type) == "YUY2" ? 256 : 192;
    const std::string frames = Pattern(4 * bytes, 7);
    Put("in.raw", frames);
    Put("y4m.avs", Source("in.raw", c.type));
    ASSERT_EQ(Tintara("y4m.avs ours.y4m").status, 0) << c.type;
    ASSERT_EQ(Shell(std::string("ffmpeg -v error -y -i ours.y4m -f rawvideo -pix_fmt ") + c.raw + " decoded.raw"), 0);
    EXPECT_EQ(Get("decoded.raw"), frames) << c.type;

    ASSERT_EQ(Shell(std::string("ffmpeg -v error -y -f rawvideo -pix_fmt ") + c.raw +
                    " -s 16x8 -r 25 -i in.raw -pix_fmt " + c.y4m + " theirs.y4m"),
              0);
    Put("read.avs", "RawSource(\"theirs.y4m\")");
    const Outcome o = Tintara("read.avs read.raw");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(Get("read.raw"), frames) << c.type;
  }
}

TEST_F(Command, Y4mHeaderCarriesSizeRateAndChroma) {
  Put("h.avs", "BlankClip(length=2, width=6, height=4, fps=30, pixel_type=\"YUY2\")");
  const Outcome o = Tintara("h.avs -");
  ASSERT_EQ(o.status, 0);
  const std::string header = "YUV4MPEG2 W6 H4 F30:1 Ip A1:1 C422\nFRAME\n";
  ASSERT_EQ(o.out.size(), 2 * (6 + 48) + header.size() - 6);
  EXPECT_EQ(o.out.substr(0, header.size()), header);
  // Planar 4:2:2 in the file: 24 luma bytes of black, then 12 U and 12 V of 128.
  EXPECT_EQ(o.out.substr(header.size(), 24), std::string(24, '\x10'));
  EXPECT_EQ(o.out.substr(header.size() + 24, 24), std::string(24, '\x80'));
}

TEST_F(Command, PngFramesAreRgbPicturesFfmpegReadsTopRowFirst) {
  Put("png.avs",
      "StackVertical(BlankClip(length=2, width=4, height=2, color=$FF0000, pixel_type=\"YV12\"), "
      "BlankClip(length=2, width=4, height=2, color=$00FF00, pixel_type=\"YV12\"))");
  const Outcome o = Tintara("png.avs 'f%03d.png'");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(Exists("f000.png") && Exists("f001.png"));
  EXPECT_FALSE(Exists("f002.png"));
  ASSERT_TRUE(HaveFfmpeg()) << "ffmpeg is missing: scripts/install-deps installs it";
  ASSERT_EQ(Shell("ffmpeg -v error -y -i f001.png -f rawvideo -pix_fmt rgb24 f001.rgb"), 0);
  const std::string rgb = Get("f001.rgb");
  ASSERT_EQ(rgb.size(), 4u * 4 * 3);
  // The picture is exactly what ConvertToRGB24 makes of the clip (bgr24 there, rgb24 here).
  Put("png_rgb.avs", Get("png.avs") + ".ConvertToRGB24()");
  ASSERT_EQ(Tintara("png_rgb.avs png.raw").status, 0);
  std::string bgr = Get("png.raw").substr(4 * 4 * 3);
  for (size_t i = 0; i + 2 < bgr.size(); i += 3) std::swap(bgr[i], bgr[i + 2]);
  EXPECT_EQ(rgb, bgr);
  // Red on top, green at the bottom.
  EXPECT_EQ(rgb.substr(0, 3), std::string("\xFF\x00\x03", 3));
  EXPECT_EQ(rgb.substr(45, 3), std::string("\x00\xFF\x00", 3));
}

TEST_F(Command, ImageSourceReadsPicturesFfmpegWrote) {
  ASSERT_TRUE(HaveFfmpeg()) << "ffmpeg is missing: scripts/install-deps installs it";
  const std::string frames = Pattern(3 * 16 * 8 * 3, 3);
  Put("in.rgb", frames);
  ASSERT_EQ(Shell("ffmpeg -v error -y -f rawvideo -pix_fmt rgb24 -s 16x8 -i in.rgb -start_number 5 'p%02d.png'"), 0);
  Put("img.avs", "ImageSource(\"p%02d.png\", start=5)");
  const Outcome o = Tintara("img.avs img.raw");
  ASSERT_EQ(o.status, 0) << o.err;
  // Our RGB24 raw is bgr24: each pixel's bytes reversed.
  std::string bgr = frames;
  for (size_t i = 0; i + 2 < bgr.size(); i += 3) std::swap(bgr[i], bgr[i + 2]);
  EXPECT_EQ(Get("img.raw"), bgr);
}

TEST_F(Command, StartAndEndChooseAnInclusiveRange) {
  std::string frames;
  for (int n = 0; n < 6; ++n) frames += std::string(192, static_cast<char>(n));
  Put("in.raw", frames);
  Put("range.avs", Source("in.raw", "YV12"));
  ASSERT_EQ(Tintara("--start 2 --end 4 range.avs out.raw").status, 0);
  EXPECT_EQ(Get("out.raw"), frames.substr(2 * 192, 3 * 192));
  ASSERT_EQ(Tintara("--start=5 --end=99 range.avs out.raw").status, 0);
  EXPECT_EQ(Get("out.raw"), frames.substr(5 * 192));
  const Outcome beyond = Tintara("--start 6 range.avs out.raw");
  EXPECT_EQ(beyond.status, 2);
  EXPECT_EQ(beyond.err,
            "tintara: --start 6 is beyond the clip's last frame 5\nTry 'tintara --help' for more information.\n");
}

TEST_F(Command, ThreadsChangeNothingInTheOutput) {
  Put("in.raw", Pattern(24 * 16 * 8 * 3 / 2, 11));
  Put("mask.avs",
      Source("in.raw", "YV12") + "MaskMaker(gyt=40, et=200, lx=0, ty=0, rx=8, by=5, elx=6, ety=2, erx=15, eby=7)\n");
  ASSERT_EQ(Tintara("--threads 1 mask.avs one.y4m").status, 0);
  ASSERT_EQ(Tintara("--threads 2 mask.avs two.y4m").status, 0);
  ASSERT_EQ(Tintara("--threads 5 mask.avs five.y4m").status, 0);
  EXPECT_GT(Get("one.y4m").size(), 24u * 192);
  EXPECT_EQ(Get("two.y4m"), Get("one.y4m"));
  EXPECT_EQ(Get("five.y4m"), Get("one.y4m"));
}

TEST_F(Command, StandardInputCarriesScriptsAndY4mStreams) {
  const std::string frames = Pattern(30 * 192, 5);
  Put("in.raw", frames);
  Put("make.avs", Source("in.raw", "YV12"));
  ASSERT_EQ(Tintara("make.avs in.y4m").status, 0);
  Put("stream.avs", "RawSource(\"-\")");
  for (const char* threads : {"1", "3"}) {
    const Outcome o = Tintara(std::string("--threads ") + threads + " stream.avs out.raw", "in.y4m");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(Get("out.raw"), frames) << threads;
  }
  // Every RawSource("-") of a script is the same stream: each frame twice, side by side.
  Put("twice.avs", "a = RawSource(\"-\")\nStackHorizontal(a, RawSource(\"-\"))");
  const Outcome twice = Tintara("twice.avs out.raw", "in.y4m");
  ASSERT_EQ(twice.status, 0) << twice.err;
  const std::string out = Get("out.raw");
  ASSERT_EQ(out.size(), 2 * frames.size());
  EXPECT_EQ(out.substr(0, 16), frames.substr(0, 16));   // first luma row, left copy
  EXPECT_EQ(out.substr(16, 16), frames.substr(0, 16));  // and right copy
  // Only the last few frames of a stream are kept: going back 20 frames is refused.
  Put("back.avs", "s = RawSource(\"/dev/stdin\")\nStackHorizontal(s.Trim(20, 0), s)");
  const Outcome back = Tintara("--threads 1 back.avs out.raw", "in.y4m");
  EXPECT_EQ(back.status, 1);
  EXPECT_EQ(back.err,
            "RawSource: frame 0 of standard input was asked for after it had been passed; a stream is read once, "
            "front to back\n(back.avs, line 1, column 5)\n");
  // The script itself from standard input.
  const Outcome script = Tintara("--info - ", "make.avs");
  EXPECT_EQ(script.status, 0);
  EXPECT_EQ(script.out, "width: 16\nheight: 8\nframes: 30\npixel type: YV12\nframe rate: 25/1 (25.000 fps)\n");
}

TEST_F(Command, InfoAndValuesArePrinted) {
  Put("info.avs", "BlankClip(length=12, width=32, height=16, pixel_type=\"YUY2\", fps=29.97)");
  const Outcome o = Tintara("info.avs");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "width: 32\nheight: 16\nframes: 12\npixel type: YUY2\nframe rate: 31425823/1048576 (29.970 fps)\n");
  // --info does not write the output.
  EXPECT_EQ(Tintara("--info info.avs out.raw").out, o.out);
  EXPECT_FALSE(Exists("out.raw"));
  Put("value.avs", "w = 7\nw * 6");
  EXPECT_EQ(Tintara("value.avs").out, "42\n");
}

TEST_F(Command, ScriptErrorsPrintTheMessageThenThePosition) {
  const struct {
    const char* script;
    const char* err;
  } cases[] = {
      {"a = 1\nb = (a + 1\n",
       "Script error: expected ')' to close the parenthesis, found the end of the script\n"
       "(s.avs, line 3, column 1)\n"},
      {"a = 1\nb = (a + \n",
       "Script error: expected a value (a number, a string, a name or '('), found the end of "
       "the script\n(s.avs, line 3, column 1)\n"},
      {"c = BlankClip(width=64, height=48)\n# mask\nc.MaskMaker(lx=-1)",
       "MaskMaker:window left x lx must be 0 and 60\n(s.avs, line 3, column 3)\n"},
      {"BlankClip(width=100000, height=100000)",
       "BlankClip: a frame of 100000x100000 is too large\n"
       "(s.avs, line 1, column 1)\n"},
      {"x = 3", "Script error: the script returns no clip\n(s.avs, line 1, column 1)\n"},
      {"\n\nBlankClip(pixel_type=\"RGB24\")",
       "Y4M holds only YUV frames, and the script returns an RGB24 clip: convert it (ConvertToYV12() or "
       "ConvertToYUY2() at the end of the script), or write raw or PNG\n(s.avs, line 3, column 1)\n"},
  };
  for (const auto& c : cases) {
    Put("s.avs", c.script);
    const Outcome o = Tintara("s.avs out.y4m");
    EXPECT_EQ(o.status, 1) << c.script;
    EXPECT_EQ(o.err, c.err) << c.script;
  }
  EXPECT_FALSE(Exists("out.y4m"));  // nothing is created for a script that fails
  const Outcome missing = Tintara("none.avs");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "tintara: cannot read the script none.avs: No such file or directory\n");
  Put("ok.avs", "BlankClip()");
  const Outcome plugin = Tintara("--plugin ./nothing.so ok.avs");
  EXPECT_EQ(plugin.status, 1);
  EXPECT_EQ(plugin.err.compare(0, 41, "LoadPlugin: unable to load \"./nothing.so\""), 0) << plugin.err;
}

TEST_F(Command, BadCommandLinesExitWithTwo) {
  Put("ok.avs", "BlankClip(length=1)");
  const struct {
    const char* args;
    const char* first_line;
  } cases[] = {
      {"", "tintara: no SCRIPT given"},
      {"--frobnicate ok.avs", "tintara: unknown option '--frobnicate'"},
      {"-x ok.avs", "tintara: unknown option '-x'"},
      {"ok.avs a.raw b.raw", "tintara: too many arguments: 'b.raw' (give SCRIPT and at most one OUTPUT)"},
      {"--threads 0 ok.avs", "tintara: option '--threads' needs a number from 1 to 256, not '0'"},
      {"--start x ok.avs", "tintara: option '--start' needs a frame number (0 or more), not 'x'"},
      {"ok.avs --end", "tintara: option '--end' needs a value"},
      {"--start 3 --end 2 ok.avs", "tintara: --end 2 is before --start 3"},
      {"ok.avs out.mp4",
       "tintara: cannot tell the output format of \"out.mp4\": use - (Y4M to standard output), a "
       ".y4m or .raw file, or a PNG pattern such as out/frame%04d.png"},
      {"ok.avs out.png", "tintara: a PNG output needs a frame number in its name, as in out/frame%04d.png"},
      {"--quiet=yes ok.avs", "tintara: option '--quiet' takes no value"},
  };
  for (const auto& c : cases) {
    const Outcome o = Tintara(c.args);
    EXPECT_EQ(o.status, 2) << c.args;
    EXPECT_EQ(o.err, std::string(c.first_line) + "\nTry 'tintara --help' for more information.\n") << c.args;
  }
  const Outcome help = Tintara("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.compare(0, 40, "Usage: tintara [options] SCRIPT [OUTPUT]"), 0);
  EXPECT_NE(help.out.find("Exit status: 0 success, 1 script or runtime error, 2 bad command line."), std::string::npos);
  const Outcome version = Tintara("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.compare(0, 8, "tintara "), 0);
}

}  // namespace
}  // namespace tintara::testing
