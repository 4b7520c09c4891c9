// What the harnesses share: a scratch folder for the files the interface
// wants by name, checks that touch every byte a result claims to hold, the
// release of host-owned records, and the invariant check.
#ifndef KEXIF_FUZZ_HARNESS_SUPPORT_H
#define KEXIF_FUZZ_HARNESS_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "include/kexif.h"

namespace kexif::fuzz {

// Stops the process with a message when cond is false; the fuzzer and the
// replay test both report that as a failure of the input.
#define KEXIF_FUZZ_CHECK(cond) ::kexif::fuzz::CheckOrAbort((cond), #cond, __FILE__, __LINE__)
void CheckOrAbort(bool cond, const char *what, const char *file, int line);

// Prints a line to stderr when KEXIF_FUZZ_TRACE is set in the environment:
// the steps a harness takes, for reading a finding by hand.
void Trace(const char *format, ...) __attribute__((format(printf, 1, 2)));

// The full name of a file in this process's scratch folder (made on first
// use, removed at exit).
std::string ScratchPath(const char *name);
// Writes the bytes to the scratch file of that name and returns its full name.
std::string WriteScratch(const char *name, const uint8_t *data, size_t size);
// Size of a file in bytes, or -1 when it does not exist.
long long FileSize(const std::string &path);
// The bytes of a file (empty when it cannot be read).
std::vector<uint8_t> ReadFile(const std::string &path);
// Removes a scratch file if present.
void RemoveFile(const std::string &path);

// Bytes an element of a TIFF field type takes; 0 for types outside 1..12.
size_t TypeElementSize(uint32_t type);

// Reads every one of n bytes at data, so that a block shorter than a result
// claims shows up under AddressSanitizer and valgrind.
void TouchBytes(const void *data, size_t n);
// Touches count x element size bytes of a tag value; a value with a known
// type and a nonzero count must carry data.
void TouchTagValue(const TagValue &value);

// Releases a TIFF Exif record as its owner must: every entry's data, every
// entry, the array and the record, all with free().
void FreeTifExifData(TifExifData *record);
// Touches every entry of a record (count + 1 bytes for the 1-byte types).
void TouchTifExifData(const TifExifData *record);

// Tag numbers worth asking for: the first directory's usual tags, the whole
// Exif sub-directory set, GPS and Interoperability tags, the ids of the
// structural nodes and a few numbers outside 16 bits.
extern const uint32_t kQueriedTags[];
extern const size_t kQueriedTagCount;

// Watches the heap around one harness call: peak live bytes above the level
// at construction. Meaningful only where an allocation hook is installed
// (see AllocationHooksActive).
class HeapWatch {
 public:
  HeapWatch();
  size_t PeakGrowth() const;

 private:
  size_t baseline_;
};
bool AllocationHooksActive();
// Called by allocation hooks: the live byte count moves by delta.
void NoteAllocation(size_t bytes);
void NoteRelease(size_t bytes);

// Heap an input of this size may make a call use at its peak.
size_t HeapAllowance(size_t inputSize);
// Checks the heap growth seen by watch against the allowance for size.
void CheckHeapGrowth(const HeapWatch &watch, size_t inputSize);

}  // namespace kexif::fuzz

#endif
