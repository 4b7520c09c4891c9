// Names the host passes: outputs never overwrite a file the document or
// reader reads, set names are copied, the 16-bit reading never runs past an
// 8-bit name, inputs that are not regular files never block, and every file
// is opened close-on-exec.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "kexif.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/loaded_document.h"
#include "tests/support/sample_photo.h"
#include "tests/support/temp_files.h"

namespace kexif::test {
namespace {

// A block of exactly the bytes of text and its terminator, so that reading
// one byte further is an overflow AddressSanitizer reports.
struct ExactName {
  explicit ExactName(const std::string &text) : bytes(static_cast<char *>(std::malloc(text.size() + 1))) {
    std::memcpy(bytes, text.c_str(), text.size() + 1);
  }
  ~ExactName() { std::free(bytes); }
  char *bytes;
};

// The photo with the wave set as its sound clip, saved as name in dir.
std::string PhotoWithClip(const TempDir &dir, const std::string &name, const Bytes &wave) {
  const std::string photo = dir.Write(name, SamplePhotoJpeg());
  const Loaded doc(photo);
  const bool saved = kExifSetAudioFile(doc.handle, dir.Write(name + ".wav", wave).c_str()) == 0 &&
                     kExifSaveFile(doc.handle, photo.c_str()) == 0;
  return saved ? photo : "";
}

// The clip the reader finds in photo, written to a fresh file.
Bytes ClipOf(const TempDir &dir, const std::string &photo) {
  KRExifHandle r = kRExifBeginRead(photo.c_str());
  const std::string out = dir.File("clip-out.wav");
  const bool written = r != nullptr && kRExifGetAudioFile(r, out.c_str()) == 0;
  kRExifEndRead(r);
  return written ? ReadFileBytes(out) : Bytes{};
}

TEST(OutputFiles, AnOutputNamingAFileBeingReadIsRefusedAndThatFileKept) {
  TempDir dir;
  const Bytes wave = FakeWave(70000, 3);
  const std::string photo = PhotoWithClip(dir, "victim.jpg", wave);
  ASSERT_FALSE(photo.empty());
  const std::string other = dir.Write("other.wav", FakeWave(500, 4));
  ASSERT_EQ(link(photo.c_str(), dir.File("hard-link.jpg").c_str()), 0);
  const Bytes before = ReadFileBytes(photo);

  KExifHandle h = kExifLoadFile(photo.c_str());
  KRExifHandle r = kRExifBeginRead(photo.c_str());
  ASSERT_NE(h, nullptr);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(kExifGetAudioFile(h, photo.c_str()), -1);
  EXPECT_EQ(kExifGetAudioFile(h, dir.File("hard-link.jpg").c_str()), -1);
  EXPECT_EQ(kRExifGetAudioFile(r, photo.c_str()), -1);
  EXPECT_EQ(ReadFileBytes(photo), before);
  // A set sound file is read by the extraction: it is not its output either.
  ASSERT_EQ(kExifSetAudioFile(h, other.c_str()), 0);
  EXPECT_EQ(kExifGetAudioFile(h, other.c_str()), -1);
  EXPECT_EQ(kExifGetAudioFile(h, photo.c_str()), -1);
  EXPECT_EQ(ReadFileBytes(other), FakeWave(500, 4));
  // Another name is written as before.
  EXPECT_EQ(kExifGetAudioFile(h, dir.File("copy.wav").c_str()), 0);
  EXPECT_EQ(ReadFileBytes(dir.File("copy.wav")), FakeWave(500, 4));
  // So is the null device, which has nothing to put on disk.
  EXPECT_EQ(kExifGetAudioFile(h, "/dev/null"), 0);
  EXPECT_EQ(kRExifGetAudioFile(r, "/dev/null"), 0);
  kRExifEndRead(r);
  kExifDestroy(h);
  EXPECT_EQ(ReadFileBytes(photo), before);
}

TEST(SoundFileName, IsCopiedWhenSetUnderBothReadings) {
  TempDir dir;
  const Bytes wanted = FakeWave(900, 1);
  const std::string wave = dir.Write("wanted.wav", wanted);
  dir.Write("decoy.wav", FakeWave(900, 2));
  for (const bool wide : {false, true}) {
    SCOPED_TRACE(wide ? "16-bit name" : "8-bit name");
    const std::string photo = dir.Write("p.jpg", SamplePhotoJpeg());
    const Loaded doc(photo);
    ASSERT_NE(doc.handle, nullptr);
    const std::u16string units = Utf16(wave);
    const size_t size = wide ? (units.size() + 1) * 2 : wave.size() + 1;
    void *name = std::malloc(size);
    std::memcpy(name, wide ? static_cast<const void *>(units.c_str()) : wave.c_str(), size);
    ASSERT_EQ(kExifSetAudioFile(doc.handle, name), 0);
    // The freed block is taken again by a name of another file.
    std::free(name);
    ExactName decoy(dir.File("decoy.wav"));
    EXPECT_EQ(kExifSaveFile(doc.handle, photo.c_str()), 0);
    EXPECT_EQ(ClipOf(dir, photo), wanted);
  }
}

TEST(SixteenBitNames, AreReadOnlyWhenTheBytesShowOne) {
  TempDir dir;
  const std::string photo = dir.Write("p.jpg", SamplePhotoJpeg());
  const std::string clipPhoto = PhotoWithClip(dir, "c.jpg", FakeWave(300));
  ASSERT_FALSE(clipPhoto.empty());
  const std::string cwd = std::filesystem::current_path();
  ASSERT_EQ(chdir(dir.path().c_str()), 0);
  const size_t before = std::distance(std::filesystem::directory_iterator("."), {});
  // Latin-1 names, exactly allocated: a missing file, an output in a
  // missing folder.
  const ExactName missing(dir.File("missing-caf\xe9.jpg"));
  const ExactName noFolder("/no/such/dir/caf\xe9.wav");
  EXPECT_EQ(kExifLoadFile(missing.bytes), nullptr);
  EXPECT_EQ(kRExifBeginRead(missing.bytes), nullptr);
  KRExifHandle r = kRExifBeginRead(clipPhoto.c_str());
  KExifHandle h = kExifLoadFile(photo.c_str());
  EXPECT_EQ(kRExifGetAudioFile(r, noFolder.bytes), -1);
  EXPECT_EQ(kExifSetAudioFile(h, missing.bytes), -1);
  EXPECT_EQ(static_cast<size_t>(std::distance(std::filesystem::directory_iterator("."), {})), before);
  // A real 16-bit name still opens, also where its 8-bit reading names a
  // folder ("/") or a missing file ("p").
  for (const std::string &name : {photo, std::string("p.jpg")}) {
    const std::u16string wide = Utf16(name);
    KExifHandle w = kExifLoadFile(wide.c_str());
    EXPECT_NE(w, nullptr) << name;
    kExifDestroy(w);
  }
  kExifDestroy(h);
  kRExifEndRead(r);
  ASSERT_EQ(chdir(cwd.c_str()), 0);
}

TEST(InputFiles, AFifoOrADeviceIsRefusedAtOnce) {
  TempDir dir;
  const std::string fifo = dir.File("f.jpg");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
  const Loaded doc(SamplePhotoJpeg(), "p.jpg");
  alarm(30);  // a blocked open ends the test program
  for (const char *name : {fifo.c_str(), "/dev/zero"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(kExifLoadFile(name), nullptr);
    EXPECT_EQ(kRExifBeginRead(name), nullptr);
    EXPECT_EQ(kExifSetAudioFile(doc.handle, name), -1);
  }
  alarm(0);
}

// Whether every descriptor of this process open on path is close-on-exec;
// false when none is open on it.
bool AllCloseOnExec(const std::string &path) {
  int found = 0;
  for (const auto &entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (std::filesystem::read_symlink(entry.path(), error) != path) continue;
    const int flags = fcntl(std::stoi(entry.path().filename().string()), F_GETFD);
    if (flags < 0 || (flags & FD_CLOEXEC) == 0) return false;
    ++found;
  }
  return found > 0;
}

TEST(OpenFiles, AreClosedOnExec) {
  TempDir dir;
  const std::string photo = dir.Write("p.jpg", SamplePhotoJpeg());
  KExifHandle h = kExifLoadFile(photo.c_str());
  EXPECT_TRUE(AllCloseOnExec(photo));
  kExifDestroy(h);
  KRExifHandle r = kRExifBeginRead(photo.c_str());
  EXPECT_TRUE(AllCloseOnExec(photo));
  kRExifEndRead(r);
}

}  // namespace
}  // namespace kexif::test
