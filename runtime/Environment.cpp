#include "runtime/Environment.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/CacheClip.h"
#include "runtime/Names.h"
#include "runtime/RenumberingClip.h"

namespace tintara {

namespace {

std::string Format(const char* fmt, va_list args) {
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  if (n < 0) return fmt;
  std::string out(static_cast<size_t>(n) + 1, '\0');
  std::vsnprintf(&out[0], out.size(), fmt, args);
  out.resize(static_cast<size_t>(n));
  return out;
}

}  // namespace

Environment::Environment(Options options)
    : options_(options), frames_(FramePool::Options{options.poison, options.poison_value, true}) {
  scopes_.resize(2);
}

Environment::~Environment() {
  // Drop every clip the script holds before the modules go away, then let modules clean up.
  {
    std::lock_guard<std::mutex> lock(mutex_);
    scopes_.clear();
  }
  for (auto it = at_exit_.rbegin(); it != at_exit_.rend(); ++it) it->first(it->second, this);
  functions_.clear();
  for (auto& plugin : plugins_) dlclose(plugin.second);
}

// ---- Registry and calls -------------------------------------------------------------------

void Environment::AddBuiltin(const std::string& name, const std::string& params, Builtin function) {
  Function f;
  f.name = name;
  f.params = params;
  if (!ParseSignature(params, &f.parsed)) Fail("AddFunction: malformed signature \"" + params + "\" for " + name);
  f.builtin = std::move(function);
  f.runtime = true;
  std::lock_guard<std::mutex> lock(mutex_);
  f.key = LowerCase(f.name);
  functions_.push_back(std::move(f));
}

void Environment::AddScriptFunction(const std::string& name, const std::string& params, Builtin function) {
  Function f;
  f.name = name;
  f.params = params;
  if (!ParseSignature(params, &f.parsed)) Fail("AddFunction: malformed signature \"" + params + "\" for " + name);
  f.builtin = std::move(function);
  std::lock_guard<std::mutex> lock(mutex_);
  f.key = LowerCase(f.name);
  functions_.push_back(std::move(f));
}

bool Environment::HasFunction(const std::string& name) const {
  const std::string key = LowerCase(name);
  std::lock_guard<std::mutex> lock(mutex_);
  for (const Function& f : functions_)
    if (f.key == key) return true;
  return false;
}

std::vector<std::string> Environment::Signatures(const std::string& name) const {
  const std::string key = LowerCase(name);
  std::vector<std::string> out;
  std::lock_guard<std::mutex> lock(mutex_);
  for (const Function& f : functions_)
    if (f.key == key) out.push_back(f.params);
  return out;
}

std::vector<std::pair<std::string, std::string>> Environment::Registered() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::pair<std::string, std::string>> out;
  for (const Function& f : functions_) out.emplace_back(f.name, f.params);
  return out;
}

Value Environment::Call(const std::string& name, const std::vector<Argument>& args) {
  Value result;
  std::string why;
  if (!TryCall(name, args, &result, &why)) Fail(why);
  return result;
}

// The script's and the modules' functions come first, the latest first, so a later definition
// overrides; the runtime's built-ins follow in their fixed order.
std::vector<const Environment::Function*> Environment::Candidates(const std::string& name) const {
  const std::string key = LowerCase(name);
  std::vector<const Function*> out;
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = functions_.rbegin(); it != functions_.rend(); ++it)
    if (!it->runtime && it->key == key) out.push_back(&*it);
  for (const Function& f : functions_)
    if (f.runtime && f.key == key) out.push_back(&f);
  return out;
}

bool Environment::TryCall(const std::string& name, const std::vector<Argument>& args, Value* result, std::string* why) {
  const std::vector<const Function*> candidates = Candidates(name);
  if (candidates.empty()) {
    *why = "Script error: There is no function named '" + name + "'.";
    return false;
  }
  // First a function whose parameters also have every name given, then any whose positional
  // parameters fit (its binding then says which name is wrong); each time exact types first,
  // then ints for floats.
  const Function* chosen = nullptr;
  for (int names_too = 1; names_too >= 0 && !chosen; --names_too)
    for (int strict = 1; strict >= 0 && !chosen; --strict)
      for (const Function* f : candidates)
        if (Fits(f->parsed, args, strict != 0, names_too != 0)) {
          chosen = f;
          break;
        }
  if (!chosen) {
    *why = "Script error: Invalid arguments to function '" + name + "'.";
    return false;
  }
  std::vector<Value> bound;
  std::string refused;
  if (!Bind(chosen->parsed, args, name, &bound, &refused)) Fail(refused);
  *result = Apply(*chosen, bound);
  return true;
}

std::string Environment::Mismatch(const std::string& name, const std::vector<Argument>& args) const {
  // Of several forms, the one the arguments follow furthest says what is wrong.
  std::string best;
  size_t furthest = 0;
  for (const Function* f : Candidates(name)) {
    size_t reached = 0;
    const std::string why = tintara::Mismatch(f->parsed, args, &reached);
    if (best.empty() || reached > furthest) {
      best = why;
      furthest = reached;
    }
  }
  return best;
}

Value Environment::Apply(const Function& f, std::vector<Value>& bound) {
  // A module filter's defaults (a frame range ending at the last frame) depend on the length
  // of its clips, so a clip whose length is a stand-in would give silently wrong frames.
  bool length_unknown = false;
  for (const Value& v : bound) length_unknown = length_unknown || (v.IsClip() && LengthUnknown(v.clip));
  if (length_unknown && !f.builtin) Fail(f.name + ": " + kLengthUnknownMessage);
  Value result = f.builtin ? f.builtin(*this, bound) : ApplyModule(f, bound);
  if (result.IsClip() && result.clip) result.clip = Cached(result.clip, length_unknown || LengthUnknown(result.clip));
  if (observer_) observer_(f.name, f.parsed, bound, result);
  return result;
}

AVSValue Environment::ToAVSValue(const Value& v) {
  switch (v.kind) {
    case Value::Kind::Void: return AVSValue();
    case Value::Kind::Bool: return AVSValue(v.boolean);
    case Value::Kind::Int: return AVSValue(v.integer);
    case Value::Kind::Long: return AVSValue(static_cast<int>(static_cast<uint32_t>(v.wide)));
    // A script float reaches a module as a float holding the value rounded from double.
    case Value::Kind::Float: return AVSValue(static_cast<float>(v.floating));
    case Value::Kind::String: return AVSValue(SaveString(v.string.c_str()));
    case Value::Kind::Clip: return AVSValue(v.clip);
    case Value::Kind::Array: break;
  }
  return AVSValue();
}

Value Environment::FromAVSValue(const AVSValue& v) {
  switch (v.Type()) {
    case 'b': return Value::Bool(v.AsBool());
    case 'i':
    case 'l': return Value::Int(v.AsInt());
    case 'f':
    case 'd': return Value::Float(v.AsFloat());
    case 's': return Value::String(v.AsString() ? v.AsString() : "");
    case 'c': return Value::Clip(v.AsClip());
    case 'a': {
      std::vector<Value> items;
      for (int i = 0; i < v.ArraySize(); ++i) items.push_back(FromAVSValue(v[i]));
      return Value::Array(std::move(items));
    }
  }
  return Value();
}

// Calls a module's create function the way AviSynth+ does: the argument array is built and
// destroyed here, groups are nested arrays living only for the call, and after a normal return
// every clip that is a direct element is released once more (the module takes that reference
// before returning; see TakeArgumentClips).
Value Environment::ApplyModule(const Function& f, const std::vector<Value>& bound) {
  std::vector<std::vector<AVSValue>> groups;
  groups.reserve(bound.size());
  std::vector<AVSValue> top;
  top.reserve(bound.size());
  for (const Value& v : bound) {
    if (v.kind == Value::Kind::Array) {
      groups.emplace_back();
      for (const Value& item : v.array) groups.back().push_back(ToAVSValue(item));
      top.emplace_back(groups.back().data(), static_cast<int>(groups.back().size()));
    } else {
      top.push_back(ToAVSValue(v));
    }
  }
  Value result;
  {
    const AVSValue args(top.data(), static_cast<int>(top.size()));
    const AVSValue returned = f.apply(args, f.user_data, this);
    for (const AVSValue& a : top)
      if (a.IsClip() && a.AsClip()) a.AsClip()->ReleaseArgumentReference();
    result = FromAVSValue(returned);
  }
  return result;
}

PClip Environment::Cached(const PClip& clip, bool length_unknown) {
  if (dynamic_cast<CacheClip*>(clip.get()) || dynamic_cast<RenumberingClip*>(clip.get())) return clip;
  return PClip(new CacheClip(clip, options_.cache_frames, length_unknown));
}

std::string Environment::LoadPlugin(const std::string& path) {
  char resolved[PATH_MAX];
  const std::string real = realpath(path.c_str(), resolved) ? std::string(resolved) : path;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& p : plugins_)
      if (p.first == real) return std::string();
  }
  void* handle = dlopen(real.c_str(), RTLD_LAZY | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    Fail("LoadPlugin: unable to load \"" + path + "\": " + (why ? why : "unknown error"));
  }
  using Init2 = const char* (*)(IScriptEnvironment*);
  auto init = reinterpret_cast<Init2>(dlsym(handle, "AvisynthPluginInit2"));
  if (!init) {
    dlclose(handle);
    Fail("'" + path + "' cannot be used as a plugin for AviSynth.");
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    plugins_.emplace_back(real, handle);
  }
  const char* description = init(this);
  return description ? description : "";
}

void* Environment::PluginSymbol(const char* name) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& p : plugins_)
    if (void* symbol = dlsym(p.second, name)) return symbol;
  return nullptr;
}

void Environment::SetVariable(const std::string& name, const Value& v) {
  std::lock_guard<std::mutex> lock(mutex_);
  scopes_.back()[LowerCase(name)] = v;
}

void Environment::SetGlobalVariable(const std::string& name, const Value& v) {
  std::lock_guard<std::mutex> lock(mutex_);
  scopes_.front()[LowerCase(name)] = v;
}

// A function's context sees its own variables and the globals, never its caller's.
bool Environment::GetVariable(const std::string& name, Value* v) const {
  const std::string key = LowerCase(name);
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto* scope : {&scopes_.back(), &scopes_.front()}) {
    auto it = scope->find(key);
    if (it != scope->end()) {
      *v = it->second;
      return true;
    }
  }
  return false;
}

void Environment::Fail(const std::string& message) { throw AvisynthError(SaveString(message.c_str())); }

// ---- IScriptEnvironment -------------------------------------------------------------------

int Environment::GetCPUFlags() {
  int flags = 0x01 | 0x02 | 0xA0;  // FPU, MMX, x86-64
  __builtin_cpu_init();
  if (__builtin_cpu_supports("sse")) flags |= 0x04 | 0x08;
  if (__builtin_cpu_supports("sse2")) flags |= 0x10;
  if (__builtin_cpu_supports("sse3")) flags |= 0x100;
  if (__builtin_cpu_supports("ssse3")) flags |= 0x200;
  if (__builtin_cpu_supports("sse4.1")) flags |= 0x400;
  if (__builtin_cpu_supports("sse4.2")) flags |= 0x800;
  return flags;
}

char* Environment::SaveString(const char* s, int length) {
  if (!s) s = "";
  std::string copy = length < 0 ? std::string(s) : std::string(s, strnlen(s, static_cast<size_t>(length)));
  if (length >= 0) copy.resize(static_cast<size_t>(length), '\0');
  std::lock_guard<std::mutex> lock(mutex_);
  // Equal strings share one copy (the set's nodes never move), as AviSynth+ allows.
  return const_cast<char*>(strings_.insert(std::move(copy)).first->c_str());
}

char* Environment::Sprintf(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  char* out = VSprintf(fmt, args);
  va_end(args);
  return out;
}

char* Environment::VSprintf(const char* fmt, va_list val) {
  const std::string text = Format(fmt, val);
  return SaveString(text.c_str());
}

void Environment::ThrowError(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  const std::string text = Format(fmt, args);
  va_end(args);
  throw AvisynthError(SaveString(text.c_str()));
}

void Environment::AddFunction(const char* name, const char* params, ApplyFunc apply, void* user_data) {
  Function f;
  f.name = name ? name : "";
  f.params = params ? params : "";
  if (f.name.empty() || !apply || !ParseSignature(f.params, &f.parsed))
    Fail("AddFunction: malformed registration of \"" + f.name + "\" with signature \"" + f.params + "\"");
  f.apply = apply;
  f.user_data = user_data;
  std::lock_guard<std::mutex> lock(mutex_);
  f.key = LowerCase(f.name);
  functions_.push_back(std::move(f));
}

bool Environment::FunctionExists(const char* name) { return name && HasFunction(name); }

AVSValue Environment::Invoke(const char* name, const AVSValue args, const char* const* arg_names) {
  if (!name || !HasFunction(name)) throw NotFound();
  std::vector<Argument> call;
  const int count = args.IsArray() ? args.ArraySize() : 1;
  for (int i = 0; i < count; ++i) {
    Argument a;
    if (arg_names && arg_names[i]) a.name = arg_names[i];
    a.value = FromAVSValue(args.IsArray() ? args[i] : args);
    if (a.value.Defined() || a.name.empty()) call.push_back(std::move(a));
  }
  const Value result = Call(name, call);
  if (result.kind == Value::Kind::Array) Fail(std::string("Invoke: ") + name + " returned an array");
  return ToAVSValue(result);
}

AVSValue Environment::GetVar(const char* name) {
  Value v;
  if (!name || !GetVariable(name, &v) || v.kind == Value::Kind::Array) throw NotFound();
  return ToAVSValue(v);
}

bool Environment::SetVar(const char* name, const AVSValue& val) {
  if (!name) return false;
  SetVariable(name, FromAVSValue(val));
  return true;
}

bool Environment::SetGlobalVar(const char* name, const AVSValue& val) {
  if (!name) return false;
  SetGlobalVariable(name, FromAVSValue(val));
  return true;
}

void Environment::PushContext(int) {
  std::lock_guard<std::mutex> lock(mutex_);
  scopes_.emplace_back();
}

void Environment::PopContext() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (scopes_.size() > 2) scopes_.pop_back();
}

PVideoFrame Environment::NewVideoFrame(const VideoInfo& vi, int align) {
  std::string error;
  PVideoFrame frame = frames_.New(vi, align, &error);
  if (!frame) Fail(error);
  return frame;
}

bool Environment::MakeWritable(PVideoFrame* pvf) {
  if (!pvf || !*pvf || (*pvf)->IsWritable()) return false;
  PVideoFrame copy = frames_.Copy(*pvf);
  if (!copy) Fail("MakeWritable: out of memory");
  *pvf = copy;
  return true;
}

void Environment::BitBlt(BYTE* dst, int dst_pitch, const BYTE* src, int src_pitch, int row_size, int height) {
  if (!dst || !src || row_size <= 0) return;
  for (int y = 0; y < height; ++y)
    std::memmove(dst + static_cast<long>(y) * dst_pitch, src + static_cast<long>(y) * src_pitch,
                 static_cast<size_t>(row_size));
}

void Environment::AtExit(ShutdownFunc function, void* user_data) {
  std::lock_guard<std::mutex> lock(mutex_);
  at_exit_.emplace_back(function, user_data);
}

void Environment::CheckVersion(int version) {
  if (version > kInterfaceVersion) ThrowError("Plugin was designed for a later version of Avisynth (%d)", version);
}

PVideoFrame Environment::Subframe(PVideoFrame src, int rel_offset, int new_pitch, int new_row_size, int new_height) {
  return SubframePlanar(src, rel_offset, new_pitch, new_row_size, new_height, 0, 0, 0);
}

PVideoFrame Environment::SubframePlanar(PVideoFrame src, int rel_offset, int new_pitch, int new_row_size,
                                        int new_height, int rel_offsetU, int rel_offsetV, int new_pitchUV) {
  if (!src) Fail("Subframe: no source frame");
  if ((rel_offset | new_pitch | rel_offsetU | rel_offsetV | new_pitchUV) & 63)
    Fail("Filter Error: Filter attempted to break alignment of VideoFrame.");
  const bool planar = src->GetPitch(PLANAR_U) != 0;
  const long size = src->GetFrameBuffer()->GetDataSize();
  // Rows run from `first` by `pitch`, backwards for a negative pitch: both the first and the
  // last row must lie in the buffer (64 bits: any int may be asked for).
  auto inside = [size](long first, long pitch, long rows, long row_size) {
    const long last = first + pitch * (rows - 1);
    return std::min(first, last) >= 0 && std::max(first, last) + row_size <= size;
  };
  const long start = static_cast<long>(src->GetOffset()) + rel_offset;
  if (new_height <= 0 || new_row_size <= 0 || new_row_size > std::labs(new_pitch) ||
      !inside(start, new_pitch, new_height, new_row_size))
    Fail("Subframe: the new frame lies outside the source frame's buffer");
  int offsetU = 0, offsetV = 0, row_sizeUV = 0, heightUV = 0;
  if (planar) {
    const long u = static_cast<long>(src->GetOffset(PLANAR_U)) + rel_offsetU;
    const long v = static_cast<long>(src->GetOffset(PLANAR_V)) + rel_offsetV;
    row_sizeUV = new_row_size / 2;
    heightUV = new_height / 2;
    for (long o : {u, v})
      if (heightUV > 0 && !inside(o, new_pitchUV, heightUV, row_sizeUV))
        Fail("Subframe: the new frame lies outside the source frame's buffer");
    offsetU = static_cast<int>(u);
    offsetV = static_cast<int>(v);
  }
  return frames_.Share(src, start, new_pitch, new_row_size, new_height, offsetU, offsetV, planar ? new_pitchUV : 0,
                       row_sizeUV, heightUV);
}

int Environment::SetMemoryMax(int mem) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (mem > 0) memory_max_mb_ = mem;
  return memory_max_mb_;
}

int Environment::SetWorkingDir(const char* newdir) { return newdir && chdir(newdir) == 0 ? 0 : -1; }

void* Environment::ManageCache(int, void*) { return nullptr; }

bool Environment::PlanarChromaAlignment(PlanarChromaAlignmentMode key) {
  if (key == PlanarChromaAlignmentOn || key == PlanarChromaAlignmentOff)
    return frames_.SetChromaAligned(key == PlanarChromaAlignmentOn);
  return frames_.ChromaAligned();
}

}  // namespace tintara
