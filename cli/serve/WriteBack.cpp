#include "cli/serve/WriteBack.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace tintara::serve {

std::string SliderText(const Slider& slider, double value) {
  char text[64];
  if (!slider.is_float) {
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(std::llround(value)));
    return text;
  }
  // The shortest of up to six decimals that reads back as the value, keeping one decimal.
  std::snprintf(text, sizeof text, "%.6f", value);
  std::string s = text;
  while (s.size() > 1 && s.back() == '0' && s[s.size() - 2] != '.') s.pop_back();
  return s;
}

namespace {

bool ReplaceFile(const std::string& path, const std::string& content, std::string* why) {
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string temp = dir + "/." + base + ".tintara-XXXXXX";
  const int fd = mkstemp(&temp[0]);
  if (fd < 0) {
    *why = "cannot write beside " + path + ": " + std::strerror(errno);
    return false;
  }
  struct stat st;
  if (stat(path.c_str(), &st) == 0) fchmod(fd, st.st_mode & 07777);
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  const bool written = done == content.size() && fsync(fd) == 0;
  const int saved_errno = errno;
  close(fd);
  if (!written || rename(temp.c_str(), path.c_str()) != 0) {
    *why = "cannot write " + path + ": " + std::strerror(written ? errno : saved_errno);
    unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace

bool WriteBack(const Session& session, std::string* message) {
  // New texts per file, and first a check of every file, so nothing is written half.
  std::vector<std::pair<const ReadFile*, std::string>> changed;
  int count = 0;
  for (const ReadFile& file : session.Files()) {
    std::vector<const Slider*> in_file;
    for (const Slider& s : session.Sliders())
      if (s.file == file.path) in_file.push_back(&s);
    if (in_file.empty()) continue;
    std::string now;
    if (!ReadWholeFile(file.path, &now) || now != file.content) {
      *message = file.path + " changed on disk since it was loaded: nothing was saved (the page reloads it)";
      return false;
    }
    // From the end backwards, so the offsets before each replacement still hold.
    std::sort(in_file.begin(), in_file.end(), [](const Slider* a, const Slider* b) { return a->offset > b->offset; });
    std::string text = file.content;
    for (const Slider* s : in_file) {
      if (s->value == s->default_value || s->offset + s->length > text.size()) continue;
      text.replace(s->offset, s->length, SliderText(*s, s->value));
      ++count;
    }
    if (text != file.content) changed.emplace_back(&file, text);
  }
  std::string files;
  for (const auto& [file, text] : changed) {
    std::string why;
    if (!ReplaceFile(file->path, text, &why)) {
      *message = why;
      return false;
    }
    files += (files.empty() ? "" : ", ") + file->path;
  }
  *message = changed.empty()
                 ? "nothing to save: the script already has these values"
                 : "saved " + std::to_string(count) + " slider value" + (count == 1 ? "" : "s") + " to " + files;
  return true;
}

}  // namespace tintara::serve
