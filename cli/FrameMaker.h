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

#include "host/avisynth.h"

namespace tintara::cli {

// What the writer writes for one frame: `bytes`, then the rows of `frame` when it is set (a
// file that holds a frame's rows as they are is written from the frame, not from a copy).
struct MadeFrame {
  std::vector<uint8_t> bytes;
  PVideoFrame frame;
};

class FrameMaker {
 public:
  // Fills `made` (its bytes a buffer given back earlier, or empty) for frame n, sizing the
  // bytes as needed.
  using Make = std::function<void(int n, MadeFrame& made)>;

  // Frames first..last; with one thread they are made by Take itself.
  FrameMaker(Make make, int first, int last, int threads);
  ~FrameMaker();
  FrameMaker(const FrameMaker&) = delete;
  FrameMaker& operator=(const FrameMaker&) = delete;

  // The next frame in order; rethrows what making it threw.
  MadeFrame Take();
  // Gives a taken frame back once written: the frame is released and its byte buffer goes to
  // another frame.
  void GiveBack(MadeFrame made);

 private:
  struct Made {
    MadeFrame frame;
    std::exception_ptr error;
  };
  void Work();
  void Stop();                         // ends and joins the threads
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
