#include "cli/serve/Session.h"

#include <fstream>
#include <sstream>

#include "runtime/builtins/Builtins.h"
#include "runtime/script/Evaluator.h"

namespace tintara::serve {

bool ReadWholeFile(const std::string& path, std::string* content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream out;
  out << in.rdbuf();
  *content = out.str();
  return !in.bad();
}

namespace {

std::string LineOf(const std::string& text, int line) {
  size_t start = 0;
  for (int i = 1; i < line && start != std::string::npos; ++i) {
    start = text.find('\n', start);
    if (start != std::string::npos) ++start;
  }
  if (start == std::string::npos || start > text.size()) return "";
  const size_t end = text.find('\n', start);
  std::string s = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
  if (!s.empty() && s.back() == '\r') s.pop_back();
  return s;
}

}  // namespace

Session::~Session() {
  // The clips hold filters made by the environment's functions: release them first.
  clips_.clear();
}

const NamedClip* Session::Find(const std::string& name) const {
  for (const NamedClip& c : clips_)
    if (c.name == name) return &c;
  return nullptr;
}

void Session::Fail(const std::string& message, int line, int column, const std::string& file) {
  failure_.message = message.empty() ? "unknown error" : message;
  failure_.line = line;
  failure_.column = column;
  failure_.file = file;
  // The script's text is the one this run read; an imported file is read again as it is now,
  // which is what the run just read.
  std::string text;
  if (!files_.empty() && files_[0].path == file)
    text = files_[0].content;
  else if (!ReadWholeFile(file, &text))
    text.clear();
  failure_.line_text = LineOf(text, line);
}

std::shared_ptr<const Session> Session::Run(const std::string& path, const std::string& module,
                                            const std::map<std::string, double>& overrides, const Session* last_good) {
  std::shared_ptr<Session> s(new Session());
  s->env_ = std::make_unique<Environment>();
  std::string text;
  if (!ReadWholeFile(path, &text)) {
    s->Fail("cannot read the script " + path, 0, 0, path);
    return s;
  }
  s->files_.push_back({path, text});
  std::map<const VideoInfo*, Sweep> sweeps;
  if (last_good)
    for (const ReadFile& f : last_good->files_)
      if (f.path != path) s->files_.push_back(f);
  try {
    try {
      RegisterBuiltins(*s->env_);
      if (!module.empty()) s->env_->LoadPlugin(module);
      // The clips of test-mode calls, known by their VideoInfo: each call's clip keeps its own,
      // which the wrappers a variable holds it in hand through.
      const auto defaults = reinterpret_cast<IntDefaultFn>(s->env_->PluginSymbol(kIntDefaultSymbol));
      s->env_->ObserveCalls([&sweeps, defaults](const std::string& name, const std::vector<Parameter>& params,
                                                const std::vector<Value>& bound, const Value& result) {
        Sweep sweep;
        if (result.IsClip() && SweepOf(name, params, bound, defaults, &sweep))
          sweeps[&result.clip->GetVideoInfo()] = sweep;
      });
      script::RunOptions options;
      options.path = path;
      options.sliders = overrides;
      script::Result result = script::RunScript(*s->env_, text, options);
      s->files_.resize(1);
      for (const std::string& file : result.files) {
        std::string content;
        if (file != path && ReadWholeFile(file, &content)) s->files_.push_back({file, content});
      }
      // `last` is left out when it is the result itself.
      for (const auto& [name, value] : result.variables)
        if (value.IsClip() && !(name == "last" && result.value.IsClip() && value.clip == result.value.clip))
          s->clips_.push_back({name, value.clip, false, {}});
      if (result.value.IsClip()) s->clips_.push_back({"result", result.value.clip, false, {}});
      s->sliders_ = std::move(result.sliders);
      for (NamedClip& c : s->clips_) {
        const auto it = sweeps.find(&c.clip->GetVideoInfo());
        if (it == sweeps.end()) continue;
        c.test_mode = true;
        c.sweep = it->second;
      }
      if (s->clips_.empty()) s->Fail("the script gives no clip to show", result.where.line, result.where.column, path);
    } catch (const AvisynthError& e) {
      // The environment owns the text: copy it out while it lives.
      throw std::runtime_error(e.msg ? e.msg : "unknown error");
    }
  } catch (const script::ScriptError& e) {
    s->Fail(e.what(), e.Where().line, e.Where().column, e.File().empty() ? path : e.File());
  } catch (const std::bad_alloc&) {
    s->Fail("out of memory", 0, 0, path);
  } catch (const std::exception& e) {
    s->Fail(e.what(), 0, 0, path);
  }
  s->env_->ObserveCalls(nullptr);
  if (s->Failed()) s->clips_.clear();
  return s;
}

}  // namespace tintara::serve
