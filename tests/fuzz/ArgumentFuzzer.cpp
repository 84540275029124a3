// libFuzzer target: every registered filter called with arguments drawn from the input against
// its signature (absent values, extreme ints, odd strings, both bools, clips of every format and
// of small sizes), then, when creation succeeds, frames asked for in and out of range. A filter
// may refuse with its error; it may never crash, read or write outside a frame, or leak.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/CacheClip.h"
#include "runtime/Environment.h"
#include "runtime/MemoryClip.h"

using namespace tintara;

namespace {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  int Int() {
    static const int special[] = {
        0,       1,   -1,  2,    3,     4,     5,  7,    8,    16,   100,       127,       128,           129,
        254,     255, 256, 1000, 32767, 65535, -2, -100, -255, -256, INT32_MAX, INT32_MIN, INT32_MAX - 1, INT32_MIN + 1,
        0xFFFFFF};
    const uint8_t kind = Byte();
    if (kind < 160) return special[kind % (sizeof special / sizeof special[0])];
    int v = 0;
    for (int i = 0; i < 4; ++i) v = static_cast<int>((static_cast<unsigned>(v) << 8) | Byte());
    if (kind < 220) return v % 300;
    return v;
  }
  bool Empty() const { return pos_ >= size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

Environment& Env() {
  static Environment* env = [] {
    Environment::Options options;
    options.poison = true;
    auto* e = new Environment(options);
    e->LoadPlugin(TINTARA_MODULE_PATH);
    return e;
  }();
  return *env;
}

const int kTypes[] = {VideoInfo::CS_BGR24, VideoInfo::CS_BGR32, VideoInfo::CS_YUY2, VideoInfo::CS_YV12,
                      VideoInfo::CS_I420};

PClip MakeClip(Input& in, int pixel_type, int width, int height, int frames) {
  const VideoInfo vi = VideoInfoOf(pixel_type, width, height, frames);
  std::vector<PVideoFrame> list;
  const uint8_t style = in.Byte();
  for (int n = 0; n < std::min(frames, 3); ++n) {
    PVideoFrame f = Env().NewVideoFrame(vi);
    for (int plane : {PLANAR_Y, PLANAR_U, PLANAR_V}) {
      if (plane != PLANAR_Y && f->GetPitch(PLANAR_U) == 0) break;
      BYTE* p = f->GetWritePtr(plane);
      for (int y = 0; y < f->GetHeight(plane); ++y)
        for (int x = 0; x < f->GetRowSize(plane); ++x) {
          const int v = style % 4 == 0   ? 128
                        : style % 4 == 1 ? ((x / 3 + y / 2 + n) % 2) * 255
                                         : (x * 37 + y * 11 + n * style) & 255;
          p[static_cast<long>(y) * f->GetPitch(plane) + x] = static_cast<BYTE>(v);
        }
    }
    list.push_back(f);
  }
  return Env().Cached(PClip(new MemoryClip(vi, std::move(list))));
}

Value ValueFor(Input& in, char type, const std::vector<PClip>& clips) {
  switch (type) {
    case 'c': return Value::Clip(clips[in.Byte() % clips.size()]);
    case 'i': return Value::Int(in.Int());
    case 'f': return in.Byte() % 2 ? Value::Float(in.Int() / 16.0) : Value::Int(in.Int());
    case 'b': return Value::Bool(in.Byte() & 1);
    case 's': {
      static const char* words[] = {
          "",      "c1",     "c2",      "c3",    "a1",   "e1",    "e2",     "el",     "ep",    "es",   "epl",   "esl",
          "erode", "dilate", "close",   "open",  "thin", "salt",  "pepper", "vale",   "ridge", "rorv", "flood", "drain",
          "ford",  "mask",   "nomask",  "hint",  "left", "right", "vint",   "above",  "below", "join", "diff",  "curve",
          "rect",  "circle", "ellipse", "aANDb", "aORb", "aNOTb", "AND",    "%s%n%d", "x"};
      return Value::String(words[in.Byte() % (sizeof words / sizeof words[0])]);
    }
  }
  return Value();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  const auto functions = Env().Registered();
  std::vector<std::pair<std::string, std::string>> filters;
  for (const auto& f : functions) filters.push_back(f);
  const auto& chosen = filters[in.Byte() % filters.size()];

  const int pixel_type = kTypes[in.Byte() % 5];
  const bool even = pixel_type != VideoInfo::CS_BGR24 && pixel_type != VideoInfo::CS_BGR32;
  int width = 1 + in.Byte() % 40, height = 1 + in.Byte() % 30;
  // One clip in ten is up to 200 wide: rows that run through the widest vector loops more than
  // once and end in leftover columns.
  if (width > 36) width = 1 + in.Byte() % 200;
  if (even) width = (width + 1) & ~1;
  if (pixel_type == VideoInfo::CS_YV12 || pixel_type == VideoInfo::CS_I420) height = (height + 1) & ~1;
  const int frames = 1 + in.Byte() % 12;
  std::vector<PClip> clips = {MakeClip(in, pixel_type, width, height, frames),
                              MakeClip(in, pixel_type, width, height, frames)};
  if (in.Byte() % 8 == 0) {  // a clip of another size or format
    const int other = kTypes[in.Byte() % 5];
    clips.push_back(MakeClip(in, other, 2 * (1 + in.Byte() % 20), 2 * (1 + in.Byte() % 15), frames));
  }

  std::vector<Parameter> params;
  ParseSignature(chosen.second, &params);
  std::vector<Argument> args;
  bool positional = true;
  for (const Parameter& p : params) {
    if (p.optional) {
      positional = false;
      if (in.Byte() % 3 == 0) continue;  // absent
    }
    Argument a;
    if (!positional) a.name = p.name;
    if (p.many) {
      const int count = p.may_be_empty ? in.Byte() % 16 : 1 + in.Byte() % 15;
      std::vector<Value> group;
      for (int i = 0; i < count; ++i) group.push_back(ValueFor(in, p.type, clips));
      if (positional) {
        for (Value& v : group) args.push_back({"", v});
        continue;
      }
      a.value = Value::Array(group);
    } else {
      a.value = ValueFor(in, p.type, clips);
    }
    args.push_back(a);
  }

  try {
    Value result = Env().Call(chosen.first, args);
    if (!result.IsClip()) return 0;
    auto* cache = dynamic_cast<CacheClip*>(result.clip.get());
    PClip filter = cache ? cache->Child() : result.clip;
    for (int k = 0; k < 4 && !in.Empty(); ++k) {
      const int n = k == 3 ? in.Int() : in.Byte() % (frames + 2) - 1;
      PVideoFrame f = filter->GetFrame(n, &Env());
      // Read every byte so that uninitialised or freed memory would be noticed.
      unsigned sum = 0;
      for (int plane : {PLANAR_Y, PLANAR_U, PLANAR_V}) {
        if (plane != PLANAR_Y && f->GetPitch(PLANAR_U) == 0) break;
        for (int y = 0; y < f->GetHeight(plane); ++y)
          for (int x = 0; x < f->GetRowSize(plane); ++x)
            sum += f->GetReadPtr(plane)[static_cast<long>(y) * f->GetPitch(plane) + x];
      }
      if (sum == 0xFFFFFFFFu) std::memset(&sum, 0, sizeof sum);
    }
  } catch (const AvisynthError&) {
  }
  return 0;
}
