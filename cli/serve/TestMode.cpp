#include "cli/serve/TestMode.h"

#include <cctype>

#include "filters/common/Sweep.h"

namespace tintara::serve {

namespace {

// Each swept threshold with its final value's parameter and both defaults, as the filters read
// them. A final default of kStartValue is the threshold's own start value.
constexpr int kStartValue = -1;
struct Pair {
  const char* start;
  int start_default;
  const char* final_name;
  int final_default;
};
struct Filter {
  const char* name;
  std::vector<Pair> pairs;
};
const Filter kFilters[] = {
    {"maskmaker",
     {{"gyt", 20, "ft", 120}, {"rt", 128, "fr", 128}, {"bt", 128, "fb", 128},
      {"et", 40, "fet", 240}, {"ert", 0, "fert", 128}, {"ebt", 0, "febt", 128}}},
    {"emarker", {{"gyt", 5, "ft", 200}, {"rt", 0, "fr", 0}, {"bt", 0, "fb", 0}, {"lt", 4, "fl", kStartValue}}},
    {"sharpedge", {{"lt", 5, "flt", 100}, {"ut", 200, "fut", 200}}},
};

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

bool SweepOf(const std::string& name, const std::vector<Parameter>& params, const std::vector<Value>& bound,
             Sweep* sweep) {
  const std::string key = Lower(name);
  const Filter* filter = nullptr;
  for (const Filter& f : kFilters)
    if (key == f.name) filter = &f;
  if (!filter || bound.empty() || !bound[0].IsClip() || bound.size() != params.size()) return false;
  const auto arg = [&](const char* param, const Value** out) {
    for (size_t i = 0; i < params.size(); ++i)
      if (Lower(params[i].name) == param && bound[i].Defined()) {
        *out = &bound[i];
        return true;
      }
    return false;
  };
  const auto int_arg = [&](const char* param, int fallback) {
    const Value* v = nullptr;
    return arg(param, &v) && v->IsInt() ? v->integer : fallback;
  };
  const Value* test = nullptr;
  if (!arg("test", &test) || !test->IsBool() || !test->boolean) return false;
  sweep->filter = name;
  sweep->sf = int_arg("sf", 0);
  sweep->ef = int_arg("ef", bound[0].clip->GetVideoInfo().num_frames - 1);
  sweep->thresholds.clear();
  for (const Pair& p : filter->pairs) {
    const int start = int_arg(p.start, p.start_default);
    const int final_value = int_arg(p.final_name, p.final_default == kStartValue ? start : p.final_default);
    sweep->thresholds.push_back({p.start, start, final_value});
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
