// Hand-drawn scenes for Inlay: a main clip of known brightness and off-grey chroma, a mask clip
// and a lined clip drawn pixel by pixel, and a reader that sorts every output pixel into
// "changed as expected" or "untouched" and fails on anything else.
#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "runtime/MemoryClip.h"
#include "tests/support/TestHost.h"

namespace tintara::testing {

using Pos = std::pair<int, int>;  // (x, y) in picture coordinates
using PosSet = std::set<Pos>;

// The main picture: RGB bytes (100, 60, 30) (and 77 in the fourth byte of RGB32), YUV brightness
// 100 with chroma U 90, V 170. Only the first RGB byte carries brightness for a tint.
constexpr int kBright = 100, kSecond = 60, kThird = 30, kFourth = 77, kStartU = 90, kStartV = 170;

// The colour most tests paint, 0xFF0000: U 84, V 255, Y 76; RGB offsets kV 178, kG -75, kU -78.
constexpr int kRed = 0xFF0000, kRedU = 84, kRedV = 255, kRedY = 76;

// How a changed pixel must look: RGB its three bytes, YUV its brightness; YUV chroma of every
// pair (YUY2) or 2x2 block (planar) holding a changed pixel must be (u, v).
struct Change {
  int b0, b1, b2;
  int luma;
  int u = kRedU, v = kRedV;
};
// A tint of kRed with shift true, st 20: brightness 100 becomes 120; RGB 120 + 178 -> 255,
// 120 - 75 = 45, 120 - 78 = 42.
constexpr Change kTint20{255, 45, 42, 120};

PClip MainClip(TestHost& host, int pixel_type, int width, int height, int frames = 1);
// The mask: every pixel selects (255, or 0 with white false) except `unselected`. Around the
// sample the other bytes hold the selecting value's opposite, so reading the wrong byte shows.
PClip MaskClip(TestHost& host, int pixel_type, int width, int height, const PosSet& unselected, bool white = true,
               int frames = 1);
// The lines: `lines` hold 128, the rest 0; the other RGB bytes and YUV chroma hold 128.
PClip LinedClip(TestHost& host, int pixel_type, int width, int height, const PosSet& lines, int frames = 1);

// The positions of `out` that show `change`; every other pixel must be untouched.
PosSet ChangedPixels(const Picture& out, const Change& change);

// Inclusive ranges of columns and rows.
PosSet Block(int x0, int x1, int y0, int y1);
PosSet Row(int y, int x0, int x1);
PosSet Column(int x, int y0, int y1);
PosSet Union(std::initializer_list<PosSet> sets);
PosSet Minus(PosSet set, const PosSet& removed);

std::string Describe(const PosSet& set);

}  // namespace tintara::testing
