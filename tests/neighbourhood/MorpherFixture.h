// Small masks for Morpher drawn as text, one character per pixel sample, in picture order:
// '#' 255, '.' 0, '+' 128, 'd' 40 (dark), 'm' 100, 'b' 200 (bright). Every source pixel
// carries the same non-grey rest: RGB green 70 and red 190 (fourth byte 33), YUV U 70 and V 190,
// so it shows which bytes an operation rewrote.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/TestHost.h"

namespace tintara::testing {

using Rows = std::vector<std::string>;

constexpr int kRestG = 70, kRestR = 190, kFourth = 33;

// The drawing characters and the samples they stand for.
constexpr char kChars[] = "#.+dmb";
constexpr int kValues[] = {255, 0, 128, 40, 100, 200};

inline int SampleOf(char c) {
  for (int i = 0; i < 6; ++i)
    if (kChars[i] == c) return kValues[i];
  return 0;
}
inline char CharOf(int v) {
  for (int i = 0; i < 6; ++i)
    if (kValues[i] == v) return kChars[i];
  return '?';
}

// Paints sample v at (x, y) with the common rest.
inline void PaintSample(Picture& p, int x, int y, int v) {
  p.SetPixel(x, y, v, kRestG, kRestR);
  if (p.Format() == PixelFormat::RGB32) p.Set(x, y, 3, kFourth);
}

inline PClip MaskClip(TestHost& host, int pixel_type, const Rows& rows, int frames = 1) {
  const int w = static_cast<int>(rows[0].size()), h = static_cast<int>(rows.size());
  return host.MakeClip(pixel_type, w, h, frames, [&](int, Picture& p) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) PaintSample(p, x, y, SampleOf(rows[y][x]));
  });
}

// The samples of a frame, drawn back as text.
inline Rows SamplesOf(const Picture& p) {
  Rows rows(p.Height(), std::string(p.Width(), ' '));
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x) rows[y][x] = CharOf(p.Get(x, y, 0));
  return rows;
}

// The mask with 255 and 0 exchanged (the picture a `white`=false user draws).
inline Rows Inverted(Rows rows) {
  for (std::string& r : rows)
    for (char& c : r) c = c == '#' ? '.' : c == '.' ? '#' : c;
  return rows;
}

// The chroma byte a YUY2 pixel owns: U for even columns, V for odd ones.
inline int OwnChroma(const Picture& p, int x, int y) { return p.Get(x, y, 1 + (x & 1)); }

// Whether two frames of one format and size hold the same bytes (every channel of every pixel).
inline bool SameBytes(const Picture& a, const Picture& b) {
  const int channels = a.Format() == PixelFormat::RGB32 ? 4 : 3;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      for (int c = 0; c < channels; ++c)
        if (a.Get(x, y, c) != b.Get(x, y, c)) return false;
  return true;
}

inline std::vector<Argument> With(const PClip& clip, std::vector<Argument> named) {
  named.insert(named.begin(), Arg(clip));
  return named;
}

class MorpherFormats : public ::testing::TestWithParam<FormatCase> {
 protected:
  int Type() const { return GetParam().pixel_type; }
  bool Rgb() const { return Type() == VideoInfo::CS_BGR24 || Type() == VideoInfo::CS_BGR32; }
  // Frame 0 of Morpher over a one-frame mask.
  Rows Run(const Rows& mask, std::vector<Argument> named) {
    PClip src = MaskClip(host, Type(), mask);
    PClip out = host.Apply("Morpher", With(src, std::move(named)));
    return SamplesOf(host.FrameOf(out, 0));
  }
  TestHost host;
};

}  // namespace tintara::testing
