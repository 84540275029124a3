#include "cli/FrameMaker.h"

namespace tintara::cli {

FrameMaker::FrameMaker(Make make, int first, int last, int threads)
    : make_(std::move(make)), last_(last), window_(2 * threads), next_to_make_(first), next_to_take_(first) {
  if (threads > 1)
    for (int i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
}

FrameMaker::~FrameMaker() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  for (std::thread& t : workers_) t.join();
}

void FrameMaker::Work() {
  for (;;) {
    int n;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] {
        return stop_ || next_to_make_ > last_ || next_to_make_ < next_to_take_ + window_;
      });
      if (stop_ || next_to_make_ > last_) return;
      n = next_to_make_++;
    }
    Made made;
    try {
      made.bytes = make_(n);
    } catch (...) {
      made.error = std::current_exception();
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      made_[n] = std::move(made);
    }
    changed_.notify_all();
  }
}

std::vector<uint8_t> FrameMaker::Take() {
  Made made;
  if (workers_.empty()) {
    made.bytes = make_(next_to_take_++);
    return std::move(made.bytes);
  }
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return made_.count(next_to_take_) != 0; });
    auto it = made_.find(next_to_take_);
    made = std::move(it->second);
    made_.erase(it);
    ++next_to_take_;
  }
  changed_.notify_all();
  if (made.error) std::rethrow_exception(made.error);
  return std::move(made.bytes);
}

}  // namespace tintara::cli
