// Trim, Reverse, Loop, SelectEvery, AssumeFPS and the splices: clips whose frames are frames of
// other clips, renumbered.
#include "runtime/builtins/Editing.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>

#include "runtime/RenumberingClip.h"
#include "runtime/builtins/Formats.h"

namespace tintara {

namespace {

int ToInt(long long n) { return static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, n))); }

// Frame n of the result is frame Map(n) of the child. Requests are clamped to this clip's
// range by the cache the environment puts in front of it.
template <typename Map>
class MappedClip : public IClip {
 public:
  MappedClip(const PClip& child, const VideoInfo& vi, Map map) : child_(child), vi_(vi), map_(map) {}
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override { return child_->GetFrame(map_(n), env); }
  bool GetParity(int n) override { return child_->GetParity(map_(n)); }
  void GetAudio(void*, int64_t, int64_t, IScriptEnvironment*) override {}
  int SetCacheHints(int, int) override { return 0; }
  const VideoInfo& GetVideoInfo() override { return vi_; }

 private:
  PClip child_;
  VideoInfo vi_;
  Map map_;
};

// The same, but requests outside the range go to the child as they are (see RenumberingClip).
template <typename Map>
class PassedClip : public RenumberingClip {
 public:
  PassedClip(const PClip& child, const VideoInfo& vi, Map map) : RenumberingClip(vi), child_(child), map_(map) {}
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override { return child_->GetFrame(map_(n), env); }
  bool GetParity(int n) override { return child_->GetParity(map_(n)); }

 private:
  PClip child_;
  Map map_;
};

template <typename Map>
Value Mapped(const PClip& child, const VideoInfo& vi, Map map) {
  return Value::Clip(PClip(new MappedClip<Map>(child, vi, map)));
}
template <typename Map>
Value Passed(const PClip& child, const VideoInfo& vi, Map map) {
  return Value::Clip(PClip(new PassedClip<Map>(child, vi, map)));
}

void SetRate(Environment& env, const std::string& function, unsigned long long num, unsigned long long den,
             VideoInfo* vi) {
  const unsigned long long g = std::gcd(num, den);
  if (g > 1) num /= g, den /= g;
  if (num == 0) den = 1;
  if (num > UINT_MAX || den > UINT_MAX) env.Fail(function + ": the frame rate does not fit in 32-bit numbers");
  vi->fps_numerator = static_cast<unsigned>(num);
  vi->fps_denominator = static_cast<unsigned>(den);
}

// ---- Trim ------------------------------------------------------------------------------------

enum { kTrimClip, kTrimFirst, kTrimSecond, kTrimPad, kTrimCache };

Value Trimmed(std::vector<Value>& args, int first, long long last) {
  VideoInfo vi = args[kTrimClip].clip->GetVideoInfo();
  vi.num_frames = ToInt(last - first + 1);
  auto map = [first](int n) { return ToInt(static_cast<long long>(first) + n); };
  if (args[kTrimCache].Defined() && !args[kTrimCache].boolean) return Passed(args[kTrimClip].clip, vi, map);
  return Mapped(args[kTrimClip].clip, vi, map);
}

// The clip's frame count after the checks every form shares; the first frame clamped into it.
int TrimFrames(Environment& env, std::vector<Value>& args, int* first) {
  const VideoInfo& vi = args[kTrimClip].clip->GetVideoInfo();
  if (!vi.HasVideo()) env.Fail("Trim: Cannot trim if there is no video.");
  *first = std::max(0, std::min(args[kTrimFirst].integer, vi.num_frames - 1));
  return vi.num_frames;
}

// Loop's count when it repeats for ever, and the default end of its segment.
constexpr int kEndlessLoopFrames = 10000000;

// ---- AssumeFPS -------------------------------------------------------------------------------

Value WithRate(Environment& env, const PClip& clip, unsigned long long num, unsigned long long den) {
  VideoInfo vi = clip->GetVideoInfo();
  SetRate(env, "AssumeFPS", num, den, &vi);
  return Passed(clip, vi, [](int n) { return n; });
}

// ---- Splices ---------------------------------------------------------------------------------

class SpliceClip : public RenumberingClip {
 public:
  SpliceClip(std::vector<PClip> clips, const VideoInfo& vi) : RenumberingClip(vi), clips_(std::move(clips)) {}

  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override {
    const PClip* clip = Find(&n);
    return (*clip)->GetFrame(n, env);
  }
  bool GetParity(int n) override { return (*Find(&n))->GetParity(n); }

 private:
  // The clip holding frame n, and n renumbered within it. Frames before the start belong to
  // the first clip and frames past the end to the last, each of which clamps them.
  const PClip* Find(int* n) const {
    for (size_t i = 0; i + 1 < clips_.size(); ++i) {
      const int frames = clips_[i]->GetVideoInfo().num_frames;
      if (*n < frames) return &clips_[i];
      *n -= frames;
    }
    return &clips_.back();
  }

  std::vector<PClip> clips_;
};

}  // namespace

Value TrimFunction(Environment& env, std::vector<Value>& args) {
  int first;
  const int frames = TrimFrames(env, args, &first);
  const int given = args[kTrimSecond].integer;
  // 0 means to the end, a negative last frame is a frame count from the first.
  long long last = given == 0 ? frames - 1 : given < 0 ? static_cast<long long>(first) - given - 1 : given;
  last = std::max<long long>(first, std::min<long long>(last, frames - 1));
  return Trimmed(args, first, last);
}

Value TrimLengthFunction(Environment& env, std::vector<Value>& args) {
  if (!args[kTrimSecond].Defined()) env.Fail("Script error: Invalid arguments to function \"Trim\"");
  int first;
  const int frames = TrimFrames(env, args, &first);
  const int length = args[kTrimSecond].integer;
  if (length < 0) env.Fail("Trim: Length must be >= 0");
  return Trimmed(args, first, std::min<long long>(static_cast<long long>(first) + length - 1, frames - 1));
}

Value TrimEndFunction(Environment& env, std::vector<Value>& args) {
  if (!args[kTrimSecond].Defined()) env.Fail("Script error: Invalid arguments to function \"Trim\"");
  const int end = args[kTrimSecond].integer;
  if (end < args[kTrimFirst].integer) env.Fail("Trim: End must be >= Start");
  int first;
  const int frames = TrimFrames(env, args, &first);
  return Trimmed(args, first, std::min(end, frames - 1));
}

Value ReverseFunction(Environment&, std::vector<Value>& args) {
  const VideoInfo& vi = args[0].clip->GetVideoInfo();
  const int last = vi.num_frames - 1;
  return Mapped(args[0].clip, vi, [last](int n) { return last - n; });
}

Value LoopFunction(Environment& env, std::vector<Value>& args) {
  VideoInfo vi = args[0].clip->GetVideoInfo();
  const int times = args[1].Defined() ? args[1].integer : -1;
  const int start = std::max(0, std::min(args[2].Defined() ? args[2].integer : 0, vi.num_frames - 1));
  const int end =
      std::max(start, std::min(args[3].Defined() ? args[3].integer : kEndlessLoopFrames, vi.num_frames - 1));
  const int segment = end - start + 1;
  // Endless: the frames before the segment, then the segment for ever; what follows it never
  // shows.
  const long long frames =
      times < 0 ? kEndlessLoopFrames : vi.num_frames + (static_cast<long long>(times) - 1) * segment;
  if (frames > INT_MAX) env.Fail("Loop: the result would have more than 2147483647 frames");
  const long long looped_end = times < 0 ? LLONG_MAX : start + static_cast<long long>(times) * segment;
  const long long skipped = (static_cast<long long>(times) - 1) * segment;
  vi.num_frames = static_cast<int>(frames);
  return Mapped(args[0].clip, vi, [start, segment, looped_end, skipped](int n) {
    if (n < start) return n;
    if (n < looped_end) return start + (n - start) % segment;
    return ToInt(n - skipped);
  });
}

Value SelectEveryFunction(Environment& env, std::vector<Value>& args) {
  VideoInfo vi = args[0].clip->GetVideoInfo();
  const int step = args[1].integer;
  if (step == 0) env.Fail("Parameter 'every' of SelectEvery cannot be zero.");
  if (step < 0) env.Fail("SelectEvery: a negative step selects no frames; give a positive one");
  std::vector<int> offsets;
  for (const Value& v : args[2].array) offsets.push_back(v.integer);
  if (offsets.empty()) offsets.push_back(0);
  const long long m = static_cast<long long>(offsets.size());
  // Each offset is a clip of its own (truncating division, as AviSynth+ counts them); the
  // result interleaves them and ends with the last frame of the longest.
  long long frames = 0;
  for (long long i = 0; i < m; ++i) {
    const long long count = (static_cast<long long>(vi.num_frames) - 1 - offsets[i]) / step + 1;
    frames = std::max(frames, (count - 1) * m + i + 1);
  }
  if (frames > INT_MAX) env.Fail("SelectEvery: the result would have more than 2147483647 frames");
  vi.num_frames = static_cast<int>(frames);
  SetRate(env, "SelectEvery", static_cast<unsigned long long>(vi.fps_numerator) * offsets.size(),
          static_cast<unsigned long long>(vi.fps_denominator) * step, &vi);
  return Passed(args[0].clip, vi, [offsets, step, m](int n) {
    return ToInt(static_cast<long long>(n / m) * step + offsets[static_cast<size_t>(n % m < 0 ? n % m + m : n % m)]);
  });
}

Value AssumeFpsIntFunction(Environment& env, std::vector<Value>& args) {
  const int num = args[1].integer;
  // Both int overloads land here; in the one-int form args[2] is sync_audio.
  const int den = args[2].IsInt() ? args[2].integer : 1;
  if (den == 0) env.Fail("AssumeFPS: Denominator cannot be 0 (zero).");
  if (num < 0 || den < 0) env.Fail("AssumeFPS: the frame rate cannot be negative");
  return WithRate(env, args[0].clip, static_cast<unsigned>(num), static_cast<unsigned>(den));
}

bool FloatFrameRate(double fps, unsigned* numerator, unsigned* denominator) {
  // Beyond these no fraction of 32-bit numbers comes near (and the rule's products overflow).
  if (!(fps >= 1e-6 && fps <= 1e9)) return false;
  const float n = static_cast<float>(fps);
  unsigned long long num = 0, den = 0;
  // NTSC rates first: multiples of 30000/1001 and 24000/1001, then their small fractions.
  const long long u = static_cast<long long>(static_cast<double>(n * 1001.0f) + 0.5);
  if (static_cast<float>((u / 30000 * 30000) / 1001.0) == n || static_cast<float>((u / 24000 * 24000) / 1001.0) == n) {
    num = static_cast<unsigned long long>(u), den = 1001;
  } else if (n < 14.986f) {
    for (const long long base : {30000LL, 24000LL}) {
      const long long v = static_cast<long long>(static_cast<double>(static_cast<float>(base / n)) + 0.5);
      const long long whole = v / 1001 * 1001;
      if (whole > 0 && static_cast<float>(static_cast<double>(base) / whole) == n) {
        num = static_cast<unsigned long long>(base), den = static_cast<unsigned long long>(v);
        break;
      }
    }
  }
  // Otherwise the fraction with the smallest denominator that rounds to the same float.
  for (unsigned long long q = 1; den == 0 && q <= (1ULL << 24); ++q) {
    const double p = std::floor(static_cast<double>(n) * q);
    for (const double c : {p, p + 1}) {
      if (c > 0 && static_cast<float>(c / q) == n) {
        num = static_cast<unsigned long long>(c), den = q;
        break;
      }
    }
  }
  if (den == 0) return false;
  const unsigned long long g = std::gcd(num, den);
  num /= g, den /= g;
  if (num > UINT_MAX || den > UINT_MAX) return false;
  *numerator = static_cast<unsigned>(num);
  *denominator = static_cast<unsigned>(den);
  return true;
}

Value AssumeFpsFloatFunction(Environment& env, std::vector<Value>& args) {
  // An int reaching the float form (a binder that tries it first) means what the int form does.
  if (args[1].IsInt()) return AssumeFpsIntFunction(env, args);
  const double fps = args[1].AsFloat();
  if (!(fps > 0)) env.Fail("AssumeFPS: FPS must be greater then 0.\n");
  unsigned num, den;
  if (!FloatFrameRate(fps, &num, &den))
    env.Fail("AssumeFPS: " + std::to_string(fps) + " frames per second is beyond what 32-bit numbers can hold");
  return WithRate(env, args[0].clip, num, den);
}

Value AssumeFpsPresetFunction(Environment& env, std::vector<Value>& args) {
  static const struct {
    const char* name;
    unsigned num, den;
  } kPresets[] = {
      {"ntsc_film", 24000, 1001},
      {"drop24", 24000, 1001},
      {"ntsc_video", 30000, 1001},
      {"drop30", 30000, 1001},
      {"ntsc_double", 60000, 1001},
      {"drop60", 60000, 1001},
      {"ntsc_quad", 120000, 1001},
      {"drop120", 120000, 1001},
      {"ntsc_round_film", 2997, 125},
      {"ntsc_round_video", 2997, 100},
      {"ntsc_round_double", 2997, 50},
      {"ntsc_round_quad", 2997, 25},
      {"film", 24, 1},
      {"pal_film", 25, 1},
      {"pal_video", 25, 1},
      {"pal_double", 50, 1},
      {"pal_quad", 100, 1},
  };
  for (const auto& p : kPresets)
    if (SameNameIgnoringCase(args[1].string, p.name)) return WithRate(env, args[0].clip, p.num, p.den);
  env.Fail("AssumeFPS: invalid preset value used.\n");
}

Value AssumeFpsClipFunction(Environment& env, std::vector<Value>& args) {
  const VideoInfo& from = args[1].clip->GetVideoInfo();
  return WithRate(env, args[0].clip, from.fps_numerator, from.fps_denominator);
}

Value SpliceFunction(Environment& env, std::vector<Value>& args) {
  std::vector<PClip> clips{args[0].clip};
  for (const Value& v : args[1].array) clips.push_back(v.clip);
  VideoInfo vi = clips[0]->GetVideoInfo();
  long long frames = 0;
  for (const PClip& c : clips) {
    const VideoInfo& part = c->GetVideoInfo();
    if (part.HasVideo() != vi.HasVideo()) env.Fail("Splice: one clip has video and the other doesn't (not allowed)");
    if (part.width != vi.width || part.height != vi.height) env.Fail("Splice: Frame sizes don't match");
    if (!SameFormat(part.pixel_type, vi.pixel_type)) env.Fail("Splice: Video formats don't match");
    const double a = static_cast<double>(vi.fps_numerator) / vi.fps_denominator;
    const double b = static_cast<double>(part.fps_numerator) / part.fps_denominator;
    if (std::fabs(a - b) > 0.000001) env.Fail("Splice: Video framerate doesn't match");
    frames += part.num_frames;
  }
  if (frames > INT_MAX) env.Fail("Splice: the result would have more than 2147483647 frames");
  vi.num_frames = static_cast<int>(frames);
  return Value::Clip(PClip(new SpliceClip(std::move(clips), vi)));
}

}  // namespace tintara
