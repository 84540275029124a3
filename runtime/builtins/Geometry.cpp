// Crop, AddBorders, the flips and the stacks: every output row is a copy of input rows, placed
// or reversed. All of them work on picture rows (FrameRows.h), so RGB needs no rule of its own.
#include "runtime/builtins/Geometry.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "runtime/builtins/FillColour.h"
#include "runtime/builtins/Formats.h"
#include "runtime/builtins/FrameRows.h"

namespace tintara {

namespace {

// A clip whose frames are made from one child frame by `Make(in, out)` into a new frame of vi.
template <typename Make>
class ReshapedClip : public IClip {
 public:
  ReshapedClip(const PClip& child, const VideoInfo& vi, Make make) : child_(child), vi_(vi), make_(make) {}
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override {
    const PVideoFrame in = child_->GetFrame(n, env);
    PVideoFrame out = env->NewVideoFrame(vi_);
    make_(in, out);
    return out;
  }
  bool GetParity(int n) override { return child_->GetParity(n); }
  void GetAudio(void*, int64_t, int64_t, IScriptEnvironment*) override {}
  int SetCacheHints(int, int) override { return 0; }
  const VideoInfo& GetVideoInfo() override { return vi_; }

 private:
  PClip child_;
  VideoInfo vi_;
  Make make_;
};

template <typename Make>
Value Reshaped(const PClip& child, const VideoInfo& vi, Make make) {
  return Value::Clip(PClip(new ReshapedClip<Make>(child, vi, make)));
}

// Bytes of `pixels` pixels in plane `index` (chroma planes of 4:2:0 hold half as many).
int PlaneBytes(const VideoInfo& vi, int index, int pixels) {
  return index == 0 ? vi.BytesFromPixels(pixels) : pixels / 2;
}
int PlaneRowsOf(int index, int rows) { return index == 0 ? rows : rows / 2; }

Value Crop(Environment& env, const PClip& clip, int left, int top, int width, int height) {
  const VideoInfo& in = clip->GetVideoInfo();
  if (left < 0 || top < 0) env.Fail("Crop: Top and Left must be more than 0");
  const long long w = width <= 0 ? static_cast<long long>(in.width) - left + width : width;
  const long long h = height <= 0 ? static_cast<long long>(in.height) - top + height : height;
  if (w <= 0) env.Fail("Crop: Destination width is 0 or less.");
  if (h <= 0) env.Fail("Crop: Destination height is 0 or less.");
  if (left + w > in.width || top + h > in.height) env.Fail("Crop: you cannot use crop to enlarge or 'shift' a clip");
  const char* const kMod2 = "Crop: YUV image can only be cropped by Mod 2 ";
  if (in.IsYUY2() || in.IsPlanar()) {
    if (left & 1) env.Fail(std::string(kMod2) + "(left side).");
    if (w & 1) env.Fail(std::string(kMod2) + "(right side).");
  }
  if (in.IsPlanar()) {
    if (top & 1) env.Fail(std::string(kMod2) + "(top).");
    if (h & 1) env.Fail(std::string(kMod2) + "(bottom).");
  }
  VideoInfo vi = in;
  vi.width = static_cast<int>(w);
  vi.height = static_cast<int>(h);
  return Reshaped(clip, vi, [in, vi, left, top](const PVideoFrame& src, const PVideoFrame& dst) {
    for (int p = 0; p < PlaneCount(vi); ++p) {
      const PlaneRows<const BYTE> from = ReadRows(src, in, p);
      const PlaneRows<BYTE> to = WriteRows(dst, vi, p);
      const int x = PlaneBytes(in, p, left), y = PlaneRowsOf(p, top);
      for (int r = 0; r < to.rows; ++r) std::memcpy(to.Row(r), from.Row(y + r) + x, static_cast<size_t>(to.bytes));
    }
  });
}

Value Stack(Environment& env, std::vector<Value>& args, bool horizontal) {
  const std::string name = horizontal ? "StackHorizontal" : "StackVertical";
  std::vector<PClip> clips{args[0].clip};
  for (const Value& v : args[1].array) clips.push_back(v.clip);
  VideoInfo vi = clips[0]->GetVideoInfo();
  long long total = 0;
  for (const PClip& c : clips) {
    const VideoInfo& part = c->GetVideoInfo();
    if (horizontal && part.height != vi.height) env.Fail(name + ": image heights don't match");
    if (!horizontal && part.width != vi.width) env.Fail(name + ": image widths don't match");
    if (!SameFormat(part.pixel_type, vi.pixel_type)) env.Fail(name + ": image formats don't match");
    total += horizontal ? part.width : part.height;
    vi.num_frames = std::max(vi.num_frames, part.num_frames);
  }
  if (total > INT_MAX / 4) env.Fail(name + ": the stacked picture is too large");
  (horizontal ? vi.width : vi.height) = static_cast<int>(total);
  CheckClipFormat(env, name, vi);

  class StackClip : public IClip {
   public:
    StackClip(std::vector<PClip> clips, bool horizontal, const VideoInfo& vi)
        : clips_(std::move(clips)), horizontal_(horizontal), vi_(vi) {}
    // Each clip is copied into its place, the first leftmost or topmost; a shorter clip
    // repeats its last frame (its cache clamps the request).
    PVideoFrame GetFrame(int n, IScriptEnvironment* env) override {
      PVideoFrame out = env->NewVideoFrame(vi_);
      int at = 0;  // pixels from the left, or rows from the top
      for (const PClip& clip : clips_) {
        const VideoInfo& part = clip->GetVideoInfo();
        const PVideoFrame in = clip->GetFrame(n, env);
        for (int p = 0; p < PlaneCount(vi_); ++p) {
          const PlaneRows<const BYTE> from = ReadRows(in, part, p);
          const PlaneRows<BYTE> to = WriteRows(out, vi_, p);
          const int x = horizontal_ ? PlaneBytes(vi_, p, at) : 0, y = horizontal_ ? 0 : PlaneRowsOf(p, at);
          for (int r = 0; r < from.rows; ++r)
            std::memcpy(to.Row(y + r) + x, from.Row(r), static_cast<size_t>(from.bytes));
        }
        at += horizontal_ ? part.width : part.height;
      }
      return out;
    }
    bool GetParity(int n) override { return clips_[0]->GetParity(n); }
    void GetAudio(void*, int64_t, int64_t, IScriptEnvironment*) override {}
    int SetCacheHints(int, int) override { return 0; }
    const VideoInfo& GetVideoInfo() override { return vi_; }

   private:
    std::vector<PClip> clips_;
    bool horizontal_;
    VideoInfo vi_;
  };
  return Value::Clip(PClip(new StackClip(std::move(clips), horizontal, vi)));
}

// Reverses the pixels of one row: whole pixels of `Bytes` bytes.
template <int Bytes>
void MirrorPixels(const BYTE* in, BYTE* out, int bytes) {
  const BYTE* p = in + bytes - Bytes;
  for (int x = 0; x < bytes; x += Bytes, p -= Bytes) std::memcpy(out + x, p, Bytes);
}
// YUY2: the pairs in reverse order, Y0 and Y1 swapped inside each; U and V stay with their pair.
void MirrorYuy2(const BYTE* in, BYTE* out, int bytes) {
  const BYTE* p = in + bytes - 4;
  for (int x = 0; x < bytes; x += 4, p -= 4) out[x] = p[2], out[x + 1] = p[1], out[x + 2] = p[0], out[x + 3] = p[3];
}

}  // namespace

Value CropFunction(Environment& env, std::vector<Value>& args) {
  return Crop(env, args[0].clip, args[1].integer, args[2].integer, args[3].integer, args[4].integer);
}

Value CropBottomFunction(Environment& env, std::vector<Value>& args) {
  const VideoInfo& vi = args[0].clip->GetVideoInfo();
  return Crop(env, args[0].clip, 0, 0, vi.width,
              static_cast<int>(std::max<long long>(INT_MIN, static_cast<long long>(vi.height) - args[1].integer)));
}

Value AddBordersFunction(Environment& env, std::vector<Value>& args) {
  const std::string name = "AddBorders";
  const VideoInfo& in = args[0].clip->GetVideoInfo();
  // Negative amounts add nothing.
  const int left = std::max(0, args[1].integer), top = std::max(0, args[2].integer);
  const int right = std::max(0, args[3].integer), bottom = std::max(0, args[4].integer);
  const char* const kMod2 = "AddBorders: YUV image can only add by Mod 2 ";
  if (in.IsYUY2() || in.IsPlanar()) {
    if (left & 1) env.Fail(std::string(kMod2) + "(left side).");
    if (right & 1) env.Fail(std::string(kMod2) + "(right side).");
  }
  if (in.IsPlanar()) {
    if (top & 1) env.Fail(std::string(kMod2) + "(top).");
    if (bottom & 1) env.Fail(std::string(kMod2) + "(bottom).");
  }
  if (args[10].Defined() && args[10].integer > 0)
    env.Fail("AddBorders: r (blurring the border's edge) is not supported; leave it 0");
  const FillColour colour = FillColourOf(env, name, in.pixel_type, args[5], args[6]);
  VideoInfo vi = in;
  const long long w = static_cast<long long>(in.width) + left + right,
                  h = static_cast<long long>(in.height) + top + bottom;
  if (w > INT_MAX / 4 || h > INT_MAX / 4) env.Fail(name + ": the picture with its borders is too large");
  vi.width = static_cast<int>(w);
  vi.height = static_cast<int>(h);
  CheckClipFormat(env, name, vi);
  return Reshaped(args[0].clip, vi, [in, vi, left, top, right, colour](const PVideoFrame& src, const PVideoFrame& dst) {
    for (int p = 0; p < PlaneCount(vi); ++p) {
      const PlaneRows<const BYTE> from = ReadRows(src, in, p);
      const PlaneRows<BYTE> to = WriteRows(dst, vi, p);
      const int sub = p == 0 ? 1 : 2;
      const int y0 = top / sub, x0 = PlaneBytes(vi, p, left);
      for (int r = 0; r < to.rows; ++r) {
        BYTE* row = to.Row(r);
        if (r < y0 || r >= y0 + from.rows) {
          PaintRow(row, vi.width / sub, vi.pixel_type, p, colour);
          continue;
        }
        PaintRow(row, left / sub, vi.pixel_type, p, colour);
        std::memcpy(row + x0, from.Row(r - y0), static_cast<size_t>(from.bytes));
        PaintRow(row + x0 + from.bytes, right / sub, vi.pixel_type, p, colour);
      }
    }
  });
}

Value FlipVerticalFunction(Environment&, std::vector<Value>& args) {
  const VideoInfo& vi = args[0].clip->GetVideoInfo();
  return Reshaped(args[0].clip, vi, [vi](const PVideoFrame& src, const PVideoFrame& dst) {
    for (int p = 0; p < PlaneCount(vi); ++p) {
      const PlaneRows<const BYTE> from = ReadRows(src, vi, p);
      const PlaneRows<BYTE> to = WriteRows(dst, vi, p);
      for (int r = 0; r < to.rows; ++r)
        std::memcpy(to.Row(r), from.Row(to.rows - 1 - r), static_cast<size_t>(to.bytes));
    }
  });
}

Value FlipHorizontalFunction(Environment&, std::vector<Value>& args) {
  const VideoInfo& vi = args[0].clip->GetVideoInfo();
  using Mirror = void (*)(const BYTE*, BYTE*, int);
  const Mirror mirror = vi.IsRGB24()   ? MirrorPixels<3>
                        : vi.IsRGB32() ? MirrorPixels<4>
                        : vi.IsYUY2()  ? MirrorYuy2
                                       : MirrorPixels<1>;
  return Reshaped(args[0].clip, vi, [vi, mirror](const PVideoFrame& src, const PVideoFrame& dst) {
    for (int p = 0; p < PlaneCount(vi); ++p) {
      const PlaneRows<const BYTE> from = ReadRows(src, vi, p);
      const PlaneRows<BYTE> to = WriteRows(dst, vi, p);
      for (int r = 0; r < to.rows; ++r) mirror(from.Row(r), to.Row(r), to.bytes);
    }
  });
}

Value StackHorizontalFunction(Environment& env, std::vector<Value>& args) { return Stack(env, args, true); }
Value StackVerticalFunction(Environment& env, std::vector<Value>& args) { return Stack(env, args, false); }

}  // namespace tintara
