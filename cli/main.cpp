// tintara: runs an AviSynth-syntax script with the Tintara module and writes its frames.
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "cli/CommandLine.h"
#include "cli/LargeStack.h"
#include "cli/Output.h"
#include "cli/serve/ServeCommand.h"
#include "runtime/CacheClip.h"
#include "runtime/Environment.h"
#include "runtime/builtins/Builtins.h"
#include "runtime/builtins/Formats.h"
#include "runtime/io/Stream.h"
#include "runtime/script/Evaluator.h"

#ifndef TINTARA_VERSION
#define TINTARA_VERSION "unknown"
#endif

namespace tintara::cli {

namespace {

constexpr int kSuccess = 0, kFailure = 1, kBadCommandLine = 2;
constexpr char kModuleFile[] = "libtintara.so";

int BadCommandLine(const std::string& why) {
  std::fprintf(stderr, "tintara: %s\nTry 'tintara --help' for more information.\n", why.c_str());
  return kBadCommandLine;
}

bool ReadScript(const std::string& path, std::string* text) {
  std::ostringstream out;
  if (path == "-") {
    out << std::cin.rdbuf();
    *text = out.str();
    return !std::cin.bad();
  }
  struct stat st;
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out << in.rdbuf();
  *text = out.str();
  return true;
}

// The module built or installed with this command: build/lib beside build/bin, or
// lib/avisynth beside an installed bin.
std::string FindModule() {
  char self[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "";
  self[n] = '\0';
  std::string dir(self);
  dir.erase(dir.rfind('/'));
  for (const std::string& candidate : {dir + "/../lib/" + kModuleFile, dir + "/../lib/avisynth/" + kModuleFile})
    if (access(candidate.c_str(), R_OK) == 0) return candidate;
  return "";
}

void PrintInfo(const PClip& clip) {
  const VideoInfo& vi = clip->GetVideoInfo();
  std::printf("width: %d\nheight: %d\n", vi.width, vi.height);
  if (LengthUnknown(clip))
    std::printf("frames: unknown (read from a stream)\n");
  else
    std::printf("frames: %d\n", vi.num_frames);
  const double fps = vi.fps_denominator ? static_cast<double>(vi.fps_numerator) / vi.fps_denominator : 0.0;
  std::printf("pixel type: %s\nframe rate: %u/%u (%.3f fps)\n", PixelTypeName(vi.pixel_type), vi.fps_numerator,
              vi.fps_denominator, fps);
}

void PrintValue(const Value& v) {
  switch (v.kind) {
    case Value::Kind::Bool: std::printf("%s\n", v.boolean ? "true" : "false"); break;
    case Value::Kind::Int: std::printf("%d\n", v.integer); break;
    case Value::Kind::Long: std::printf("%lld\n", static_cast<long long>(v.wide)); break;
    case Value::Kind::Float: std::printf("%g\n", v.floating); break;
    case Value::Kind::String: std::printf("%s\n", v.string.c_str()); break;
    default: break;
  }
}

int RunIn(Environment& env, const CommandLine& cl, const std::string& text, int threads);

int ThreadsOf(const CommandLine& cl) {
  return cl.threads > 0 ? cl.threads : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

// Everything after the command line is read: a failure here is a script or runtime error.
int Run(const CommandLine& cl, const std::string& script_name) {
  std::string text;
  if (!ReadScript(cl.script, &text)) {
    std::fprintf(stderr, "tintara: cannot read the script %s: %s\n", script_name.c_str(), std::strerror(errno));
    return kFailure;
  }
  const int threads = ThreadsOf(cl);
  Environment::Options options;
  // A stream source must keep every frame that threads may still ask for.
  options.stream_frames = 2 * threads + 4;
  Environment env(options);
  // The environment owns the text of its errors: copy it out while the environment lives.
  try {
    return RunIn(env, cl, text, threads);
  } catch (const AvisynthError& e) {
    throw std::runtime_error(e.msg ? e.msg : "unknown error");
  }
}

int RunIn(Environment& env, const CommandLine& cl, const std::string& text, int threads) {
  RegisterBuiltins(env);
  env.Inputs().script_on_standard_input = cl.script == "-";
  env.Inputs().standard_input_frames = cl.stdin_frames;
  struct stat script_file;
  if ((cl.script == "-" ? fstat(STDIN_FILENO, &script_file) : stat(cl.script.c_str(), &script_file)) == 0)
    env.Inputs().Add(script_file);
  if (cl.plugins.empty()) {
    const std::string module = FindModule();
    if (!module.empty()) env.LoadPlugin(module);
  }
  for (const std::string& plugin : cl.plugins) env.LoadPlugin(plugin);

  script::RunOptions options;
  options.path = cl.script == "-" ? "" : cl.script;
  const script::Result result = script::RunScript(env, text, options);
  const bool wants_clip = cl.info || cl.kind != OutputKind::None;
  if (!result.value.IsClip()) {
    if (!wants_clip && result.value.Defined() && result.value.kind != Value::Kind::Array) {
      PrintValue(result.value);
      return kSuccess;
    }
    throw script::ScriptError(result.value.Defined()
                                  ? std::string("Script error: the script returns a value of type ") +
                                        result.value.KindName() + ", not a clip"
                                  : "Script error: the script returns no clip",
                              result.where);
  }
  const PClip& clip = result.value.clip;
  const VideoInfo& vi = clip->GetVideoInfo();
  if (cl.info || cl.kind == OutputKind::None) {
    PrintInfo(clip);
    return kSuccess;
  }

  WriteRun run;
  run.kind = cl.kind;
  run.name = cl.output;
  run.threads = threads;
  run.first = cl.start >= 0 ? cl.start : 0;
  run.last = cl.end >= 0 ? std::min(cl.end, vi.num_frames - 1) : vi.num_frames - 1;
  run.length_known = !LengthUnknown(clip);
  run.progress = !cl.quiet && isatty(STDERR_FILENO);
  if (run.first > vi.num_frames - 1)
    return BadCommandLine("--start " + std::to_string(run.first) + " is beyond the clip's last frame " +
                          std::to_string(vi.num_frames - 1));
  const std::string cannot = CannotWrite(vi, cl.kind);
  if (!cannot.empty()) throw script::ScriptError(cannot, result.where);
  if (WriteClip(&env, clip, run) > 0) return kSuccess;
  // Only a clip read from a stream can turn out shorter than --start asked for.
  if (run.first > 0)
    return BadCommandLine("--start " + std::to_string(run.first) +
                          " is beyond the clip's last frame: its stream ended before that frame");
  throw std::runtime_error("tintara: the clip has no frames: its stream ended before the first");
}

// Runs the script and reports what went wrong on standard error.
int RunReporting(const CommandLine& cl) {
  const std::string script_name = cl.script == "-" ? "standard input" : cl.script;
  try {
    return Run(cl, script_name);
  } catch (const script::ScriptError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    if (e.Where().line > 0)
      std::fprintf(stderr, "(%s, line %d, column %d)\n", e.File().empty() ? script_name.c_str() : e.File().c_str(),
                   e.Where().line, e.Where().column);
  } catch (const io::EndOfStream&) {
    std::fprintf(stderr, "tintara: the input stream ended before the script's clip could be made\n");
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "tintara: out of memory\n");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
  }
  return kFailure;
}

// Text printed to standard output is lost silently unless its flush is checked (> /dev/full).
int CheckedStandardOutput(int status) {
  const bool written = std::fflush(stdout) == 0 && !std::ferror(stdout);
  if (written || status != kSuccess) return status;  // a failure has said what went wrong
  std::fprintf(stderr, "tintara: cannot write standard output: %s\n", std::strerror(errno));
  return kFailure;
}

}  // namespace

int Main(int argc, char** argv) {
  // A closed pipe shows as a write error with a message rather than a silent death.
  signal(SIGPIPE, SIG_IGN);
  if (argc > 1 && std::strcmp(argv[1], "serve") == 0) return serve::ServeMain(argc - 1, argv + 1, FindModule());
  CommandLine cl;
  std::string why;
  if (!ParseCommandLine(argc, argv, &cl, &why)) return BadCommandLine(why);
  if (cl.help) {
    std::fputs(kHelpText, stdout);
    return CheckedStandardOutput(kSuccess);
  }
  if (cl.version) {
    std::printf("tintara %s\n", TINTARA_VERSION);
    return CheckedStandardOutput(kSuccess);
  }
  return CheckedStandardOutput(RunWithLargeStack([&cl] { return RunReporting(cl); }, ThreadsOf(cl)));
}

}  // namespace tintara::cli

int main(int argc, char** argv) { return tintara::cli::Main(argc, argv); }
