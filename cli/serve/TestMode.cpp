#include "cli/serve/TestMode.h"

#include <functional>

#include "filters/common/Sweep.h"
#include "runtime/Names.h"

namespace tintara::serve {

namespace {

// Each swept threshold's start argument and the argument of its final value.
struct Pair {
  const char* start;
  const char* final_name;
};
struct Filter {
  const char* name;
  std::vector<Pair> pairs;
};
const Filter kFilters[] = {
    {"maskmaker", {{"gyt", "ft"}, {"rt", "fr"}, {"bt", "fb"}, {"et", "fet"}, {"ert", "fert"}, {"ebt", "febt"}}},
    {"emarker", {{"gyt", "ft"}, {"rt", "fr"}, {"bt", "fb"}, {"lt", "fl"}}},
    {"sharpedge", {{"lt", "flt"}, {"ut", "fut"}}},
};

}  // namespace

bool SweepOf(const std::string& name, const std::vector<Parameter>& params, const std::vector<Value>& bound,
             IntDefaultFn defaults, Sweep* sweep) {
  const std::string key = LowerCase(name);
  const Filter* filter = nullptr;
  for (const Filter& f : kFilters)
    if (key == f.name) filter = &f;
  if (!filter || !defaults || bound.empty() || !bound[0].IsClip() || bound.size() != params.size()) return false;
  const int last_frame = bound[0].clip->GetVideoInfo().num_frames - 1;
  const auto arg = [&](const char* param, const Value** out) {
    for (size_t i = 0; i < params.size(); ++i)
      if (LowerCase(params[i].name) == param && bound[i].Defined()) {
        *out = &bound[i];
        return true;
      }
    return false;
  };
  // A given int, else the module's default; false when neither is known. A default that names
  // another argument is followed a few steps at most.
  int hops = 0;
  std::function<bool(const char*, int*)> int_arg = [&](const char* param, int* out) {
    const Value* v = nullptr;
    if (arg(param, &v)) {
      if (!v->IsInt()) return false;
      *out = static_cast<int>(v->integer);
      return true;
    }
    const char* same_as = nullptr;
    switch (defaults(filter->name, param, out, &same_as)) {
      case 1: return true;
      case 2: return same_as && ++hops < 8 && int_arg(same_as, out);
      case 3: *out = last_frame; return true;
      default: return false;
    }
  };
  const Value* test = nullptr;
  if (!arg("test", &test) || !test->IsBool() || !test->boolean) return false;
  sweep->filter = name;
  sweep->thresholds.clear();
  if (!int_arg("sf", &sweep->sf) || !int_arg("ef", &sweep->ef)) return false;
  for (const Pair& p : filter->pairs) {
    Sweep::Threshold t{p.start, 0, 0};
    if (!int_arg(p.start, &t.start) || !int_arg(p.final_name, &t.final_value)) return false;
    sweep->thresholds.push_back(t);
  }
  return true;
}

std::string DescribeFrame(const Sweep& sweep, int n) {
  const FrameStep step = StepFor(n, sweep.sf, sweep.ef, true);
  if (!step.active)
    return sweep.filter + " test mode: frame " + std::to_string(n) + " is past the test frames 0.." +
           std::to_string(sweep.ef - 1) + ", the source's own frame";
  std::string text = sweep.filter + " test frame " + std::to_string(n) + " of 0.." + std::to_string(sweep.ef - 1) +
                     " (source frame " + std::to_string(step.source) + "):";
  for (const Sweep::Threshold& t : sweep.thresholds)
    text += " " + t.name + " " + std::to_string(ThresholdAt(t.start, t.final_value, step, true)) + ",";
  text.pop_back();
  return text;
}

}  // namespace tintara::serve
