#include "filters/neighbourhood/Morpher.h"

#include <cstring>

#include "filters/common/ArgTable.h"
#include "filters/common/Geometry.h"
#include "filters/common/Motion.h"
#include "filters/neighbourhood/MorpherWork.h"

namespace tintara {

namespace {

using A = MorpherArgs;
constexpr ArgRow<A> kArgs[] = {
    Clip(&A::clip),
    Int("sf", &A::sf, 0),
    Int("ef", &A::ef, FromClip::LastFrame),
    String("type", &A::type, "close"),
    Bool("white", &A::white, true),
    Int("lx", &A::lx, 0),
    Int("ty", &A::ty, 0),
    Int("rx", &A::rx, FromClip::LastColumn),
    Int("by", &A::by, FromClip::LastRow),
    Int("elx", &A::elx, Like(&A::lx)),
    Int("ety", &A::ety, Like(&A::ty)),
    Int("erx", &A::erx, Like(&A::rx)),
    Int("eby", &A::eby, Like(&A::by)),
    Int("lt", &A::lt, 0),
    Int("ut", &A::ut, 255),
    Bool("test", &A::test, false),
    Int("flt", &A::flt, Like(&A::lt)),
    Int("fut", &A::fut, Like(&A::ut)),
};

struct OperationName {
  const char* name;
  Morpher::Operation operation = Morpher::Operation::Close;
};
constexpr OperationName kOperations[] = {
    {"erode", Morpher::Operation::Erode},   {"dilate", Morpher::Operation::Dilate},
    {"close", Morpher::Operation::Close},   {"open", Morpher::Operation::Open},
    {"thin", Morpher::Operation::Thin},     {"salt", Morpher::Operation::Salt},
    {"pepper", Morpher::Operation::Pepper}, {"vale", Morpher::Operation::Vale},
    {"ridge", Morpher::Operation::Ridge},   {"rorv", Morpher::Operation::Rorv},
    {"flood", Morpher::Operation::Flood},   {"drain", Morpher::Operation::Drain},
    {"ford", Morpher::Operation::Ford},
};

// Names compare byte for byte: "Erode" is not an operation.
bool FindOperation(const char* type, Morpher::Operation* out) {
  for (const OperationName& o : kOperations)
    if (std::strcmp(type, o.name) == 0) {
      *out = o.operation;
      return true;
    }
  return false;
}

// The operations driven by the thresholds, the only ones test mode sweeps.
bool UsesThresholds(Morpher::Operation o) { return o >= Morpher::Operation::Vale; }

}  // namespace

Morpher::Morpher(const MorpherArgs& args) : GenericVideoFilter(args.clip), arg(args) {
  Operation operation = Operation::Close;
  FindOperation(arg.type, &operation);
  in_place = operation == Operation::Thin;
  // Dilation and opening are erosion and closing of the background.
  const bool of_background = operation == Operation::Dilate || operation == Operation::Open;
  mark = arg.white != of_background ? 255 : 0;
  back = static_cast<BYTE>(255 - mark);
  routine = UsesThresholds(operation) ? morpher::ReliefRoutine(FormatOf(vi), operation)
                                      : morpher::MaskRoutine(FormatOf(vi), operation);
}

PVideoFrame Morpher::GetFrame(int n, IScriptEnvironment* env) {
  FrameStep step = StepFor(n, arg.sf, arg.ef, arg.test);
  if (!step.active) return child->GetFrame(n, env);
  // Outside test mode the end window and thresholds are reached on frame ef itself, so the
  // fraction is (n - sf) / (ef - sf); a one-frame range (divisor 0) uses the start values.
  if (!arg.test) step.d = arg.ef - arg.sf;
  const morpher::FrameJob job{
      WindowRectAt({arg.lx, arg.ty, arg.rx, arg.by}, {arg.elx, arg.ety, arg.erx, arg.eby}, step, vi.width, vi.height),
      Lerp(arg.lt, arg.flt, step.i, step.d), Lerp(arg.ut, arg.fut, step.i, step.d), mark, back};

  PVideoFrame src = child->GetFrame(step.source, env);
  if (in_place) {
    env->MakeWritable(&src);
    routine(src, src, job);
    return src;
  }
  PVideoFrame out = env->NewVideoFrame(vi, 16);
  routine(out, src, job);
  return out;
}

const char* MorpherSignature() { return SignatureText<kArgs>(); }

AVSValue CreateMorpher(AVSValue args, void*, IScriptEnvironment* env) {
  const MorpherArgs a = ReadArgs(kArgs, args);
  const VideoInfo& vi = a.clip->GetVideoInfo();
  const int W1 = vi.width - 1, H1 = vi.height - 1, NF = vi.num_frames;

  if (FormatOf(vi) == PixelFormat::Other) env->ThrowError("Morpher: This color format is not supported here");
  if (a.sf < 0 || a.sf > a.ef)
    env->ThrowError("Morpher: Frame number must be positive and end frame not less than start frame");
  if (a.sf >= NF || a.ef >= NF) env->ThrowError("Morpher:this clip which has only %d frames", NF);
  Morpher::Operation operation = Morpher::Operation::Close;
  if (!FindOperation(a.type, &operation))
    env->ThrowError(
        "Morpher: Valid options are vale, ridge, rorv,flood, drain,ford,close, open, erode, thin, salt, pepper  and "
        "dilate only");
  if (a.lx < 0 || a.ty < 0 || a.elx < 0 || a.ety < 0) env->ThrowError("Morpher: coordinates should not be -ve");
  // This check alone measures an absent end corner against the frame, not against rx and by.
  const int erx_or_edge = GivenArg(kArgs, args, &A::erx) ? a.erx : W1;
  const int eby_or_edge = GivenArg(kArgs, args, &A::eby) ? a.eby : H1;
  if (a.rx < 2 || a.by < 2 || erx_or_edge < 2 || eby_or_edge < 2)
    env->ThrowError("Morpher: dimensions should not be less than 2");
  if (a.rx > W1 || a.by > H1 || a.erx > W1 || a.eby > H1)
    env->ThrowError("Morpher:The dimensions pushes the window outside frame");
  if (a.lx > a.rx - 2 || a.ty > a.by - 2 || a.elx > a.erx - 2 || a.ety > a.eby - 2)
    env->ThrowError("Morpher:The window has invalid coordinates. It must be atleast 2 pixel wide and high");
  if (a.lt < 0 || a.ut > 255) env->ThrowError("Morpher: thresholds must be between 0 and 255 ");
  if (a.test && !UsesThresholds(operation))
    env->ThrowError("Morpher: Test facility is only for flood, drain, ford, vale, ridge and rorv types only");
  if (a.flt < 0 || a.fut > 255) env->ThrowError("Morpher: thresholds must be between 0 and 255 ");
  if (operation != Morpher::Operation::Ford && (a.lt > a.ut || a.flt > a.fut))
    env->ThrowError("Morpher:lt must be less than ut, flt must be less than fut");

  return Created(new Morpher(a), args);
}

}  // namespace tintara
