// Inlay's eight styles, each run once per frame on a canvas whose window is already moved to
// that frame. The window may reach one position past the frame (truncated motion, an ellipse's
// bottom row); the styles cut their ranges to the frame and never touch a position outside it.
#pragma once

#include "filters/drawing/InlayPaint.h"

namespace tintara {

enum class InlayStyle { Mask, NoMask, Hint, Left, Right, Vint, Above, Below };

// "mask" (tint the selected pixels) and "nomask" (paint every pixel), over a rectangle or an
// ellipse.
void RunShapeStyle(PixelFormat format, const InlayCanvas& canvas, InlayStyle style, bool ellipse);

// "hint", "left", "right" along rows and "vint", "above", "below" along columns.
void RunLineStyle(PixelFormat format, const InlayCanvas& canvas, InlayStyle style);

// The columns an ellipse with half-axes W > 0, H >= 0 covers in the row i rows from its centre:
// the offsets j with (j*j)/(W*W) + (i*i)/(H*H) <= 1 form -reach..reach; -1 when none do.
int EllipseReach(int i, int W, int H);

}  // namespace tintara
