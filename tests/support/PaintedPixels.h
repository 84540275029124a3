// Scenes for the filters that colour masked pixels (Inlay, CrossFill): a main clip of known
// brightness and off-grey chroma, mask and line clips drawn pixel by pixel, and a reader that
// sorts every output pixel into "changed as expected" or "untouched" and fails on anything else.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <utility>

#include "runtime/MemoryClip.h"
#include "tests/support/TestHost.h"

namespace tintara::testing::painted {

using Pos = std::pair<int, int>;  // (x, y) in picture coordinates
using PosSet = std::set<Pos>;

inline PixelFormat FormatOfType(int pixel_type) { return FormatOf(VideoInfoOf(pixel_type, 2, 2, 1)); }

// The main picture: RGB bytes (100, 60, 30) (and 77 in the fourth byte of RGB32), YUV brightness
// 100 with U 90, V 170. Only the first RGB byte carries brightness for a tint.
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
// kRed with the brightness shifted by 20: 100 becomes 120; RGB 120 + 178 -> 255, 120 - 75 = 45,
// 120 - 78 = 42.
constexpr Change kTint20{255, 45, 42, 120};

PClip MainClip(TestHost& host, int pixel_type, int width, int height, int frames = 1);
// A mask whose sample at (x, y) is sample(x, y). The other RGB bytes hold 255 - sample and YUV
// chroma holds `chroma`, so a filter reading the wrong byte gets another answer.
PClip MaskClip(TestHost& host, int pixel_type, int width, int height, const std::function<int(int, int)>& sample,
               int chroma = 255, int frames = 1);
// A mask that selects (255, or 0 with white false) everywhere except at `unselected`.
PClip SelectingMask(TestHost& host, int pixel_type, int width, int height, const PosSet& unselected, bool white = true,
                    int frames = 1);
// Lines: `lines` hold 128, the rest 0; the other RGB bytes and YUV chroma hold 128.
PClip LinedClip(TestHost& host, int pixel_type, int width, int height, const PosSet& lines, int frames = 1);

// The positions of `out` that show `change`; every other pixel must be untouched. In RGB32
// pixels of `cleared` (columns x0..x1-1, rows y0..y1-1) the first byte must be 0 instead.
struct Cleared {
  int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
};
PosSet ChangedPixels(const Picture& out, const Change& change, const Cleared& cleared = {});

// Inclusive ranges of columns and rows.
PosSet Block(int x0, int x1, int y0, int y1);
PosSet Row(int y, int x0, int x1);
PosSet Column(int x, int y0, int y1);
PosSet Union(std::initializer_list<PosSet> sets);
PosSet Minus(PosSet set, const PosSet& removed);

std::string Describe(const PosSet& set);

}  // namespace tintara::testing::painted
