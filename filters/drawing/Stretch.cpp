#include "filters/drawing/Stretch.h"

namespace tintara {

namespace {

const RegionFilterText kStretchText = {
    "Stretch: Frame number must be positive and end frame not less than start frame",
    "Stretch:this clip which has only %d frames",
    "Stretch:rect, circle, ellipse are only valid options for shape",
    "Stretch:coordinates must be +ve and dimensions must be more than 1 ",
    "Stretch:%age value must be within plus 200 and minus 100",
    "Stretch: This color format is not supported here",
    "Stretch:the reference clip has fewer frames than endframe number",
    "Stretch: The clips differ in colorspace or dimensions",
    "Stretch:Invalid coordinates and or dimensions. The rectangle goes out of frame ",
    "Stretch:Invalid coordinates and or dimensions. The circle goes out of frame ",
    "Stretch:Invalid coordinates and or dimensions. The ellipse goes out of frame ",
    -100,
    200,
};

}  // namespace

AVSValue CreateStretch(AVSValue args, void*, IScriptEnvironment* env) {
  return CreateRegionFilter(args, kStretchText, RegionChange::Percent, env);
}

}  // namespace tintara
