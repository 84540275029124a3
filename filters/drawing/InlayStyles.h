// Inlay's eight styles, each a routine picked when the filter is built and run once per frame on
// a canvas whose window is already moved to that frame. The window may reach one position past
// the frame (truncated motion, an ellipse's bottom row); the styles cut their ranges to the frame
// and never touch a position outside it.
#pragma once

#include "filters/common/Format.h"
#include "filters/common/Geometry.h"
#include "filters/common/Painting.h"
#include "filters/common/Tint.h"

namespace tintara {

enum class InlayStyle { Mask, NoMask, Hint, Left, Right, Vint, Above, Below };

// What the styles paint: the tint (chroma, RGB offsets and the brightness rule of shift and
// st, clamped brightness first) and, for "nomask", the colour itself.
struct InlayPaint {
  FillColour fill;
  Brightness brightness;
  TintTable table;  // of fill and brightness, for single pixels
  MarkerColour solid;
};

// An ellipse by its centre (cx, cy) and half-axes ax and ay.
struct Ellipse {
  int cx = 0, cy = 0, ax = 0, ay = 0;
};

// Everything one frame's style works on.
struct InlayCanvas {
  FramePlanes<BYTE> out;
  // The source frame, when `out` is a new frame the style builds in one pass ("mask" and
  // "nomask"); the other styles change `out`, a writable copy, in place.
  FramePlanes<const BYTE> in;
  ConstPlane mask, lined;
  int width = 0, height = 0;
  // The window: a rectangle in picture coordinates, not cut to the frame (the line styles look
  // back from its far edges), or for "mask" and "nomask" with `ellipse` set, an ellipse.
  PictureRect rect;
  bool is_ellipse = false;
  Ellipse ellipse;
  BYTE maskValue = 255;
  int lval = 128;
  const InlayPaint* paint = nullptr;
};

using InlayRoutine = void (*)(const InlayCanvas& canvas);

// "mask" (tint the selected pixels; `offset`: shift and st add an offset) and "nomask" (paint
// every pixel), over a rectangle or an ellipse, in the copy for this CPU level.
InlayRoutine ShapeRoutineFor(PixelFormat format, InlayStyle style, bool offset);

// "hint", "left", "right" along rows and "vint", "above", "below" along columns.
InlayRoutine LineRoutineFor(PixelFormat format, InlayStyle style);

}  // namespace tintara
