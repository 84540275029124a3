// SharpEdge: a gradient-magnitude image of one of three 3x3 difference operators inside a
// moving window, and a thin edge mask of its crests between two thresholds. Coloured pixels can
// be left out and painted; a test mode sweeps the thresholds over frames made from one frame.
#pragma once

#include "filters/common/Format.h"
#include "filters/common/Motion.h"
#include "host/avisynth.h"

namespace tintara {

class SharpEdge : public GenericVideoFilter {
 public:
  SharpEdge(const PClip& child, int sf, int ef, const char* type, int lt, int ut, bool white, bool test, int flt,
            int fut, int lx, int ty, int rx, int by, bool xcol, int col, int elx, int ety, int erx, int eby,
            bool gradient, IScriptEnvironment* env);
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;

  // The operators: "e2", "ep" (Prewitt) and "es" (Sobel).
  enum class Operator { E2, Prewitt, Sobel };

  // What one frame's routine needs: the source, the result (G with `gradient`, else M), the
  // window and the current thresholds.
  struct Job {
    FramePlanes<const BYTE> src;
    Plane out;
    bool gradient;
    Window w;
    int lt, ut;
    bool xcol;
    int col;
    BYTE paint;  // the byte painted on excluded pixels: the low 8 bits of `col`
    BYTE markval, backval;
  };
  using Routine = void (*)(const Job&);

 private:
  const int sf, ef;
  const char* const type;
  const int lt, ut;
  const bool white;
  const bool test;
  const int flt, fut;
  const int lx, ty, rx, by;
  const bool xcol;
  const int col;
  const int elx, ety, erx, eby;
  const bool gradient;
  const int markval, backval;

  PixelFormat format;
  Routine routine = nullptr;  // G, and M from it, for this format and operator
};

AVSValue CreateSharpEdge(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
