#include "runtime/io/Y4m.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sstream>

namespace tintara::io {

namespace {

bool ParseInt(const std::string& text, long long limit, long long* out) {
  if (text.empty() || text.size() > 10) return false;
  long long v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v > limit) return false;
  *out = v;
  return true;
}

}  // namespace

size_t Y4mFormat::FrameBytes() const {
  const size_t w = static_cast<size_t>(width), h = static_cast<size_t>(height);
  switch (sampling) {
    case Sampling::S420: return w * h + 2 * (w / 2) * (h / 2);
    case Sampling::S422: return w * h + 2 * (w / 2) * h;
    case Sampling::Mono: return w * h;
  }
  return 0;
}

bool ParseY4mHeader(const std::string& line, Y4mFormat* format, std::string* why) {
  *format = Y4mFormat();
  if (line.compare(0, 9, kY4mMagic) != 0 || (line.size() > 9 && line[9] != ' ')) {
    *why = "it does not start with YUV4MPEG2";
    return false;
  }
  std::istringstream words(line.substr(9));
  std::string word;
  bool have_width = false, have_height = false;
  while (words >> word) {
    const char tag = word[0];
    const std::string value = word.substr(1);
    long long v = 0;
    switch (tag) {
      case 'W':
      case 'H':
        if (!ParseInt(value, INT_MAX, &v) || v <= 0) {
          *why = std::string("its ") + (tag == 'W' ? "width" : "height") + " '" + value + "' is not a positive number";
          return false;
        }
        (tag == 'W' ? format->width : format->height) = static_cast<int>(v);
        (tag == 'W' ? have_width : have_height) = true;
        break;
      case 'F': {
        const size_t colon = value.find(':');
        long long n = 0, d = 0;
        if (colon == std::string::npos || !ParseInt(value.substr(0, colon), UINT_MAX, &n) ||
            !ParseInt(value.substr(colon + 1), UINT_MAX, &d) || n == 0 || d == 0) {
          *why = "its frame rate '" + value + "' is not two positive numbers as in F25:1";
          return false;
        }
        format->fps_numerator = static_cast<unsigned>(n);
        format->fps_denominator = static_cast<unsigned>(d);
        break;
      }
      case 'C':
        if (value == "420jpeg" || value == "420paldv" || value == "420mpeg2" || value == "420") {
          format->sampling = Y4mFormat::Sampling::S420;
        } else if (value == "422") {
          format->sampling = Y4mFormat::Sampling::S422;
        } else if (value == "mono") {
          format->sampling = Y4mFormat::Sampling::Mono;
        } else {
          *why = "its colour space C" + value + " is not one of 420jpeg, 420paldv, 420mpeg2, 420, 422 or mono";
          return false;
        }
        break;
      default: break;  // interlacing, aspect ratio, extensions: nothing a frame's bytes depend on
    }
  }
  if (!have_width || !have_height) {
    *why = std::string("its header has no ") + (have_width ? "height (H)" : "width (W)");
    return false;
  }
  return true;
}

bool IsY4mFrameHeader(const std::string& line) {
  return line.compare(0, 5, "FRAME") == 0 && (line.size() == 5 || line[5] == ' ');
}

bool IsLongY4mFrameHeader(const std::string& start) {
  return start.size() >= kY4mMaxHeader && start.compare(0, 6, "FRAME ") == 0;
}

std::string Y4mHeaderFor(const VideoInfo& vi) {
  std::ostringstream out;
  out << kY4mMagic << " W" << vi.width << " H" << vi.height << " F" << vi.fps_numerator << ":" << vi.fps_denominator
      << " Ip A1:1 " << (vi.IsYUY2() ? "C422" : "C420jpeg") << "\n";
  return out.str();
}

}  // namespace tintara::io
