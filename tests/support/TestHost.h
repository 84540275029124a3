// The embedded host as the tests use it: the real module loaded with dlopen, clips built from
// bytes, filters called through their registered signatures, frames read by picture position.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "filters/common/Format.h"
#include "runtime/Environment.h"

namespace tintara::testing {

// Picture-coordinate access to a frame of any of the five formats. Channel c of pixel (x, y):
// RGB byte c of the pixel (0 blue, 1 green, 2 red, 3 the fourth byte); YUY2 0 the pixel's Y,
// 1 and 2 the U and V of its pair; planar 0 the Y sample, 1 and 2 the U and V at (x/2, y/2).
class Picture {
 public:
  Picture(PVideoFrame frame, const VideoInfo& vi)
      : frame_(std::move(frame)), format_(FormatOf(vi)), w_(vi.width), h_(vi.height) {}
  int Get(int x, int y, int c = 0) const;
  void Set(int x, int y, int c, int value);
  // Sets every channel of pixel (x, y): RGB bytes (b, g, r), YUV (y, u, v).
  void SetPixel(int x, int y, int a, int b, int c);
  void Fill(int a, int b, int c);
  int Width() const { return w_; }
  int Height() const { return h_; }
  PixelFormat Format() const { return format_; }
  const PVideoFrame& Frame() const { return frame_; }

 private:
  const BYTE* Address(int x, int y, int c) const;
  PVideoFrame frame_;
  PixelFormat format_;
  int w_, h_;
};

Argument Arg(const PClip& clip);
Argument Arg(int value);
Argument Named(const std::string& name, int value);
Argument Named(const std::string& name, bool value);
Argument Named(const std::string& name, const char* value);
Argument Named(const std::string& name, double value);

// The five formats, with names for test output.
struct FormatCase {
  int pixel_type;
  const char* name;
};
const std::vector<FormatCase>& AllFormats();

class TestHost {
 public:
  // Loads the module; new frames are filled with `poison`.
  explicit TestHost(uint8_t poison = 0xA5);

  Environment& Env() { return *env_; }

  // A clip of `frames` frames; `paint` fills each one (it starts grey: 128 in every byte).
  PClip MakeClip(int pixel_type, int width, int height, int frames,
                 const std::function<void(int n, Picture&)>& paint = nullptr);
  // Calls a function and returns its clip; the test fails if the call throws.
  PClip Apply(const std::string& name, const std::vector<Argument>& args);
  // Calls a function that must fail; returns its message ("" if it did not fail).
  std::string ErrorOf(const std::string& name, const std::vector<Argument>& args);

  Picture FrameOf(const PClip& clip, int n);

 private:
  std::unique_ptr<Environment> env_;
};

}  // namespace tintara::testing
