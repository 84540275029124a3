#include "tests/support/SampleCalls.h"

namespace tintara::testing {

SampleClips MakeSampleClips(TestHost& host, int pixel_type, int width, int height, int frames) {
  SampleClips s;
  s.width = width;
  s.height = height;
  s.frames = frames;
  s.picture = host.MakeClip(pixel_type, width, height, frames, [&](int n, Picture& p) {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const int dx = x - width / 3 - n, dy = y - height / 2;
        int v = dx * dx + dy * dy < (height / 3) * (height / 3) ? 30 : 110 + (x * 7 + y * 3 + n) % 40;
        if (x > 2 * width / 3) v = 200;
        if (IsRGB(p.Format()))
          p.SetPixel(x, y, v, v, v);
        else
          p.Set(x, y, 0, v);
      }
    // A coloured corner.
    for (int y = 0; y < height / 4; ++y)
      for (int x = 0; x < width / 4; ++x) {
        if (IsRGB(p.Format()))
          p.SetPixel(x, y, 40, 90, 160);
        else
          p.SetPixel(x, y, 90, 100, 160);
      }
  });
  s.mask = host.MakeClip(pixel_type, width, height, frames, [&](int n, Picture& p) {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        int v = ((x / 5 + y / 4 + n) % 3 == 0) ? 255 : 0;
        if (x == width / 2) v = 128;
        if (IsRGB(p.Format()))
          p.SetPixel(x, y, v, v, v);
        else
          p.SetPixel(x, y, v, 128, 128);
      }
  });
  return s;
}

const std::vector<SampleCall>& SampleCalls() {
  static const std::vector<SampleCall> calls = {
      {"MaskMaker/defaults",
       "MaskMaker",
       [](const SampleClips& s) { return std::vector<Argument>{Arg(s.picture)}; },
       {}},
      {"MaskMaker/moving-a1",
       "MaskMaker",
       [](const SampleClips& s) {
         return std::vector<Argument>{Arg(s.picture), Named("type", "a1"),       Named("gyt", 30),
                                      Named("lx", 1), Named("elx", s.width - 9), Named("erx", s.width - 1),
                                      Named("ty", 2), Named("eby", s.height - 2)};
       },
       {}},
      {"MaskMaker/test-mode",
       "MaskMaker",
       [](const SampleClips& s) {
         return std::vector<Argument>{
             Arg(s.picture),      Named("test", true), Named("sf", 1),   Named("ef", s.frames - 2),
             Named("type", "c2"), Named("ert", 200),   Named("ebt", 250)};
       },
       {}},
      {"GaussBlur/defaults",
       "GaussBlur",
       [](const SampleClips& s) { return std::vector<Argument>{Arg(s.picture)}; },
       {}},
      {"GaussBlur/size11-chroma",
       "GaussBlur",
       [](const SampleClips& s) {
         return std::vector<Argument>{Arg(s.picture), Named("size", 11), Named("sd", 3.0), Named("u", true),
                                      Named("v", true)};
       },
       {}},
      {"EMarker/e1-defaults",
       "EMarker",
       [](const SampleClips& s) { return std::vector<Argument>{Arg(s.picture)}; },
       {}},
      {"EMarker/e2-all-channels",
       "EMarker",
       [](const SampleClips& s) {
         return std::vector<Argument>{Arg(s.picture), Named("type", "e2"), Named("rt", 3), Named("bt", 4)};
       },
       {}},
      {"EMarker/es-test-moving",
       "EMarker",
       [](const SampleClips& s) {
         return std::vector<Argument>{
             Arg(s.picture), Named("type", "es"), Named("test", true),      Named("ef", s.frames - 1),
             Named("lx", 2), Named("elx", 9),     Named("erx", s.width - 3)};
       },
       {}},
      {"EMarker/epl",
       "EMarker",
       [](const SampleClips& s) {
         return std::vector<Argument>{Arg(s.picture), Named("type", "epl"), Named("lt", 10)};
       },
       {VideoInfo::CS_YUY2}},
      {"ColorDrops/seeds-drift-wshed",
       "ColorDrops",
       [](const SampleClips& s) {
         return std::vector<Argument>{Arg(s.picture),
                                      Arg(s.mask),
                                      Arg(1),
                                      Arg(s.frames - 2),
                                      Arg(3),
                                      Arg(4),
                                      Arg(0xFF2000),
                                      Arg(s.width - 2),
                                      Arg(s.height - 1),
                                      Arg(0x00FF00),
                                      Arg(s.width / 2),
                                      Arg(2),
                                      Arg(0x123456),
                                      Named("movex", 9),
                                      Named("movey", -5),
                                      Named("wshed", true),
                                      Named("pshow", true),
                                      Named("st", 40),
                                      Named("shift", false)};
       },
       {}},
      {"ColorBrush/strokes",
       "ColorBrush",
       [](const SampleClips& s) {
         return std::vector<Argument>{Arg(s.picture),
                                      Arg(s.mask),
                                      Arg(0),
                                      Arg(s.frames - 1),
                                      Arg(1),
                                      Arg(1),
                                      Arg(s.width - 2),
                                      Arg(s.height - 3),
                                      Arg(0x0080FF),
                                      Arg(5),
                                      Arg(s.height - 1),
                                      Arg(5),
                                      Arg(0),
                                      Arg(0xFFFF00),
                                      Named("movex", 3),
                                      Named("lshow", true),
                                      Named("st", -30)};
       },
       {}},
      {"ColorLine/seeds",
       "ColorLine",
       [](const SampleClips& s) {
         return std::vector<Argument>{Arg(s.picture),
                                      Arg(s.mask),
                                      Arg(0),
                                      Arg(s.frames - 1),
                                      Arg(2),
                                      Arg(2),
                                      Arg(0xFF0000),
                                      Arg(s.width - 1),
                                      Arg(s.height / 2),
                                      Arg(0x00FFFF),
                                      Named("pshow", true),
                                      Named("movey", 4)};
       },
       {}},
      {"Inlay/ellipse-mask",
       "Inlay",
       [](const SampleClips& s) {
         return std::vector<Argument>{Arg(s.picture),
                                      Arg(s.mask),
                                      Arg(s.mask),
                                      Named("type", "mask"),
                                      Named("ellipse", true),
                                      Named("x", s.width / 3),
                                      Named("y", s.height / 2),
                                      Named("w", s.width / 4),
                                      Named("h", s.height / 3),
                                      Named("ex", s.width / 2),
                                      Named("color", 0x2040E0)};
       },
       {}},
      {"Inlay/lines-left",
       "Inlay",
       [](const SampleClips& s) {
         return std::vector<Argument>{Arg(s.picture),        Arg(s.mask),        Arg(s.mask),
                                      Named("type", "left"), Named("lval", 128), Named("color", 0xC02020)};
       },
       {}},
      {"Inlay/lines-vint",
       "Inlay",
       [](const SampleClips& s) {
         return std::vector<Argument>{Arg(s.picture),        Arg(s.mask),        Arg(s.mask),
                                      Named("type", "vint"), Named("lval", 255), Named("color", 0x20C020),
                                      Named("shift", false), Named("st", 20)};
       },
       {}},
      {"CrossFill/aNOTb",
       "CrossFill",
       [](const SampleClips& s) {
         return std::vector<Argument>{Arg(s.picture),           Arg(s.mask),    Arg(s.picture),  Named("type", "aNOTb"),
                                      Named("color", 0x20C020), Named("lx", 1), Named("elx", 6), Named("st", 1 << 30)};
       },
       {}},
      {"Morpher/close",
       "Morpher",
       [](const SampleClips& s) {
         return std::vector<Argument>{Arg(s.mask), Named("type", "close")};
       },
       {}},
      {"Morpher/thin-moving",
       "Morpher",
       [](const SampleClips& s) {
         return std::vector<Argument>{Arg(s.mask), Named("type", "thin"), Named("lx", 1), Named("elx", 5),
                                      Named("ety", 3)};
       },
       {}},
      {"Morpher/ford-test",
       "Morpher",
       [](const SampleClips& s) {
         return std::vector<Argument>{
             Arg(s.picture),  Named("type", "ford"), Named("test", true), Named("ef", s.frames - 1),
             Named("lt", 40), Named("ut", 140),      Named("flt", 90),    Named("fut", 250)};
       },
       {}},
      {"Morpher/salt",
       "Morpher",
       [](const SampleClips& s) {
         return std::vector<Argument>{Arg(s.mask), Named("type", "salt")};
       },
       {}},
      {"DrawLines/join-moving",
       "DrawLines",
       [](const SampleClips& s) {
         return std::vector<Argument>{
             Arg(s.picture),    Arg(0), Arg(s.frames - 1), Arg(1),         Arg(1),          Arg(s.width - 2),
             Arg(s.height / 2), Arg(3), Arg(s.height - 1), Named("lx", 5), Named("ty", -4), Named("brush", true)};
       },
       {}},
      {"DrawLines/curve",
       "DrawLines",
       [](const SampleClips& s) {
         return std::vector<Argument>{Arg(s.picture),
                                      Arg(1),
                                      Arg(s.frames - 2),
                                      Arg(0),
                                      Arg(s.height - 1),
                                      Arg(s.width / 2),
                                      Arg(0),
                                      Arg(s.width - 1),
                                      Arg(s.height - 2),
                                      Named("line", "curve"),
                                      Named("lval", 250),
                                      Named("rx", 9),
                                      Named("by", 3)};
       },
       {}},
      {"DrawLines/diff",
       "DrawLines",
       [](const SampleClips& s) {
         return std::vector<Argument>{Arg(s.picture),   Arg(0),           Arg(s.frames - 1), Arg(2),
                                      Arg(2),           Arg(s.width - 3), Arg(s.height - 3), Named("line", "diff"),
                                      Named("lval", 10)};
       },
       {}},
      {"Shift/circle",
       "Shift",
       [](const SampleClips& s) {
         return std::vector<Argument>{Arg(s.picture), Arg(s.mask), Named("shape", "circle"), Named("st", 60)};
       },
       {}},
      {"Shift/ellipse-edge",
       "Shift",
       [](const SampleClips& s) {
         return std::vector<Argument>{Arg(s.picture),
                                      Arg(s.mask),
                                      Named("shape", "ellipse"),
                                      Named("x", s.width / 2),
                                      Named("y", s.height - 2),
                                      Named("w", s.width / 2 - 1),
                                      Named("h", 2),
                                      Named("st", -80),
                                      Named("white", false)};
       },
       {}},
      {"Stretch/rect",
       "Stretch",
       [](const SampleClips& s) {
         return std::vector<Argument>{Arg(s.picture), Arg(s.mask), Named("sf", 2), Named("ef", s.frames - 3),
                                      Named("st", 150)};
       },
       {}},
      {"Stretch/ellipse",
       "Stretch",
       [](const SampleClips& s) {
         return std::vector<Argument>{Arg(s.picture), Arg(s.mask), Named("shape", "ellipse"), Named("st", -50)};
       },
       {}},
      {"Pallet/chart",
       "Pallet",
       [](const SampleClips& s) {
         return std::vector<Argument>{Arg(s.picture),   Named("hbox", 3), Named("vbox", 2),
                                      Named("sgy", 10), Named("egy", 40), Named("fgy", 7)};
       },
       {}},
      {"SharpEdge/ep-defaults",
       "SharpEdge",
       [](const SampleClips& s) { return std::vector<Argument>{Arg(s.picture)}; },
       {}},
      {"SharpEdge/es-moving-col",
       "SharpEdge",
       [](const SampleClips& s) {
         return std::vector<Argument>{
             Arg(s.picture),  Named("type", "es"),       Named("ut", 255), Named("col", 300),         Named("lx", 1),
             Named("elx", 9), Named("erx", s.width - 2), Named("ty", 2),   Named("eby", s.height - 3)};
       },
       {}},
      {"SharpEdge/e2-test-gradient",
       "SharpEdge",
       [](const SampleClips& s) {
         return std::vector<Argument>{Arg(s.picture),      Named("type", "e2"),
                                      Named("test", true), Named("ef", s.frames - 1),
                                      Named("lt", 0),      Named("gradient", true)};
       },
       {}},
  };
  return calls;
}

}  // namespace tintara::testing
