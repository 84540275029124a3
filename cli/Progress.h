// The progress line on standard error: frames done, frames per second and time left.
#pragma once

#include <chrono>

namespace tintara::cli {

class Progress {
 public:
  // `total` 0 when the number of frames is not known (a stream).
  Progress(bool enabled, int total);
  void Update(int done);
  // Ends the line (only if one was shown).
  void Finish();

 private:
  using Clock = std::chrono::steady_clock;
  void Show(int done);

  const bool enabled_;
  const int total_;
  const Clock::time_point started_;
  Clock::time_point shown_;
  bool any_shown_ = false;
  int done_ = 0;
};

}  // namespace tintara::cli
