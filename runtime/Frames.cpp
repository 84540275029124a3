#include "runtime/Frames.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace tintara {

namespace {
constexpr int kMinimumAlign = 64;
constexpr size_t kSpareBuffers = 16;

int RoundUp(int value, int unit) { return (value + unit - 1) / unit * unit; }
}  // namespace

class FramePool::Buffer : public VideoFrameBuffer {
 public:
  explicit Buffer(size_t size) : capacity(size) {
    data = static_cast<BYTE*>(std::aligned_alloc(kMinimumAlign, RoundUp(static_cast<int>(size), kMinimumAlign)));
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
};

class FramePool::Frame : public VideoFrame {
 public:
  Frame(Buffer* buffer, int pixel_type_, int width_) : pixel_type(pixel_type_), width(width_) { vfb = buffer; }
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
  int width;
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
    *error = "NewVideoFrame: a frame of " + std::to_string(vi.width) + "x" + std::to_string(vi.height) +
             " is too large";
    return false;
  }
  return true;
}

FramePool::~FramePool() {
  for (Frame* f : frames_) delete f;
  for (Buffer* b : buffers_) delete b;
  for (Buffer* b : spare_) delete b;
}

void FramePool::SetPoison(bool on, uint8_t value) {
  std::lock_guard<std::mutex> lock(mutex_);
  options_.poison = on;
  options_.poison_value = value;
}

void FramePool::SetChromaAligned(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  options_.chroma_aligned = on;
}

bool FramePool::ChromaAligned() const { return options_.chroma_aligned; }

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
  for (size_t i = 0; i < buffers_.size();) {
    Buffer* b = buffers_[i];
    if (b->Count() != 0) {
      ++i;
      continue;
    }
    buffers_[i] = buffers_.back();
    buffers_.pop_back();
    spare_.push_back(b);
  }
  while (spare_.size() > kSpareBuffers) {
    delete spare_.front();
    spare_.erase(spare_.begin());
  }
}

bool FramePool::Fits(const Buffer* b, size_t size) { return b->capacity >= size && b->capacity <= 2 * size; }

// A full sweep looks at every frame and buffer, so it runs only before a buffer is allocated or
// once the frame objects have doubled since the last one. Before that, the spares and then the
// buffers handed out most recently (the likeliest to be free again) are tried.
FramePool::Buffer* FramePool::AcquireBuffer(size_t size) {
  if (frames_.size() >= sweep_at_) Sweep();
  for (size_t i = spare_.size(); i-- > 0;) {
    Buffer* b = spare_[i];
    if (Fits(b, size)) {
      spare_.erase(spare_.begin() + static_cast<long>(i));
      buffers_.push_back(b);
      return b;
    }
  }
  for (size_t i = buffers_.size(); i-- > 0;)
    if (buffers_[i]->Count() == 0 && Fits(buffers_[i], size)) return buffers_[i];
  Sweep();
  auto* b = new Buffer(size);
  if (!b->Allocated()) {
    delete b;
    return nullptr;
  }
  buffers_.push_back(b);
  return b;
}

PVideoFrame FramePool::New(const VideoInfo& vi, int align, std::string* error) {
  if (!CheckFormat(vi, error)) return PVideoFrame();
  align = std::max(kMinimumAlign, align < 0 ? -align : align);
  if (align > 4096 || (align & (align - 1))) align = kMinimumAlign;  // only sane powers of two
  const PlaneGeometry g = GeometryOf(vi);

  std::lock_guard<std::mutex> lock(mutex_);
  const int pitch = RoundUp(g.row_size, align);
  int pitchUV = 0;
  if (g.planes == 3) pitchUV = options_.chroma_aligned ? RoundUp(g.row_sizeUV, align) : pitch / 2;
  const int luma = pitch * g.height;
  const int chroma = RoundUp(pitchUV * g.heightUV, align);
  const int size = RoundUp(luma, align) + 2 * chroma;

  Buffer* buffer = AcquireBuffer(static_cast<size_t>(size));
  if (!buffer) {
    *error = "NewVideoFrame: out of memory for a frame of " + std::to_string(vi.width) + "x" + std::to_string(vi.height);
    return PVideoFrame();
  }
  buffer->Prepare(size);
  if (options_.poison) std::memset(buffer->Data(), options_.poison_value, buffer->capacity);

  auto* frame = new Frame(buffer, vi.pixel_type, vi.width);
  const int first = RoundUp(luma, align);
  const int second = first + chroma;
  if (g.planes == 3) {
    const bool yv12 = vi.pixel_type == VideoInfo::CS_YV12;  // V before U; I420 the reverse
    frame->Layout(0, pitch, g.row_size, g.height, yv12 ? second : first, yv12 ? first : second, pitchUV,
                  g.row_sizeUV, g.heightUV);
  } else {
    frame->Layout(0, pitch, g.row_size, g.height, 0, 0, 0, 0, 0);
  }
  frames_.push_back(frame);
  return PVideoFrame(frame);
}

PVideoFrame FramePool::Copy(const PVideoFrame& source) {
  const auto* src = static_cast<const Frame*>(source.operator->());
  VideoInfo vi{};
  vi.width = src->width;
  vi.height = src->GetHeight();
  vi.pixel_type = src->pixel_type;
  // Copies keep V before U whatever the source's order, as AviSynth+'s copies do.
  if (vi.pixel_type == VideoInfo::CS_I420) vi.pixel_type = VideoInfo::CS_YV12;
  std::string error;
  PVideoFrame copy = New(vi, kMinimumAlign, &error);
  if (!copy) return copy;
  for (int plane : {PLANAR_Y, PLANAR_U, PLANAR_V}) {
    const int rows = source->GetHeight(plane), bytes = source->GetRowSize(plane);
    if (plane != PLANAR_Y && source->GetPitch(plane) == 0) break;
    const BYTE* s = source->GetReadPtr(plane);
    BYTE* d = copy->GetWritePtr(plane);
    for (int y = 0; y < rows; ++y) std::memcpy(d + static_cast<long>(y) * copy->GetPitch(plane),
                                               s + static_cast<long>(y) * source->GetPitch(plane), bytes);
  }
  // The copy belongs to the source's format again (only its plane order differs).
  static_cast<Frame*>(copy.operator->())->pixel_type = src->pixel_type;
  return copy;
}

PVideoFrame FramePool::Share(const PVideoFrame& source, int offset, int pitch, int row_size, int height,
                             int offsetU, int offsetV, int pitchUV, int row_sizeUV, int heightUV) {
  const auto* src = static_cast<const Frame*>(source.operator->());
  std::lock_guard<std::mutex> lock(mutex_);
  Buffer* buffer = src->Owner();
  buffer->AddFrame();
  auto* frame = new Frame(buffer, src->pixel_type, src->width);
  frame->Layout(offset, pitch, row_size, height, offsetU, offsetV, pitchUV, row_sizeUV, heightUV);
  frames_.push_back(frame);
  return PVideoFrame(frame);
}

}  // namespace tintara
