// The embedded host's script environment: what the module sees as IScriptEnvironment, plus the
// function registry, argument binding and calls the script language and the tests use.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "host/avisynth.h"
#include "runtime/Frames.h"
#include "runtime/Signature.h"
#include "runtime/Value.h"
#include "runtime/io/Inputs.h"

namespace tintara {

class Environment : public IScriptEnvironment {
 public:
  struct Options {
    bool poison = false;  // fill new frames with a pattern (tests)
    uint8_t poison_value = 0xA5;
    int cache_frames = 4;   // the most frames a clip keeps (it keeps what requests show it needs)
    int stream_frames = 8;  // frames a source read from a stream keeps for late requests
  };

  // A function the runtime itself provides; `args` are bound in signature order.
  using Builtin = std::function<Value(Environment& env, std::vector<Value>& args)>;

  Environment() : Environment(Options()) {}
  explicit Environment(Options options);
  ~Environment() override;

  // ---- Registry and calls -------------------------------------------------------------------
  // A runtime built-in: tried after the modules' and the script's functions of the same name.
  void AddBuiltin(const std::string& name, const std::string& params, Builtin function);
  // A function the script defines: tried first, the latest definition first, like a module's.
  void AddScriptFunction(const std::string& name, const std::string& params, Builtin function);
  bool HasFunction(const std::string& name) const;
  // Calls a function by name (case-insensitive) with positional and named arguments, choosing
  // among the functions of that name as AviSynth+ does. Clips a function returns come back
  // behind a frame cache. Failures throw AvisynthError with the message kept by the environment.
  Value Call(const std::string& name, const std::vector<Argument>& args);
  // Like Call, but when there is no such function or none fits the arguments, returns false
  // with the message Call would throw. Errors of binding the chosen function and of the
  // function itself still throw.
  bool TryCall(const std::string& name, const std::vector<Argument>& args, Value* result, std::string* why);
  // For a call that fits no function of its name: what is wrong, as a short sentence, told for
  // the form of the function the arguments follow furthest.
  std::string Mismatch(const std::string& name, const std::vector<Argument>& args) const;
  // The signatures registered under a name, in registration order (empty if unknown).
  std::vector<std::string> Signatures(const std::string& name) const;
  // Every registered name in registration order, with its signature (one entry per signature).
  std::vector<std::pair<std::string, std::string>> Registered() const;

  // Loads a module with dlopen and calls its AvisynthPluginInit2; returns its description.
  // Loading the same file twice does nothing the second time.
  std::string LoadPlugin(const std::string& path);
  // The address of an exported symbol of the loaded modules, the first to have it (or null).
  void* PluginSymbol(const char* name) const;

  // Wraps a clip so that frame numbers are clamped and recent frames are cached (a
  // RenumberingClip is left as it is: its child clamps).
  PClip Cached(const PClip& clip, bool length_unknown = false);

  // Told of every function that returns, with its parameters and the arguments bound to them
  // (Void where not given) and its result: the live page reads test-mode thresholds from them.
  using CallObserver = std::function<void(const std::string& name, const std::vector<Parameter>& params,
                                          const std::vector<Value>& bound, const Value& result)>;
  void ObserveCalls(CallObserver observer) { observer_ = std::move(observer); }

  // Script variables (also what GetVar/SetVar see): those of the innermost context (the script's
  // top level, or a function being run), then the globals.
  void SetVariable(const std::string& name, const Value& v);
  void SetGlobalVariable(const std::string& name, const Value& v);
  bool GetVariable(const std::string& name, Value* v) const;

  FramePool& Frames() { return frames_; }
  const Options& GetOptions() const { return options_; }
  // The files the script's sources read and the use of standard input.
  io::Inputs& Inputs() { return inputs_; }
  // Throws AvisynthError with a message the environment keeps.
  [[noreturn]] void Fail(const std::string& message);

  // ---- IScriptEnvironment -------------------------------------------------------------------
  int GetCPUFlags() override;
  char* SaveString(const char* s, int length = -1) override;
  char* Sprintf(const char* fmt, ...) override;
  char* VSprintf(const char* fmt, va_list val) override;
  [[noreturn]] void ThrowError(const char* fmt, ...) override;
  void AddFunction(const char* name, const char* params, ApplyFunc apply, void* user_data) override;
  bool FunctionExists(const char* name) override;
  AVSValue Invoke(const char* name, const AVSValue args, const char* const* arg_names = 0) override;
  AVSValue GetVar(const char* name) override;
  bool SetVar(const char* name, const AVSValue& val) override;
  bool SetGlobalVar(const char* name, const AVSValue& val) override;
  void PushContext(int level = 0) override;
  void PopContext() override;
  PVideoFrame NewVideoFrame(const VideoInfo& vi, int align = FRAME_ALIGN) override;
  bool MakeWritable(PVideoFrame* pvf) override;
  void BitBlt(BYTE* dst, int dst_pitch, const BYTE* src, int src_pitch, int row_size, int height) override;
  void AtExit(ShutdownFunc function, void* user_data) override;
  void CheckVersion(int version = AVISYNTH_INTERFACE_VERSION) override;
  PVideoFrame Subframe(PVideoFrame src, int rel_offset, int new_pitch, int new_row_size, int new_height) override;
  int SetMemoryMax(int mem) override;
  int SetWorkingDir(const char* newdir) override;
  void* ManageCache(int key, void* data) override;
  bool PlanarChromaAlignment(PlanarChromaAlignmentMode key) override;
  PVideoFrame SubframePlanar(PVideoFrame src, int rel_offset, int new_pitch, int new_row_size, int new_height,
                             int rel_offsetU, int rel_offsetV, int new_pitchUV) override;

  // The interface version this host serves (CheckVersion passes up to it).
  static constexpr int kInterfaceVersion = 3;

 private:
  struct Function {
    std::string name;
    std::string key;  // the name in lower case
    std::string params;
    std::vector<Parameter> parsed;
    ApplyFunc apply = nullptr;  // a module's function
    void* user_data = nullptr;
    Builtin builtin;       // or one of the runtime's or the script's
    bool runtime = false;  // a runtime built-in: tried after the others
  };

  std::vector<const Function*> Candidates(const std::string& name) const;

  Value Apply(const Function& f, std::vector<Value>& bound);
  Value ApplyModule(const Function& f, const std::vector<Value>& bound);
  AVSValue ToAVSValue(const Value& v);
  static Value FromAVSValue(const AVSValue& v);

  Options options_;
  io::Inputs inputs_;
  FramePool frames_;
  CallObserver observer_;  // set while no script runs

  mutable std::mutex mutex_;        // guards everything below
  std::deque<Function> functions_;  // never moves a function, which may be running while others are added
  std::unordered_set<std::string> strings_;
  std::vector<std::map<std::string, Value>> scopes_;  // [0] globals, [1] the script's top level
  std::vector<std::pair<ShutdownFunc, void*>> at_exit_;
  std::vector<std::pair<std::string, void*>> plugins_;  // real path, dlopen handle
  int memory_max_mb_ = 1024;
};

}  // namespace tintara
