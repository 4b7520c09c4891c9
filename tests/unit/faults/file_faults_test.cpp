// Every file call of a save, a load and an audio output made to fail in
// turn: the operation reports the failure, the target keeps its bytes, no
// temporary file stays behind, and the same operation succeeds once the
// fault is gone. Interruptions are retried where the runtime reports them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "api/document_handle.h"
#include "kexif.h"
#include "platform/fault_injection.h"
#include "save/save_batch.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/loaded_document.h"
#include "tests/support/sample_photo.h"

#ifdef KEXIF_FAULT_INJECTION

namespace kexif::test {
namespace {

constexpr std::array<const char *, kIoCallKinds> kKindNames = {
    "open", "read", "write", "flush", "sync", "close", "replace", "chmod", "chown", "remove"};

// Whether an interruption of the call is retried: not for a flush or a
// close (whose state after one is unspecified), a change of owner (its
// failure is passed over) or a rename (the system does not report one).
bool RetriedAfterInterruption(int error, IoCall kind) {
  return error == EINTR && kind != IoCall::kFlush && kind != IoCall::kClose && kind != IoCall::kChown &&
         kind != IoCall::kReplace;
}

// Injected failures per kind of call.
using Tally = std::array<int, kIoCallKinds>;

void PrintTally(const std::string &what, const Tally &tally) {
  std::string text;
  for (size_t i = 0; i < kIoCallKinds; ++i) {
    if (tally[i] != 0) text += std::string(kKindNames[i]) + "=" + std::to_string(tally[i]) + " ";
  }
  std::printf("[ faults ] %s: %s\n", what.c_str(), text.c_str());
}

// For n = 1, 2, ...: run(n) makes one operation whose n-th counted file
// call fails (it arms and disarms the seam); judge(n, kind) checks the
// outcome. Stops at the first run past the last call, which done() checks.
Tally FailEachCallInTurn(const std::function<void(uint64_t)> &run,
                         const std::function<void(uint64_t, IoCall)> &judge, const std::function<void()> &done) {
  Tally tally{};
  for (uint64_t n = 1;; ++n) {
    run(n);
    IoCall kind{};
    if (!fault::Fired(&kind)) {
      done();
      return tally;
    }
    ++tally[static_cast<size_t>(kind)];
    SCOPED_TRACE("call " + std::to_string(n) + " " + kKindNames[static_cast<size_t>(kind)]);
    judge(n, kind);
    if (::testing::Test::HasFailure()) return tally;
  }
}

// Loads path and edits it as every run of a case does; null on failure.
KExifHandle LoadEdited(const std::string &path, const std::string &sound) {
  KExifHandle h = kExifLoadFile(path.c_str());
  if (h != nullptr && (SetText(h, 270, "edited under faults") != 0 ||
                       (!sound.empty() && kExifSetAudioFile(h, sound.c_str()) != 0))) {
    kExifDestroy(h);
    return nullptr;
  }
  return h;
}

// The number of calls one run makes, without a fault, up to and including
// the last rename over a target.
size_t CallsUpToTheLastReplace(const std::function<void()> &run) {
  fault::Arm(0, 0);
  run();
  fault::Disarm();
  const std::vector<IoCall> trace = fault::Trace();
  return static_cast<size_t>(std::find(trace.rbegin(), trace.rend(), IoCall::kReplace).base() - trace.begin());
}

struct SaveCase {
  const char *name;
  Bytes photo;
  size_t soundSize;  // 0: no sound file set
};

class SaveUnderFaults : public ::testing::TestWithParam<SaveCase> {};

// For every call of the save, in turn: the call fails with error (or, for
// writes asked with kShortWrite, moves fewer bytes). Returns the tally.
Tally FailEachCall(const SaveCase &c, int error, const IoCall *onlyKind) {
  TempDir dir;
  const std::string name = std::string("t.") + c.name;
  const std::string target = dir.Write(name, c.photo);
  const std::string sound = c.soundSize != 0 ? dir.Write("s.wav", FakeWave(c.soundSize)) : "";
  // What a save without faults writes elsewhere, and the calls of one in place.
  KExifHandle h = LoadEdited(target, sound);
  EXPECT_EQ(kExifSaveFile(h, dir.File("reference").c_str()), 0);
  kExifDestroy(h);
  const Bytes saved = ReadFileBytes(dir.File("reference"));
  h = LoadEdited(target, sound);
  const size_t replaceAt = CallsUpToTheLastReplace([&] { EXPECT_EQ(kExifSaveFile(h, target.c_str()), 0); });
  kExifDestroy(h);
  EXPECT_NE(replaceAt, 0u);

  int32_t result = 0;
  return FailEachCallInTurn(
      [&](uint64_t n) {
        dir.Write(name, c.photo);
        h = LoadEdited(target, sound);
        EXPECT_NE(h, nullptr);
        fault::Arm(n, error, onlyKind);
        result = kExifSaveFile(h, target.c_str());
        fault::Disarm();
      },
      [&](uint64_t n, IoCall kind) {
        // Calls after the replace (the folder's sync) cannot undo it: the
        // save stands, whatever they answer.
        if (RetriedAfterInterruption(error, kind) || (onlyKind == nullptr && n > replaceAt)) {
          EXPECT_EQ(result, 0);
        } else {
          EXPECT_EQ(result, -1);
          EXPECT_EQ(ReadFileBytes(target), c.photo);
          EXPECT_FALSE(HasSaveLeftover(dir.path()));
          // The document keeps its file: the same save now succeeds.
          EXPECT_EQ(kExifSaveFile(h, target.c_str()), 0);
        }
        EXPECT_EQ(ReadFileBytes(target), saved);
        EXPECT_FALSE(HasSaveLeftover(dir.path()));
        kExifDestroy(h);
      },
      [&] {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(ReadFileBytes(target), saved);
        kExifDestroy(h);
      });
}

TEST_P(SaveUnderFaults, FailsCleanlyAtEveryCallAndSucceedsOnRetry) {
  PrintTally(std::string("save ") + GetParam().name + ", errors", FailEachCall(GetParam(), EIO, nullptr));
}

TEST_P(SaveUnderFaults, FailsCleanlyAtEveryShortWrite) {
  const IoCall write = IoCall::kWrite;
  const Tally tally = FailEachCall(GetParam(), kShortWrite, &write);
  EXPECT_GT(tally[static_cast<size_t>(IoCall::kWrite)], 0);
  PrintTally(std::string("save ") + GetParam().name + ", short writes", tally);
}

TEST_P(SaveUnderFaults, RetriesEveryInterruptedCall) {
  PrintTally(std::string("save ") + GetParam().name + ", EINTR", FailEachCall(GetParam(), EINTR, nullptr));
}

INSTANTIATE_TEST_SUITE_P(Files, SaveUnderFaults,
                         ::testing::Values(SaveCase{"Jpeg", SamplePhotoJpeg(false, 300000), 0},
                                           SaveCase{"JpegWithSound", SamplePhotoJpeg(true), 70000},
                                           SaveCase{"Tiff", SampleTiffStructure(false), 0}),
                         [](const auto &info) { return std::string(info.param.name); });

// The temporary file of a save that fails goes, even when its removal is
// interrupted; a removal that fails leaves the target as it was.
TEST(SaveUnderFaults, RemovesItsTemporaryFileThroughAnInterruption) {
  for (const int error : {EINTR, EIO}) {
    TempDir dir;
    const Bytes photo = SamplePhotoJpeg();
    const std::string target = dir.Write("t.jpg", photo);
    const std::string sound = dir.Write("s.wav", FakeWave(1000));
    KExifHandle h = LoadEdited(target, sound);
    std::remove(sound.c_str());  // the save fails after making its file
    const IoCall remove = IoCall::kRemove;
    fault::Arm(1, error, &remove);
    EXPECT_EQ(kExifSaveFile(h, target.c_str()), -1);
    fault::Disarm();
    EXPECT_TRUE(fault::Fired());
    EXPECT_EQ(HasSaveLeftover(dir.path()), error == EIO) << error;
    EXPECT_EQ(ReadFileBytes(target), photo);
    kExifDestroy(h);
  }
}

// A change of owner that is not permitted (the save of a user who is not
// root) still gives the saved file the target's group.
TEST(SaveUnderFaults, KeepsTheTargetsGroupWhenItsOwnerCannotBeSet) {
  TempDir dir;
  const std::string target = dir.Write("t.jpg", SamplePhotoJpeg());
  if (chown(target.c_str(), 4321, 4322) != 0) GTEST_SKIP() << "only root gives a file another owner";
  KExifHandle h = LoadEdited(target, "");
  const IoCall owner = IoCall::kChown;
  fault::Arm(1, EPERM, &owner);
  EXPECT_EQ(kExifSaveFile(h, target.c_str()), 0);
  fault::Disarm();
  EXPECT_TRUE(fault::Fired());
  kExifDestroy(h);
  struct stat info {};
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, geteuid());
  EXPECT_EQ(info.st_gid, 4322u);
}

// Saves the edited targets in one batch, calling arm() before the first
// file call; whether each target was saved.
std::vector<bool> SaveInBatch(const std::vector<std::string> &targets, size_t syncThreads,
                              const std::function<void()> &arm) {
  std::vector<KExifHandle> handles;
  for (const std::string &target : targets) handles.push_back(LoadEdited(target, ""));
  arm();
  SaveBatch batch(syncThreads);
  std::vector<bool> saved;
  std::vector<size_t> waiting;
  for (size_t i = 0; i < targets.size(); ++i) {
    saved.push_back(batch.Add(*ToDocument(handles[i]), targets[i].c_str()) == SaveResult::kSaved);
    if (saved.back()) waiting.push_back(i);
  }
  const std::vector<SaveResult> results = batch.Commit();
  fault::Disarm();
  for (size_t k = 0; k < waiting.size(); ++k) saved[waiting[k]] = results[k] == SaveResult::kSaved;
  for (KExifHandle h : handles) kExifDestroy(h);
  return saved;
}

// Each file call of a batch fails in turn: the save that made it fails and
// leaves its target as it was, the other saves replace theirs, and no
// temporary file stays behind. Calls after the last rename (the folder's
// sync) fail no save.
TEST(SaveBatchUnderFaults, OneFailedCallFailsOneSaveAndTheOthersGoOn) {
  constexpr size_t kFiles = 3;
  const IoCall write = IoCall::kWrite;
  const struct {
    int error;
    const IoCall *onlyKind;
    size_t syncThreads;
  } cases[] = {{EIO, nullptr, 1}, {EIO, nullptr, kFiles}, {ENOSPC, &write, 2}, {kShortWrite, &write, 2}};
  const Bytes photo = SamplePhotoJpeg();
  for (const auto &c : cases) {
    const std::string what = "errno " + std::to_string(c.error) + ", " + std::to_string(c.syncThreads) + " threads";
    SCOPED_TRACE(what);
    TempDir dir;
    std::vector<std::string> targets;
    const auto writeAll = [&] {
      targets.clear();
      for (size_t i = 0; i < kFiles; ++i) targets.push_back(dir.Write("t" + std::to_string(i) + ".jpg", photo));
    };
    writeAll();
    const size_t replaceAt =
        CallsUpToTheLastReplace([&] { SaveInBatch(targets, c.syncThreads, [] { fault::Arm(0, 0); }); });
    ASSERT_NE(replaceAt, 0u);
    const Bytes edited = ReadFileBytes(targets[0]);
    ASSERT_NE(edited, photo);
    std::vector<bool> saved;
    const Tally tally = FailEachCallInTurn(
        [&](uint64_t n) {
          writeAll();
          saved = SaveInBatch(targets, c.syncThreads, [&] { fault::Arm(n, c.error, c.onlyKind); });
        },
        [&](uint64_t n, IoCall) {
          const bool failsOne = c.onlyKind != nullptr || n <= replaceAt;
          EXPECT_EQ(std::count(saved.begin(), saved.end(), false), failsOne ? 1 : 0);
          for (size_t i = 0; i < kFiles; ++i) EXPECT_EQ(ReadFileBytes(targets[i]), saved[i] ? edited : photo) << i;
          EXPECT_FALSE(HasSaveLeftover(dir.path()));
        },
        [&] { EXPECT_EQ(std::count(saved.begin(), saved.end(), true), static_cast<long>(kFiles)); });
    PrintTally("batch of 3, " + what, tally);
  }
}

// Loads and audio outputs: each call in turn fails; the operation fails,
// leaks nothing, and succeeds when repeated.
const Bytes &PhotoWithSound() {
  static const Bytes photo = [] {
    TempDir dir;
    const std::string path = dir.Write("p.jpg", SamplePhotoJpeg());
    KExifHandle h = LoadEdited(path, dir.Write("s.wav", FakeWave(70000)));
    const bool saved = kExifSaveFile(h, path.c_str()) == 0;
    kExifDestroy(h);
    return saved ? ReadFileBytes(path) : Bytes{};
  }();
  return photo;
}

// Opens the photo at path with the editing (or the read-only) family, calls
// watch(), then loads it (when load) or writes its clip to out. 0 on success.
int32_t Operate(bool editing, bool load, const std::string &path, const std::string &out,
                const std::function<void()> &watch) {
  if (load) watch();
  int32_t result = -1;
  if (editing) {
    KExifHandle h = kExifLoadFile(path.c_str());
    if (!load) watch();
    result = load ? (h != nullptr ? 0 : -1) : kExifGetAudioFile(h, out.c_str());
    kExifDestroy(h);
  } else {
    KRExifHandle r = kRExifBeginRead(path.c_str());
    if (!load) watch();
    result = load ? (r != nullptr ? 0 : -1) : kRExifGetAudioFile(r, out.c_str());
    kRExifEndRead(r);
  }
  return result;
}

TEST(OperationsUnderFaults, FailAtEveryCallAndSucceedOnRetry) {
  const Bytes &photo = PhotoWithSound();
  ASSERT_FALSE(photo.empty());
  const Bytes sound = FakeWave(70000);
  const struct {
    const char *name;
    bool editing;
    bool load;  // else writes the clip to a file
  } operations[] = {{"kExifLoadFile", true, true},
                    {"kRExifBeginRead", false, true},
                    {"kExifGetAudioFile", true, false},
                    {"kRExifGetAudioFile", false, false}};
  for (const int error : {EIO, EINTR}) {
    for (const auto &c : operations) {
      const std::string what = std::string(c.name) + ", errno " + std::to_string(error);
      SCOPED_TRACE(what);
      TempDir dir;
      const std::string path = dir.Write("p.jpg", photo);
      const std::string out = dir.File("out.wav");
      int32_t result = 0;
      const Tally tally = FailEachCallInTurn(
          [&](uint64_t n) {
            result = Operate(c.editing, c.load, path, out, [&] { fault::Arm(n, error); });
            fault::Disarm();
          },
          [&](uint64_t, IoCall kind) {
            EXPECT_EQ(result, RetriedAfterInterruption(error, kind) ? 0 : -1);
            std::remove(out.c_str());
            EXPECT_EQ(Operate(c.editing, c.load, path, out, [] {}), 0);
            if (!c.load) {
              EXPECT_EQ(ReadFileBytes(out), sound);
            }
          },
          [] {});
      EXPECT_EQ(ReadFileBytes(path), photo);
      EXPECT_FALSE(HasSaveLeftover(dir.path()));
      PrintTally(what, tally);
    }
  }
}

}  // namespace
}  // namespace kexif::test

#endif
