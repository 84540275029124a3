// Makes a run of frames on several threads and hands them out in frame order. At most
// `window` frames are made ahead of the one being taken, so memory stays bounded however
// long the run is.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace tintara::cli {

class FrameMaker {
 public:
  using Make = std::function<std::vector<uint8_t>(int n)>;

  // Frames first..last; with one thread they are made by Take itself.
  FrameMaker(Make make, int first, int last, int threads);
  ~FrameMaker();
  FrameMaker(const FrameMaker&) = delete;
  FrameMaker& operator=(const FrameMaker&) = delete;

  // The next frame in order; rethrows what making it threw.
  std::vector<uint8_t> Take();

 private:
  struct Made {
    std::vector<uint8_t> bytes;
    std::exception_ptr error;
  };
  void Work();

  const Make make_;
  const int last_;
  const int window_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<int, Made> made_;
  int next_to_make_;
  int next_to_take_;
  bool stop_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace tintara::cli
