#include "runtime/script/PositionedClip.h"

#include <exception>
#include <new>
#include <string>

namespace tintara::script {

PVideoFrame PositionedClip::GetFrame(int n, IScriptEnvironment* env) {
  try {
    return child_->GetFrame(n, env);
  } catch (const AvisynthError& e) {
    throw ScriptError(e.msg ? e.msg : "unknown error", where_, file_);
  } catch (const ScriptError&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw ScriptError("out of memory while making frame " + std::to_string(n), where_, file_);
  } catch (const std::exception& e) {
    throw ScriptError(e.what(), where_, file_);
  }
}

}  // namespace tintara::script
