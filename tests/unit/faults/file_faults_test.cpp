// Every file call of a save, a load and an audio output made to fail in
// turn: the operation reports the failure, the target keeps its bytes, no
// temporary file stays behind, and the same operation succeeds once the
// fault is gone. Interruptions are retried where the runtime reports them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "kexif.h"
#include "model/exif_constants.h"
#include "api/document_handle.h"
#include "platform/fault_injection.h"
#include "save/save_batch.h"
#include "tests/support/sample_photo.h"
#include "tests/support/temp_files.h"

#ifdef KEXIF_FAULT_INJECTION

namespace kexif::test {
namespace {

constexpr uint32_t kImageDescription = 270;
constexpr std::array<const char *, kIoCallKinds> kKindNames = {
    "open", "read", "write", "flush", "sync", "close", "replace", "chmod", "chown", "remove"};

// Whether an interruption of the call is retried: not for a flush or a
// close (whose state after one is unspecified), a change of owner (its
// failure is passed over) or a rename (the system does not report one).
bool RetriedAfterInterruption(int error, IoCall kind) {
  return error == EINTR && kind != IoCall::kFlush && kind != IoCall::kClose && kind != IoCall::kChown &&
         kind != IoCall::kReplace;
}

// Injected failures per kind of call, printed once per case.
struct Tally {
  std::array<int, kIoCallKinds> counts{};
  void Add(IoCall kind) { ++counts[static_cast<size_t>(kind)]; }
  std::string Text() const {
    std::string text;
    for (size_t i = 0; i < kIoCallKinds; ++i) {
      if (counts[i] != 0) text += std::string(kKindNames[i]) + "=" + std::to_string(counts[i]) + " ";
    }
    return text;
  }
};

// A RIFF WAVE file of the given total size.
Bytes SoundFile(size_t size) {
  Bytes bytes(size, 0x5A);
  const uint32_t riff = static_cast<uint32_t>(size - 8);
  std::memcpy(bytes.data(), "RIFF", 4);
  for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<uint8_t>(riff >> (8 * i));
  std::memcpy(bytes.data() + 8, "WAVEfmt ", 8);
  return bytes;
}

// Loads path and edits it as every run of a case does; null on failure.
KExifHandle LoadEdited(const std::string &path, const std::string &sound) {
  KExifHandle h = kExifLoadFile(path.c_str());
  static char text[] = "edited under faults";
  TagValue value{kTypeAscii, sizeof text, text};
  if (h != nullptr && kExifSetTag(h, kImageDescription, &value, 0) != 0) {
    kExifDestroy(h);
    return nullptr;
  }
  if (h != nullptr && !sound.empty() && kExifSetAudioFile(h, sound.c_str()) != 0) {
    kExifDestroy(h);
    return nullptr;
  }
  return h;
}

// The kinds of the calls one run makes, without a fault.
std::vector<IoCall> TraceOf(const std::function<void()> &run) {
  fault::Arm(0, 0);
  run();
  fault::Disarm();
  return fault::Trace();
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
  const std::string target = dir.Write(std::string("t.") + c.name, c.photo);
  const std::string sound = c.soundSize != 0 ? dir.Write("s.wav", SoundFile(c.soundSize)) : "";
  // What a save without faults writes.
  const std::string reference = dir.File("reference");
  KExifHandle h = LoadEdited(target, sound);
  EXPECT_EQ(kExifSaveFile(h, reference.c_str()), 0);
  kExifDestroy(h);
  const Bytes saved = ReadFileBytes(reference);
  std::remove(reference.c_str());

  // Calls after the replace (the folder's sync) cannot undo it: the save
  // stands, whatever they answer.
  h = LoadEdited(target, sound);
  const std::vector<IoCall> trace = TraceOf([&] { EXPECT_EQ(kExifSaveFile(h, target.c_str()), 0); });
  kExifDestroy(h);
  dir.Write(std::string("t.") + c.name, c.photo);
  size_t replaceAt = 0;
  for (size_t i = 0; i < trace.size(); ++i) {
    if (trace[i] == IoCall::kReplace) replaceAt = i + 1;
  }
  EXPECT_NE(replaceAt, 0u);

  Tally tally;
  for (uint64_t n = 1;; ++n) {
    h = LoadEdited(target, sound);
    EXPECT_NE(h, nullptr);
    fault::Arm(n, error, onlyKind);
    const int32_t result = kExifSaveFile(h, target.c_str());
    fault::Disarm();
    IoCall kind{};
    if (!fault::Fired(&kind)) {  // past the last call: the save is done
      EXPECT_EQ(result, 0);
      EXPECT_EQ(ReadFileBytes(target), saved);
      kExifDestroy(h);
      break;
    }
    tally.Add(kind);
    const bool retried = RetriedAfterInterruption(error, kind);
    const bool afterReplace = onlyKind == nullptr && n > replaceAt;
    SCOPED_TRACE(std::string(c.name) + " call " + std::to_string(n) + " " + kKindNames[static_cast<size_t>(kind)]);
    if (retried || afterReplace) {
      EXPECT_EQ(result, 0);
      EXPECT_EQ(ReadFileBytes(target), saved);
    } else {
      EXPECT_EQ(result, -1);
      EXPECT_EQ(ReadFileBytes(target), c.photo);
      EXPECT_FALSE(HasSaveLeftover(dir.path()));
      // The document keeps its file: the same save now succeeds.
      EXPECT_EQ(kExifSaveFile(h, target.c_str()), 0);
      EXPECT_EQ(ReadFileBytes(target), saved);
    }
    EXPECT_FALSE(HasSaveLeftover(dir.path()));
    kExifDestroy(h);
    dir.Write(std::string("t.") + c.name, c.photo);
    if (::testing::Test::HasFailure()) break;
  }
  return tally;
}

TEST_P(SaveUnderFaults, FailsCleanlyAtEveryCallAndSucceedsOnRetry) {
  std::printf("[ faults ] save %s, errors: %s\n", GetParam().name, FailEachCall(GetParam(), EIO, nullptr).Text().c_str());
}

TEST_P(SaveUnderFaults, FailsCleanlyAtEveryShortWrite) {
  const IoCall write = IoCall::kWrite;
  const Tally tally = FailEachCall(GetParam(), kShortWrite, &write);
  EXPECT_GT(tally.counts[static_cast<size_t>(IoCall::kWrite)], 0);
  std::printf("[ faults ] save %s, short writes: %s\n", GetParam().name, tally.Text().c_str());
}

TEST_P(SaveUnderFaults, RetriesEveryInterruptedCall) {
  std::printf("[ faults ] save %s, EINTR: %s\n", GetParam().name, FailEachCall(GetParam(), EINTR, nullptr).Text().c_str());
}

INSTANTIATE_TEST_SUITE_P(Files, SaveUnderFaults,
                         ::testing::Values(SaveCase{"jpg", SamplePhotoJpeg(false, 300000), 0},
                                           SaveCase{"sound.jpg", SamplePhotoJpeg(true), 70000},
                                           SaveCase{"tif", SampleTiffStructure(false), 0}),
                         [](const auto &info) {
                           const std::string name = info.param.name;
                           return name == "jpg" ? std::string("Jpeg") : name == "tif" ? std::string("Tiff") : std::string("JpegWithSound");
                         });

// The temporary file of a save that fails goes, even when its removal is
// interrupted; a removal that fails leaves the target as it was.
TEST(SaveUnderFaults, RemovesItsTemporaryFileThroughAnInterruption) {
  const struct {
    int error;
    bool leftover;
  } cases[] = {{EINTR, false}, {EIO, true}};
  for (const auto &c : cases) {
    TempDir dir;
    const Bytes photo = SamplePhotoJpeg();
    const std::string target = dir.Write("t.jpg", photo);
    const std::string sound = dir.Write("s.wav", SoundFile(1000));
    KExifHandle h = LoadEdited(target, sound);
    std::remove(sound.c_str());  // the save fails after making its file
    const IoCall remove = IoCall::kRemove;
    fault::Arm(1, c.error, &remove);
    EXPECT_EQ(kExifSaveFile(h, target.c_str()), -1);
    fault::Disarm();
    EXPECT_TRUE(fault::Fired());
    EXPECT_EQ(HasSaveLeftover(dir.path()), c.leftover) << c.error;
    EXPECT_EQ(ReadFileBytes(target), photo);
    kExifDestroy(h);
  }
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
    TempDir dir;
    std::vector<std::string> targets;
    for (size_t i = 0; i < kFiles; ++i) targets.push_back(dir.Write("t" + std::to_string(i) + ".jpg", photo));
    SaveInBatch(targets, c.syncThreads, [] { fault::Arm(0, 0); });
    const std::vector<IoCall> trace = fault::Trace();
    const Bytes edited = ReadFileBytes(targets[0]);
    ASSERT_NE(edited, photo);
    const size_t replaceAt = static_cast<size_t>(std::find(trace.rbegin(), trace.rend(), IoCall::kReplace).base() - trace.begin());
    ASSERT_NE(replaceAt, 0u);
    Tally tally;
    for (uint64_t n = 1;; ++n) {
      for (size_t i = 0; i < kFiles; ++i) dir.Write("t" + std::to_string(i) + ".jpg", photo);
      const std::vector<bool> saved = SaveInBatch(targets, c.syncThreads, [&] { fault::Arm(n, c.error, c.onlyKind); });
      IoCall kind{};
      if (!fault::Fired(&kind)) {
        EXPECT_EQ(std::count(saved.begin(), saved.end(), true), static_cast<long>(kFiles));
        break;
      }
      tally.Add(kind);
      SCOPED_TRACE("errno " + std::to_string(c.error) + ", " + std::to_string(c.syncThreads) + " threads, call " +
                   std::to_string(n) + " " + kKindNames[static_cast<size_t>(kind)]);
      const bool failsOne = c.onlyKind != nullptr || n <= replaceAt;
      EXPECT_EQ(std::count(saved.begin(), saved.end(), false), failsOne ? 1 : 0);
      for (size_t i = 0; i < kFiles; ++i) EXPECT_EQ(ReadFileBytes(targets[i]), saved[i] ? edited : photo) << i;
      EXPECT_FALSE(HasSaveLeftover(dir.path()));
      if (::testing::Test::HasFailure()) break;
    }
    std::printf("[ faults ] batch of %zu, errno %d: %s\n", kFiles, c.error, tally.Text().c_str());
  }
}

// Loads and audio outputs: each call in turn fails; the operation fails,
// leaks nothing, and succeeds when repeated.
const Bytes &PhotoWithSound() {
  static const Bytes photo = [] {
    TempDir dir;
    const std::string path = dir.Write("p.jpg", SamplePhotoJpeg());
    KExifHandle h = LoadEdited(path, dir.Write("s.wav", SoundFile(70000)));
    const bool saved = kExifSaveFile(h, path.c_str()) == 0;
    kExifDestroy(h);
    return saved ? ReadFileBytes(path) : Bytes{};
  }();
  return photo;
}

// Runs an operation on the photo at path with the output name out; it
// calls watch() just before the call under watch. 0 on success.
using Operation = std::function<int32_t(const std::string &path, const std::string &out,
                                        const std::function<void()> &watch)>;

struct OperationCase {
  const char *name;
  Operation run;
  bool writes;  // makes the output file
};

const OperationCase kOperations[] = {
    {"kExifLoadFile",
     [](const std::string &path, const std::string &, const std::function<void()> &watch) {
       watch();
       KExifHandle h = kExifLoadFile(path.c_str());
       kExifDestroy(h);
       return h != nullptr ? 0 : -1;
     },
     false},
    {"kRExifBeginRead",
     [](const std::string &path, const std::string &, const std::function<void()> &watch) {
       watch();
       KRExifHandle r = kRExifBeginRead(path.c_str());
       kRExifEndRead(r);
       return r != nullptr ? 0 : -1;
     },
     false},
    {"kExifGetAudioFile",
     [](const std::string &path, const std::string &out, const std::function<void()> &watch) {
       KExifHandle h = kExifLoadFile(path.c_str());
       watch();
       const int32_t result = kExifGetAudioFile(h, out.c_str());
       kExifDestroy(h);
       return result;
     },
     true},
    {"kRExifGetAudioFile",
     [](const std::string &path, const std::string &out, const std::function<void()> &watch) {
       KRExifHandle r = kRExifBeginRead(path.c_str());
       watch();
       const int32_t result = kRExifGetAudioFile(r, out.c_str());
       kRExifEndRead(r);
       return result;
     },
     true},
};

TEST(OperationsUnderFaults, FailAtEveryCallAndSucceedOnRetry) {
  const Bytes &photo = PhotoWithSound();
  ASSERT_FALSE(photo.empty());
  const Bytes sound = SoundFile(70000);
  for (const int error : {EIO, EINTR}) {
    for (const OperationCase &c : kOperations) {
      TempDir dir;
      const std::string path = dir.Write("p.jpg", photo);
      const std::string out = dir.File("out.wav");
      Tally tally;
      for (uint64_t n = 1;; ++n) {
        const int32_t result = c.run(path, out, [&] { fault::Arm(n, error); });
        fault::Disarm();
        IoCall kind{};
        if (!fault::Fired(&kind)) break;
        tally.Add(kind);
        SCOPED_TRACE(std::string(c.name) + " call " + std::to_string(n) + " " +
                     kKindNames[static_cast<size_t>(kind)] + " errno " + std::to_string(error));
        const bool retried = RetriedAfterInterruption(error, kind);
        EXPECT_EQ(result, retried ? 0 : -1);
        std::remove(out.c_str());
        EXPECT_EQ(c.run(path, out, [] {}), 0);
        if (c.writes) {
          EXPECT_EQ(ReadFileBytes(out), sound);
        }
        if (::testing::Test::HasFailure()) break;
      }
      EXPECT_EQ(ReadFileBytes(path), photo);
      EXPECT_FALSE(HasSaveLeftover(dir.path()));
      std::printf("[ faults ] %s, errno %d: %s\n", c.name, error, tally.Text().c_str());
    }
  }
}

}  // namespace
}  // namespace kexif::test

#endif
