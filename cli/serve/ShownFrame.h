// A frame as the page shows it: the clip's own frame (for the pixel readout and the seed
// preview) and its picture as top-down RGBA bytes, made with the conversion ConvertToRGB24
// uses, so what the page shows is what `tintara` writes as PNG.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "runtime/Environment.h"

namespace tintara::serve {

struct ShownFrame {
  PVideoFrame source;
  VideoInfo vi;
  std::vector<uint8_t> rgba;  // width * height * 4, top row first, alpha 255
  double make_ms = 0;         // making the frame and its picture
  bool is_mask = false;       // few distinct mask samples: a mask the seed preview can read
};

// Frame n of `clip`, made and converted now. Throws what making the frame throws.
std::shared_ptr<const ShownFrame> MakeShownFrame(Environment& env, const PClip& clip, int n);

// The bytes of pixel (x, y) (top row 0) in the clip's own format, by channel name: B, G, R
// (and A) for RGB; Y, U, V for YUV, with the chroma sample that pixel uses.
std::vector<std::pair<std::string, int>> PixelBytes(const ShownFrame& frame, int x, int y);

// The picture's RGBA bytes of every step-th pixel of every step-th row, from (0, 0): a picture
// of ceil(width / step) x ceil(height / step).
std::vector<uint8_t> EveryNth(const ShownFrame& frame, int step);

// "$RRGGBB" of the shown colour of pixel (x, y).
std::string ShownColour(const ShownFrame& frame, int x, int y);

}  // namespace tintara::serve
