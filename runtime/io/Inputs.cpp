#include "runtime/io/Inputs.h"

namespace tintara::io {

void Inputs::Add(const struct stat& st) {
  std::lock_guard<std::mutex> lock(mutex_);
  files_.emplace(st.st_dev, st.st_ino);
}

bool Inputs::Reads(const std::string& path) const {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  return files_.count({st.st_dev, st.st_ino}) != 0;
}

}  // namespace tintara::io
