#include "bench/save_memory.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>

#include "bench/tasks.h"
#include "bench/floors.h"

namespace kexif::bench {
#ifdef KEXIF_BENCH_SAVE
namespace {

constexpr long kAllowanceKb = 1024;

// A field of /proc/self/status in kB, or -1.
long StatusKb(const char *field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const size_t n = std::strlen(field);
  while (std::getline(status, line)) {
    if (line.compare(0, n, field) == 0 && line.size() > n && line[n] == ':') return std::stol(line.substr(n + 1));
  }
  return -1;
}

// Resets the peak resident size to the current one; false when the
// system does not allow it.
bool ResetPeak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.flush();
  return static_cast<bool>(clear);
}

// Runs in the child: prints one table row, exits 0 when within the allowance.
int MeasureOne(const InputFile &file, const std::string &work) {
  if (!CopyFile(file.path, work)) return 2;
  LoadedDocument document(work);
  if (!document) return 2;
  const long loaded = StatusKb("VmRSS");
  if (!ResetPeak()) {
    std::printf("| %s | (the peak resident size cannot be reset here) | | |\n", file.name.c_str());
    return 0;
  }
  if (!SetTwoTagsAndSave(document, work)) return 2;
  const long peak = StatusKb("VmHWM");
  const long rise = peak - loaded;
  const long limit = static_cast<long>(file.size / 1024) + kAllowanceKb;
  std::printf("| %s | %.2f MB | %.2f MB | %.2f MB | %s |\n", file.name.c_str(), file.size / 1048576.0,
              rise / 1024.0, limit / 1024.0, rise <= limit ? "yes" : "no");
  std::fflush(stdout);
  return rise <= limit ? 0 : 1;
}

}  // namespace

void ReportSaveMemory(const std::vector<InputFile> &files, const std::string &folder) {
  std::printf("\n| save of | file size | peak rise above the loaded document | allowed | within |\n"
              "|---|---|---|---|---|\n");
  std::fflush(stdout);
  for (const InputFile &file : files) {
    const pid_t child = fork();
    if (child == 0) _exit(MeasureOne(file, folder + "/memory-" + file.name));
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) > 1) {
      std::printf("| %s | (measurement failed) | | | |\n", file.name.c_str());
    }
  }
  std::fflush(stdout);
}
#else
void ReportSaveMemory(const std::vector<InputFile> &, const std::string &) {
  std::printf("\nSave memory: not measured, this build has no save.\n");
}
#endif

}  // namespace kexif::bench
