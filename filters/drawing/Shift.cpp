#include "filters/drawing/Shift.h"

#include <algorithm>

#include "filters/common/Args.h"

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

// v + st, held to 0..255.
std::array<BYTE, 256> ShiftTable(int st) {
  std::array<BYTE, 256> table;
  for (int v = 0; v < 256; ++v) table[v] = static_cast<BYTE>(std::clamp(v + st, 0, 255));
  return table;
}

}  // namespace

Shift::Shift(const RegionArgs& args, IScriptEnvironment* env) : RegionFilter(args, kShiftText, ShiftTable(args.st), env) {}

AVSValue CreateShift(AVSValue args, void*, IScriptEnvironment* env) {
  const RegionArgs a = ReadRegionArgs(args, kShiftText, env);
  return Created(new Shift(a, env), args);
}

}  // namespace tintara
