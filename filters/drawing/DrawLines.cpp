#include "filters/drawing/DrawLines.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "filters/common/ArgTable.h"
#include "filters/common/ForFormat.h"
#include "filters/common/Vectorised.h"

namespace tintara {

namespace {

// The arguments: script name, type, member, default.
using A = DrawLinesArgs;
constexpr ArgRow<A> kArgs[] = {
    Clip(&A::clip),
    Int(nullptr, &A::sf, 0),
    Int(nullptr, &A::ef, 0),
    Ints(&A::values),
    String("line", &A::line, "join"),
    Int("lval", &A::lval, 128),
    Bool("brush", &A::brush, false),
    Int("lx", &A::lx, 0),
    Int("ty", &A::ty, 0),
    Int("rx", &A::rx, Like(&A::lx)),
    Int("by", &A::by, Like(&A::ty)),
};

// Moved positions are 64-bit; the segment rasteriser multiplies two of their differences, which
// needs 128 bits.
using Wide = __int128;

Wide Abs(Wide v) { return v < 0 ? -v : v; }

using Point = DrawLines::Point;

// (d * v) / D truncated toward zero, for 0 <= d <= D, without forming d * v: with v = q*D + r
// it is d*q + (d*r) / D, and every term stays within 64 bits.
int64_t ScaleByFraction(int64_t v, int64_t d, int64_t D) {
  const int64_t q = v / D, r = v % D;
  return d * q + (d * r) / D;
}

// Where a point stands d frames into a range of D: the whole set drifts by (cx, cy) and shears,
// the horizontal shear fading down the rows (measured against the width) and the vertical one
// across the columns (measured against the height).
class Motion {
 public:
  Motion(int lx, int ty, int rx, int by, int d, int D, int W, int H)
      : d_(d),
        D_(D),
        W_(W),
        H_(H),
        cx_((int64_t{lx} + rx) / 2),
        hx_((int64_t{lx} - rx) / 2),
        cy_((int64_t{ty} + by) / 2),
        hy_((int64_t{ty} - by) / 2) {}

  Point Move(int x, int y) const {
    if (D_ == 0) return {x, y};  // a one-frame range: nothing moves
    const int64_t ox = ScaleByFraction(cx_, d_, D_), oy = ScaleByFraction(cy_, d_, D_);
    const int64_t X = x + ScaleByFraction(hx_ - (y * hx_ * 2) / W_, d_, D_) + ox;
    const int64_t Y = y + ScaleByFraction(hy_ - (x * hy_ * 2) / H_, d_, D_) + oy;
    return {Far(X), Far(Y)};
  }

 private:
  // Positions are exact in 64 bits. Beyond +-2^62 (reachable only on frames a few pixels wide
  // with extreme motion) they are held there, so the rasteriser's products fit in 128 bits.
  static int64_t Far(int64_t v) {
    constexpr int64_t kFar = int64_t{1} << 62;
    return std::clamp(v, -kFar, kFar);
  }

  int64_t d_, D_, W_, H_, cx_, hx_, cy_, hy_;
};

// Plots into one frame. `pair_chroma`: a single YUY2 pixel also greys both chroma bytes of its
// pair (lines do this; curves keep the pair's colour).
template <PixelFormat F>
class Canvas {
 public:
  Canvas(const FramePlanes<BYTE>& planes, int W, int H, BYTE lval, bool brush, bool pair_chroma)
      : planes_(planes), W_(W), H_(H), lval_(lval), brush_(brush), pair_chroma_(pair_chroma) {}

  int Width() const { return W_; }
  int Height() const { return H_; }

  // (x, y) lies inside the frame. The brush block is drawn only where all nine pixels fit.
  void Plot(int64_t x, int64_t y) const {
    const int px = static_cast<int>(x), py = static_cast<int>(y);
    if (brush_ && px > 0 && px < W_ - 1 && py > 0 && py < H_ - 1) {
      for (int r = py - 1; r <= py + 1; ++r)
        for (int c = px - 1; c <= px + 1; ++c) Write(c, r, true);
    } else {
      Write(px, py, false);
    }
  }

 private:
  void Write(int x, int y, bool block) const {
    BYTE* row = planes_.y.Row(MemoryRow(F, H_, y));
    if constexpr (IsRGB(F)) {
      std::memset(row + x * BytesPerPixel(F), lval_, BytesPerPixel(F));
    } else if constexpr (F == PixelFormat::YUY2) {
      row[2 * x] = lval_;
      if (block) {
        row[2 * x + 1] = 128;  // the byte after the pixel's Y: U for even x, V for odd x
      } else if (pair_chroma_) {
        const int pair = (x & ~1) * 2;
        row[pair + 1] = 128;
        row[pair + 3] = 128;
      }
    } else {
      row[x] = lval_;
      planes_.u.Row(y / 2)[x / 2] = 128;
      planes_.v.Row(y / 2)[x / 2] = 128;
    }
  }

  FramePlanes<BYTE> planes_;
  int W_, H_;
  BYTE lval_;
  bool brush_, pair_chroma_;
};

// The segment a-b along its longer axis, visiting only the part of that axis inside the frame
// (every plot writes the same values, so the direction of the walk does not matter).
template <class C>
void DrawSegment(const C& canvas, Point a, Point b) {
  const int64_t W = canvas.Width(), H = canvas.Height();
  const Wide ddx = Wide{b.x} - a.x, ddy = Wide{b.y} - a.y;
  if (ddx == 0 && ddy == 0) {  // both ends on one position: that pixel alone
    if (a.x >= 0 && a.x < W && a.y >= 0 && a.y < H) canvas.Plot(a.x, a.y);
    return;
  }
  if (Abs(ddy) > Abs(ddx)) {
    const int64_t first = std::max<int64_t>(std::min(a.y, b.y), 0);
    const int64_t last = std::min<int64_t>(std::max(a.y, b.y), H - 1);
    for (int64_t y = first; y <= last; ++y) {
      const Wide x = a.x + (Wide{y} - a.y) * ddx / ddy;
      if (x >= 0 && x < W) canvas.Plot(static_cast<int64_t>(x), y);
    }
  } else {
    const int64_t first = std::max<int64_t>(std::min(a.x, b.x), 0);
    const int64_t last = std::min<int64_t>(std::max(a.x, b.x), W - 1);
    for (int64_t x = first; x <= last; ++x) {
      const Wide y = a.y + (Wide{x} - a.x) * ddy / ddx;
      if (y >= 0 && y < H) canvas.Plot(x, static_cast<int64_t>(y));
    }
  }
}

// The quadratic through (U[k], V[k]) at u, by Neville's scheme: the two chords through
// neighbouring points blended linearly. Evaluated in double exactly as written, since the
// result is truncated and the order of operations decides some pixels.
double Quadratic(double u, const double (&U)[3], const double (&V)[3]) {
  const double l01 = V[0] + (V[1] - V[0]) * (u - U[0]) / (U[1] - U[0]);
  const double l12 = V[2] + (V[1] - V[2]) * (u - U[2]) / (U[1] - U[2]);
  return ((u - U[0]) * l12 + (U[2] - u) * l01) / (U[2] - U[0]);
}

// trunc(value), held to 0 .. limit - 1.
int64_t TruncatedWithin(double value, int64_t limit) {
  if (!(value > 0)) return 0;
  if (value >= static_cast<double>(limit - 1)) return limit - 1;
  return static_cast<int64_t>(value);
}

// One run of a curve along its monotonic axis u (x for an x-curve, y for a y-curve), v being the
// other coordinate: from u[0] toward u[1] (excluded) and, for the last run, on toward u[2]
// (excluded). plot(u, v) draws. Steps outside the frame change nothing, the carried previous v
// included, so the walk starts at the first step inside it.
template <class PlotUV>
void DrawCurveRun(const int64_t (&u)[3], const int64_t (&v)[3], int64_t u_limit, int64_t v_limit, bool last,
                  const PlotUV& plot) {
  const double U[3] = {static_cast<double>(u[0]), static_cast<double>(u[1]), static_cast<double>(u[2])};
  const double V[3] = {static_cast<double>(v[0]), static_cast<double>(v[1]), static_cast<double>(v[2])};
  int64_t prev = v[0];
  auto step = [&](int64_t q) {
    const int64_t t = TruncatedWithin(Quadratic(static_cast<double>(q), U, V), v_limit);
    // Fill a jump of more than one, keeping to the frame: prev (the first point's v) may lie
    // outside it.
    if (t - prev > 1) {
      for (int64_t r = std::max<int64_t>(prev + 1, 0); r < t; ++r) plot(q, r);
    } else if (prev - t > 1) {
      for (int64_t r = std::min<int64_t>(prev - 1, v_limit - 1); r > t; --r) plot(q, r);
    }
    plot(q, t);
    prev = t;
  };
  auto sweep = [&](int64_t from, int64_t to) {
    if (to > from) {
      for (int64_t q = std::max<int64_t>(from, 0), end = std::min(to, u_limit); q < end; ++q) step(q);
    } else {
      for (int64_t q = std::min(from, u_limit - 1), end = std::max<int64_t>(to, -1); q > end; --q) step(q);
    }
  };
  sweep(u[0], u[1]);
  if (last) sweep(u[1], u[2]);
}

bool Monotonic(int64_t a, int64_t b, int64_t c) { return (a < b && b < c) || (a > b && b > c); }

// A run of three moved points: along x when x is monotonic, else along y, else nothing.
template <class C>
void DrawCurve(const C& canvas, Point p0, Point p1, Point p2, bool last) {
  const int64_t xs[3] = {p0.x, p1.x, p2.x}, ys[3] = {p0.y, p1.y, p2.y};
  if (Monotonic(p0.x, p1.x, p2.x)) {
    DrawCurveRun(xs, ys, canvas.Width(), canvas.Height(), last, [&](int64_t x, int64_t y) { canvas.Plot(x, y); });
  } else if (Monotonic(p0.y, p1.y, p2.y)) {
    DrawCurveRun(ys, xs, canvas.Height(), canvas.Width(), last, [&](int64_t y, int64_t x) { canvas.Plot(x, y); });
  }
}

template <PixelFormat F>
void Draw(const FramePlanes<BYTE>& planes, int W, int H, const Point* p, int points, DrawLines::Line line, int lval,
          bool brush) {
  const Canvas<F> canvas(planes, W, H, static_cast<BYTE>(lval), brush, line != DrawLines::Line::Curve);
  switch (line) {
    case DrawLines::Line::Join:
      for (int k = 0; k + 1 < points; ++k) DrawSegment(canvas, p[k], p[k + 1]);
      break;
    case DrawLines::Line::Diff:
      for (int k = 0; k + 1 < points; k += 2) DrawSegment(canvas, p[k], p[k + 1]);
      break;
    case DrawLines::Line::Curve:
      for (int k = 0; k + 2 < points; ++k) DrawCurve(canvas, p[k], p[k + 1], p[k + 2], k + 3 == points);
      break;
  }
}

}  // namespace

DrawLines::DrawLines(const DrawLinesArgs& args, Line line_)
    : GenericVideoFilter(args.clip),
      arg(args),
      count(static_cast<int>(args.values.size())),
      line(line_),
      format(FormatOf(vi)),
      draw(ChooseForFormat(format, [](auto f) { return ForLevel<&Draw<decltype(f)::value>>(); })) {
  std::copy(args.values.begin(), args.values.end(), points.begin());
}

PVideoFrame DrawLines::GetFrame(int n, IScriptEnvironment* env) {
  PVideoFrame frame = child->GetFrame(n, env);
  if (n < arg.sf || n > arg.ef) return frame;
  env->MakeWritable(&frame);

  const Motion motion(arg.lx, arg.ty, arg.rx, arg.by, n - arg.sf, arg.ef - arg.sf, vi.width, vi.height);
  std::array<Point, kMaxValues / 2> moved;
  const int point_count = count / 2;
  for (int k = 0; k < point_count; ++k) moved[k] = motion.Move(points[2 * k], points[2 * k + 1]);

  draw(WritePlanes(frame, format), vi.width, vi.height, moved.data(), point_count, line, arg.lval, arg.brush);
  return frame;
}

const char* DrawLinesSignature() { return SignatureText<kArgs>(); }

AVSValue CreateDrawLines(AVSValue args, void*, IScriptEnvironment* env) {
  const DrawLinesArgs a = ReadArgs(kArgs, args);
  const VideoInfo& vi = a.clip->GetVideoInfo();
  const int W = vi.width, H = vi.height, N = vi.num_frames;
  const std::vector<int>& values = a.values;
  const std::string line = a.line;
  const int count = static_cast<int>(values.size());

  if (FormatOf(vi) == PixelFormat::Other) env->ThrowError("DrawLines: This color format is not supported here");
  if (a.ef < a.sf || a.sf < 0 || a.ef > N) env->ThrowError("DrawLines:invalid frame numbers");
  DrawLines::Line option = DrawLines::Line::Join;
  if (line == "curve") {
    option = DrawLines::Line::Curve;
    if (count < 6 || count % 2 != 0)
      env->ThrowError(
          "DrawLines:For line option  curve x y coordinate pairs,and for atleast 3 points must be specified");
    for (int k = 0; k + 2 < count / 2; ++k) {
      const int* p = values.data() + 2 * k;
      if (!Monotonic(p[0], p[2], p[4]) && !Monotonic(p[1], p[3], p[5]))
        env->ThrowError(
            "DrawLines: the %d, %d and %d points do not have either increasing or decreasing x or y coordinates", k,
            k + 1, k + 2);
    }
  } else if (line == "join") {
    if (count < 4 || count % 2 != 0)
      env->ThrowError(
          "DrawLines:For line option join, x y coordinate pairs for all and atleast 2 points must be specified");
  } else if (line == "diff") {
    option = DrawLines::Line::Diff;
    if (count < 4 || count % 4 != 0)
      env->ThrowError(
          "DrawLines:For  line option diff, x y coordinate pairs for even number of pairs  and atleast 2 points must "
          "be "
          "specified");
  } else {
    env->ThrowError("DrawLines: line can have only join, diff and curve as options");
  }
  for (int v : values)
    if (v < 0) env->ThrowError("DrawLines:One or more values in the sets is invalid being negative");
  for (int k = 0; k + 1 < count; k += 2)
    if (values[k] >= W || values[k + 1] >= H)
      env->ThrowError(
          "DrawLines: one or more  coordinates of x and or y are outside frame width of %d frame height of %d", W, H);
  if (GivenArg(kArgs, args, &A::lval) && (a.lval < 0 || a.lval > 255))
    env->ThrowError("DrawLines:Invalid line color value. Can be 0 to 255 only");
  if (count > DrawLines::kMaxValues)
    env->ThrowError("DrawLines: at most %d coordinate values (%d points) can be given", DrawLines::kMaxValues,
                    DrawLines::kMaxValues / 2);

  return Created(new DrawLines(a, option), args);
}

}  // namespace tintara
