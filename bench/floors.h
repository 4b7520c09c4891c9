// The floors: the least any program must do to answer the same question or
// write the same file, done with plain system calls and large blocks.
#ifndef KEXIF_BENCH_FLOORS_H
#define KEXIF_BENCH_FLOORS_H

#include <cstdint>
#include <string>

namespace kexif::bench {

// Open, read the first headBytes with one call, close. Returns the bytes read.
int64_t ReadHead(const std::string &path, int64_t headBytes);
// Open, read the whole file in large blocks, close. Returns the bytes read.
int64_t ReadWhole(const std::string &path);
// ReadWhole and look at every byte for 0xFF. Returns the number found.
int64_t ReadAndScan(const std::string &path);
// Copies from into a new file to (replaced when present). False on failure.
bool CopyFile(const std::string &from, const std::string &to);
// CopyFile, then the copy is put on disk and renamed over to: the durable
// replace a careful writer does.
bool CopyDurablyAndRename(const std::string &from, const std::string &temporary, const std::string &to);

}  // namespace kexif::bench

#endif
