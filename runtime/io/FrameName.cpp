#include "runtime/io/FrameName.h"

namespace tintara::io {

bool FrameName::Parse(const std::string& pattern, FrameName* out, std::string* why) {
  FrameName name;
  std::string* text = &name.before_;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c != '%') {
      *text += c;
      continue;
    }
    if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
      *text += '%';
      ++i;
      continue;
    }
    if (name.has_number_) {
      *why = "\"" + pattern + "\" has more than one %d";
      return false;
    }
    size_t k = i + 1;
    if (k < pattern.size() && pattern[k] == '0') {
      name.zero_ = true;
      ++k;
    }
    while (k < pattern.size() && pattern[k] >= '0' && pattern[k] <= '9') {
      name.width_ = name.width_ * 10 + (pattern[k] - '0');
      if (name.width_ > 32) {
        *why = "the number width in \"" + pattern + "\" is larger than 32";
        return false;
      }
      ++k;
    }
    if (k >= pattern.size() || pattern[k] != 'd') {
      *why = "\"" + pattern + "\" has a % that is not %d, %0Nd or %%";
      return false;
    }
    name.has_number_ = true;
    text = &name.after_;
    i = k;
  }
  *out = name;
  return true;
}

std::string FrameName::For(int frame) const {
  if (!has_number_) return before_;
  const bool negative = frame < 0;
  std::string digits = std::to_string(frame);
  if (negative) digits.erase(0, 1);
  std::string number = digits;
  const int length = static_cast<int>(digits.size()) + (negative ? 1 : 0);
  if (length < width_) {
    const std::string pad(static_cast<size_t>(width_ - length), zero_ ? '0' : ' ');
    number = zero_ ? (negative ? "-" : "") + pad + digits : pad + (negative ? "-" : "") + digits;
  } else if (negative) {
    number = "-" + digits;
  }
  return before_ + number + after_;
}

}  // namespace tintara::io
