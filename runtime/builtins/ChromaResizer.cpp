#include "runtime/builtins/ChromaResizer.h"

#include <algorithm>
#include <cmath>

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
  return program;
}

ResizeProgram ChromaUpHorizontal(int width) { return MakeResizeProgram(width / 2, width, 0.25); }
ResizeProgram ChromaUpVertical(int height) { return MakeResizeProgram(height / 2, height, 0); }
ResizeProgram ChromaDownHorizontal(int width) { return MakeResizeProgram(width, width / 2, -0.5); }
ResizeProgram ChromaDownVertical(int height) { return MakeResizeProgram(height, height / 2, 0); }

void ResizePlane(const BytePlane& src, const ResizeProgram& h, const ResizeProgram& v, BYTE* dst, long dst_pitch) {
  const int width = static_cast<int>(h.start.size());
  const int rows = static_cast<int>(v.start.size());
  std::vector<BYTE> across(static_cast<size_t>(width) * src.rows);
  for (int y = 0; y < src.rows; ++y) {
    const BYTE* in = src.data + y * src.pitch;
    BYTE* out = &across[static_cast<size_t>(y) * width];
    for (int x = 0; x < width; ++x) {
      const int* c = &h.coefficients[h.first_coefficient[x]];
      const BYTE* s = in + h.start[x];
      int sum = 8192;
      for (int k = 0; k < h.count[x]; ++k) sum += c[k] * s[k];
      out[x] = Clamp(sum >> 14);
    }
  }
  std::vector<int> sums(static_cast<size_t>(width));
  for (int y = 0; y < rows; ++y) {
    std::fill(sums.begin(), sums.end(), 8192);
    const int* c = &v.coefficients[v.first_coefficient[y]];
    for (int k = 0; k < v.count[y]; ++k) {
      const BYTE* in = &across[static_cast<size_t>(v.start[y] + k) * width];
      const int weight = c[k];
      for (int x = 0; x < width; ++x) sums[x] += weight * in[x];
    }
    BYTE* out = dst + y * dst_pitch;
    for (int x = 0; x < width; ++x) out[x] = Clamp(sums[x] >> 14);
  }
}

}  // namespace tintara
