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
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "kexif.h"
#include "save/save_batch.h"
#include "tests/support/loaded_document.h"
#include "tests/support/sample_photo.h"

namespace kexif::test {
namespace {

// Loads source, sets its description (unless text is null) and saves it
// as target; 0 on success.
int32_t SaveOver(const std::string &source, const std::string &target, const char *text = nullptr) {
  KExifHandle h = kExifLoadFile(source.c_str());
  const bool edited = h != nullptr && (text == nullptr || SetText(h, 270, text) == 0);
  const int32_t result = edited ? kExifSaveFile(h, target.c_str()) : -1;
  kExifDestroy(h);
  return result;
}

// The seed of the kill instants: KEXIF_KILL_SEED, else 17.
unsigned KillSeed() {
  const char *seedText = std::getenv("KEXIF_KILL_SEED");
  return seedText != nullptr ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10)) : 17u;
}

// How long run() takes, in microseconds.
long long MicrosecondsOf(const std::function<void()> &run) {
  const auto start = std::chrono::steady_clock::now();
  run();
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
}

// Forks a child that repeats work until killed (it exits 1 when work
// fails), kills it after a random wait of up to longest microseconds;
// false when it was not killed by the signal.
bool KillRepeatedWork(const std::function<bool()> &work, long long longest, std::mt19937 &random) {
  const pid_t child = fork();
  if (child == 0) {
    for (;;) {
      if (!work()) _exit(1);
    }
  }
  std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<long long>(0, longest)(random)));
  int status = 0;
  return child > 0 && ::kill(child, SIGKILL) == 0 && waitpid(child, &status, 0) == child && WIFSIGNALED(status);
}

TEST(SaveKilled, LeavesTheOldOrTheNewFileAndTheNextSaveSucceeds) {
  constexpr int kKills = 50;
  const unsigned seed = KillSeed();
  std::mt19937 random(seed);
  TempDir dir;
  const std::string photo = dir.Write("photo.jpg", SamplePhotoJpeg(false, 4u << 20));
  const std::string a = dir.File("a.jpg");
  const std::string b = dir.File("b.jpg");
  ASSERT_EQ(SaveOver(photo, a, "first"), 0);
  ASSERT_EQ(SaveOver(photo, b, "second"), 0);
  // What a save of each writes, and how long one takes.
  const std::string target = dir.File("target.jpg");
  ASSERT_EQ(SaveOver(b, target), 0);
  const Bytes savedB = ReadFileBytes(target);
  const long long saveTime = MicrosecondsOf([&] { ASSERT_EQ(SaveOver(a, target), 0); });
  const Bytes savedA = ReadFileBytes(target);
  ASSERT_NE(savedA, savedB);

  int changed = 0;
  for (int kill = 0; kill < kKills; ++kill) {
    SCOPED_TRACE("seed " + std::to_string(seed) + ", kill " + std::to_string(kill));
    // The child saves b and a over the target in turn until it is killed.
    int turn = 0;
    ASSERT_TRUE(KillRepeatedWork([&] { return SaveOver(++turn % 2 != 0 ? b : a, target) == 0; }, saveTime * 3, random));
    const Bytes found = ReadFileBytes(target);
    ASSERT_TRUE(found == savedA || found == savedB) << found.size() << " bytes";
    changed += found == savedB ? 1 : 0;
    ASSERT_EQ(SaveOver(a, target), 0);
    ASSERT_EQ(ReadFileBytes(target), savedA);
  }
  std::printf("[ kills ] seed %u: %d kills of %zu-byte saves (up to %lld us each), target replaced by %d, "
              "%d temporary files left behind\n",
              seed, kKills, savedA.size(), saveTime, changed, CountSaveLeftovers(dir.path()));
}

// Sets the description of every file and saves them as the tool does: in
// batches of 64 files, committed together. True when all saved.
bool DescribeInBatches(const std::vector<std::string> &files) {
  constexpr size_t kBatchFiles = 64;
  SaveBatch batch;
  bool saved = true;
  auto commit = [&] {
    for (const SaveResult result : batch.Commit()) saved = saved && result == SaveResult::kSaved;
  };
  for (const std::string &file : files) {
    KExifHandle h = kExifLoadFile(file.c_str());
    saved = saved && h != nullptr && SetText(h, 270, "new") == 0 &&
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
  const auto writeAll = [&] {
    files.clear();
    for (size_t i = 0; i < kFiles; ++i) files.push_back(dir.Write("p" + std::to_string(i) + ".jpg", old));
  };
  writeAll();
  const long long batchTime = MicrosecondsOf([&] { ASSERT_TRUE(DescribeInBatches(files)); });
  const Bytes edited = ReadFileBytes(files[0]);
  ASSERT_NE(edited, old);

  int mixed = 0;
  for (int kill = 0; kill < kBatchKills; ++kill) {
    SCOPED_TRACE("seed " + std::to_string(seed) + ", kill " + std::to_string(kill));
    writeAll();
    // The child saves again and again until killed, so that a kill that
    // comes after the first pass still stops a batch in the middle.
    ASSERT_TRUE(KillRepeatedWork([&] { return DescribeInBatches(files); }, batchTime * 5 / 4, random));
    size_t renewed = 0;
    for (const std::string &file : files) {
      const Bytes found = ReadFileBytes(file);
      ASSERT_TRUE(found == old || found == edited) << file << ": " << found.size() << " bytes";
      renewed += found == edited ? 1 : 0;
    }
    mixed += renewed != 0 && renewed != kFiles ? 1 : 0;
    ASSERT_TRUE(DescribeInBatches(files));
    for (const std::string &file : files) ASSERT_EQ(ReadFileBytes(file), edited) << file;
  }
  std::printf("[ kills ] seed %u: %d kills of a batch of %zu %zu-byte saves (%lld us), %d left old and new "
              "files, %d temporary files left behind\n",
              seed, kBatchKills, kFiles, edited.size(), batchTime, mixed, CountSaveLeftovers(dir.path()));
}

}  // namespace
}  // namespace kexif::test

#endif
