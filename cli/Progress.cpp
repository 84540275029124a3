#include "cli/Progress.h"

#include <cstdio>

namespace tintara::cli {

Progress::Progress(bool enabled, int total)
    : enabled_(enabled), total_(total), started_(Clock::now()), shown_(started_) {}

void Progress::Update(int done) {
  if (!enabled_) return;
  done_ = done;
  const Clock::time_point now = Clock::now();
  // A few times a second is enough for the eye and keeps the terminal cheap.
  const bool last = total_ > 0 && done == total_;
  if (now - shown_ < std::chrono::milliseconds(250) && !last) return;
  shown_ = now;
  Show(done);
}

void Progress::Show(int done) {
  const double seconds = std::chrono::duration<double>(Clock::now() - started_).count();
  const double fps = seconds > 0 ? done / seconds : 0.0;
  if (total_ > 0) {
    const long left = fps > 0 ? static_cast<long>((total_ - done) / fps + 0.5) : 0;
    std::fprintf(stderr, "\rtintara: %d/%d frames, %.1f fps, %ld:%02ld left   ", done, total_, fps, left / 60,
                 left % 60);
  } else {
    std::fprintf(stderr, "\rtintara: %d frames, %.1f fps   ", done, fps);
  }
  std::fflush(stderr);
  any_shown_ = true;
}

void Progress::Finish() {
  if (!any_shown_) return;
  Show(done_);  // the final count, which throttling may have skipped
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

}  // namespace tintara::cli
