// The resizer AviSynth+ uses for 4:2:0 chroma in its conversions: bicubic (Mitchell-Netravali,
// B = C = 1/3), 14-bit integer coefficients whose rounding is done on their running sum, taps
// beyond the picture folded onto its edge samples. Chroma sits at MPEG-2 ("left") positions.
#pragma once

#include <vector>

#include "host/avisynth.h"

namespace tintara {

// The taps of each output sample: `count` coefficients from source sample `start`, summing
// to 16384. Away from the edges the taps repeat: outputs interior_begin..interior_end-1 have
// the taps of the output `period` before them, `stride` source samples further on.
struct ResizeProgram {
  std::vector<int> start, count, first_coefficient;
  std::vector<int> coefficients;
  int period = 1, stride = 1, interior_begin = 0, interior_end = 0;
};

// Resizes a source of n samples to t samples; output 0 sits at source position
// offset + (n/t - 1)/2.
ResizeProgram MakeResizeProgram(int n, int t, double offset);

// The programs of the two chroma conversions, by direction and pass.
ResizeProgram ChromaUpHorizontal(int width);    // width/2 -> width
ResizeProgram ChromaUpVertical(int height);     // height/2 -> height
ResizeProgram ChromaDownHorizontal(int width);  // width -> width/2
ResizeProgram ChromaDownVertical(int height);   // height -> height/2

// A plane of bytes: `rows` rows of `width` bytes, row y at data + y * pitch.
struct BytePlane {
  const BYTE* data;
  long pitch;
  int width, rows;
};

// Resizes `src` horizontally by `h` (to h's output count), stores the bytes, then vertically
// by `v`, writing v's output count of rows into dst (row y at dst + y * dst_pitch).
void ResizePlane(const BytePlane& src, const ResizeProgram& h, const ResizeProgram& v, BYTE* dst, long dst_pitch);

}  // namespace tintara
