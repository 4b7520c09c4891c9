// The memory a save needs beyond the loaded document, measured as the rise
// of the process's peak resident size in a fresh child process.
#ifndef KEXIF_BENCH_SAVE_MEMORY_H
#define KEXIF_BENCH_SAVE_MEMORY_H

#include <string>
#include <vector>

#include "bench/bench_inputs.h"

namespace kexif::bench {

// For each file: loads a work copy, sets two tags and saves it in place in
// a child process, and prints a markdown table of the peak rise against
// the file size + 1 MB allowance. Prints a note instead when the system
// cannot reset the peak.
void ReportSaveMemory(const std::vector<InputFile> &files, const std::string &folder);

}  // namespace kexif::bench

#endif
