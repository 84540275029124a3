// One run of the served script: a fresh environment with the module loaded, the script run in
// it with the page's slider values, and what the page needs from the run: every clip-valued
// top-level variable and the result, the sliders, the files read, or the error and its place.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cli/serve/FrameStore.h"
#include "cli/serve/TestMode.h"
#include "runtime/Environment.h"
#include "runtime/script/Syntax.h"

namespace tintara::serve {

struct NamedClip {
  std::string name;  // the variable, or "result" for the script's value
  PClip clip;
  bool test_mode = false;  // made by a marking filter in test mode: `sweep` says how
  Sweep sweep;
};

using script::Slider;

// Where a script failed: the message as the command prints it, the file and place, and the
// text of that line so the page can show it with the column marked.
struct Failure {
  std::string message;
  std::string file;
  int line = 0, column = 0;
  std::string line_text;
};

// A file the run read, with the content it had: a reload is due when it changes, and a write
// back is allowed only while it is unchanged. A failed run knows only the files before the
// failure; it keeps watching those of the last good run too.
struct ReadFile {
  std::string path;
  std::string content;
};

class Session {
 public:
  // Runs the script at `path`, loading `module` (none when empty), with the given slider
  // values by label. Never throws for a script's own failure: see Failed().
  static std::shared_ptr<const Session> Run(const std::string& path, const std::string& module,
                                            const std::map<std::string, double>& overrides, const Session* last_good);
  ~Session();

  bool Failed() const { return !failure_.message.empty(); }
  const Failure& Error() const { return failure_; }
  const std::vector<NamedClip>& Clips() const { return clips_; }
  const NamedClip* Find(const std::string& name) const;
  const std::vector<Slider>& Sliders() const { return sliders_; }
  const std::vector<ReadFile>& Files() const { return files_; }
  Environment& Env() const { return *env_; }
  // The frames of this run shown lately (it is safe to use from several threads).
  FrameStore& Frames() const { return frames_; }

 private:
  Session() = default;
  void Fail(const std::string& message, int line, int column, const std::string& file);

  // Declared first so it is destroyed last: the clips belong to it.
  std::unique_ptr<Environment> env_;
  std::vector<NamedClip> clips_;
  std::vector<Slider> sliders_;
  std::vector<ReadFile> files_;
  Failure failure_;
  // Its frames come from the environment: destroyed before it.
  mutable FrameStore frames_;
};

// The file's bytes, or false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string* content);

}  // namespace tintara::serve
