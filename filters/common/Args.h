// Reading a create function's arguments: by position, with the filter's default when absent.
#pragma once

#include "host/avisynth.h"

namespace tintara {

inline bool Given(const AVSValue& args, int i) { return args[i].Defined(); }
inline int IntArg(const AVSValue& args, int i, int def) { return args[i].AsInt(def); }
inline bool BoolArg(const AVSValue& args, int i, bool def) { return args[i].AsBool(def); }
inline double FloatArg(const AVSValue& args, int i, double def) { return args[i].AsFloat(def); }
inline const char* StringArg(const AVSValue& args, int i, const char* def) { return args[i].AsString(def); }

// The values of a `+` group (one array argument), copied since the array lives only for the call.
template <typename Vector>
void IntGroup(const AVSValue& group, Vector* out) {
  out->clear();
  if (!group.IsArray()) {
    if (group.IsInt()) out->push_back(group.AsInt());
    return;
  }
  for (int i = 0; i < group.ArraySize(); ++i) out->push_back(group[i].AsInt());
}

// Wraps a new filter as the create function's result; takes the clip arguments' extra
// reference first (see TakeArgumentClips), so call it only on the normal return path.
inline AVSValue Created(IClip* filter, const AVSValue& args) {
  TakeArgumentClips(args);
  return AVSValue(filter);
}

}  // namespace tintara
