// The output layout shared by the marking filters (MaskMaker, EMarker, SharpEdge): outside the
// window the source (or black in test mode), inside it grey-scale values with neutral chroma,
// and the window's edge drawn in grey.
#pragma once

#include "filters/common/Format.h"
#include "filters/common/Geometry.h"

namespace tintara {

// The values a marking filter writes: `mark` on marked pixels and `back` elsewhere (255 and 0,
// or with `white` off 0 and 255), and with `xcol` the low eight bits of `col` on pixels that
// already carry colour.
struct MarkValues {
  BYTE mark = 255, back = 0;
  bool xcol = false;
  BYTE col = 0;
};
inline MarkValues MarkValuesOf(bool white, bool xcol = false, int col = 0) {
  return {static_cast<BYTE>(white ? 255 : 0), static_cast<BYTE>(white ? 0 : 255), xcol, static_cast<BYTE>(col)};
}

// One frame of a marking filter: the source, the new frame and this frame's window, cut to the
// frame (empty when nothing of it is left).
struct MarkFrame {
  FramePlanes<const BYTE> src;
  FramePlanes<BYTE> out;
  PictureRect window;
  bool test;  // outside the window black rather than the source
};

// Fills the output around the bytes that marking the window and NeutralWindowChroma write, so
// that no byte is written twice: a copy of the source, or in test mode black (RGB 0, YUV luma 0
// with chroma 128). Inside are RGB the window's pixels; YUY2 bytes 2x0..2x1-1 of its rows (the
// Y of pixel x1 keeps the fill); planar the window's luma and the chroma NeutralWindowChroma
// sets. The caller then writes every one of those bytes. An empty window: the whole frame.
void PrepareMarkSurround(const MarkFrame& f, PixelFormat format);

// Sets the chroma the window touches to 128: YUY2 every pair of columns whose even column is
// x0 & ~1 .. (x1 - 1) & ~1 in the window's rows, planar the chroma samples under the window. RGB
// has no chroma: nothing.
void NeutralWindowChroma(const FramePlanes<BYTE>& out, PixelFormat format, const PictureRect& w);

// Draws the window's edge (its first and last columns over its rows, its first and last rows
// over its columns) with 128 in the first byte of each edge pixel (RGB byte 0, YUY2 Y, planar
// Y); with `all_bytes` an RGB edge pixel gets 128 in every byte.
void DrawWindowEdge(const Plane& out, PixelFormat format, const PictureRect& w, bool all_bytes);

// Whether a YUV pixel already carries colour: both its chroma samples differ from 128.
inline bool ChromaColoured(int u, int v) { return u != 128 && v != 128; }

}  // namespace tintara
