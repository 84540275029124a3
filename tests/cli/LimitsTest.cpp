// Where long scripts, streams and hostile files meet the limits of the machine: chains of clips
// longer than a stack, streams of unknown length, PNGs of 16 bits or with lying sizes, outputs
// that cannot be written or would overwrite an input. Each ends in correct bytes or a clear
// error with a non-zero exit, never a crash.
#include <pthread.h>
#include <sys/resource.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#ifdef TINTARA_HAVE_PNG
#include <png.h>
#endif

#include "runtime/builtins/Builtins.h"
#include "runtime/io/Png.h"
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

// Runs `work` on a thread with a stack of `stack` bytes.
void RunOnStack(size_t stack, const std::function<void()>& work) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, stack);
  pthread_t thread;
  const auto run = [](void* w) -> void* {
    (*static_cast<const std::function<void()>*>(w))();
    return nullptr;
  };
  EXPECT_EQ(pthread_create(&thread, &attr, run, const_cast<std::function<void()>*>(&work)), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
}

// Runs a script on a fresh environment and makes its first frame; "" or the error.
std::string FirstFrameError(const std::string& script) {
  Environment env;
  RegisterBuiltins(env);
  env.LoadPlugin(TINTARA_MODULE_PATH);
  try {
    script::RunScript(env, script).value.clip->GetFrame(0, &env);
  } catch (const script::ScriptError& e) {
    return e.what();
  }
  return "";
}

TEST_F(Limits, ChainsLongerThanTheStackAreAnErrorInProcessAndRunInTheCommand) {
  // In process on a 1 MB stack, a chain whose frame would need more is refused, and the chain
  // is freed without nesting a call per clip.
  std::string deep, shallow = "(not run)";
  RunOnStack(size_t{1} << 20, [&] {
    deep = FirstFrameError(BlurChain(20000));
    shallow = FirstFrameError(BlurChain(3));
  });
  EXPECT_EQ(deep, "the chain of clips is too long to make a frame: it would overflow this thread's 1 MB stack");
  EXPECT_EQ(shallow, "");

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

// The README's colouring script: the filters' frame ranges end at the clip's last frame.
std::string Colouring(const std::string& source) {
  return source +
         "\nmask = MaskMaker(gyt=0, et=60).Morpher(type=\"close\")\n"
         "ColorDrops(last, mask, 0, FrameCount - 1, 6, 3, $E04020)\n";
}

TEST_F(Limits, PipedStreamsGiveTheFramesOfFilesOrClearErrors) {
  Put("in.raw", Pattern(5 * 192, 21));
  Put("make.avs", "RawSource(\"in.raw\", width=16, height=8)");
  ASSERT_EQ(Tintara("make.avs in.y4m").status, 0);
  Put("header.y4m", Get("in.y4m").substr(0, Get("in.y4m").find('\n') + 1));
  Put("long-frame-line.y4m", Get("header.y4m") + "FRAME " + std::string(5000, 'X') + "\n" + std::string(192, '\0'));
  Put("file.avs", Colouring("RawSource(\"in.y4m\")"));
  ASSERT_EQ(Tintara("file.avs file.y4m").status, 0);
  const std::string from_file = Get("file.y4m");
  Put("stream.avs", Colouring("RawSource(\"-\")"));
  Put("counted.avs", Colouring("RawSource(\"-\", frames=5)"));
  Put("plain.avs", "RawSource(\"-\")");
  Put("long.avs", "RawSource(\"long-frame-line.y4m\")");

  // A stream whose length is given makes the file's frames; one whose length is unknown is
  // refused where the length matters; a wrong length is an error at the stream's end.
  const struct {
    const char* args;
    const char* input;
    int status;
    std::string err;
  } cases[] = {
      {"--stdin-frames 5 stream.avs out.y4m", "in.y4m", 0, ""},
      {"counted.avs out.y4m", "in.y4m", 0, ""},
      {"stream.avs out.y4m", "in.y4m", 1,
       "MaskMaker: the length of its clip is unknown (it is read from a stream); give the stream's frame count, as in "
       "RawSource(\"-\", frames=N) or tintara --stdin-frames N\n(stream.avs, line 2, column 8)\n"},
      {"--stdin-frames 6 stream.avs out.y4m", "in.y4m", 1,
       "RawSource: standard input ended after 5 frames, but its length was given as 6\n(stream.avs, line 1, column "
       "1)\n"},
      {"--stdin-frames 4 stream.avs out.y4m", "in.y4m", 1,
       "RawSource: standard input holds more than the 4 frames given as its length\n"
       "(stream.avs, line 1, column 1)\n"},
      {"--start 10 plain.avs out.y4m", "in.y4m", 2,
       "tintara: --start 10 is beyond the clip's last frame: its stream ended before that frame\n"
       "Try 'tintara --help' for more information.\n"},
      {"plain.avs out.y4m", "header.y4m", 1,
       "RawSource: standard input holds no frames\n(plain.avs, line 1, column 1)\n"},
      {"plain.avs out.y4m", "long-frame-line.y4m", 1,
       "RawSource: standard input is not a valid Y4M stream: the FRAME line of frame 0 has no end within 4096 "
       "bytes\n(plain.avs, line 1, column 1)\n"},
      {"long.avs out.y4m", "", 1,
       "RawSource: \"long-frame-line.y4m\" is not a valid Y4M file: the FRAME line of frame 0 has no end within "
       "4096 bytes\n(long.avs, line 1, column 1)\n"},
      {"- out.y4m", "plain.avs", 1,
       "RawSource: standard input holds the script, so it cannot hold frames too: give the script as a file\n"
       "(standard input, line 1, column 1)\n"},
  };
  for (const auto& c : cases) {
    Shell("rm -f out.y4m");
    const Outcome o = Tintara(c.args, c.input);
    EXPECT_EQ(o.status, c.status) << c.args << " < " << c.input;
    EXPECT_EQ(o.err, c.err) << c.args << " < " << c.input;
    if (c.status == 0) {
      EXPECT_EQ(Get("out.y4m"), from_file) << c.args;
    } else if (c.status == 2 || std::string(c.input) == "header.y4m") {
      EXPECT_FALSE(Exists("out.y4m")) << c.args;  // a clip with no frame to write creates no output
    }
  }
  Put("count.avs", "RawSource(\"-\").FrameCount");
  EXPECT_EQ(Tintara("count.avs", "in.y4m").err.compare(0, 48, "FrameCount: the length of its clip is unknown (i"), 0);
  EXPECT_EQ(Tintara("--stdin-frames 5 count.avs", "in.y4m").out, "5\n");
}

TEST_F(Limits, OutputsNeverOverwriteWhatTheScriptReads) {
  Put("in.raw", Pattern(2 * 192, 4));
  Put("make.avs", "RawSource(\"in.raw\", width=16, height=8)");
  ASSERT_EQ(Tintara("make.avs in.y4m").status, 0);
  ASSERT_EQ(Tintara("make.avs 'p%d.png'").status, 0);
  const std::string y4m = Get("in.y4m"), picture = Get("p1.png");
  ASSERT_EQ(Shell("ln -s in.y4m soft.y4m && ln in.y4m hard.y4m && mkdir sub && ln -s ../in.raw sub/x.raw"), 0);
  Put("y4m.avs", "RawSource(\"in.y4m\")");
  Put("png.avs", "ImageSource(\"p%d.png\")");
  Put("script.raw", "RawSource(\"in.raw\", width=16, height=8)");
  const struct {
    const char* args;
    const char* input;
    const char* output;
  } cases[] = {{"y4m.avs in.y4m", "", "\"in.y4m\""},
               {"y4m.avs soft.y4m", "", "\"soft.y4m\""},
               {"y4m.avs hard.y4m", "", "\"hard.y4m\""},
               {"make.avs sub/x.raw", "", "\"sub/x.raw\""},
               {"png.avs 'p%d.png'", "", "\"p0.png\""},
               {"script.raw script.raw", "", "\"script.raw\""},
               {"- script.raw", "script.raw", "\"script.raw\""}};
  for (const auto& c : cases) {
    const Outcome o = Tintara(c.args, c.input);
    EXPECT_EQ(o.status, 1) << c.args;
    EXPECT_EQ(o.err,
              std::string("tintara: the output ") + c.output + " is a file the script reads; write to another file\n")
        << c.args;
  }
  EXPECT_EQ(Get("in.y4m"), y4m);
  EXPECT_EQ(Get("p1.png"), picture);
  EXPECT_EQ(Get("in.raw"), Pattern(2 * 192, 4));
  EXPECT_EQ(Get("script.raw"), "RawSource(\"in.raw\", width=16, height=8)");
  EXPECT_EQ(Tintara("y4m.avs other.y4m").status, 0);
}

TEST_F(Limits, TextThatCannotBeWrittenIsAFailure) {
  Put("clip.avs", "BlankClip(length=2, pixel_type=\"YV12\")");
  Put("value.avs", "6 * 7");
  for (const char* args : {"--help", "--version", "--info clip.avs", "clip.avs", "value.avs", "clip.avs -"}) {
    const int status =
        Shell(std::string("'") + TINTARA_BINARY_DIR + "/bin/tintara' " + args + " >/dev/full 2>.stderr </dev/null");
    EXPECT_EQ(status, 1) << args;
    EXPECT_EQ(Get(".stderr").compare(0, 31, "tintara: cannot write standard "), 0) << args << ": " << Get(".stderr");
  }
}

#ifdef TINTARA_HAVE_PNG

// A PNG with `channels` samples of `depth` bits per pixel, in the order given, and no chunk but
// those of the picture itself (no gamma).
std::string WritePng(const std::string& path, int width, int height, int channels, int depth, bool interlaced,
                     const std::vector<uint16_t>& samples) {
  static const int kTypes[] = {0, PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB,
                               PNG_COLOR_TYPE_RGB_ALPHA};
  FILE* file = std::fopen(path.c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return "";
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), depth, kTypes[channels],
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const size_t row_samples = static_cast<size_t>(width) * channels, sample_bytes = depth / 8;
  std::vector<png_byte> bytes(samples.size() * sample_bytes);
  for (size_t i = 0; i < samples.size(); ++i) {
    if (depth == 16) bytes[2 * i] = static_cast<png_byte>(samples[i] >> 8);
    bytes[sample_bytes * i + sample_bytes - 1] = static_cast<png_byte>(samples[i]);
  }
  std::vector<png_bytep> rows;
  for (int y = 0; y < height; ++y) rows.push_back(bytes.data() + y * row_samples * sample_bytes);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
  return path;
}

// 16 bits to 8, rounded to nearest.
int Scaled(unsigned v) { return static_cast<int>((v * 255u + 32767u) / 65535u); }

TEST_F(Limits, SixteenBitPngsAreScaledExactlyWithoutGamma) {
  // Every 16-bit value once, as grey, plain and interlaced.
  std::vector<uint16_t> every(65536);
  for (size_t v = 0; v < every.size(); ++v) every[v] = static_cast<uint16_t>(v);
  for (bool interlaced : {false, true}) {
    std::vector<uint8_t> bgra;
    std::string why;
    ASSERT_TRUE(io::ReadPng(WritePng(Path("grey16.png"), 256, 256, 1, 16, interlaced, every), 256, 256, &bgra, &why))
        << why;
    ASSERT_EQ(bgra.size(), 4u * 65536);
    int wrong = 0;
    for (unsigned v = 0; v < 65536; ++v) {
      const uint8_t* p = &bgra[4 * v];
      if (p[0] != Scaled(v) || p[1] != Scaled(v) || p[2] != Scaled(v) || p[3] != 255) ++wrong;
    }
    EXPECT_EQ(wrong, 0) << "interlaced " << interlaced;
  }
  // Grey with alpha, RGB and RGBA: each sample scaled alone, colour never multiplied by alpha.
  const std::vector<uint16_t> values = {0, 24 * 257, 128, 32767, 32768, 65534, 65535, 1000, 40000, 200, 12345, 60000};
  for (int channels : {2, 3, 4}) {
    const int width = static_cast<int>(values.size()) / channels;
    std::vector<uint8_t> bgra;
    std::string why;
    ASSERT_TRUE(io::ReadPng(WritePng(Path("c.png"), width, 1, channels, 16, false, values), width, 1, &bgra, &why))
        << why;
    for (int x = 0; x < width; ++x) {
      const uint16_t* s = &values[static_cast<size_t>(x * channels)];
      const bool grey = channels == 2, alpha = channels != 3;
      const int r = Scaled(s[0]), g = Scaled(grey ? s[0] : s[1]), b = Scaled(grey ? s[0] : s[2]);
      const int a = alpha ? Scaled(s[channels - 1]) : 255;
      EXPECT_EQ(std::vector<int>(bgra.begin() + 4 * x, bgra.begin() + 4 * x + 4), (std::vector<int>{b, g, r, a}))
          << channels << " channels, pixel " << x;
    }
  }
}

long PeakKilobytes() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST_F(Limits, PngsThatClaimMoreThanTheyHoldCostNoMemory) {
  // The bytes of a 1x1 grey PNG's signature and header chunk.
  const std::string header = std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
  const auto file = [&](const std::string& name, uint32_t width, uint32_t height, const std::string& rest) {
    std::string ihdr = "IHDR";
    for (uint32_t v : {width, height}) {
      for (int shift = 24; shift >= 0; shift -= 8) ihdr += static_cast<char>(v >> shift);
    }
    ihdr += std::string("\x08\x00\x00\x00\x00", 5);
    uint32_t crc = 0xFFFFFFFFu;  // the PNG's CRC-32 over type and data
    for (unsigned char c : ihdr) {
      crc ^= c;
      for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    crc = ~crc;
    std::string bytes = header.substr(0, 12) + ihdr;
    for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>(crc >> shift);
    return Put(name, bytes + rest);
  };
  // A text chunk that claims 2 GB, and a picture that claims 10000x10000.
  const std::string text = file("text.png", 1, 1, std::string("\x7F\xFF\xFF\xF0tEXtComment\0a few bytes", 27));
  const std::string huge = file("huge.png", 10000, 10000, std::string("\0\0\0\x10IDAT\x78\x9c", 10));
  const long before = PeakKilobytes();
  std::vector<uint8_t> bgra;
  std::string why;
  EXPECT_FALSE(io::ReadPng(text, 1, 1, &bgra, &why));
  EXPECT_EQ(why, "the file ends before the picture does");
  int width = 0, height = 0;
  EXPECT_FALSE(io::PngSize(huge, &width, &height, &why));
  EXPECT_EQ(why, "its size 10000x10000 is more than the 67108864 pixels a picture may have");
  EXPECT_LT(PeakKilobytes() - before, 64 * 1024);
}

#endif  // TINTARA_HAVE_PNG

}  // namespace
}  // namespace tintara::testing
