// The module as a foreign host sees it: loaded with dlopen, registering its rows in order.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/Environment.h"

namespace tintara {
namespace {

TEST(PluginLoad, EntryPointReturnsTheDescription) {
  Environment env;
  EXPECT_EQ(env.LoadPlugin(TINTARA_MODULE_PATH), "Tintara  Plugin");
}

// All fourteen filters, in the module's registration order, with their signatures as scripts
// call them (Shift and Stretch take the same argument list).
TEST(PluginLoad, RegistersAllFourteenFiltersInOrderWithExactSignatures) {
  Environment env;
  env.LoadPlugin(TINTARA_MODULE_PATH);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"ColorBrush", "cciii+[shift]b[st]i[movex]i[movey]i[lshow]b[lcol]i"},
      {"DrawLines", "ciii+[line]s[lval]i[brush]b[lx]i[ty]i[rx]i[by]i"},
      {"Stretch", "cc[sf]i[ef]i[shape]s[x]i[y]i[w]i[h]i[st]i[white]b"},
      {"Shift", "cc[sf]i[ef]i[shape]s[x]i[y]i[w]i[h]i[st]i[white]b"},
      {"Pallet", "c[sgy]i[egy]i[fgy]i[hbox]i[vbox]i"},
      {"MaskMaker",
       "c[sf]i[ef]i[type]s[gyt]i[rt]i[bt]i[white]b[et]i[ert]i[ebt]i[test]b[ft]i[fr]i[fb]i[fet]i[fert]i[febt]i[lx]i[ty]"
       "i[rx]i[by]i[xcol]b[col]i[elx]i[ety]i[erx]i[eby]i"},
      {"CrossFill", "ccc[sf]i[ef]i[type]s[lx]i[ty]i[rx]i[by]i[color]i[white]b[shift]b[st]i[elx]i[ety]i[erx]i[eby]i"},
      {"Inlay",
       "ccc[sf]i[ef]i[type]s[color]i[lval]i[mwhite]b[x]i[y]i[w]i[h]i[shift]b[st]i[ellipse]b[ex]i[ey]i[ew]i[eh]i"},
      {"ColorDrops", "cciii+[movex]i[movey]i[shift]b[st]i[pshow]b[pcolor]i[wshed]b"},
      {"Morpher",
       "c[sf]i[ef]i[type]s[white]b[lx]i[ty]i[rx]i[by]i[elx]i[ety]i[erx]i[eby]i[lt]i[ut]i[test]b[flt]i[fut]i"},
      {"GaussBlur", "c[size]i[sd]f[u]b[v]b"},
      {"EMarker",
       "c[sf]i[ef]i[type]s[gyt]i[rt]i[bt]i[lt]i[white]b[test]b[ft]i[fr]i[fb]i[fl]i[lx]i[ty]i[rx]i[by]i[xcol]b[col]i["
       "elx]i[ety]i[erx]i[eby]i"},
      {"ColorLine", "cciii+[pshow]b[pcolor]i[movex]i[movey]i"},
      {"SharpEdge",
       "c[sf]i[ef]i[type]s[lt]i[ut]i[white]b[test]b[flt]i[fut]i[lx]i[ty]i[rx]i[by]i[xcol]b[col]i[elx]i[ety]i[erx]i[eby]"
       "i[gradient]b"},
  };
  EXPECT_EQ(env.Registered(), expected);
}

TEST(PluginLoad, LoadingTwiceRegistersOnce) {
  Environment env;
  env.LoadPlugin(TINTARA_MODULE_PATH);
  const size_t count = env.Registered().size();
  env.LoadPlugin(TINTARA_MODULE_PATH);
  EXPECT_EQ(env.Registered().size(), count);
}

// The entry point and the defaults a host may show (TintaraIntDefault) are all the module exports.
TEST(PluginLoad, ExportsOnlyTheEntryPoints) {
  const std::string command = std::string("nm -D --defined-only ") + TINTARA_MODULE_PATH;
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char line[1024];
  int entry = 0, defaults = 0;
  std::string others;
  while (fgets(line, sizeof line, pipe)) {
    std::string s(line);
    if (s.find("AvisynthPluginInit2") != std::string::npos) ++entry;
    else if (s.find(" T TintaraIntDefault") != std::string::npos) ++defaults;
    // Weak instantiations of standard-library templates keep their namespace's visibility.
    else if (s.find(" W _ZNSt") == std::string::npos && s.find(" W _ZSt") == std::string::npos &&
             s.find(" V _ZNSt") == std::string::npos && s.find(" u ") == std::string::npos)
      others += s;
  }
  pclose(pipe);
  EXPECT_EQ(entry, 1);
  EXPECT_EQ(defaults, 1);
  EXPECT_EQ(others, "");
}

// The module needs nothing from a host library: only the C and C++ runtimes (and a
// sanitizer's runtime in such builds).
TEST(PluginLoad, NeedsOnlyTheLanguageRuntimes) {
  const std::string command = std::string("readelf -d ") + TINTARA_MODULE_PATH;
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char line[1024];
  std::vector<std::string> needed;
  while (fgets(line, sizeof line, pipe)) {
    const std::string s(line);
    const size_t open = s.find("(NEEDED)");
    if (open == std::string::npos) continue;
    const size_t from = s.find('[', open), to = s.find(']', open);
    needed.push_back(s.substr(from + 1, to - from - 1));
  }
  pclose(pipe);
  EXPECT_FALSE(needed.empty());
  for (const std::string& library : needed) {
    const bool language =
        library == "libstdc++.so.6" || library == "libgcc_s.so.1" || library == "libc.so.6" || library == "libm.so.6";
    const bool sanitizer =
        library.rfind("libasan", 0) == 0 || library.rfind("libubsan", 0) == 0 || library.rfind("libtsan", 0) == 0;
    EXPECT_TRUE(language || sanitizer) << library;
  }
}

TEST(PluginLoad, MissingFileIsAClearError) {
  Environment env;
  try {
    env.LoadPlugin("/nonexistent/libnothing.so");
    FAIL() << "loading a missing file succeeded";
  } catch (const AvisynthError& e) {
    EXPECT_NE(std::string(e.msg).find("LoadPlugin: unable to load \"/nonexistent/libnothing.so\""), std::string::npos);
  }
}

}  // namespace
}  // namespace tintara

namespace tintara {
namespace {

// A source clip that records its deletion.
class WatchedClip : public IClip {
 public:
  WatchedClip(const VideoInfo& vi, PVideoFrame frame, bool* deleted) : vi_(vi), frame_(frame), deleted_(deleted) {}
  ~WatchedClip() override { *deleted_ = true; }
  PVideoFrame GetFrame(int, IScriptEnvironment*) override { return frame_; }
  bool GetParity(int) override { return false; }
  void GetAudio(void*, int64_t, int64_t, IScriptEnvironment*) override {}
  int SetCacheHints(int, int) override { return 0; }
  const VideoInfo& GetVideoInfo() override { return vi_; }

 private:
  VideoInfo vi_;
  PVideoFrame frame_;
  bool* deleted_;
};

// The host releases each clip argument once more after a create function returns: the module
// must have taken that reference, so the source lives as long as the filter and no longer.
TEST(PluginLoad, ArgumentClipsOutliveTheHostsExtraReleaseAndAreFreedWithTheFilter) {
  bool deleted = false;
  {
    Environment env;
    env.LoadPlugin(TINTARA_MODULE_PATH);
    VideoInfo vi{};
    vi.width = 16;
    vi.height = 8;
    vi.num_frames = 3;
    vi.pixel_type = VideoInfo::CS_BGR24;
    vi.fps_numerator = 25;
    vi.fps_denominator = 1;
    PVideoFrame frame = env.NewVideoFrame(vi);
    {
      PClip filter;
      {
        PClip source(new WatchedClip(vi, frame, &deleted));
        filter = env.Call("MaskMaker", {{"", Value::Clip(source)}}).clip;
      }
      EXPECT_FALSE(deleted);
      PVideoFrame out = filter->GetFrame(0, &env);
      EXPECT_TRUE(out);
      // A failed creation takes no reference: the host skips its release then.
      bool deleted2 = false;
      {
        PClip source2(new WatchedClip(vi, frame, &deleted2));
        EXPECT_THROW(env.Call("MaskMaker", {{"", Value::Clip(source2)}, {"lx", Value::Int(-1)}}), AvisynthError);
      }
      EXPECT_TRUE(deleted2);
      EXPECT_FALSE(deleted);
    }
  }
  // The module's extra reference and the host's extra release cancel: with the filter gone,
  // its source is freed.
  EXPECT_TRUE(deleted);
}

}  // namespace
}  // namespace tintara
