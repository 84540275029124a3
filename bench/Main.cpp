// The benchmark program's entry: runs the benchmarks as usual, keeps each one's CPU time per
// frame, and then prints every filter's time as a ratio to its library peer (when one was
// timed) and to memcpy of the same frame, with the targets those ratios are held to.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

// CPU time is what the ratios use: the machine is shared, and time spent descheduled is not the
// code's. With repetitions, the fastest repetition counts.
class CollectingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) continue;
      const double ns = run.GetAdjustedCPUTime() * NanosecondsPer(run.time_unit);
      const std::string name = run.run_name.function_name;
      auto it = cpu_ns_.find(name);
      if (it == cpu_ns_.end()) {
        cpu_ns_[name] = ns;
        order_.push_back(name);
      } else {
        it->second = std::min(it->second, ns);
      }
    }
  }
  const std::map<std::string, double>& Times() const { return cpu_ns_; }
  const std::vector<std::string>& Order() const { return order_; }

 private:
  static double NanosecondsPer(benchmark::TimeUnit unit) {
    switch (unit) {
      case benchmark::kSecond: return 1e9;
      case benchmark::kMillisecond: return 1e6;
      case benchmark::kMicrosecond: return 1e3;
      default: return 1;
    }
  }
  std::map<std::string, double> cpu_ns_;
  std::vector<std::string> order_;
};

// How a filter benchmark is judged: the peer benchmark it must not be slower than (empty: none),
// and whether it is a point filter, held to three times memcpy of its frame. Benchmark names end
// in "/FORMAT"; the peer's name is the peer prefix plus that format.
struct Rule {
  const char* prefix;
  const char* peer;
  bool point;
};
const Rule kRules[] = {
    {"MaskMaker/", "cv-inRange/", true},
    {"CrossFill/", "cv-inRange/", true},
    {"Shift/", "cv-add/", true},
    {"Stretch/", "cv-multiply/", true},
    {"Pallet/", "", true},
    {"Inlay/mask/", "", true},
    {"Inlay/nomask/", "", true},
    {"Morpher/erode/", "cv-erode/", false},
    {"Morpher/dilate/", "cv-dilate/", false},
    {"Morpher/open/", "cv-open/", false},
    {"Morpher/close/", "cv-close/", false},
    {"GaussBlur/3/", "cv-GaussianBlur/3/", false},
    {"GaussBlur/11/", "cv-GaussianBlur/11/", false},
    {"SharpEdge/", "cv-Sobel/", false},
    {"EMarker/", "cv-Laplacian/", false},
    {"ColorDrops-whole/", "cv-floodFill/", false},
    {"ColorBrush-whole/", "cv-floodFill/", false},
    {"ColorLine-whole/", "cv-floodFill8/", false},
};

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

const Rule* RuleFor(const std::string& name) {
  for (const Rule& r : kRules)
    if (StartsWith(name, r.prefix)) return &r;
  return nullptr;
}

std::string FormatOf(const std::string& name) { return name.substr(name.rfind('/') + 1); }

bool IsReference(const std::string& name) { return StartsWith(name, "memcpy/") || StartsWith(name, "cv-"); }

void PrintTable(const CollectingReporter& reporter) {
  const auto& times = reporter.Times();
  auto time_of = [&](const std::string& name) {
    auto it = times.find(name);
    return it == times.end() ? -1.0 : it->second;
  };
  constexpr double kMegapixels = 1920.0 * 1080.0 / 1e6;
  int peer_met = 0, peer_total = 0, point_met = 0, point_total = 0;

  std::printf("\n| benchmark | ms/frame | MP/s | peer | x peer | x memcpy | targets |\n");
  std::printf("|---|---:|---:|---|---:|---:|---|\n");
  for (const std::string& name : reporter.Order()) {
    if (IsReference(name)) continue;
    const double ns = time_of(name);
    const Rule* rule = RuleFor(name);
    const std::string format = FormatOf(name);
    const double memcpy_ns = time_of("memcpy/" + format);
    std::string peer = rule && *rule->peer ? rule->peer + format : "";
    const double peer_ns = peer.empty() ? -1 : time_of(peer);
    if (peer_ns < 0) peer.clear();

    std::string verdict;
    char cell[64];
    std::string vs_peer = "", vs_memcpy = "";
    if (!peer.empty()) {
      const double ratio = ns / peer_ns;
      std::snprintf(cell, sizeof cell, "%.2f", ratio);
      vs_peer = cell;
      ++peer_total;
      if (ratio <= 1.0) ++peer_met;
      verdict += ratio <= 1.0 ? "peer met" : "PEER MISSED";
    }
    if (memcpy_ns > 0) {
      const double ratio = ns / memcpy_ns;
      std::snprintf(cell, sizeof cell, "%.2f", ratio);
      vs_memcpy = cell;
      if (rule && rule->point) {
        ++point_total;
        if (ratio <= 3.0) ++point_met;
        verdict += verdict.empty() ? "" : ", ";
        verdict += ratio <= 3.0 ? "3x memcpy met" : "3x MEMCPY MISSED";
      }
    }
    std::printf("| %s | %.3f | %.0f | %s | %s | %s | %s |\n", name.c_str(), ns / 1e6, kMegapixels / (ns / 1e9),
                peer.c_str(), vs_peer.c_str(), vs_memcpy.c_str(), verdict.c_str());
  }

  std::printf("\n| reference | ms/frame | MP/s |\n|---|---:|---:|\n");
  for (const std::string& name : reporter.Order())
    if (IsReference(name))
      std::printf("| %s | %.3f | %.0f |\n", name.c_str(), time_of(name) / 1e6, kMegapixels / (time_of(name) / 1e9));

  std::printf("\nAt least as fast as the peer: %d of %d. Point filters within 3x memcpy: %d of %d.\n", peer_met,
              peer_total, point_met, point_total);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  CollectingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintTable(reporter);
  benchmark::Shutdown();
  return 0;
}
