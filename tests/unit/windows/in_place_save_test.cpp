// Saves onto the file a document was loaded from, as Windows treats them:
// a file open without delete sharing cannot be replaced.
#include <gtest/gtest.h>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/loaded_document.h"
#include "tests/support/sample_photo.h"

namespace kexif::test {
namespace {

constexpr uint32_t kDescription = 270;

// The name in the ANSI code page, as kExifSaveFile takes it; empty when a
// character has no form there.
std::string AnsiName(const std::u16string &wide) {
  const auto *w = reinterpret_cast<const wchar_t *>(wide.c_str());
  BOOL lossy = FALSE;
  const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w, -1, nullptr, 0, nullptr, &lossy);
  if (size <= 0 || lossy) return {};
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w, -1, out.data(), size, nullptr, &lossy);
  out.pop_back();
  return out;
}

// A handle on the file that shares reading only, as another program's
// would; closed with the object.
struct HeldOpen {
  explicit HeldOpen(const std::string &path)
      : handle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~HeldOpen() { Release(); }
  void Release() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
  }
  HANDLE handle;
};

std::string SavedText(const std::string &path) {
  Loaded again(path);
  return again.handle != nullptr ? TextOf(again.handle, kDescription) : "not loaded";
}

struct Photo {
  const char *what;
  Bytes bytes;
  std::string utf8Name;
  bool loadByWideName;
};

const Photo kPhotos[] = {
    {"JPEG", SamplePhotoJpeg(), "a.jpg", false},
    {"TIFF", SampleTiffStructure(true), "a.tif", false},
    {"JPEG loaded by a non-ASCII 16-bit name", SamplePhotoJpeg(), "caf\xC3\xA9-\xC3\xBC.jpg", true},
};

TEST(WindowsInPlaceSave, ReplacesTheLoadedFileThenAnotherSaveFailsLeavingIt) {
  for (const Photo &p : kPhotos) {
    SCOPED_TRACE(p.what);
    TempDir dir;
    const std::u16string wide = Utf16(dir.File(p.utf8Name));
    std::ofstream(std::filesystem::path(wide), std::ios::binary)
        .write(reinterpret_cast<const char *>(p.bytes.data()), static_cast<std::streamsize>(p.bytes.size()));
    const std::string path = p.loadByWideName ? AnsiName(wide) : dir.File(p.utf8Name);
    ASSERT_FALSE(path.empty());
    KExifHandle h = p.loadByWideName ? kExifLoadFile(wide.c_str()) : kExifLoadFile(path.c_str());
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(SetText(h, kDescription, "first"), 0);
    EXPECT_EQ(kExifSaveFile(h, path.c_str()), 0);
    const Bytes saved = ReadFileBytes(path);
    // The source is closed once replaced: a second save has no image
    // bytes to copy and must leave the new file as it is.
    ASSERT_EQ(SetText(h, kDescription, "second"), 0);
    EXPECT_EQ(kExifSaveFile(h, path.c_str()), -1);
    kExifDestroy(h);
    EXPECT_EQ(ReadFileBytes(path), saved);
    EXPECT_EQ(SavedText(path), "first");
    EXPECT_FALSE(HasSaveLeftover(dir.path()));
  }
}

TEST(WindowsInPlaceSave, ReplaceRefusedByAnotherHandleLeavesAllAsItWasAndARetrySucceeds) {
  for (const Photo &p : kPhotos) {
    SCOPED_TRACE(p.what);
    Loaded doc(p.bytes, p.utf8Name);
    ASSERT_NE(doc.handle, nullptr);
    const Bytes before = ReadFileBytes(doc.path);
    ASSERT_EQ(SetText(doc.handle, kDescription, "edited"), 0);
    HeldOpen other(doc.path);
    ASSERT_NE(other.handle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(kExifSaveFile(doc.handle, doc.path.c_str()), -1);
    other.Release();
    EXPECT_EQ(ReadFileBytes(doc.path), before);
    EXPECT_FALSE(HasSaveLeftover(doc.dir.path()));
    // The source was opened again: the next save copies the image from it.
    EXPECT_EQ(kExifSaveFile(doc.handle, doc.path.c_str()), 0);
    EXPECT_EQ(SavedText(doc.path), "edited");
    EXPECT_FALSE(HasSaveLeftover(doc.dir.path()));
  }
}

TEST(WindowsSave, WritesIntoAnotherFolderUnlessTheTargetIsHeldOpen) {
  for (const bool held : {false, true}) {
    SCOPED_TRACE(held ? "target held open" : "target free");
    Loaded doc(SamplePhotoJpeg());
    TempDir other;
    const Bytes old = MakeJpegWithoutExif();
    const std::string target = other.Write("old.jpg", old);
    ASSERT_EQ(SetText(doc.handle, kDescription, "moved"), 0);
    HeldOpen holder(held ? target : other.File("absent"));
    EXPECT_EQ(kExifSaveFile(doc.handle, target.c_str()), held ? -1 : 0);
    holder.Release();
    if (held) {
      EXPECT_EQ(ReadFileBytes(target), old);
    } else {
      EXPECT_EQ(SavedText(target), "moved");
    }
    EXPECT_FALSE(HasSaveLeftover(other.path()));
  }
}

}  // namespace
}  // namespace kexif::test
