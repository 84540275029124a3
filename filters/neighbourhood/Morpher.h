// Morpher: cleans black-and-white masks (erosion, dilation, their two combinations, thinning,
// isolated dot and hole removal) and marks the brightness relief of a picture (valleys, ridges,
// dark and bright areas) inside a window that may move across a frame range.
#pragma once

#include "filters/common/Format.h"
#include "host/avisynth.h"

namespace tintara {

class Morpher : public GenericVideoFilter {
 public:
  // The thirteen values of `type`.
  enum class Operation { Erode, Dilate, Close, Open, Thin, Salt, Pepper, Vale, Ridge, Rorv, Flood, Drain, Ford };

  Morpher(const PClip& child, int sf, int ef, const char* type, bool white, int lx, int ty, int rx, int by, int elx,
          int ety, int erx, int eby, int lt, int ut, bool test, int flt, int fut, IScriptEnvironment* env);
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;

  // One erosion pass of `value` over a rectangle of `width` x `height` pixels, `step` bytes apart,
  // read from `src` and written to `dst` (each the rectangle's first byte, rows `*_pitch` apart):
  // the rectangle's edge becomes 128; an inner pixel keeps `value` only when it has `value` and
  // none of its eight neighbours holds the opposite value, otherwise it gets the opposite value.
  static void ErodePass(const BYTE* src, BYTE* dst, int src_pitch, int dst_pitch, int width, int height, int step,
                        int value);

 private:
  const int sf, ef;
  const char* const type;  // only read while the filter is built
  const bool white;
  const int lx, ty, rx, by;
  const int elx, ety, erx, eby;
  const int lt, ut;
  const bool test;
  const int flt, fut;

  Operation operation;
  PixelFormat format;
};

AVSValue CreateMorpher(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
