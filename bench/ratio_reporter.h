// A console reporter that also keeps each benchmark's time (the median when
// the run repeats) and, at the end, prints a markdown table of every case
// beside its floor with the ratio of the two.
#ifndef KEXIF_BENCH_RATIO_REPORTER_H
#define KEXIF_BENCH_RATIO_REPORTER_H

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kexif::bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  // A case and the floor it is compared with, both benchmark names.
  void Pair(const std::string &caseName, const std::string &floorName) { pairs_.emplace_back(caseName, floorName); }

  void ReportRuns(const std::vector<Run> &runs) override;
  void Finalize() override;

 private:
  std::vector<std::pair<std::string, std::string>> pairs_;
  struct Times {
    double real = 0;  // seconds per iteration, wall clock
    double cpu = 0;   // seconds per iteration of the process's CPU time
  };
  std::map<std::string, Times> times_;  // per benchmark name
};

// Formats a duration with a unit that keeps three significant digits.
std::string FormatSeconds(double seconds);

}  // namespace kexif::bench

#endif
