// The fuzz harnesses: each takes any bytes, drives one part of the public
// interface with them and abort()s when an invariant that must hold for every
// input is violated. The same functions are linked into the libFuzzer
// programs and into the corpus replay test.
#ifndef KEXIF_FUZZ_HARNESS_H
#define KEXIF_FUZZ_HARNESS_H

#include <cstddef>
#include <cstdint>

namespace kexif::fuzz {

// Any bytes as a file for the read-only family: every query, then the end.
int FuzzReader(const uint8_t *data, size_t size);
// Any bytes as a file for the editing family: load, every query, destroy.
int FuzzLoad(const uint8_t *data, size_t size);
// A file and a trailing script of edits (see edit_script.h): load, edit,
// save, reload, and compare what the queries answer before and after.
int FuzzEditSave(const uint8_t *data, size_t size);
// A flags byte, a 2-byte length, a source file and a target file: the
// source's Exif segment and TIFF Exif record go into a document of the
// target, which is saved and reloaded.
int FuzzBridge(const uint8_t *data, size_t size);
// Any bytes as a file, loaded with the whole JPEG scan at load and with the
// part after the first SOS left for later: queries, edits and saves must
// give the same answers, trees and bytes (see lazy_scan_check.h).
int FuzzLazyScan(const uint8_t *data, size_t size);
// Strict checks hold for well-formed files only (the seeds): every tag set
// reads back at once, and no entry count ever differs from its entries.
void SetStrictEditChecks(bool strict);

using HarnessFunction = int (*)(const uint8_t *data, size_t size);

struct Harness {
  const char *name;  // also the folder name of its corpus
  HarnessFunction run;
};

// Every harness, in a fixed order; count in *n.
const Harness *AllHarnesses(size_t *n);
// The harness of that name, or null.
const Harness *FindHarness(const char *name);

}  // namespace kexif::fuzz

#endif
