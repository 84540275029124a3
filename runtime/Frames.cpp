#include "runtime/Frames.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace tintara {

namespace {
constexpr int kMinimumAlign = 64;
constexpr size_t kSpareBuffers = 16;
// The last buffers handed out, tried first: one free again (a filter's previous output, say) is
// still in the cache.
constexpr size_t kRecent = 4;
// Up to this many buffers in use, all are looked at before a buffer is allocated, which costs
// little and misses no free one. Beyond it (a long chain keeps a frame per clip), each new frame
// looks at a few, going round, and the full sweeps come only as the frame objects double.
constexpr size_t kLookAtAllUpTo = 64;
constexpr size_t kLookAtPerFrame = 4;
// Spare sizes compared when a frame fits several: the most recently freed of them is taken.
constexpr int kSpareSizesTried = 8;

int64_t RoundUp(int64_t value, int64_t unit) { return (value + unit - 1) / unit * unit; }

// What a message calls a frame of that size (made only when there is a message to give).
std::string Describe(const VideoInfo& vi) {
  return "a frame of " + std::to_string(vi.width) + "x" + std::to_string(vi.height);
}
}  // namespace

class FramePool::Buffer : public VideoFrameBuffer {
 public:
  Buffer(size_t size, size_t alignment_) : capacity(size), alignment(alignment_) {
    data = static_cast<BYTE*>(std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment));
  }
  ~Buffer() { std::free(data); }
  bool Allocated() const { return data != nullptr; }
  void Prepare(int size) {
    data_size = size;
    refcount = 1;  // the one frame about to be handed out
  }
  long Count() const { return host_atomic::Load(&refcount); }
  void AddFrame() { host_atomic::Increment(&refcount); }
  BYTE* Data() { return data; }

  const size_t capacity;
  const size_t alignment;  // of `data`: a power of two, at least 64
  uint64_t spared_at = 0;  // when it last became a spare
  std::tuple<size_t, size_t, uint64_t> SpareKey() const { return {capacity, alignment, spared_at}; }
};

class FramePool::Frame : public VideoFrame {
 public:
  Frame(Buffer* buffer, int pixel_type_) : pixel_type(pixel_type_) { vfb = buffer; }
  void Layout(int offset_, int pitch_, int row_size_, int height_, int offsetU_, int offsetV_, int pitchUV_,
              int row_sizeUV_, int heightUV_) {
    offset = offset_;
    pitch = pitch_;
    row_size = row_size_;
    height = height_;
    offsetU = offsetU_;
    offsetV = offsetV_;
    pitchUV = pitchUV_;
    row_sizeUV = row_sizeUV_;
    heightUV = heightUV_;
  }
  long Count() const { return host_atomic::Load(&refcount); }
  Buffer* Owner() const { return static_cast<Buffer*>(vfb); }

  int pixel_type;
};

PlaneGeometry GeometryOf(const VideoInfo& vi) {
  PlaneGeometry g;
  g.row_size = vi.BytesFromPixels(vi.width);
  g.height = vi.height;
  if (vi.pixel_type == VideoInfo::CS_YV12 || vi.pixel_type == VideoInfo::CS_I420) {
    g.planes = 3;
    g.row_sizeUV = vi.width / 2;
    g.heightUV = vi.height / 2;
  }
  return g;
}

bool FramePool::CheckFormat(const VideoInfo& vi, std::string* error) {
  const int t = vi.pixel_type;
  const bool planar = t == VideoInfo::CS_YV12 || t == VideoInfo::CS_I420;
  if (t != VideoInfo::CS_BGR24 && t != VideoInfo::CS_BGR32 && t != VideoInfo::CS_YUY2 && !planar) {
    *error = "NewVideoFrame: unknown pixel type";
    return false;
  }
  if (vi.width <= 0 || vi.height <= 0) {
    *error = "NewVideoFrame: a frame needs a width and a height of at least 1";
    return false;
  }
  if ((t == VideoInfo::CS_YUY2 || planar) && (vi.width & 1)) {
    *error = planar ? "NewVideoFrame: YV12 and I420 frames need an even width"
                    : "NewVideoFrame: YUY2 frames need an even width";
    return false;
  }
  if (planar && (vi.height & 1)) {
    *error = "NewVideoFrame: YV12 and I420 frames need an even height";
    return false;
  }
  // Sizes, pitches and offsets are ints in the frame layout: refuse what they cannot hold.
  const long long row = static_cast<long long>(vi.width) * (t == VideoInfo::CS_BGR32 ? 4 : 3);
  if (row + 2 * kMinimumAlign > INT_MAX / 2 || (row + kMinimumAlign) * 2 * vi.height > INT_MAX / 2) {
    *error =
        "NewVideoFrame: a frame of " + std::to_string(vi.width) + "x" + std::to_string(vi.height) + " is too large";
    return false;
  }
  return true;
}

FramePool::~FramePool() {
  for (Frame* f : frames_) delete f;
  for (Buffer* b : buffers_) delete b;
  for (auto& spare : spares_) delete spare.second;
}

void FramePool::SetPoison(bool on, uint8_t value) {
  std::lock_guard<std::mutex> lock(mutex_);
  options_.poison = on;
  options_.poison_value = value;
}

bool FramePool::SetChromaAligned(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  const bool before = options_.chroma_aligned;
  options_.chroma_aligned = on;
  return before;
}

bool FramePool::ChromaAligned() {
  std::lock_guard<std::mutex> lock(mutex_);
  return options_.chroma_aligned;
}

size_t FramePool::LiveFrames() {
  std::lock_guard<std::mutex> lock(mutex_);
  Sweep();
  return frames_.size();
}

// Frees dead frame objects and moves unreferenced buffers to the spares. A frame whose count
// reached 0 is never referenced again (only the pool hands frames out), and its releaser read
// the buffer pointer before dropping the count, so deleting it here is safe. A buffer's count is
// the number of live frame objects on it (a frame's last release drops it), so a count of 0 is
// enough to reuse the buffer: a releaser between its two decrements still holds it at 1.
void FramePool::Sweep() {
  frames_.erase(std::remove_if(frames_.begin(), frames_.end(),
                               [](Frame* f) {
                                 if (f->Count() != 0) return false;
                                 delete f;
                                 return true;
                               }),
                frames_.end());
  sweep_at_ = 2 * frames_.size() + kSpareBuffers;
  SweepBuffers();
}

void FramePool::SweepBuffers() {
  for (size_t i = 0; i < buffers_.size();) {
    if (buffers_[i]->Count() == 0) {
      MoveToSpares(i);
    } else {
      ++i;
    }
  }
  TrimSpares();
}

// Looks at the next few buffers in use, going round: among N buffers, a free one is found within
// N / kLookAtPerFrame new frames.
void FramePool::SweepSomeBuffers() {
  for (size_t looked = 0; looked < kLookAtPerFrame && !buffers_.empty(); ++looked) {
    if (swept_to_ >= buffers_.size()) swept_to_ = 0;
    if (buffers_[swept_to_]->Count() == 0) {
      MoveToSpares(swept_to_);
    } else {
      ++swept_to_;
    }
  }
  TrimSpares();
}

// Takes the buffer at `i` out of those in use, keeping the order of the last few handed out (they
// are tried first, as the most likely to be in the cache).
void FramePool::MoveToSpares(size_t i) {
  const size_t last_older = std::max(i, buffers_.size() > kRecent ? buffers_.size() - kRecent - 1 : 0);
  Buffer* b = buffers_[i];
  buffers_[i] = buffers_[last_older];
  buffers_.erase(buffers_.begin() + static_cast<long>(last_older));
  b->spared_at = ++spared_;
  spares_.emplace(b->SpareKey(), b);
  spares_by_age_.emplace(b->spared_at, b);
}

// Spares up to the most buffers ever in use at once: a chain made on several threads keeps
// more frames alive at a time, and a freed buffer would come back as fresh pages to fault in.
void FramePool::TrimSpares() {
  while (spares_by_age_.size() > std::max(kSpareBuffers, most_in_use_)) {
    Buffer* oldest = spares_by_age_.begin()->second;
    spares_by_age_.erase(spares_by_age_.begin());
    spares_.erase(oldest->SpareKey());
    delete oldest;
  }
}

bool FramePool::Fits(const Buffer* b, size_t size, size_t alignment) {
  return b->capacity >= size && b->capacity <= 2 * size && b->alignment >= alignment;
}

// The most recently freed spare among the smallest sizes that fit, or null.
FramePool::Buffer* FramePool::TakeSpare(size_t size, size_t alignment) {
  Buffer* best = nullptr;
  auto group = spares_.lower_bound({size, 0, 0});
  for (int tried = 0; tried < kSpareSizesTried && group != spares_.end() && Fits(group->second, size, 0); ++tried) {
    // The last of a capacity and alignment is the one freed most recently.
    const auto next = spares_.upper_bound({group->second->capacity, group->second->alignment, UINT64_MAX});
    Buffer* b = std::prev(next)->second;
    if (b->alignment >= alignment && (!best || b->spared_at > best->spared_at)) best = b;
    group = next;
  }
  if (best) {
    spares_.erase(best->SpareKey());
    spares_by_age_.erase(best->spared_at);
  }
  return best;
}

// A full sweep looks at every frame and buffer, so it runs once the frame objects have doubled
// since the last one, and before a buffer is allocated only while few buffers are in use. Before
// that, the last few buffers handed out are tried first: one free again (a filter's previous
// output, say) is still in the cache, where a spare may not be, and rotating through many spares
// would write every frame to cold memory. Then the spares, then (among few) the other buffers.
FramePool::Buffer* FramePool::AcquireBuffer(size_t size, size_t alignment) {
  if (frames_.size() >= sweep_at_) Sweep();
  const bool few = buffers_.size() <= kLookAtAllUpTo;
  if (!few) SweepSomeBuffers();
  const size_t recent_end = buffers_.size() > kRecent ? buffers_.size() - kRecent : 0;
  for (size_t i = buffers_.size(); i-- > recent_end;)
    if (buffers_[i]->Count() == 0 && Fits(buffers_[i], size, alignment)) return buffers_[i];
  Buffer* b = TakeSpare(size, alignment);
  if (!b && few) {
    for (size_t i = recent_end; i-- > 0;)
      if (buffers_[i]->Count() == 0 && Fits(buffers_[i], size, alignment)) return buffers_[i];
    SweepBuffers();
  }
  if (!b) {
    b = new Buffer(size, alignment);
    if (!b->Allocated()) {
      delete b;
      return nullptr;
    }
  }
  buffers_.push_back(b);
  most_in_use_ = std::max(most_in_use_, buffers_.size());
  return b;
}

PVideoFrame FramePool::New(const VideoInfo& vi, int align, std::string* error) {
  if (!CheckFormat(vi, error)) return PVideoFrame();
  // A minimum for pointers and pitches alike, a negative value counting by its size (64 bits:
  // INT_MIN too). Only a power of two can align a pointer; anything else gets the default.
  int64_t unit = std::max<int64_t>(kMinimumAlign, std::llabs(int64_t{align}));
  if (unit & (unit - 1)) unit = kMinimumAlign;
  PVideoFrame frame;
  switch (Make(GeometryOf(vi), vi.pixel_type, unit, vi.pixel_type == VideoInfo::CS_YV12, &frame)) {
    case Made::Yes: break;
    case Made::TooLarge: *error = "NewVideoFrame: " + Describe(vi) + " is too large"; break;
    case Made::OutOfMemory: *error = "NewVideoFrame: out of memory for " + Describe(vi); break;
  }
  return frame;
}

FramePool::Made FramePool::Make(const PlaneGeometry& g, int pixel_type, int64_t unit, bool v_first, PVideoFrame* made) {
  std::lock_guard<std::mutex> lock(mutex_);
  const int64_t pitch = RoundUp(g.row_size, unit);
  int64_t pitchUV = 0;
  if (g.planes == 3) pitchUV = options_.chroma_aligned ? RoundUp(g.row_sizeUV, unit) : pitch / 2;
  const int64_t luma = pitch * g.height;
  const int64_t chroma = RoundUp(pitchUV * g.heightUV, unit);
  const int64_t first = RoundUp(luma, unit);
  const int64_t second = first + chroma;
  // A large alignment can push sizes that pass the format check past what the frame's ints hold.
  if (second + chroma > INT_MAX) return Made::TooLarge;
  const int size = static_cast<int>(second + chroma);

  Buffer* buffer = AcquireBuffer(static_cast<size_t>(size), static_cast<size_t>(unit));
  if (!buffer) return Made::OutOfMemory;
  buffer->Prepare(size);
  if (options_.poison) std::memset(buffer->Data(), options_.poison_value, buffer->capacity);

  auto* frame = new Frame(buffer, pixel_type);
  const int u = static_cast<int>(first), v = static_cast<int>(second);
  if (g.planes == 3) {
    frame->Layout(0, static_cast<int>(pitch), g.row_size, g.height, v_first ? v : u, v_first ? u : v,
                  static_cast<int>(pitchUV), g.row_sizeUV, g.heightUV);
  } else {
    frame->Layout(0, static_cast<int>(pitch), g.row_size, g.height, 0, 0, 0, 0, 0);
  }
  frames_.push_back(frame);
  *made = PVideoFrame(frame);
  return Made::Yes;
}

PVideoFrame FramePool::Copy(const PVideoFrame& source) {
  const auto* src = static_cast<const Frame*>(source.operator->());
  // The geometry the frame itself shows (a part of a frame copies as that part), with V before
  // U whatever the source's order, as AviSynth+'s copies do.
  PlaneGeometry g;
  g.row_size = source->GetRowSize();
  g.height = source->GetHeight();
  if (source->GetPitch(PLANAR_U) != 0) {
    g.planes = 3;
    g.row_sizeUV = source->GetRowSize(PLANAR_U);
    g.heightUV = source->GetHeight(PLANAR_U);
  }
  PVideoFrame copy;
  if (Make(g, src->pixel_type, kMinimumAlign, true, &copy) != Made::Yes) return copy;
  for (int plane : {PLANAR_Y, PLANAR_U, PLANAR_V}) {
    const int rows = source->GetHeight(plane), bytes = source->GetRowSize(plane);
    if (plane != PLANAR_Y && source->GetPitch(plane) == 0) break;
    const BYTE* s = source->GetReadPtr(plane);
    BYTE* d = copy->GetWritePtr(plane);
    for (int y = 0; y < rows; ++y)
      std::memcpy(d + static_cast<long>(y) * copy->GetPitch(plane), s + static_cast<long>(y) * source->GetPitch(plane),
                  bytes);
  }
  return copy;
}

PVideoFrame FramePool::Share(const PVideoFrame& source, int offset, int pitch, int row_size, int height, int offsetU,
                             int offsetV, int pitchUV, int row_sizeUV, int heightUV) {
  const auto* src = static_cast<const Frame*>(source.operator->());
  std::lock_guard<std::mutex> lock(mutex_);
  Buffer* buffer = src->Owner();
  buffer->AddFrame();
  auto* frame = new Frame(buffer, src->pixel_type);
  frame->Layout(offset, pitch, row_size, height, offsetU, offsetV, pitchUV, row_sizeUV, heightUV);
  frames_.push_back(frame);
  return PVideoFrame(frame);
}

}  // namespace tintara
