// What each operation leaves in the bytes around its work: the edges of the window, green and
// red of RGB, the fourth byte of RGB32, the chroma of YUY2 and YV12 at odd and even window edges,
// and the source everywhere else. The source is all 0 samples with a coloured rest.
#include "tests/neighbourhood/MorpherFixture.h"

namespace tintara::testing {
namespace {

constexpr int S = -1;  // the source byte

struct Box {
  int lx, ty, rx, by;
};

struct Bytes {
  int b, g, r;
};
// Expected RGB bytes of the four kinds of window pixel for one operation on an all-0 mask.
struct Finish {
  const char* type;
  Bytes top_left;  // row ty and column lx, up to column rx-1 and row by-1
  Bytes band;      // row by-1 and column rx-1 (outline of most operations)
  Bytes far;       // row by and column rx
  int inner;       // the rest of the window
};

const Finish kFinishes[] = {
    {"erode", {128, 128, 128}, {0, 0, 0}, {S, S, S}, 0},
    {"dilate", {128, 128, 128}, {0, 0, 0}, {S, S, S}, 0},
    {"close", {128, 128, 128}, {0, 0, 0}, {128, S, S}, 0},
    {"open", {128, 128, 128}, {0, 0, 0}, {128, S, S}, 0},
    {"thin", {128, 0, 0}, {128, 0, 0}, {S, S, S}, 0},
    {"salt", {128, S, S}, {128, S, S}, {S, S, S}, 0},
    {"pepper", {128, S, S}, {128, S, S}, {S, S, S}, 0},
    {"vale", {128, S, S}, {128, S, S}, {S, S, S}, 0},
    {"ridge", {128, S, S}, {128, S, S}, {S, S, S}, 0},
    {"rorv", {128, S, S}, {128, S, S}, {S, S, S}, 0},
    {"flood", {128, S, S}, {128, S, S}, {S, S, S}, 255},  // 0 <= lt
    {"drain", {128, S, S}, {128, S, S}, {S, S, S}, 0},
    {"ford", {128, S, S}, {128, S, S}, {S, S, S}, 255},  // flat and in range
};

bool IsRelief(const std::string& t) {
  return t == "vale" || t == "ridge" || t == "rorv" || t == "flood" || t == "drain" || t == "ford";
}

TEST_P(MorpherFormats, FinishingBytesOfEveryOperation) {
  const int W = 12, H = 10;
  PClip src = MaskClip(host, Type(), Rows(H, std::string(W, '.')));
  const Box windows[] = {{3, 1, 9, 8}, {2, 2, 8, 6}};
  for (const Box& w : windows)
    for (const Finish& f : kFinishes) {
      PClip clip = host.Apply("Morpher", {Arg(src), Named("type", f.type), Named("lx", w.lx), Named("ty", w.ty),
                                          Named("rx", w.rx), Named("by", w.by)});
      const Picture out = host.FrameOf(clip, 0);
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
          SCOPED_TRACE(std::string(f.type) + " window lx=" + std::to_string(w.lx) + " x=" + std::to_string(x) +
                       " y=" + std::to_string(y));
          const bool inside = x >= w.lx && x <= w.rx && y >= w.ty && y <= w.by;
          Bytes e{S, S, S};
          bool fourth_set = false;
          if (!inside) {
          } else if (x == w.rx || y == w.by) {
            e = f.far;
          } else if (x == w.lx || y == w.ty) {
            e = f.top_left;
          } else if (x == w.rx - 1 || y == w.by - 1) {
            e = f.band;
          } else {
            e = {f.inner, f.inner, f.inner};
            fourth_set = IsRelief(f.type);
          }
          ASSERT_EQ(out.Get(x, y, 0), e.b == S ? 0 : e.b);
          if (Rgb()) {
            ASSERT_EQ(out.Get(x, y, 1), e.g == S ? kRestG : e.g);
            ASSERT_EQ(out.Get(x, y, 2), e.r == S ? kRestR : e.r);
            if (out.Format() == PixelFormat::RGB32) {
              ASSERT_EQ(out.Get(x, y, 3), fourth_set ? f.inner : kFourth);
            }
          } else if (out.Format() == PixelFormat::YUY2) {
            // Each pixel's own chroma byte, in [lx, rx) x [ty, by): odd edges grey half a pair.
            const bool grey = x >= w.lx && x < w.rx && y >= w.ty && y < w.by;
            ASSERT_EQ(OwnChroma(out, x, y), grey ? 128 : x % 2 ? kRestR : kRestG);
          } else {
            // Chroma columns lx/2 .. rx/2-1 and rows ty/2 .. by/2-1, even where they reach past
            // an odd left or top edge or stop short of an odd right edge.
            const bool grey = x / 2 >= w.lx / 2 && x / 2 < w.rx / 2 && y / 2 >= w.ty / 2 && y / 2 < w.by / 2;
            ASSERT_EQ(out.Get(x, y, 1), grey ? 128 : kRestG);
            ASSERT_EQ(out.Get(x, y, 2), grey ? 128 : kRestR);
          }
        }
    }
}

}  // namespace
}  // namespace tintara::testing
