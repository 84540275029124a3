// The output layout shared by the marking filters (MaskMaker, EMarker): outside the window the
// source (or black in test mode), inside it grey-scale values with neutral chroma, and the
// window's edge drawn in grey.
#pragma once

#include "filters/common/Format.h"
#include "filters/common/Motion.h"

namespace tintara {

// The mark and background values of the polarity flag `white`.
struct MarkValues {
  int markval = 255, backval = 0;
  explicit MarkValues(bool white) : markval(white ? 255 : 0), backval(white ? 0 : 255) {}
};

// Fills the whole output before the window is written: a copy of the source normally, black
// (RGB 0, YUV luma 0 with chroma 128) in test mode, where everything outside the window is black.
void PrepareMarkOutput(const PVideoFrame& out, const PVideoFrame& src, PixelFormat format, bool test);

// The same, but only around the bytes that marking the window `w` (clipped to the frame) and
// NeutralWindowChroma write, so that no byte is written twice: RGB the window's pixels; YUY2
// bytes 2L..2R+1 of rows T..B (the Y of pixel R+1 keeps the fill); planar the window's luma and
// the chroma NeutralWindowChroma sets. The caller then writes every one of those bytes.
void PrepareMarkSurround(const PVideoFrame& out, const PVideoFrame& src, PixelFormat format, bool test,
                         const Window& w);

// Sets the chroma the window touches to 128: YUY2 every pair of columns L..R (L and R even) in
// rows T..B, planar chroma rows T/2..B/2 and columns L/2..R/2. RGB has no chroma: nothing.
void NeutralWindowChroma(const PVideoFrame& out, PixelFormat format, const Window& w);

// Draws the window's edge (columns L and R over rows T..B, rows T and B over columns L..R) with
// 128 in the first byte of each edge pixel (RGB byte 0, YUY2 Y, planar Y); with `all_bytes` an
// RGB edge pixel gets 128 in every byte.
void DrawWindowEdge(const PVideoFrame& out, PixelFormat format, const Window& w, bool all_bytes);

// Whether a pixel already carries colour: RGB bytes not all equal; YUV when both chroma
// samples of the pixel differ from 128.
inline bool RgbColoured(const BYTE* p) { return !(p[0] == p[1] && p[1] == p[2]); }
inline bool ChromaColoured(int u, int v) { return u != 128 && v != 128; }

}  // namespace tintara
