// The bytes a load + get reads from its file, from the kernel's count of the
// process's reads (/proc/self/io, rchar), beside the bytes in front of the
// image data that any reader of the metadata must read.
#ifndef KEXIF_BENCH_READ_BYTES_H
#define KEXIF_BENCH_READ_BYTES_H

#include <vector>

#include "bench/bench_inputs.h"

namespace kexif::bench {

// Prints a markdown table: per file, the bytes one load + get read, the
// file's head bytes and the ratio of the two. Prints a note instead when
// the system does not count reads.
void ReportBytesRead(const std::vector<InputFile> &files);

}  // namespace kexif::bench

#endif
