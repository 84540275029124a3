// What a run reads: the files its script opened, so that an output never overwrites one of them,
// and how standard input is used.
#pragma once

#include <sys/stat.h>

#include <mutex>
#include <set>
#include <string>
#include <utility>

namespace tintara::io {

class Inputs {
 public:
  // Notes a file read, by device and inode: another name for it (a link) is the same file.
  void Add(const struct stat& st);
  // Whether `path` names a file noted as read (symbolic links followed). False if it does not exist.
  bool Reads(const std::string& path) const;

  // Set by the command: the script itself comes from standard input, which then holds no frames.
  bool script_on_standard_input = false;
  // Set by the command: the frame count of the stream on standard input; 0 when not given.
  int standard_input_frames = 0;

 private:
  mutable std::mutex mutex_;
  std::set<std::pair<dev_t, ino_t>> files_;
};

}  // namespace tintara::io
