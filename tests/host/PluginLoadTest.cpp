// The module as a foreign host sees it: loaded with dlopen, registering its rows in order.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "runtime/Environment.h"

namespace tintara {
namespace {

TEST(PluginLoad, EntryPointReturnsDescriptionAndRegistersRowsInOrder) {
  Environment env;
  EXPECT_EQ(env.LoadPlugin(TINTARA_MODULE_PATH), "Tintara  Plugin");
  const auto rows = env.Registered();
  const auto mask_maker = std::find_if(rows.begin(), rows.end(), [](const auto& r) { return r.first == "MaskMaker"; });
  ASSERT_NE(mask_maker, rows.end());
  EXPECT_EQ(mask_maker->second,
            "c[sf]i[ef]i[type]s[gyt]i[rt]i[bt]i[white]b[et]i[ert]i[ebt]i[test]b[ft]i[fr]i[fb]i[fet]i[fert]i[febt]i"
            "[lx]i[ty]i[rx]i[by]i[xcol]b[col]i[elx]i[ety]i[erx]i[eby]i");
}

TEST(PluginLoad, LoadingTwiceRegistersOnce) {
  Environment env;
  env.LoadPlugin(TINTARA_MODULE_PATH);
  const size_t count = env.Registered().size();
  env.LoadPlugin(TINTARA_MODULE_PATH);
  EXPECT_EQ(env.Registered().size(), count);
}

TEST(PluginLoad, ExportsOnlyTheEntryPoint) {
  const std::string command = std::string("nm -D --defined-only ") + TINTARA_MODULE_PATH;
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char line[1024];
  int entry = 0;
  std::string others;
  while (fgets(line, sizeof line, pipe)) {
    std::string s(line);
    if (s.find("AvisynthPluginInit2") != std::string::npos) ++entry;
    // Weak instantiations of standard-library templates keep their namespace's visibility.
    else if (s.find(" W _ZNSt") == std::string::npos && s.find(" W _ZSt") == std::string::npos &&
             s.find(" V _ZNSt") == std::string::npos && s.find(" u ") == std::string::npos)
      others += s;
  }
  pclose(pipe);
  EXPECT_EQ(entry, 1);
  EXPECT_EQ(others, "");
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
