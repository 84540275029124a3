// The host interface the module compiles against: the AviSynth 2.5 plugin interface (version 2)
// with the binary layout AviSynth+ serves on Linux x86-64 (LP64, Itanium C++ ABI).
//
// The host and the module share these objects by layout only: the host reads fields at fixed
// offsets and calls virtual functions at fixed vtable slots, and everything that is not a
// virtual call is inline code compiled into the module. So no class here may gain a data
// member, a base class or a virtual function, and the order of members and virtual functions
// is the contract. The static_asserts at the end pin the sizes and offsets.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

enum { AVISYNTH_INTERFACE_VERSION = 2 };
enum { FRAME_ALIGN = 16 };

typedef unsigned char BYTE;

// Plane selectors. No host slot takes one; only the module's own accessors read them.
enum {
  DEFAULT_PLANE = 0,
  PLANAR_Y = 1,
  PLANAR_U = 2,
  PLANAR_V = 4,
  PLANAR_ALIGNED = 8,
  PLANAR_Y_ALIGNED = PLANAR_Y | PLANAR_ALIGNED,
  PLANAR_U_ALIGNED = PLANAR_U | PLANAR_ALIGNED,
  PLANAR_V_ALIGNED = PLANAR_V | PLANAR_ALIGNED,
};

class IScriptEnvironment;
class IClip;
class VideoFrame;
class AVSValue;

// Thrown by value; the host catches `const AvisynthError&` and reads `msg` at offset 0.
class AvisynthError {
 public:
  const char* const msg;
  explicit AvisynthError(const char* m) : msg(m) {}
};

// Host reference counts are 8-byte longs changed with full-barrier atomics.
namespace host_atomic {
inline long Increment(volatile long* p) { return __sync_add_and_fetch(p, 1L); }
inline long Decrement(volatile long* p) { return __sync_sub_and_fetch(p, 1L); }
inline long Load(const volatile long* p) { return __atomic_load_n(p, __ATOMIC_SEQ_CST); }
}  // namespace host_atomic

struct VideoInfo {
  int width, height;
  unsigned fps_numerator, fps_denominator;
  int num_frames;
  int pixel_type;
  int audio_samples_per_second;
  int sample_type;
  int64_t num_audio_samples;
  int nchannels;
  int image_type;

  static constexpr int CS_BGR = 1 << 28;
  static constexpr int CS_YUV = 1 << 29;
  static constexpr int CS_INTERLEAVED = 1 << 30;
  static constexpr int CS_PLANAR = static_cast<int>(1u << 31);

  static constexpr int CS_UNKNOWN = 0;
  static constexpr int CS_BGR24 = CS_BGR | CS_INTERLEAVED | 1;
  static constexpr int CS_BGR32 = CS_BGR | CS_INTERLEAVED | 2;
  static constexpr int CS_YUY2 = CS_YUV | CS_INTERLEAVED | 4;
  static constexpr int CS_YV12 = CS_PLANAR | CS_YUV | 8;
  static constexpr int CS_I420 = CS_PLANAR | CS_YUV | 16;
  static constexpr int CS_IYUV = CS_I420;

  static constexpr int IT_BFF = 1;
  static constexpr int IT_TFF = 2;
  static constexpr int IT_FIELDBASED = 4;

  static constexpr int SAMPLE_INT8 = 1;
  static constexpr int SAMPLE_INT16 = 2;
  static constexpr int SAMPLE_INT24 = 4;
  static constexpr int SAMPLE_INT32 = 8;
  static constexpr int SAMPLE_FLOAT = 16;

  bool HasVideo() const { return width != 0; }
  bool HasAudio() const { return audio_samples_per_second != 0; }
  bool IsRGB24() const { return pixel_type == CS_BGR24; }
  bool IsRGB32() const { return pixel_type == CS_BGR32; }
  bool IsRGB() const { return IsRGB24() || IsRGB32(); }
  bool IsYUY2() const { return pixel_type == CS_YUY2; }
  // 2.5 used this name for both 4:2:0 layouts.
  bool IsYV12() const { return pixel_type == CS_YV12 || pixel_type == CS_I420; }
  bool IsPlanar() const { return (pixel_type & CS_PLANAR) != 0; }
  bool IsFieldBased() const { return (image_type & IT_FIELDBASED) != 0; }
  bool IsSameColorspace(const VideoInfo& other) const { return pixel_type == other.pixel_type; }
  int BytesFromPixels(int pixels) const {
    if (IsRGB24()) return pixels * 3;
    if (IsRGB32()) return pixels * 4;
    if (IsYUY2()) return pixels * 2;
    return pixels;
  }
  int RowSize() const { return BytesFromPixels(width); }
};

// A host object; the module only reads it. The real objects are a larger host subclass.
class VideoFrameBuffer {
 protected:
  BYTE* data;
  int data_size;
  volatile long sequence_number;
  volatile long refcount;
  void* device;  // host private

  VideoFrameBuffer() : data(nullptr), data_size(0), sequence_number(0), refcount(0), device(nullptr) {}
  ~VideoFrameBuffer() = default;

 public:
  VideoFrameBuffer(const VideoFrameBuffer&) = delete;
  VideoFrameBuffer& operator=(const VideoFrameBuffer&) = delete;

  const BYTE* GetReadPtr() const { return data; }
  BYTE* GetWritePtr() {
    host_atomic::Increment(&sequence_number);
    return data;
  }
  int GetDataSize() const { return data_size; }
  int GetSequenceNumber() const { return static_cast<int>(sequence_number); }
  int GetRefcount() const { return static_cast<int>(refcount); }

  friend class VideoFrame;
  friend class PVideoFrame;
  friend struct HostLayout;
};

// A host object of which the module knows the first 52 bytes.
class VideoFrame {
 protected:
  volatile long refcount;
  VideoFrameBuffer* vfb;
  int offset, pitch, row_size, height;
  int offsetU, offsetV, pitchUV;
  int row_sizeUV, heightUV;

  VideoFrame()
      : refcount(0), vfb(nullptr), offset(0), pitch(0), row_size(0), height(0), offsetU(0),
        offsetV(0), pitchUV(0), row_sizeUV(0), heightUV(0) {}
  ~VideoFrame() = default;

  // Exactly these four select chroma; every other value, combinations of bits included,
  // selects the first plane.
  static bool IsU(int plane) { return plane == PLANAR_U || plane == PLANAR_U_ALIGNED; }
  static bool IsV(int plane) { return plane == PLANAR_V || plane == PLANAR_V_ALIGNED; }
  static bool IsChroma(int plane) { return IsU(plane) || IsV(plane); }

 public:
  VideoFrame(const VideoFrame&) = delete;
  VideoFrame& operator=(const VideoFrame&) = delete;

  int GetPitch(int plane = DEFAULT_PLANE) const { return IsChroma(plane) ? pitchUV : pitch; }
  int GetRowSize(int plane = DEFAULT_PLANE) const {
    if (IsChroma(plane)) return pitchUV ? row_sizeUV : 0;
    return row_size;
  }
  int GetHeight(int plane = DEFAULT_PLANE) const {
    if (IsChroma(plane)) return pitchUV ? heightUV : 0;
    return height;
  }
  int GetOffset(int plane = DEFAULT_PLANE) const {
    if (IsU(plane)) return offsetU;
    if (IsV(plane)) return offsetV;
    return offset;
  }
  const BYTE* GetReadPtr(int plane = DEFAULT_PLANE) const { return vfb->GetReadPtr() + GetOffset(plane); }
  bool IsWritable() const {
    return host_atomic::Load(&refcount) == 1 && host_atomic::Load(&vfb->refcount) == 1;
  }
  BYTE* GetWritePtr(int plane = DEFAULT_PLANE) const {
    if (!IsWritable()) return nullptr;
    return vfb->GetWritePtr() + GetOffset(plane);
  }
  VideoFrameBuffer* GetFrameBuffer() const { return vfb; }

  friend class PVideoFrame;
  friend struct HostLayout;
};

class PVideoFrame {
  VideoFrame* p;

  void AddRef() {
    if (p) host_atomic::Increment(&p->refcount);
  }
  // Reads the buffer before dropping the frame: at 0 the host may reuse the frame object.
  void Release() {
    if (!p) return;
    VideoFrameBuffer* buffer = p->vfb;
    if (host_atomic::Decrement(&p->refcount) == 0) host_atomic::Decrement(&buffer->refcount);
  }
  void Set(VideoFrame* x) {
    if (x) host_atomic::Increment(&x->refcount);
    Release();
    p = x;
  }

 public:
  PVideoFrame() : p(nullptr) {}
  PVideoFrame(const PVideoFrame& x) : p(x.p) { AddRef(); }
  PVideoFrame(VideoFrame* x) : p(x) { AddRef(); }
  ~PVideoFrame() { Release(); }
  PVideoFrame& operator=(const PVideoFrame& x) {
    Set(x.p);
    return *this;
  }
  PVideoFrame& operator=(VideoFrame* x) {
    Set(x);
    return *this;
  }

  VideoFrame* operator->() const { return p; }
  operator void*() const { return p; }
  bool operator!() const { return !p; }
};

class IClip {
  friend class PClip;
  friend class AVSValue;
  volatile long refcnt;
  void AddRef() { host_atomic::Increment(&refcnt); }
  void Release() {
    if (host_atomic::Decrement(&refcnt) == 0) delete this;
  }

 public:
  IClip() : refcnt(0) {}
  IClip(const IClip&) = delete;
  IClip& operator=(const IClip&) = delete;

  virtual int GetVersion() { return AVISYNTH_INTERFACE_VERSION; }
  virtual PVideoFrame GetFrame(int n, IScriptEnvironment* env) = 0;
  virtual bool GetParity(int n) = 0;
  virtual void GetAudio(void* buf, int64_t start, int64_t count, IScriptEnvironment* env) = 0;
  virtual int SetCacheHints(int cachehints, int frame_range) = 0;
  virtual const VideoInfo& GetVideoInfo() = 0;
  virtual ~IClip() {}

  // The host's reference count; only hosts and the argument hand-over read it.
  long ReferenceCount() const { return host_atomic::Load(&refcnt); }
  // One permanent reference, for the hand-over of clip arguments (see TakeArgumentClips).
  void AddArgumentReference() { AddRef(); }
  // The host's side of that hand-over: the release it makes after a create function returns.
  void ReleaseArgumentReference() { Release(); }
};

class PClip {
  IClip* p;

  IClip* GetPointerWithAddRef() const {
    if (p) p->AddRef();
    return p;
  }
  void Set(IClip* x) {
    if (x) x->AddRef();
    if (p) p->Release();
    p = x;
  }

  friend class AVSValue;

 public:
  PClip() : p(nullptr) {}
  PClip(const PClip& x) : p(x.p) {
    if (p) p->AddRef();
  }
  PClip(IClip* x) : p(x) {
    if (p) p->AddRef();
  }
  ~PClip() {
    if (p) p->Release();
  }
  PClip& operator=(IClip* x) {
    Set(x);
    return *this;
  }
  PClip& operator=(const PClip& x) {
    Set(x.p);
    return *this;
  }

  IClip* operator->() const { return p; }
  IClip* get() const { return p; }
  operator void*() const { return p; }
  bool operator!() const { return !p; }
};

class AVSValue {
  short type;
  short array_size;
  union {
    IClip* clip;
    bool boolean;
    int integer;
    float floating_pt;
    const char* string;
    const AVSValue* array;
    int64_t longlong;
    double double_pt;
  };

  void ClipAddRef() const {
    if (type == 'c' && clip) clip->AddRef();
  }
  void ClipRelease() const {
    if (type == 'c' && clip) clip->Release();
  }
  void Clear() { longlong = 0; }

 public:
  AVSValue() : type('v'), array_size(0) { Clear(); }
  AVSValue(IClip* c) : type('c'), array_size(0) {
    Clear();
    clip = c;
    ClipAddRef();
  }
  AVSValue(const PClip& c) : AVSValue(c.p) {}
  AVSValue(bool b) : type('b'), array_size(0) {
    Clear();
    boolean = b;
  }
  AVSValue(int i) : type('i'), array_size(0) {
    Clear();
    integer = i;
  }
  AVSValue(float f) : type('f'), array_size(0) {
    Clear();
    floating_pt = f;
  }
  AVSValue(double f) : AVSValue(static_cast<float>(f)) {}
  AVSValue(const char* s) : type('s'), array_size(0) {
    Clear();
    string = s;
  }
  // Stores the pointer only: the elements are neither copied nor owned.
  AVSValue(const AVSValue* a, int size) : type('a'), array_size(static_cast<short>(size)) {
    Clear();
    array = a;
  }
  AVSValue(const AVSValue& v) : type(v.type), array_size(v.array_size) {
    longlong = v.longlong;
    ClipAddRef();
  }
  ~AVSValue() { ClipRelease(); }
  AVSValue& operator=(const AVSValue& v) {
    v.ClipAddRef();
    ClipRelease();
    type = v.type;
    array_size = v.array_size;
    longlong = v.longlong;
    return *this;
  }

  bool Defined() const { return type != 'v'; }
  bool IsClip() const { return type == 'c'; }
  bool IsBool() const { return type == 'b'; }
  bool IsInt() const { return type == 'i' || type == 'l'; }
  bool IsFloat() const { return type == 'f' || type == 'd' || IsInt(); }
  bool IsString() const { return type == 's'; }
  bool IsArray() const { return type == 'a'; }

  PClip AsClip() const { return IsClip() ? PClip(clip) : PClip(); }
  bool AsBool() const { return boolean; }
  int AsInt() const { return type == 'l' ? static_cast<int>(longlong) : integer; }
  double AsFloat() const {
    if (type == 'i') return integer;
    if (type == 'l') return static_cast<double>(longlong);
    if (type == 'd') return double_pt;
    return floating_pt;
  }
  const char* AsString() const { return IsString() ? string : nullptr; }

  bool AsBool(bool def) const { return IsBool() ? boolean : def; }
  int AsInt(int def) const { return IsInt() ? AsInt() : def; }
  double AsFloat(double def) const { return IsFloat() ? AsFloat() : def; }
  const char* AsString(const char* def) const { return IsString() ? string : def; }

  int ArraySize() const { return IsArray() ? array_size : 1; }
  const AVSValue& operator[](int index) const {
    return (IsArray() && index >= 0 && index < array_size) ? array[index] : *this;
  }

  // The raw tag; hosts build and inspect values through it.
  char Type() const { return static_cast<char>(type); }

  friend struct HostLayout;
};

class IScriptEnvironment {
 public:
  virtual ~IScriptEnvironment() {}

  typedef AVSValue (*ApplyFunc)(AVSValue args, void* user_data, IScriptEnvironment* env);
  typedef void (*ShutdownFunc)(void* user_data, IScriptEnvironment* env);

  enum PlanarChromaAlignmentMode {
    PlanarChromaAlignmentOff,
    PlanarChromaAlignmentOn,
    PlanarChromaAlignmentTest,
  };

  class NotFound {};

  virtual int GetCPUFlags() = 0;
  virtual char* SaveString(const char* s, int length = -1) = 0;
  virtual char* Sprintf(const char* fmt, ...) = 0;
  virtual char* VSprintf(const char* fmt, va_list val) = 0;
  [[noreturn]] virtual void ThrowError(const char* fmt, ...) = 0;
  virtual void AddFunction(const char* name, const char* params, ApplyFunc apply, void* user_data) = 0;
  virtual bool FunctionExists(const char* name) = 0;
  virtual AVSValue Invoke(const char* name, const AVSValue args, const char* const* arg_names = 0) = 0;
  virtual AVSValue GetVar(const char* name) = 0;
  virtual bool SetVar(const char* name, const AVSValue& val) = 0;
  virtual bool SetGlobalVar(const char* name, const AVSValue& val) = 0;
  virtual void PushContext(int level = 0) = 0;
  virtual void PopContext() = 0;
  virtual PVideoFrame NewVideoFrame(const VideoInfo& vi, int align = FRAME_ALIGN) = 0;
  virtual bool MakeWritable(PVideoFrame* pvf) = 0;
  virtual void BitBlt(BYTE* dst, int dst_pitch, const BYTE* src, int src_pitch, int row_size, int height) = 0;
  virtual void AtExit(ShutdownFunc function, void* user_data) = 0;
  virtual void CheckVersion(int version = AVISYNTH_INTERFACE_VERSION) = 0;
  virtual PVideoFrame Subframe(PVideoFrame src, int rel_offset, int new_pitch, int new_row_size, int new_height) = 0;
  virtual int SetMemoryMax(int mem) = 0;
  virtual int SetWorkingDir(const char* newdir) = 0;
  virtual void* ManageCache(int key, void* data) = 0;
  virtual bool PlanarChromaAlignment(PlanarChromaAlignmentMode key) = 0;
  virtual PVideoFrame SubframePlanar(PVideoFrame src, int rel_offset, int new_pitch, int new_row_size,
                                     int new_height, int rel_offsetU, int rel_offsetV, int new_pitchUV) = 0;
};

class GenericVideoFilter : public IClip {
 protected:
  PClip child;
  VideoInfo vi;

 public:
  explicit GenericVideoFilter(const PClip& c) : child(c), vi(c->GetVideoInfo()) {}
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override { return child->GetFrame(n, env); }
  bool GetParity(int n) override { return child->GetParity(n); }
  void GetAudio(void* buf, int64_t start, int64_t count, IScriptEnvironment* env) override {
    child->GetAudio(buf, start, count, env);
  }
  int SetCacheHints(int, int) override { return 0; }
  const VideoInfo& GetVideoInfo() override { return vi; }
};

// After a create function returns normally, an AviSynth+ host on Linux releases every clip that
// is a direct element of the argument array once more than it referenced it (it already
// destroyed its own deep copy of the array). Every create function that receives clips calls
// this right before it returns, never before a throw, so the clips it keeps stay alive.
// A 32-bit MSVC build, where the callee destroys by-value arguments, must not take it.
inline void TakeArgumentClips(const AVSValue& args) {
#if !(defined(_MSC_VER) && !defined(_WIN64))
  for (int i = 0; i < args.ArraySize(); ++i) {
    const AVSValue& a = args[i];
    if (a.IsClip()) {
      PClip c = a.AsClip();
      if (c) c->AddArgumentReference();
    }
  }
#endif
}

// The binary contract, checked where it can be at compile time (IClip's field offsets, which
// offsetof cannot reach on a polymorphic class, are checked by the tests).
static_assert(sizeof(long) == 8, "LP64 host: reference counts are 8-byte longs");
static_assert(sizeof(AvisynthError) == 8, "AvisynthError is one pointer");
static_assert(offsetof(AvisynthError, msg) == 0, "AvisynthError::msg at 0");
static_assert(sizeof(VideoInfo) == 48, "VideoInfo is 48 bytes");
static_assert(offsetof(VideoInfo, num_frames) == 16, "VideoInfo::num_frames at 16");
static_assert(offsetof(VideoInfo, pixel_type) == 20, "VideoInfo::pixel_type at 20");
static_assert(offsetof(VideoInfo, num_audio_samples) == 32, "VideoInfo::num_audio_samples at 32");
static_assert(offsetof(VideoInfo, image_type) == 44, "VideoInfo::image_type at 44");
static_assert(sizeof(PVideoFrame) == 8 && sizeof(PClip) == 8, "smart pointers are one pointer");
static_assert(sizeof(AVSValue) == 16, "AVSValue is 16 bytes");
static_assert(sizeof(IClip) == 16, "IClip is vptr + refcnt");
static_assert(sizeof(GenericVideoFilter) == 72, "GenericVideoFilter is 72 bytes");
static_assert(sizeof(VideoFrameBuffer) == 40, "VideoFrameBuffer is 40 bytes");
static_assert(sizeof(VideoFrame) == 56, "VideoFrame: 52 bytes of fields, padded to 8");
struct HostLayout {
  static_assert(offsetof(VideoFrameBuffer, data) == 0, "VideoFrameBuffer::data at 0");
  static_assert(offsetof(VideoFrameBuffer, data_size) == 8, "VideoFrameBuffer::data_size at 8");
  static_assert(offsetof(VideoFrameBuffer, sequence_number) == 16, "sequence_number at 16");
  static_assert(offsetof(VideoFrameBuffer, refcount) == 24, "VideoFrameBuffer::refcount at 24");
  static_assert(offsetof(VideoFrame, refcount) == 0, "VideoFrame::refcount at 0");
  static_assert(offsetof(VideoFrame, vfb) == 8, "VideoFrame::vfb at 8");
  static_assert(offsetof(VideoFrame, offset) == 16, "VideoFrame::offset at 16");
  static_assert(offsetof(VideoFrame, pitch) == 20, "VideoFrame::pitch at 20");
  static_assert(offsetof(VideoFrame, row_size) == 24, "VideoFrame::row_size at 24");
  static_assert(offsetof(VideoFrame, height) == 28, "VideoFrame::height at 28");
  static_assert(offsetof(VideoFrame, offsetU) == 32, "VideoFrame::offsetU at 32");
  static_assert(offsetof(VideoFrame, offsetV) == 36, "VideoFrame::offsetV at 36");
  static_assert(offsetof(VideoFrame, pitchUV) == 40, "VideoFrame::pitchUV at 40");
  static_assert(offsetof(VideoFrame, row_sizeUV) == 44, "VideoFrame::row_sizeUV at 44");
  static_assert(offsetof(VideoFrame, heightUV) == 48, "VideoFrame::heightUV at 48");
  static_assert(offsetof(AVSValue, type) == 0, "AVSValue::type at 0");
  static_assert(offsetof(AVSValue, array_size) == 2, "AVSValue::array_size at 2");
  static_assert(offsetof(AVSValue, clip) == 8, "AVSValue's union at 8");
};
static_assert(VideoInfo::CS_YV12 == static_cast<int>(0xA0000008u), "YV12 pixel type");
static_assert(VideoInfo::CS_I420 == static_cast<int>(0xA0000010u), "I420 pixel type");
static_assert(VideoInfo::CS_BGR24 == 0x50000001 && VideoInfo::CS_BGR32 == 0x50000002, "RGB pixel types");
static_assert(VideoInfo::CS_YUY2 == 0x60000004, "YUY2 pixel type");
