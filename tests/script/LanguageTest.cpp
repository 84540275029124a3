// The language beyond calls: operator precedence and grouping with the host's messages, script
// functions with their scopes, globals, and imported files.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "tests/script/ScriptRun.h"

namespace tintara::script {
namespace {

TEST_F(ScriptRun, OperatorsGroupAsTheHostGroupsThem) {
  const struct {
    const char* script;
    bool holds;
  } cases[] = {
      // + - group from the right, which changes float sums.
      {"0.1 + 0.2 + 0.3 == 0.6", true},
      {"(0.1 + 0.2) + 0.3 == 0.6", false},
      {"10 - 2 - 3 == 5", true},
      {"1 < 2 < 3", true},
      {"1 < 3 < 2", false},
      {"3 > 2 >= 2", true},
      {"1 <> 2 && 2 != 3", true},
      {"!true == false", true},
      {"1 == 1.0", true},
      {"\"abc\" == \"ABC\"", true},
      {"\"a\" < \"B\"", true},
      {"\"_\" < \"A\"", true},
      {"true || 1", true},  // the right side is never evaluated
      {"false && 1", false},
      {"false || false || true", true},
      {"3 > 2 ? true : false", true},
      {"$FF0000 == 16711680", true},
  };
  for (const auto& c : cases) EXPECT_EQ(BoolOf(c.script), c.holds) << c.script;
  EXPECT_EQ(IntOf("true ? false ? 1 : 2 : 3"), 2);
  EXPECT_EQ(IntOf("x = 3 > 2 ? 10 : 20\nx"), 10);
  EXPECT_EQ(IntOf("-7 % 2"), -1);
  EXPECT_EQ(IntOf("7 % -2"), 1);
  EXPECT_EQ(Run("String(3.5) + String(true) + String(2147483647 + 1) + String(\"!\")").string,
            "3.500000true2147483648!");
}

TEST_F(ScriptRun, LogicAndComparisonRefuseOtherTypesWithTheHostsMessages) {
  EXPECT_EQ(ErrorOf("1 || true"), "Evaluate: left operand of || must be boolean (true/false) @1:3");
  EXPECT_EQ(ErrorOf("false || 1"), "Evaluate: right operand of || must be boolean (true/false) @1:7");
  EXPECT_EQ(ErrorOf("true && true && 2"), "Evaluate: right operand of && must be boolean (true/false) @1:14");
  EXPECT_TRUE(BoolOf("true ? true : 1 / 0"));  // only the branch taken is evaluated
  EXPECT_EQ(ErrorOf("1 ? 2 : 3"), "Evaluate: left of `?' must be boolean (true/false) @1:3");
  EXPECT_EQ(ErrorOf("true == 1"), "Evaluate: operands of `==' and `!=' must be comparable @1:6");
  EXPECT_EQ(ErrorOf("\"a\" < 1"), "Evaluate: operands of `<' and friends must be string or numeric @1:5");
  EXPECT_EQ(ErrorOf("!1"), "Evaluate: operand of `!' must be boolean (true/false) @1:1");
}

TEST_F(ScriptRun, ScriptFunctionsBindLikeTheHostsFunctions) {
  const std::string g =
      "c = BlankClip(width=8, height=8)\n"
      "function g(clip c, int \"a\", int \"b\") {\n  return Default(a, 1) * 10 + Default(b, 0)\n}\n";
  EXPECT_EQ(IntOf(g + "g(c, 2, 3)"), 23);
  EXPECT_EQ(IntOf(g + "g(c, b=3)"), 13);
  EXPECT_EQ(IntOf(g + "c.g(a=4)"), 40);
  EXPECT_EQ(ErrorOf(g + "g(c, 2, a=3)"),
            "Script error: the named argument \"a\" was passed more than once (twice as named or first unnamed then "
            "named) to g @5:1");
  EXPECT_EQ(ErrorOf(g + "g(c, 2, 3, 4)").substr(0, 50), "Script error: Invalid arguments to function 'g'.\nH");
  // A required parameter cannot be named.
  EXPECT_EQ(ErrorOf("function h(clip c, int a) { a }\nh(BlankClip(), a=1)").substr(0, 48),
            "Script error: Invalid arguments to function 'h'.");
  // The later of two definitions is tried first; a function may be called before its definition.
  EXPECT_EQ(IntOf("x = BlankClip().f(2)\nfunction f(clip c, int \"a\") { 1 }\nfunction f(clip c, int \"b\") { b }\nx"),
            2);
  // A float parameter given an int receives a float.
  EXPECT_EQ(Run("function half(float x) { x / 2 }\nhalf(3)").floating, 1.5);
  // Optional parameters left out are defined but empty; names never assigned are unknown.
  EXPECT_TRUE(BoolOf("function d(int \"b\") { !Defined(b) && Default(b, 5) == 5 }\nd()"));
  EXPECT_EQ(ErrorOf("Default(u, 1)"), "I don't know what 'u' means. @1:9");
}

TEST_F(ScriptRun, FunctionBodiesHaveTheirOwnLastAndSeeOnlyGlobals) {
  EXPECT_EQ(ErrorOf("BlankClip()\nfunction h(clip c) { Trim(0, 1) }\nh(last)").substr(0, 52),
            "Script error: Invalid arguments to function 'Trim'.\n");
  const Value v = Run("function h(clip c) {\n  c.Trim(0, 1)\n  FlipVertical\n}\nh(BlankClip(length=9))");
  ASSERT_TRUE(v.IsClip());
  EXPECT_EQ(v.clip->GetVideoInfo().num_frames, 2);
  EXPECT_EQ(ErrorOf("y = 1\nfunction k() {\n  y\n}\nk()"), "I don't know what 'y' means. @3:3");
  EXPECT_EQ(IntOf("global g = 5\nfunction k() {\n  global h = g + 1\n  local = 7\n}\nk()\ng + h"), 11);
  EXPECT_EQ(ErrorOf("function k() {\n  local = 7\n}\nk()\nlocal"), "I don't know what 'local' means. @5:1");
  // A body ending in an assignment gives nothing.
  EXPECT_FALSE(Run("function n() { x = 1 }\nn()").Defined());
}

TEST_F(ScriptRun, RecursionWorksAndEndlessRecursionIsAnErrorNotACrash) {
  EXPECT_EQ(IntOf("function r(int n) { n == 0 ? 0 : 1 + r(n - 1) }\nr(300)"), 300);
  const std::string error = ErrorOf("function e(int n) {\n  return e(n + 1)\n}\ne(0)");
  EXPECT_EQ(error.substr(0, 64), "Script error: the function calls are nested too deeply for the s");
  EXPECT_EQ(error.substr(error.size() - 6), " @2:10");
}

TEST_F(ScriptRun, LongRunsAndChainsEvaluateWithoutRecursing) {
  std::string sum = "x = 0";
  for (int i = 0; i < 100000; ++i) sum += i % 2 ? " - 1" : " + 3";
  EXPECT_EQ(IntOf(sum + "\nx"), 100000);
  // Clips release their children recursively, so the chain of clips stays short enough for an
  // instrumented build's stack; the chain of calls is what is tested.
  std::string chain = "BlankClip(length=5)";
  for (int i = 0; i < 2000; ++i) chain += ".Trim(0, 0)";
  const Value v = Run(chain);
  ASSERT_TRUE(v.IsClip());
  EXPECT_EQ(v.clip->GetVideoInfo().num_frames, 5);
}

class Imports : public ScriptRun {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/tintara_import_XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    dir_ = folder;
    ASSERT_EQ(mkdir((dir_ + "/lib").c_str(), 0700), 0);
  }
  void TearDown() override {
    for (const std::string& f : written_) std::remove(f.c_str());
    rmdir((dir_ + "/lib").c_str());
    rmdir(dir_.c_str());
  }
  void Write(const std::string& name, const std::string& text) {
    written_.push_back(dir_ + "/" + name);
    std::ofstream(written_.back()) << text;
  }
  RunOptions At(const std::string& name) {
    RunOptions o;
    o.path = dir_ + "/" + name;
    return o;
  }
  std::string dir_;
  std::vector<std::string> written_;
};

TEST_F(Imports, PathsAreRelativeToTheImportingFileAndRunInTheCallersScope) {
  Write("lib/common.avsi", "Import(\"inner.avsi\")\nbase = 40\nfunction Twice(int n) { n * 2 }\nbase + 2");
  Write("lib/inner.avsi", "inner = [<\"k\", 0, 9, 3>]");
  Write("main.avs", "");
  RunOptions options = At("main.avs");
  Environment& env = Fresh();
  const Result r = RunScript(env, "x = Import(\"lib/common.avsi\")\nTwice(base) + inner + x", options);
  EXPECT_EQ(r.value.integer, 80 + 3 + 42);
  ASSERT_EQ(r.files.size(), 3u);
  EXPECT_EQ(r.files[1], dir_ + "/lib/common.avsi");
  EXPECT_EQ(r.files[2], dir_ + "/lib/inner.avsi");
  ASSERT_EQ(r.sliders.size(), 1u);
  EXPECT_EQ(r.sliders[0].file, dir_ + "/lib/inner.avsi");
  EXPECT_EQ(r.sliders[0].offset, 21u);
}

TEST_F(Imports, ErrorsNameTheImportedFileAndMissingFilesAsWritten) {
  Write("bad.avsi", "a = 1\nb = a +\n");
  Write("fails.avsi", "function F(clip c) {\n  c.Trim(0, \"x\")\n}\n");
  EXPECT_EQ(ErrorOf("Import(\"bad.avsi\")", At("main.avs")),
            "Script error: expected a value (a number, a string, a name or '('), found the end of the line @" + dir_ +
                "/bad.avsi:2:8");
  EXPECT_EQ(ErrorOf("Import(\"fails.avsi\")\nF(BlankClip())", At("main.avs")).substr(0, 51),
            "Script error: Invalid arguments to function 'Trim'.");
  EXPECT_NE(ErrorOf("Import(\"fails.avsi\")\nF(BlankClip())", At("main.avs")).find("@" + dir_ + "/fails.avsi:2:5"),
            std::string::npos);
  EXPECT_EQ(ErrorOf("\nImport(\"no/such.avsi\")", At("main.avs")), "Import: couldn't open \"no/such.avsi\" @2:1");
  // A file that imports itself ends in an error, not a crash.
  Write("loop.avsi", "Import(\"loop.avsi\")");
  EXPECT_EQ(ErrorOf("Import(\"loop.avsi\")", At("main.avs")).substr(0, 50),
            "Script error: the function calls are nested too de");
}

// The example written the way colouring scripts are: an include beside it, helpers, ranges cut
// and spliced, positional arguments to the module's filters.
TEST_F(ScriptRun, FieldExampleRunsFromAnyFolder) {
  RunOptions options;
  options.path = std::string(TINTARA_SOURCE_DIR) + "/examples/field.avs";
  std::ifstream in(options.path);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Environment& env = Fresh();
  const Result r = RunScript(env, text, options);
  ASSERT_TRUE(r.value.IsClip());
  EXPECT_EQ(r.value.clip->GetVideoInfo().num_frames, 24);
  EXPECT_EQ(r.files.size(), 2u);
  EXPECT_TRUE(r.value.clip->GetFrame(23, &env));
}

}  // namespace
}  // namespace tintara::script
