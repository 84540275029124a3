// The command line of `tintara`: options, the script and the output, and the help text.
#pragma once

#include <string>
#include <vector>

namespace tintara::cli {

enum class OutputKind { None, Y4mStdout, Y4mFile, Raw, Png };

struct CommandLine {
  std::string script;  // a file, or "-" for standard input
  std::string output;  // empty when no output is given
  OutputKind kind = OutputKind::None;
  bool info = false;
  bool quiet = false;
  bool help = false;
  bool version = false;
  int start = -1;  // -1: not given
  int end = -1;
  int threads = 0;       // 0: one per core
  int stdin_frames = 0;  // the length of a stream on standard input; 0: not given
  std::vector<std::string> plugins;
};

// On a bad command line returns false and sets `why` to a message for the user.
bool ParseCommandLine(int argc, const char* const* argv, CommandLine* out, std::string* why);

// The output kind a name asks for; false with `why` when the name says none.
bool OutputKindOf(const std::string& name, OutputKind* kind, std::string* why);

extern const char kHelpText[];

}  // namespace tintara::cli
