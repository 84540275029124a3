#include "runtime/builtins/Formats.h"

#include <cctype>
#include <cmath>
#include <numeric>

#include "runtime/Frames.h"

namespace tintara {

namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

bool SameNameIgnoringCase(const std::string& a, const std::string& b) { return Upper(a) == Upper(b); }

int PixelTypeNamed(const std::string& name) {
  const std::string n = Upper(name);
  if (n == "RGB24") return VideoInfo::CS_BGR24;
  if (n == "RGB32") return VideoInfo::CS_BGR32;
  if (n == "YUY2") return VideoInfo::CS_YUY2;
  if (n == "YV12") return VideoInfo::CS_YV12;
  if (n == "I420") return VideoInfo::CS_I420;
  return 0;
}

void FailUnknownPixelType(Environment& env, const std::string& function, const std::string& name,
                          const std::string& message) {
  static const char* const kOtherFormats[] = {"YV24", "YV16", "YV411", "Y8", "RGB48", "RGB64", "RGBP", "RGBAP"};
  const std::string n = Upper(name);
  bool other = n.compare(0, 3, "YUV") == 0 || n.compare(0, 4, "RGBP") == 0 || n.compare(0, 5, "RGBAP") == 0 ||
               (n.size() > 1 && n[0] == 'Y' && std::isdigit(static_cast<unsigned char>(n[1])));
  for (const char* f : kOtherFormats) other = other || n == f;
  if (other)
    env.Fail(function + ": pixel_type \"" + name +
             "\" is a format tintara does not have; use RGB24, RGB32, YUY2, YV12 or I420");
  env.Fail(message);
}

const char* PixelTypeName(int pixel_type) {
  switch (pixel_type) {
    case VideoInfo::CS_BGR24: return "RGB24";
    case VideoInfo::CS_BGR32: return "RGB32";
    case VideoInfo::CS_YUY2: return "YUY2";
    case VideoInfo::CS_YV12: return "YV12";
    case VideoInfo::CS_I420: return "I420";
  }
  return "unknown";
}

int PixelTypeArgument(Environment& env, const std::string& function, const Value& arg, int fallback) {
  if (!arg.Defined()) return fallback;
  const int t = PixelTypeNamed(arg.string);
  if (t == 0) env.Fail(function + ": unknown pixel_type \"" + arg.string + "\"; use RGB24, RGB32, YUY2, YV12 or I420");
  return t;
}

void CheckClipFormat(Environment& env, const std::string& function, const VideoInfo& vi) {
  std::string error;
  if (FramePool::CheckFormat(vi, &error)) return;
  // The pool words its messages for NewVideoFrame; here they belong to the function.
  const std::string prefix = "NewVideoFrame: ";
  if (error.compare(0, prefix.size(), prefix) == 0) error.erase(0, prefix.size());
  env.Fail(function + ": " + error);
}

void SetFrameRate(Environment& env, const std::string& function, double fps, VideoInfo* vi) {
  if (!(fps >= 0.001 && fps <= 1000000.0)) env.Fail(function + ": fps must be between 0.001 and 1000000");
  // Whole rates stay n/1; others keep three decimals (29.97 -> 2997/100), which also keeps
  // the numerator within 32 bits.
  unsigned numerator, denominator;
  if (fps == std::floor(fps)) {
    numerator = static_cast<unsigned>(fps);
    denominator = 1;
  } else {
    const unsigned long long scaled = static_cast<unsigned long long>(std::llround(fps * 1000.0));
    const unsigned long long g = std::gcd(scaled, 1000ULL);
    numerator = static_cast<unsigned>(scaled / g);
    denominator = static_cast<unsigned>(1000ULL / g);
  }
  vi->fps_numerator = numerator;
  vi->fps_denominator = denominator;
}

std::string Describe(const VideoInfo& vi) {
  return std::to_string(vi.width) + "x" + std::to_string(vi.height) + " " + PixelTypeName(vi.pixel_type);
}

}  // namespace tintara
