#include "fuzz/harness_support.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#if defined(__SANITIZE_ADDRESS__)
#define KEXIF_FUZZ_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KEXIF_FUZZ_ASAN 1
#endif
#endif

#ifdef KEXIF_FUZZ_ASAN
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*mallocHook)(const volatile void *, size_t),
                                                         void (*freeHook)(const volatile void *));
extern "C" size_t __sanitizer_get_allocated_size(const volatile void *p);
#endif

namespace kexif::fuzz {
namespace {

// Removes the scratch folder when the process ends normally.
class ScratchFolder {
 public:
  ScratchFolder() {
    const char *base = std::getenv("TMPDIR");
    std::filesystem::path root = (base != nullptr && *base != '\0') ? base : "/tmp";
    if (base == nullptr && std::filesystem::is_directory("/dev/shm")) root = "/dev/shm";
    path_ = root / ("kexif-fuzz-" + std::to_string(::getpid()));
    std::error_code ignored;
    std::filesystem::create_directories(path_, ignored);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path &path() const { return path_; }

 private:
  std::filesystem::path path_;
};

const ScratchFolder &Folder() {
  static const ScratchFolder folder;
  return folder;
}

volatile uint8_t touchSink;

size_t liveBytes = 0;
size_t peakBytes = 0;
bool hooksActive = false;

#ifdef KEXIF_FUZZ_ASAN
void OnMalloc(const volatile void *, size_t size) { NoteAllocation(size); }
void OnFree(const volatile void *p) {
  if (p != nullptr) NoteRelease(__sanitizer_get_allocated_size(p));
}
[[maybe_unused]] const bool hooksInstalled = [] {
  hooksActive = __sanitizer_install_malloc_and_free_hooks(&OnMalloc, &OnFree) != 0;
  return hooksActive;
}();
#endif

}  // namespace

void CheckOrAbort(bool cond, const char *what, const char *file, int line) {
  if (cond) return;
  std::fprintf(stderr, "%s:%d: invariant violated: %s\n", file, line, what);
  std::abort();
}

void Trace(const char *format, ...) {
  static const bool enabled = std::getenv("KEXIF_FUZZ_TRACE") != nullptr;
  if (!enabled) return;
  va_list arguments;
  va_start(arguments, format);
  std::vfprintf(stderr, format, arguments);
  va_end(arguments);
  std::fputc('\n', stderr);
}

std::string ScratchPath(const char *name) { return (Folder().path() / name).string(); }

std::string WriteScratch(const char *name, const uint8_t *data, size_t size) {
  const std::string path = ScratchPath(name);
  std::FILE *f = std::fopen(path.c_str(), "wb");
  KEXIF_FUZZ_CHECK(f != nullptr);
  KEXIF_FUZZ_CHECK(size == 0 || std::fwrite(data, 1, size, f) == size);
  KEXIF_FUZZ_CHECK(std::fclose(f) == 0);
  return path;
}

long long FileSize(const std::string &path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  return error ? -1 : static_cast<long long>(size);
}

std::vector<uint8_t> ReadFile(const std::string &path) {
  std::vector<uint8_t> out;
  std::FILE *f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return out;
  uint8_t buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) out.insert(out.end(), buffer, buffer + n);
  std::fclose(f);
  return out;
}

void RemoveFile(const std::string &path) { std::remove(path.c_str()); }

size_t TypeElementSize(uint32_t type) {
  switch (type) {
    case 1: case 2: case 6: case 7: return 1;
    case 3: case 8: return 2;
    case 4: case 9: case 11: return 4;
    case 5: case 10: case 12: return 8;
    default: return 0;
  }
}

void TouchBytes(const void *data, size_t n) {
  const auto *bytes = static_cast<const uint8_t *>(data);
  uint8_t sum = 0;
  for (size_t i = 0; i < n; ++i) sum = static_cast<uint8_t>(sum + bytes[i]);
  touchSink = sum;
}

void TouchTagValue(const TagValue &value) {
  KEXIF_FUZZ_CHECK(value.count >= 0);
  const size_t n = static_cast<size_t>(value.count) * TypeElementSize(static_cast<uint32_t>(value.type));
  KEXIF_FUZZ_CHECK(n == 0 || value.data != nullptr);
  if (value.data != nullptr) TouchBytes(value.data, n);
}

void FreeTifExifData(TifExifData *record) {
  if (record == nullptr) return;
  for (int32_t i = 0; i < record->count; ++i) {
    if (record->entries[i] == nullptr) continue;
    std::free(record->entries[i]->data);
    std::free(record->entries[i]);
  }
  std::free(record->entries);
  std::free(record);
}

void TouchTifExifData(const TifExifData *record) {
  if (record == nullptr) return;
  KEXIF_FUZZ_CHECK(record->count >= 0);
  KEXIF_FUZZ_CHECK(record->count == 0 || record->entries != nullptr);
  for (int32_t i = 0; i < record->count; ++i) {
    const TifExifEntry *entry = record->entries[i];
    KEXIF_FUZZ_CHECK(entry != nullptr);
    const size_t element = TypeElementSize(entry->type);
    if (element == 0) {
      KEXIF_FUZZ_CHECK(entry->data == nullptr);
      continue;
    }
    // The 1-byte types carry one byte more for a NUL; an empty value of the
    // other types has no block.
    size_t n = static_cast<size_t>(entry->count) * element;
    if (element == 1) n += 1;
    if (n == 0) continue;
    KEXIF_FUZZ_CHECK(entry->data != nullptr);
    TouchBytes(entry->data, n);
  }
}

const uint32_t kQueriedTags[] = {
    // Structural node ids, the raw-run id and image-piece ids.
    0, 1, 2, 3, 60, 70, 80, 0xA1,
    // GPS and Interoperability entries.
    4, 5, 6, 7, 27, 29, 31,
    // First and second directory.
    254, 256, 257, 258, 259, 262, 270, 271, 272, 273, 274, 277, 278, 279, 282, 283, 284, 296, 305, 306,
    315, 324, 325, 513, 514, 531, 33432, 33723, 34377, 34665, 34853,
    // The Exif sub-directory set.
    33434, 33437, 34850, 34852, 34855, 34856, 36864, 36867, 36868, 37121, 37122, 37377, 37378, 37379,
    37380, 37381, 37382, 37383, 37384, 37385, 37386, 37396, 37500, 37510, 37520, 37521, 37522, 40960,
    40961, 40962, 40963, 40964, 40965, 41483, 41484, 41486, 41487, 41488, 41492, 41493, 41495, 41728,
    41729, 41730, 41985, 41986, 41987, 41988, 41989, 41990, 41991, 41992, 41993, 41994, 41995, 41996,
    42016,
    // Numbers no 16-bit tag field can hold.
    0xFFFF, 0x10000, 0x1829A, 0xFFFFFFFF};
const size_t kQueriedTagCount = sizeof(kQueriedTags) / sizeof(kQueriedTags[0]);

HeapWatch::HeapWatch() : baseline_(liveBytes) { peakBytes = liveBytes; }

size_t HeapWatch::PeakGrowth() const { return peakBytes > baseline_ ? peakBytes - baseline_ : 0; }

bool AllocationHooksActive() { return hooksActive; }

void NoteAllocation(size_t bytes) {
  hooksActive = true;
  liveBytes += bytes;
  if (liveBytes > peakBytes) peakBytes = liveBytes;
}

void NoteRelease(size_t bytes) { liveBytes = bytes > liveBytes ? 0 : liveBytes - bytes; }

size_t HeapAllowance(size_t inputSize) {
  // A reader context and a file buffer cost a fixed amount; everything else
  // (copies of segments, values, a thumbnail, the saved file built in
  // memory) is bounded by the input.
  constexpr size_t kFixedAllowance = size_t{1} << 20;
  constexpr size_t kPerInputByte = 16;
  return kFixedAllowance + kPerInputByte * inputSize;
}

void CheckHeapGrowth(const HeapWatch &watch, size_t inputSize) {
  if (!AllocationHooksActive()) return;
  const size_t growth = watch.PeakGrowth();
  if (growth <= HeapAllowance(inputSize)) return;
  std::fprintf(stderr, "heap grew by %zu bytes for a %zu-byte input\n", growth, inputSize);
  KEXIF_FUZZ_CHECK(growth <= HeapAllowance(inputSize));
}

}  // namespace kexif::fuzz
