// Times the library's jobs on generated inputs beside their floors and
// prints, after Google Benchmark's own output, each case's ratio to its
// floor and the memory a save needs.
//
//   kexif_bench [benchmark flags]    (scripts/bench.sh runs it pinned, repeated)
//
// KEXIF_BENCH_DIR names a folder to make the inputs in (kept afterwards);
// without it they go to a fresh temporary folder removed at the end.
// KEXIF_BENCH_BATCH sets the number of batch files (default 1000).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "bench/bench_inputs.h"
#include "bench/floors.h"
#include "bench/ratio_reporter.h"
#include "bench/read_bytes.h"
#include "bench/save_memory.h"
#include "bench/tasks.h"
#include "tests/support/temp_files.h"

namespace kexif::bench {
namespace {

constexpr size_t kDefaultBatchFiles = 1000;

// Registers a benchmark that runs job once per iteration and stops with an
// error when the job reports a wrong answer.
void Add(const std::string &name, std::function<bool()> job) {
  benchmark::RegisterBenchmark(name.c_str(),
                               [job](benchmark::State &state) {
                                 for (auto _ : state) {
                                   if (!job()) {
                                     state.SkipWithError("wrong answer");
                                     break;
                                   }
                                 }
                               })
      ->UseRealTime()
      ->Unit(benchmark::kMicrosecond);
}

// A case and its floor: both registered, the pair noted for the table.
void AddCase(RatioReporter &reporter, const std::string &name, const std::string &floor, std::function<bool()> job) {
  Add(name, std::move(job));
  reporter.Pair(name, floor);
}

void AddFloors(const InputFile &file, const std::string &folder) {
  Add("floor/head/" + file.name, [=] { return ReadHead(file.path, file.headBytes) == file.headBytes; });
  Add("floor/whole/" + file.name, [=] { return ReadWhole(file.path) == file.size; });
  Add("floor/scan/" + file.name, [=] { return ReadAndScan(file.path) >= 0; });
  const std::string copy = folder + "/copy-" + file.name;
  Add("floor/copy/" + file.name, [=] { return CopyFile(file.path, copy); });
  const std::string temporary = folder + "/durable-tmp-" + file.name;
  const std::string target = folder + "/durable-" + file.name;
  Add("floor/copy+fsync+rename/" + file.name, [=] { return CopyDurablyAndRename(file.path, temporary, target); });
}

void RegisterAll(const Inputs &in, RatioReporter &r) {
  for (const InputFile *file : {&in.smallJpeg, &in.bigJpeg, &in.bigTiff}) AddFloors(*file, in.folder);
  Add("floor/head/batch", [&in] {
    for (const std::string &path : in.batch) {
      if (ReadHead(path, in.batchHeadBytes) != in.batchHeadBytes) return false;
    }
    return true;
  });

  for (const InputFile *file : {&in.smallJpeg, &in.bigJpeg}) {
    const std::string path = file->path;
    AddCase(r, "reader/" + file->name, "floor/head/" + file->name, [path] { return ReadTask(path, true); });
  }
  const std::string tiff = in.bigTiff.path;
  AddCase(r, "reader/big.tif", "floor/head/big.tif", [tiff] { return ReadTask(tiff, false); });
  const std::string big = in.bigJpeg.path;
  AddCase(r, "reader-thumbnail/big.jpg", "floor/head/big.jpg", [big] { return ThumbnailTask(big); });
  AddCase(r, "reader-exif-marker/big.jpg", "floor/head/big.jpg", [big] { return ExifMarkerTask(big); });
  AddCase(r, "batch/reader", "floor/head/batch", [&in] {
    for (const std::string &path : in.batch) {
      if (!IndexTask(path)) return false;
    }
    return true;
  });

  // The load reads a JPEG up to its image data: its floor is the head's,
  // whatever the file's size.
  Add("floor/head/huge.jpg", [&in] { return ReadHead(in.hugeJpeg.path, in.hugeJpeg.headBytes) == in.hugeJpeg.headBytes; });
  for (const InputFile *file : {&in.smallJpeg, &in.bigJpeg, &in.hugeJpeg}) {
    const std::string path = file->path;
    AddCase(r, "load+get/" + file->name, "floor/head/" + file->name, [path] { return LoadAndGetTask(path); });
  }
  r.Pair("load+get/huge.jpg", "load+get/small.jpg");
  r.Pair("load+get/big.jpg", "reader/big.jpg");
  AddCase(r, "load+get/big.tif", "floor/head/big.tif", [tiff] { return LoadAndGetTask(tiff); });
#ifdef KEXIF_BENCH_EDIT_THUMBNAIL
  AddCase(r, "load+thumbnail/big.jpg", "floor/head/big.jpg", [big] { return LoadAndThumbnailTask(big); });
#endif

#ifdef KEXIF_BENCH_SAVE
  for (const InputFile *file : {&in.smallJpeg, &in.bigJpeg, &in.bigTiff}) {
    const std::string work = in.folder + "/edit-" + file->name;
    if (!CopyFile(file->path, work)) throw std::runtime_error("cannot copy " + file->path);
    AddCase(r, "load+set+save/" + file->name, "floor/copy/" + file->name, [work] { return EditInPlaceTask(work); });
    r.Pair("load+set+save/" + file->name, "floor/copy+fsync+rename/" + file->name);
  }
#endif
}

size_t BatchFiles() {
  const char *text = std::getenv("KEXIF_BENCH_BATCH");
  if (text == nullptr) return kDefaultBatchFiles;
  const long n = std::strtol(text, nullptr, 10);
  return n > 0 ? static_cast<size_t>(n) : kDefaultBatchFiles;
}

}  // namespace
}  // namespace kexif::bench

int main(int argc, char **argv) {
  using namespace kexif::bench;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  std::unique_ptr<kexif::test::TempDir> scratch;
  std::string folder;
  if (const char *dir = std::getenv("KEXIF_BENCH_DIR"); dir != nullptr && dir[0] != '\0') {
    folder = dir;
  } else {
    scratch = std::make_unique<kexif::test::TempDir>();
    folder = scratch->path();
  }
  const Inputs inputs = MakeInputs(folder, BatchFiles());
  std::printf("inputs in %s: small.jpg %lld B, big.jpg %lld B, huge.jpg %lld B, big.tif %lld B, batch %zu files\n",
              folder.c_str(), static_cast<long long>(inputs.smallJpeg.size), static_cast<long long>(inputs.bigJpeg.size),
              static_cast<long long>(inputs.hugeJpeg.size), static_cast<long long>(inputs.bigTiff.size),
              inputs.batch.size());
  ReportSaveMemory({inputs.smallJpeg, inputs.bigJpeg, inputs.bigTiff}, folder);
  ReportBytesRead({inputs.smallJpeg, inputs.bigJpeg, inputs.hugeJpeg, inputs.bigTiff});

  RatioReporter reporter;
  RegisterAll(inputs, reporter);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
