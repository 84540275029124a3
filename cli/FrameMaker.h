// Makes a run of frames on several threads and hands them out in frame order. At most
// `window` frames are made ahead of the one being taken, so memory stays bounded however
// long the run is. The byte buffers frames are made into go round: a buffer taken and given
// back is filled again, so a frame's bytes are neither allocated nor zeroed anew.
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
  // Fills `bytes` (a buffer given back earlier, or empty) with frame n, sizing it as needed.
  using Make = std::function<void(int n, std::vector<uint8_t>& bytes)>;

  // Frames first..last; with one thread they are made by Take itself.
  FrameMaker(Make make, int first, int last, int threads);
  ~FrameMaker();
  FrameMaker(const FrameMaker&) = delete;
  FrameMaker& operator=(const FrameMaker&) = delete;

  // The next frame in order; rethrows what making it threw.
  std::vector<uint8_t> Take();
  // Gives a taken frame's buffer back for another frame.
  void GiveBack(std::vector<uint8_t> bytes);

 private:
  struct Made {
    std::vector<uint8_t> bytes;
    std::exception_ptr error;
  };
  void Work();
  void Stop();  // ends and joins the threads
  std::vector<uint8_t> SpareBuffer();  // called with the mutex held

  const Make make_;
  const int last_;
  const int window_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<int, Made> made_;
  std::vector<std::vector<uint8_t>> spare_;
  int next_to_make_;
  int next_to_take_;
  bool stop_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace tintara::cli
