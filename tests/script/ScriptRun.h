// The fixture of the script tests: each script runs in an environment of its own (so that no
// `last` is left over from another), with the built-ins and the module loaded.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "runtime/builtins/Builtins.h"
#include "runtime/script/Evaluator.h"

namespace tintara::script {

class ScriptRun : public ::testing::Test {
 protected:
  Environment& Fresh() {
    envs_.push_back(std::make_unique<Environment>());
    RegisterBuiltins(*envs_.back());
    envs_.back()->LoadPlugin(TINTARA_MODULE_PATH);
    return *envs_.back();
  }

  Value Run(const std::string& source, const RunOptions& options = RunOptions()) {
    return RunScript(Fresh(), source, options).value;
  }

  // The error as "message @line:column", with "file:" before the line when it is in an import.
  std::string ErrorOf(const std::string& source, const RunOptions& options = RunOptions()) {
    try {
      Environment& env = Fresh();
      const Value v = RunScript(env, source, options).value;
      if (v.IsClip()) v.clip->GetFrame(0, &env);
    } catch (const ScriptError& e) {
      return std::string(e.what()) + " @" + (e.File().empty() ? "" : e.File() + ":") + std::to_string(e.Where().line) +
             ":" + std::to_string(e.Where().column);
    }
    return "(no error)";
  }

  int IntOf(const std::string& source) {
    const Value v = Run(source);
    EXPECT_TRUE(v.IsInt()) << source << " gives a " << v.KindName();
    return v.integer;
  }

  bool BoolOf(const std::string& source) {
    const Value v = Run(source);
    EXPECT_TRUE(v.IsBool()) << source << " gives a " << v.KindName();
    return v.boolean;
  }

  std::vector<std::unique_ptr<Environment>> envs_;
};

}  // namespace tintara::script
