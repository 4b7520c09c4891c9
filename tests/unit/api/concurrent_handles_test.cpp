// Distinct handles of both families on eight threads at once. CI runs this
// file under ThreadSanitizer, which reports any data race between them.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "kexif.h"
#include "tests/support/sample_photo.h"
#include "tests/support/loaded_document.h"

namespace kexif::test {
namespace {

constexpr int kThreads = 8;
constexpr int kRounds = 4;
constexpr uint32_t kTagImageDescription = 270;
constexpr uint32_t kTagMake = 271;

// The reader's answer points into the context, which keeps it.
std::string ReaderText(const std::string &path, uint32_t tag) {
  KRExifHandle r = kRExifBeginRead(path.c_str());
  if (r == nullptr) return "<unreadable>";
  TagValue value{};
  std::string text = kRExifGetTag(r, tag, &value) == 0 ? static_cast<const char *>(value.data) : "<none>";
  kRExifEndRead(r);
  return text;
}

// One thread's work: load its own file, query, set a tag, save in place;
// read every other thread's file (which that thread is replacing meanwhile)
// with the read-only family. Returns the number of wrong answers.
int Work(const std::vector<std::string> &files, int me) {
  int wrong = 0;
  for (int round = 0; round < kRounds; ++round) {
    const std::string text = "thread " + std::to_string(me) + " round " + std::to_string(round);
    KExifHandle h = kExifLoadFile(files[me].c_str());
    if (h == nullptr) return wrong + 1;
    wrong += TextOf(h, kTagMake) != "KexifCam";
    wrong += SetText(h, kTagImageDescription, text) != 0;
    wrong += kExifSaveFile(h, files[me].c_str()) != 0;
    kExifDestroy(h);
    wrong += ReaderText(files[me], kTagImageDescription) != text;
    for (int other = 0; other < kThreads; ++other) wrong += ReaderText(files[other], kTagMake) != "KexifCam";
  }
  return wrong;
}

TEST(ConcurrentHandles, EightThreadsEditTheirOwnFilesAndReadEachOthers) {
  TempDir dir;
  std::vector<std::string> files;
  for (int i = 0; i < kThreads; ++i) {
    // JPEG and TIFF files of both byte orders.
    const bool bigEndian = i % 4 >= 2;
    files.push_back(i % 2 == 0 ? dir.Write("photo" + std::to_string(i) + ".jpg", SamplePhotoJpeg(bigEndian, 200000))
                               : dir.Write("photo" + std::to_string(i) + ".tif", SampleTiffStructure(bigEndian)));
  }
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) threads.emplace_back([&, i] { wrong += Work(files, i); });
  for (std::thread &t : threads) t.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace kexif::test
