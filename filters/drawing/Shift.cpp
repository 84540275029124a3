#include "filters/drawing/Shift.h"

namespace tintara {

namespace {

// The frame-count message carries the twin's prefix: it is the text Shift has always shown.
const RegionFilterText kShiftText = {
    "Shift: Frame number must be positive and end frame not less than start frame",
    "Stretch:this clip which has only %d frames",
    "Shift:rect, circle, ellipse are only valid options for shape",
    "Shift:coordinates must be +ve and dimensions must be more than 1 ",
    "Shift: value must be within plus 255 and minus 255",
    "Shift: This color format is not supported here",
    "Shift:the reference clip has fewer frames than endframe number",
    "Shift: The clips differ in colorspace or dimensions",
    "Shift:Invalid coordinates and or dimensions. The rectangle goes out of frame ",
    "Shift:Invalid coordinates and or dimensions. The circle goes out of frame ",
    "Shift:Invalid coordinates and or dimensions. The ellipse goes out of frame ",
    -255,
    255,
};

}  // namespace

AVSValue CreateShift(AVSValue args, void*, IScriptEnvironment* env) {
  return CreateRegionFilter(args, kShiftText, RegionChange::Add, env);
}

}  // namespace tintara
