// Frames of the embedded host: 64-byte aligned buffers, every pitch (chroma included) a multiple
// of 64, YV12 with V before U and I420 with U before V, as AviSynth+ lays them out.
//
// The module releases frames with its own inline code, which only lowers the reference counts,
// so the pool finds unused frames by looking: a frame object whose count is 0 is dead, and a
// buffer whose count is 0 may be reused. The looking is spread out so that a new frame costs
// the same whether ten frames are alive or a hundred thousand (a long chain keeps one per clip).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "host/avisynth.h"

namespace tintara {

// Plane geometry of a frame: the number of planes and the sizes each has.
struct PlaneGeometry {
  int planes = 1;
  int row_size = 0, height = 0;
  int row_sizeUV = 0, heightUV = 0;
};

class FramePool {
 public:
  struct Options {
    bool poison = false;  // fill new frames with `poison_value` (tests)
    uint8_t poison_value = 0xA5;
    bool chroma_aligned = true;  // false: pitchUV = pitch / 2
  };

  explicit FramePool(Options options) : options_(options) {}
  ~FramePool();
  FramePool(const FramePool&) = delete;
  FramePool& operator=(const FramePool&) = delete;

  // A new writable frame; returns null and sets `error` for a format or size no host makes.
  PVideoFrame New(const VideoInfo& vi, int align, std::string* error);
  // A writable copy of `source` (V before U for planar frames, as AviSynth+'s copies).
  PVideoFrame Copy(const PVideoFrame& source);
  // A frame sharing `source`'s buffer with other offsets and pitches.
  PVideoFrame Share(const PVideoFrame& source, int offset, int pitch, int row_size, int height, int offsetU,
                    int offsetV, int pitchUV, int row_sizeUV, int heightUV);

  void SetPoison(bool on, uint8_t value);
  // Switches chroma alignment and answers the state before, in one step.
  bool SetChromaAligned(bool on);
  bool ChromaAligned();

  // Live frame objects and buffers (tests use it to see that frames are released).
  size_t LiveFrames();

  // Checks a format and size as NewVideoFrame does; the message names what is wrong.
  static bool CheckFormat(const VideoInfo& vi, std::string* error);

 private:
  class Buffer;
  class Frame;

  Buffer* AcquireBuffer(size_t size, size_t alignment);
  Buffer* TakeSpare(size_t size, size_t alignment);
  void MoveToSpares(size_t i);
  void TrimSpares();
  static bool Fits(const Buffer* b, size_t size, size_t alignment);
  enum class Made { Yes, TooLarge, OutOfMemory };
  // A new writable frame of that geometry into `made`, every plane and pitch aligned to `unit`.
  Made Make(const PlaneGeometry& g, int pixel_type, int64_t unit, bool v_first, PVideoFrame* made);
  void Sweep();
  void SweepBuffers();
  void SweepSomeBuffers();

  std::mutex mutex_;
  Options options_;
  std::vector<Frame*> frames_;
  std::vector<Buffer*> buffers_;  // referenced by some frame, the last handed out at the back
  // Unused buffers kept for reuse, found by size (capacity, alignment, then when each became a
  // spare) and dropped by age, so that neither looks at every spare.
  std::map<std::tuple<size_t, size_t, uint64_t>, Buffer*> spares_;
  std::map<uint64_t, Buffer*> spares_by_age_;
  uint64_t spared_ = 0;     // buffers made spares so far: orders them by when they were freed
  size_t sweep_at_ = 0;     // frame objects at which the next full sweep runs
  size_t swept_to_ = 0;     // where in `buffers_` the next partial sweep goes on
  size_t most_in_use_ = 0;  // the most buffers referenced at once so far
};

PlaneGeometry GeometryOf(const VideoInfo& vi);

}  // namespace tintara
