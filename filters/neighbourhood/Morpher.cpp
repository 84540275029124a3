#include "filters/neighbourhood/Morpher.h"

#include <cstring>

#include "filters/common/Args.h"
#include "filters/common/Motion.h"
#include "filters/neighbourhood/MorpherWork.h"

namespace tintara {

namespace {

// Argument positions in the signature.
enum { kClip, kSf, kEf, kType, kWhite, kLx, kTy, kRx, kBy, kElx, kEty, kErx, kEby, kLt, kUt, kTest, kFlt, kFut };

struct OperationName {
  const char* name;
  Morpher::Operation operation = Morpher::Operation::Close;
};
constexpr OperationName kOperations[] = {
    {"erode", Morpher::Operation::Erode}, {"dilate", Morpher::Operation::Dilate}, {"close", Morpher::Operation::Close},
    {"open", Morpher::Operation::Open},   {"thin", Morpher::Operation::Thin},     {"salt", Morpher::Operation::Salt},
    {"pepper", Morpher::Operation::Pepper}, {"vale", Morpher::Operation::Vale},   {"ridge", Morpher::Operation::Ridge},
    {"rorv", Morpher::Operation::Rorv},   {"flood", Morpher::Operation::Flood},   {"drain", Morpher::Operation::Drain},
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

Morpher::Morpher(const PClip& child, int sf_, int ef_, const char* type_, bool white_, int lx_, int ty_, int rx_,
                 int by_, int elx_, int ety_, int erx_, int eby_, int lt_, int ut_, bool test_, int flt_, int fut_,
                 IScriptEnvironment*)
    : GenericVideoFilter(child), sf(sf_), ef(ef_), type(type_), white(white_), lx(lx_), ty(ty_), rx(rx_), by(by_),
      elx(elx_), ety(ety_), erx(erx_), eby(eby_), lt(lt_), ut(ut_), test(test_), flt(flt_), fut(fut_),
      operation(Operation::Close), format(FormatOf(vi)) {
  FindOperation(type, &operation);
}

PVideoFrame Morpher::GetFrame(int n, IScriptEnvironment* env) {
  FrameStep step = StepFor(n, sf, ef, test);
  if (!step.active) return child->GetFrame(n, env);
  // Outside test mode the end window and thresholds are reached on frame ef itself, so the
  // fraction is (n - sf) / (ef - sf); a one-frame range (divisor 0) uses the start values.
  if (!test) step.d = ef - sf;
  // Test mode takes its fraction from n; a host asking for a frame below 0 gets the start values
  // rather than a window extrapolated out of the frame.
  if (step.i < 0) step.i = 0;

  PVideoFrame src = child->GetFrame(step.source, env);
  morpher::FrameJob job;
  job.format = format;
  job.w = WindowAt({lx, ty, rx, by}, {elx, ety, erx, eby}, step);
  job.lt = Lerp(lt, flt, step.i, step.d);
  job.ut = Lerp(ut, fut, step.i, step.d);
  job.markval = white ? 255 : 0;
  job.backval = white ? 0 : 255;

  switch (operation) {
    case Operation::Erode:
    case Operation::Dilate: {
      PVideoFrame out = env->NewVideoFrame(vi, 16);
      morpher::ErodeOrDilate(out, src, job, operation == Operation::Erode ? job.markval : job.backval);
      return out;
    }
    case Operation::Close:
    case Operation::Open: {
      PVideoFrame out = env->NewVideoFrame(vi, 16);
      const bool close = operation == Operation::Close;
      morpher::CloseOrOpen(out, src, job, close ? job.markval : job.backval, close ? job.backval : job.markval);
      return out;
    }
    case Operation::Thin:
      env->MakeWritable(&src);
      morpher::Thin(src, job);
      return src;
    case Operation::Salt:
    case Operation::Pepper: {
      PVideoFrame out = env->NewVideoFrame(vi, 16);
      morpher::IsolatedDots(out, src, job, operation == Operation::Salt);
      return out;
    }
    default: {
      PVideoFrame out = env->NewVideoFrame(vi, 16);
      morpher::Relief(out, src, job, operation);
      return out;
    }
  }
}

AVSValue CreateMorpher(AVSValue args, void*, IScriptEnvironment* env) {
  PClip clip = args[kClip].AsClip();
  const VideoInfo& vi = clip->GetVideoInfo();
  const int W1 = vi.width - 1, H1 = vi.height - 1, NF = vi.num_frames;

  const int sf = IntArg(args, kSf, 0);
  const int ef = IntArg(args, kEf, NF - 1);
  const char* type = StringArg(args, kType, "close");
  const bool white = BoolArg(args, kWhite, true);
  const int lx = IntArg(args, kLx, 0), ty = IntArg(args, kTy, 0);
  const int rx = IntArg(args, kRx, W1), by = IntArg(args, kBy, H1);
  const int elx = IntArg(args, kElx, lx), ety = IntArg(args, kEty, ty);
  const int erx = IntArg(args, kErx, rx), eby = IntArg(args, kEby, by);
  const int lt = IntArg(args, kLt, 0), ut = IntArg(args, kUt, 255);
  const bool test = BoolArg(args, kTest, false);
  const int flt = IntArg(args, kFlt, lt), fut = IntArg(args, kFut, ut);

  if (FormatOf(vi) == PixelFormat::Other) env->ThrowError("Morpher: This color format is not supported here");
  if (sf < 0 || sf > ef)
    env->ThrowError("Morpher: Frame number must be positive and end frame not less than start frame");
  if (sf >= NF || ef >= NF) env->ThrowError("Morpher:this clip which has only %d frames", NF);
  Morpher::Operation operation = Morpher::Operation::Close;
  if (!FindOperation(type, &operation))
    env->ThrowError("Morpher: Valid options are vale, ridge, rorv,flood, drain,ford,close, open, erode, thin, salt, pepper  and dilate only");
  if (lx < 0 || ty < 0 || elx < 0 || ety < 0) env->ThrowError("Morpher: coordinates should not be -ve");
  // This check alone measures an absent end corner against the frame, not against rx and by.
  const int erx_or_edge = Given(args, kErx) ? erx : W1, eby_or_edge = Given(args, kEby) ? eby : H1;
  if (rx < 2 || by < 2 || erx_or_edge < 2 || eby_or_edge < 2)
    env->ThrowError("Morpher: dimensions should not be less than 2");
  if (rx > W1 || by > H1 || erx > W1 || eby > H1)
    env->ThrowError("Morpher:The dimensions pushes the window outside frame");
  if (lx > rx - 2 || ty > by - 2 || elx > erx - 2 || ety > eby - 2)
    env->ThrowError("Morpher:The window has invalid coordinates. It must be atleast 2 pixel wide and high");
  if (lt < 0 || ut > 255) env->ThrowError("Morpher: thresholds must be between 0 and 255 ");
  if (test && !UsesThresholds(operation))
    env->ThrowError("Morpher: Test facility is only for flood, drain, ford, vale, ridge and rorv types only");
  if (flt < 0 || fut > 255) env->ThrowError("Morpher: thresholds must be between 0 and 255 ");
  if (operation != Morpher::Operation::Ford && (lt > ut || flt > fut))
    env->ThrowError("Morpher:lt must be less than ut, flt must be less than fut");

  auto* filter =
      new Morpher(clip, sf, ef, type, white, lx, ty, rx, by, elx, ety, erx, eby, lt, ut, test, flt, fut, env);
  return Created(filter, args);
}

}  // namespace tintara
