#include "runtime/builtins/ChromaResizer.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "filters/common/Vectorised.h"

namespace tintara {

namespace {

// Mitchell-Netravali with B = C = 1/3, in the polynomial form and evaluation order whose
// doubles the integer coefficients are rounded from.
double Kernel(double d) {
  const double B = 1.0 / 3, C = 1.0 / 3;
  const double p0 = (6 - 2 * B) / 6, p2 = (-18 + 12 * B + 6 * C) / 6, p3 = (12 - 9 * B - 6 * C) / 6;
  const double q0 = (8 * B + 24 * C) / 6, q1 = (-12 * B - 48 * C) / 6, q2 = (6 * B + 30 * C) / 6, q3 = (-B - 6 * C) / 6;
  d = std::fabs(d);
  if (d < 1) return p0 + d * d * (p2 + d * p3);
  if (d < 2) return q0 + d * (q1 + d * (q2 + d * q3));
  return 0;
}

int Rounded(double cumulative) { return static_cast<int>(cumulative * 16384 + 0.5); }

inline BYTE Clamp(int v) { return static_cast<BYTE>(v < 0 ? 0 : v > 255 ? 255 : v); }

bool SameTaps(const ResizeProgram& p, int i, int j) {
  return p.count[i] == p.count[j] &&
         std::equal(&p.coefficients[p.first_coefficient[i]], &p.coefficients[p.first_coefficient[i]] + p.count[i],
                    &p.coefficients[p.first_coefficient[j]]);
}

// The longest run of outputs whose taps repeat those `period` outputs before them.
void FindInterior(ResizeProgram* p, int n, int t) {
  const int g = std::gcd(n, t);
  p->period = t / g;
  p->stride = n / g;
  int best_begin = 0, best_end = 0;
  for (int begin = 0; begin < t;) {
    int end = begin + p->period;
    while (end < t && SameTaps(*p, end, end - p->period) && p->start[end] == p->start[end - p->period] + p->stride)
      ++end;
    if (end - begin > best_end - best_begin) best_begin = begin, best_end = std::min(end, t);
    begin = end - p->period + 1;
  }
  p->interior_begin = best_begin;
  p->interior_end = best_end;
}

constexpr int kBlock = 64;

// Output i of one row, straight from its taps.
inline BYTE Tapped(const ResizeProgram& h, const BYTE* in, int i) {
  const int* c = &h.coefficients[h.first_coefficient[i]];
  const BYTE* s = in + h.start[i];
  int sum = 8192;
  for (int k = 0; k < h.count[i]; ++k) sum += c[k] * s[k];
  return Clamp(sum >> 14);
}

// The even and the odd samples of a row, apart (halving reads every second one).
void SplitPairs(const BYTE* __restrict in, int n, BYTE* __restrict even, BYTE* __restrict odd) {
  for (int m = 0; m < n / 2; ++m) even[m] = in[2 * m], odd[m] = in[2 * m + 1];
  if (n & 1) even[n / 2] = in[n - 1];
}

// One row across: the edges tap by tap; the interior phase by phase, each phase's outputs
// reading its taps from `stride` interleaved sub-rows of the source so that both run in
// vector lanes. `phases` is stride rows of scratch.
void ResizeRow(const ResizeProgram& h, const BYTE* in, int n, BYTE* out, BYTE* phases) {
  const int t = static_cast<int>(h.start.size());
  for (int i = 0; i < h.interior_begin; ++i) out[i] = Tapped(h, in, i);
  for (int i = h.interior_end; i < t; ++i) out[i] = Tapped(h, in, i);
  if (h.interior_end <= h.interior_begin) return;
  const int S = h.stride, P = h.period;
  const int sub_length = (n + S - 1) / S;
  if (S == 2)
    SplitPairs(in, n, phases, phases + sub_length);
  else
    for (int r = 0; S > 1 && r < S; ++r) {
      BYTE* sub = phases + r * sub_length;
      for (int x = r, m = 0; x < n; x += S, ++m) sub[m] = in[x];
    }
  for (int p = 0; p < P && h.interior_begin + p < h.interior_end; ++p) {
    const int first = h.interior_begin + p;
    const int outputs = (h.interior_end - first + P - 1) / P;
    const int* c = &h.coefficients[h.first_coefficient[first]];
    const int taps = h.count[first];
    const BYTE* rows[16];
    for (int k = 0; k < taps; ++k) {
      const int x = h.start[first] + k;
      rows[k] = S == 1 ? in + x : phases + (x % S) * sub_length + x / S;
    }
    BYTE* o = out + first;
    int j = 0;
    for (; j + kBlock <= outputs; j += kBlock) {
      int acc[kBlock];
      for (int l = 0; l < kBlock; ++l) acc[l] = 8192;
      for (int k = 0; k < taps; ++k)
        for (int l = 0; l < kBlock; ++l) acc[l] += c[k] * rows[k][j + l];
      for (int l = 0; l < kBlock; ++l) o[(j + l) * P] = Clamp(acc[l] >> 14);
    }
    for (; j < outputs; ++j) {
      int sum = 8192;
      for (int k = 0; k < taps; ++k) sum += c[k] * rows[k][j];
      o[j * P] = Clamp(sum >> 14);
    }
  }
}

// One output row down: the weighted sum of source rows, in blocks of lanes.
void ResizeColumn(const BYTE* const* rows, const int* c, int taps, int width, BYTE* out) {
  int x = 0;
  for (; x + kBlock <= width; x += kBlock) {
    int acc[kBlock];
    for (int l = 0; l < kBlock; ++l) acc[l] = 8192;
    for (int k = 0; k < taps; ++k)
      for (int l = 0; l < kBlock; ++l) acc[l] += c[k] * rows[k][x + l];
    for (int l = 0; l < kBlock; ++l) out[x + l] = Clamp(acc[l] >> 14);
  }
  for (; x < width; ++x) {
    int sum = 8192;
    for (int k = 0; k < taps; ++k) sum += c[k] * rows[k][x];
    out[x] = Clamp(sum >> 14);
  }
}

}  // namespace

ResizeProgram MakeResizeProgram(int n, int t, double offset) {
  ResizeProgram program;
  const double step = static_cast<double>(n) / t;
  const double scale = std::max(step, 1.0);
  const double support = 2 * scale;
  const int taps = static_cast<int>(std::ceil(2 * support));
  double pos = offset + (step * 0.5 - 0.5);
  std::vector<double> weights(static_cast<size_t>(taps));
  for (int i = 0; i < t; ++i, pos += step) {
    const int first = static_cast<int>(pos + support) - taps + 1;
    double total = 0;
    for (int k = 0; k < taps; ++k) total += weights[k] = Kernel((pos - (first + k)) / scale);
    // Each in-picture tap takes the rounded growth of the running sum, so the coefficients
    // always add up to 16384; taps before the picture add to the first sample's weight and
    // taps after it to the last one's.
    program.start.push_back(std::max(first, 0));
    program.first_coefficient.push_back(static_cast<int>(program.coefficients.size()));
    double pending = 0, sum = 0;
    int count = 0;
    for (int k = 0; k < taps; ++k) {
      pending += weights[k];
      const int p = first + k;
      if (p < 0 || p > n - 1) continue;
      const double next = sum + pending / total;
      program.coefficients.push_back(Rounded(next) - Rounded(sum));
      sum = next;
      pending = 0;
      ++count;
    }
    if (pending != 0) program.coefficients.back() += Rounded(sum + pending / total) - Rounded(sum);
    program.count.push_back(count);
  }
  FindInterior(&program, n, t);
  return program;
}

ResizeProgram ChromaUpHorizontal(int width) { return MakeResizeProgram(width / 2, width, 0.25); }
ResizeProgram ChromaUpVertical(int height) { return MakeResizeProgram(height / 2, height, 0); }
ResizeProgram ChromaDownHorizontal(int width) { return MakeResizeProgram(width, width / 2, -0.5); }
ResizeProgram ChromaDownVertical(int height) { return MakeResizeProgram(height, height / 2, 0); }

void ResizePlane(const BytePlane& src, const ResizeProgram& h, const ResizeProgram& v, BYTE* dst, long dst_pitch) {
  const int width = static_cast<int>(h.start.size());
  const int rows = static_cast<int>(v.start.size());
  // Per-thread scratch: a frame's work allocates nothing once the sizes are known.
  thread_local std::vector<BYTE> across, phases;
  if (across.size() < static_cast<size_t>(width) * src.rows) across.resize(static_cast<size_t>(width) * src.rows);
  if (phases.size() < static_cast<size_t>(src.width) + h.stride)
    phases.resize(static_cast<size_t>(src.width) + h.stride);
  Vectorised([&] {
    for (int y = 0; y < src.rows; ++y)
      ResizeRow(h, src.data + y * src.pitch, src.width, &across[static_cast<size_t>(y) * width], phases.data());
    for (int y = 0; y < rows; ++y) {
      const BYTE* taps[16];
      for (int k = 0; k < v.count[y]; ++k) taps[k] = &across[static_cast<size_t>(v.start[y] + k) * width];
      ResizeColumn(taps, &v.coefficients[v.first_coefficient[y]], v.count[y], width, dst + y * dst_pitch);
    }
  });
}

}  // namespace tintara
