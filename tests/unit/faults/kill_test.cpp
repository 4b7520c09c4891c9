// A save killed at any instant leaves its target whole, the old file or the
// new one, and the next save succeeds beside whatever the killed one left;
// so does every file of a batch save killed at any instant.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>
#include <thread>

#include "api/document_handle.h"
#include "kexif.h"
#include "model/exif_constants.h"
#include "save/save_batch.h"
#include "tests/support/sample_photo.h"
#include "tests/support/temp_files.h"

namespace kexif::test {
namespace {

constexpr int kKills = 50;
constexpr uint32_t kImageDescription = 270;

// How many files a killed save left in folder.
int Leftovers(const std::string &folder) {
  int count = 0;
  for (const auto &entry : std::filesystem::directory_iterator(folder)) {
    count += entry.path().filename().string().find(".$#$") != std::string::npos ? 1 : 0;
  }
  return count;
}

// Saves source over target; 0 on success.
int32_t SaveOver(const std::string &source, const std::string &target) {
  KExifHandle h = kExifLoadFile(source.c_str());
  const int32_t result = h != nullptr ? kExifSaveFile(h, target.c_str()) : -1;
  kExifDestroy(h);
  return result;
}

// Writes a copy of path described as text to the name out.
bool Described(const std::string &path, const std::string &out, const char *text) {
  KExifHandle h = kExifLoadFile(path.c_str());
  TagValue value{kTypeAscii, static_cast<int32_t>(std::strlen(text) + 1), const_cast<char *>(text)};
  const bool saved = h != nullptr && kExifSetTag(h, kImageDescription, &value, 0) == 0 &&
                     kExifSaveFile(h, out.c_str()) == 0;
  kExifDestroy(h);
  return saved;
}

// The seed of the kill instants: KEXIF_KILL_SEED, else 17.
unsigned KillSeed() {
  const char *seedText = std::getenv("KEXIF_KILL_SEED");
  return seedText != nullptr ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10)) : 17u;
}

// Kills child after a random wait of up to longest microseconds; false
// when it was not killed by the signal.
bool KillAfterRandomWait(pid_t child, long longest, std::mt19937 &random) {
  std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<long>(0, longest)(random)));
  int status = 0;
  return ::kill(child, SIGKILL) == 0 && waitpid(child, &status, 0) == child && WIFSIGNALED(status);
}

TEST(SaveKilled, LeavesTheOldOrTheNewFileAndTheNextSaveSucceeds) {
  const unsigned seed = KillSeed();
  std::mt19937 random(seed);

  TempDir dir;
  const std::string photo = dir.Write("photo.jpg", SamplePhotoJpeg(false, 4u << 20));
  const std::string a = dir.File("a.jpg");
  const std::string b = dir.File("b.jpg");
  ASSERT_TRUE(Described(photo, a, "first"));
  ASSERT_TRUE(Described(photo, b, "second"));
  // What a save of each writes, and how long one takes.
  const std::string target = dir.File("target.jpg");
  ASSERT_EQ(SaveOver(b, target), 0);
  const Bytes savedB = ReadFileBytes(target);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(SaveOver(a, target), 0);
  const auto saveTime = std::chrono::steady_clock::now() - start;
  const Bytes savedA = ReadFileBytes(target);
  ASSERT_NE(savedA, savedB);
  const auto longest = std::chrono::duration_cast<std::chrono::microseconds>(saveTime * 3).count();

  int changed = 0;
  for (int kill = 0; kill < kKills; ++kill) {
    // The child saves b and a over the target in turn until it is killed.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0; i < 10000; ++i) SaveOver(i % 2 == 0 ? b : a, target);
      _exit(0);
    }
    ASSERT_TRUE(KillAfterRandomWait(child, longest, random));

    const Bytes found = ReadFileBytes(target);
    ASSERT_TRUE(found == savedA || found == savedB) << "seed " << seed << ", kill " << kill << ": "
                                                    << found.size() << " bytes";
    changed += found == savedB ? 1 : 0;
    ASSERT_EQ(SaveOver(a, target), 0) << "seed " << seed << ", kill " << kill;
    ASSERT_EQ(ReadFileBytes(target), savedA);
  }
  std::printf("[ kills ] seed %u: %d kills of %zu-byte saves (up to %lld us each), target replaced by %d, "
              "%d temporary files left behind\n",
              seed, kKills, savedA.size(), static_cast<long long>(longest / 3), changed, Leftovers(dir.path()));
}

// Sets the description of every file and saves them as the tool does: in
// batches of 64 files, committed together. True when all saved.
bool DescribeInBatches(const std::vector<std::string> &files, const char *text) {
  constexpr size_t kBatchFiles = 64;
  SaveBatch batch;
  bool saved = true;
  auto commit = [&] {
    for (const SaveResult result : batch.Commit()) saved = saved && result == SaveResult::kSaved;
  };
  for (const std::string &file : files) {
    KExifHandle h = kExifLoadFile(file.c_str());
    TagValue value{kTypeAscii, static_cast<int32_t>(std::strlen(text) + 1), const_cast<char *>(text)};
    saved = saved && h != nullptr && kExifSetTag(h, kImageDescription, &value, 0) == 0 &&
            batch.Add(*ToDocument(h), file.c_str()) == SaveResult::kSaved;
    kExifDestroy(h);
    if (batch.waiting() == kBatchFiles) commit();
  }
  commit();
  return saved;
}

TEST(BatchSaveKilled, LeavesEveryFileOldOrNewAndARerunFinishesTheBatch) {
  constexpr int kBatchKills = 8;
  constexpr size_t kFiles = 200;
  const unsigned seed = KillSeed();
  std::mt19937 random(seed);

  TempDir dir;
  const Bytes old = SamplePhotoJpeg();
  std::vector<std::string> files;
  for (size_t i = 0; i < kFiles; ++i) files.push_back(dir.Write("p" + std::to_string(i) + ".jpg", old));
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(DescribeInBatches(files, "new"));
  const auto batchTime = std::chrono::steady_clock::now() - start;
  const Bytes edited = ReadFileBytes(files[0]);
  ASSERT_NE(edited, old);
  const auto longest = std::chrono::duration_cast<std::chrono::microseconds>(batchTime * 5 / 4).count();

  int mixed = 0;
  for (int kill = 0; kill < kBatchKills; ++kill) {
    for (size_t i = 0; i < kFiles; ++i) dir.Write("p" + std::to_string(i) + ".jpg", old);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // Saves again and again until killed, so that a kill that comes after
      // the first pass still stops a batch in the middle.
      for (;;) {
        if (!DescribeInBatches(files, "new")) _exit(1);
      }
    }
    ASSERT_TRUE(KillAfterRandomWait(child, longest, random)) << "seed " << seed << ", kill " << kill;
    size_t renewed = 0;
    for (const std::string &file : files) {
      const Bytes found = ReadFileBytes(file);
      ASSERT_TRUE(found == old || found == edited) << "seed " << seed << ", kill " << kill << ", " << file << ": "
                                                   << found.size() << " bytes";
      renewed += found == edited ? 1 : 0;
    }
    mixed += renewed != 0 && renewed != kFiles ? 1 : 0;
    ASSERT_TRUE(DescribeInBatches(files, "new")) << "seed " << seed << ", kill " << kill;
    for (const std::string &file : files) ASSERT_EQ(ReadFileBytes(file), edited) << file;
  }
  std::printf("[ kills ] seed %u: %d kills of a batch of %zu %zu-byte saves (%lld us), %d left old and new "
              "files, %d temporary files left behind\n",
              seed, kBatchKills, kFiles, edited.size(),
              static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(batchTime).count()), mixed,
              Leftovers(dir.path()));
}

}  // namespace
}  // namespace kexif::test

#endif
