#include "bench/ratio_reporter.h"

#include <cstdio>

namespace kexif::bench {

std::string FormatSeconds(double seconds) {
  char text[32];
  if (seconds >= 1.0) {
    std::snprintf(text, sizeof text, "%.3g s", seconds);
  } else if (seconds >= 1e-3) {
    std::snprintf(text, sizeof text, "%.3g ms", seconds * 1e3);
  } else {
    std::snprintf(text, sizeof text, "%.3g µs", seconds * 1e6);
  }
  return text;
}

void RatioReporter::ReportRuns(const std::vector<Run> &runs) {
  for (const Run &run : runs) {
    if (run.error_occurred) continue;
    const bool repeated = run.repetitions > 1;
    // Repeated benchmarks count by their median, single runs by their time.
    if (repeated && (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median")) continue;
    if (!repeated && run.run_type != Run::RT_Iteration) continue;
    const std::string name = run.run_name.function_name;
    const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
    times_[name] = Times{run.GetAdjustedRealTime() / unit, run.GetAdjustedCPUTime() / unit};
  }
  ConsoleReporter::ReportRuns(runs);
}

void RatioReporter::Finalize() {
  ConsoleReporter::Finalize();
  std::FILE *out = stdout;
  std::fprintf(out,
               "\n| case | time | floor | floor time | ratio | CPU time | floor CPU | CPU ratio |\n"
               "|---|---|---|---|---|---|---|---|\n");
  for (const auto &[caseName, floorName] : pairs_) {
    const auto c = times_.find(caseName);
    const auto f = times_.find(floorName);
    if (c == times_.end() || f == times_.end()) continue;
    const Times &a = c->second;
    const Times &b = f->second;
    std::fprintf(out, "| %s | %s | %s | %s | %.2f× | %s | %s | %.2f× |\n", caseName.c_str(),
                 FormatSeconds(a.real).c_str(), floorName.c_str(), FormatSeconds(b.real).c_str(), a.real / b.real,
                 FormatSeconds(a.cpu).c_str(), FormatSeconds(b.cpu).c_str(), a.cpu / b.cpu);
  }
  std::fflush(out);
}

}  // namespace kexif::bench
