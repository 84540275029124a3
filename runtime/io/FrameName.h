// File names numbered by frame, as printf writes them: "out/frame%04d.png". Only one number
// conversion is allowed (%d, with an optional 0 flag and width); "%%" is a percent sign.
// Names are made here rather than by printf, so a pattern can never read a missing argument.
#pragma once

#include <string>

namespace tintara::io {

class FrameName {
 public:
  // On failure returns false and says why; a pattern without a conversion is accepted and
  // names the same file for every frame (HasNumber() false).
  static bool Parse(const std::string& pattern, FrameName* out, std::string* why);

  bool HasNumber() const { return has_number_; }
  std::string For(int frame) const;

 private:
  std::string before_, after_;
  bool has_number_ = false;
  bool zero_ = false;
  int width_ = 0;
};

}  // namespace tintara::io
