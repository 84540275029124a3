#include "cli/CommandLine.h"

#include <cctype>
#include <climits>
#include <cstdlib>

#include "runtime/io/FrameName.h"

namespace tintara::cli {

const char kHelpText[] =
    "Usage: tintara [options] SCRIPT [OUTPUT]\n"
    "       tintara serve SCRIPT [--port N] [--open]   (a live tuning page: tintara serve --help)\n"
    "\n"
    "Runs an AviSynth-syntax script with the Tintara filters and writes the frames of the\n"
    "clip it returns.\n"
    "\n"
    "  SCRIPT           the script file, or - to read the script from standard input\n"
    "  OUTPUT           where the frames go:\n"
    "                     -             Y4M to standard output\n"
    "                     NAME.y4m      a Y4M file (YUY2, YV12 and I420 clips)\n"
    "                     NAME.raw      raw frames, top row first, in the layouts of ffmpeg's\n"
    "                                   bgr24 (RGB24), bgra (RGB32), yuyv422 (YUY2) and\n"
    "                                   yuv420p (YV12, I420)\n"
    "                     NAME%04d.png  one RGB PNG per frame, numbered by frame\n"
    "                   Without OUTPUT the script is run and the clip's properties are printed.\n"
    "\n"
    "Options:\n"
    "  --info           print width, height, frame count, pixel type and frame rate, then exit\n"
    "  --start N        first frame to write (default 0)\n"
    "  --end N          last frame to write, inclusive (default the clip's last frame)\n"
    "  --stdin-frames N the number of frames of the stream on standard input (RawSource(\"-\")),\n"
    "                   needed where its length matters (FrameCount, the filters)\n"
    "  --threads N      frames made in parallel (default: the number of cores); the output\n"
    "                   is always in frame order\n"
    "  --plugin PATH    load this module instead of the one installed with tintara (may be\n"
    "                   given more than once)\n"
    "  --quiet          no progress line on standard error\n"
    "  --help           show this help and exit\n"
    "  --version        show the version and exit\n"
    "\n"
    "A progress line is shown on standard error while writing, when it is a terminal.\n"
    "Exit status: 0 success, 1 script or runtime error, 2 bad command line.\n";

namespace {

bool EndsWith(const std::string& s, const std::string& suffix) {
  if (s.size() < suffix.size()) return false;
  for (size_t i = 0; i < suffix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[s.size() - suffix.size() + i])) != suffix[i]) return false;
  return true;
}

bool ParseCount(const std::string& text, int lowest, int* out) {
  if (text.empty() || text.size() > 10) return false;
  long long v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < lowest || v > INT_MAX) return false;
  *out = static_cast<int>(v);
  return true;
}

}  // namespace

bool OutputKindOf(const std::string& name, OutputKind* kind, std::string* why) {
  if (name == "-") {
    *kind = OutputKind::Y4mStdout;
    return true;
  }
  if (EndsWith(name, ".y4m")) {
    *kind = OutputKind::Y4mFile;
    return true;
  }
  if (EndsWith(name, ".raw")) {
    *kind = OutputKind::Raw;
    return true;
  }
  if (EndsWith(name, ".png")) {
    io::FrameName pattern;
    if (!io::FrameName::Parse(name, &pattern, why)) return false;
    if (!pattern.HasNumber()) {
      *why = "a PNG output needs a frame number in its name, as in out/frame%04d.png";
      return false;
    }
    *kind = OutputKind::Png;
    return true;
  }
  *why = "cannot tell the output format of \"" + name +
         "\": use - (Y4M to standard output), a .y4m or .raw file, or a PNG pattern such as out/frame%04d.png";
  return false;
}

bool ParseCommandLine(int argc, const char* const* argv, CommandLine* out, std::string* why) {
  *out = CommandLine();
  std::vector<std::string> positional;
  bool options_done = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (options_done || arg == "-" || arg.compare(0, 2, "--") != 0) {
      if (!options_done && arg.size() > 1 && arg[0] == '-' && arg != "-") {
        *why = "unknown option '" + arg + "'";
        return false;
      }
      positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_done = true;
      continue;
    }
    // --name=value and --name value are the same.
    std::string value;
    bool has_value = false;
    const size_t equals = arg.find('=');
    if (equals != std::string::npos) {
      value = arg.substr(equals + 1);
      arg = arg.substr(0, equals);
      has_value = true;
    }
    const bool takes_value =
        arg == "--start" || arg == "--end" || arg == "--threads" || arg == "--plugin" || arg == "--stdin-frames";
    if (takes_value && !has_value) {
      if (i + 1 >= argc) {
        *why = "option '" + arg + "' needs a value";
        return false;
      }
      value = argv[++i];
    } else if (!takes_value && has_value) {
      *why = "option '" + arg + "' takes no value";
      return false;
    }
    if (arg == "--info") {
      out->info = true;
    } else if (arg == "--quiet") {
      out->quiet = true;
    } else if (arg == "--help") {
      out->help = true;
    } else if (arg == "--version") {
      out->version = true;
    } else if (arg == "--plugin") {
      out->plugins.push_back(value);
    } else if (arg == "--start" || arg == "--end") {
      if (!ParseCount(value, 0, arg == "--start" ? &out->start : &out->end)) {
        *why = "option '" + arg + "' needs a frame number (0 or more), not '" + value + "'";
        return false;
      }
    } else if (arg == "--stdin-frames") {
      if (!ParseCount(value, 1, &out->stdin_frames)) {
        *why = "option '--stdin-frames' needs a frame count (1 or more), not '" + value + "'";
        return false;
      }
    } else if (arg == "--threads") {
      if (!ParseCount(value, 1, &out->threads) || out->threads > 256) {
        *why = "option '--threads' needs a number from 1 to 256, not '" + value + "'";
        return false;
      }
    } else {
      *why = "unknown option '" + arg + "'";
      return false;
    }
  }
  if (out->help || out->version) return true;
  if (positional.empty()) {
    *why = "no SCRIPT given";
    return false;
  }
  if (positional.size() > 2) {
    *why = "too many arguments: '" + positional[2] + "' (give SCRIPT and at most one OUTPUT)";
    return false;
  }
  out->script = positional[0];
  if (positional.size() == 2) {
    out->output = positional[1];
    if (!OutputKindOf(out->output, &out->kind, why)) return false;
  }
  if (out->start >= 0 && out->end >= 0 && out->end < out->start) {
    *why = "--end " + std::to_string(out->end) + " is before --start " + std::to_string(out->start);
    return false;
  }
  return true;
}

}  // namespace tintara::cli
