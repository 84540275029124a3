#include "cli/FrameMaker.h"

#include <stdexcept>
#include <string>
#include <system_error>

namespace tintara::cli {

FrameMaker::FrameMaker(Make make, int first, int last, int threads)
    : make_(std::move(make)), last_(last), window_(2 * threads), next_to_make_(first), next_to_take_(first) {
  try {
    if (threads > 1)
      for (int i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
  } catch (const std::system_error& e) {
    Stop();  // the threads already started, so that none is left running
    throw std::runtime_error("tintara: cannot start " + std::to_string(threads) +
                             " threads to make frames: " + e.what() + " (try fewer with --threads)");
  }
}

FrameMaker::~FrameMaker() { Stop(); }

void FrameMaker::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  for (std::thread& t : workers_) t.join();
  workers_.clear();
}

void FrameMaker::Work() {
  for (;;) {
    int n;
    Made made;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return stop_ || next_to_make_ > last_ || next_to_make_ < next_to_take_ + window_; });
      if (stop_ || next_to_make_ > last_) return;
      n = next_to_make_++;
      made.frame.bytes = SpareBuffer();
    }
    try {
      make_(n, made.frame);
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

std::vector<uint8_t> FrameMaker::SpareBuffer() {
  if (spare_.empty()) return {};
  std::vector<uint8_t> bytes = std::move(spare_.back());
  spare_.pop_back();
  return bytes;
}

void FrameMaker::GiveBack(MadeFrame made) {
  made.frame = PVideoFrame();
  std::lock_guard<std::mutex> lock(mutex_);
  // Never more buffers than frames that can be in flight at once; an empty one is not worth
  // keeping.
  if (made.bytes.capacity() > 0 && spare_.size() < static_cast<size_t>(window_) + 1)
    spare_.push_back(std::move(made.bytes));
}

MadeFrame FrameMaker::Take() {
  Made made;
  if (workers_.empty()) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      made.frame.bytes = SpareBuffer();
    }
    make_(next_to_take_++, made.frame);
    return std::move(made.frame);
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
  return std::move(made.frame);
}

}  // namespace tintara::cli
