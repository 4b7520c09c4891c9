#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/file_open.h"
#include "stream/byte_stream.h"
#include "stream/checked_read.h"
#include "stream/file_stream.h"
#include "stream/owned_stream.h"
#include "tests/support/temp_files.h"

namespace kexif {
namespace {

using test::Bytes;
using test::TempDir;

Bytes Counting(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7);
  return b;
}

// A stream on the named file, or null when it cannot be opened.
OwnedStream Open(const void *name, int32_t mode) {
  ByteStream *s = nullptr;
  return CreateFileStream(&s, name, mode) == 1 ? OwnedStream(s) : nullptr;
}

TEST(FileStream, SeeksFollowTheRuntimeAndOnlyAReadPastTheEndTurnsAtEndOn) {
  TempDir dir;
  OwnedStream s = Open(dir.Write("ten.bin", Counting(10)).c_str(), kOpenRead);
  ASSERT_NE(s, nullptr);
  uint8_t buf[10];
  EXPECT_EQ(s->Read(buf, 10), 10);
  EXPECT_EQ(s->AtEnd(), 0);
  EXPECT_EQ(s->Read(buf, 1), 0);
  EXPECT_NE(s->AtEnd(), 0);
  EXPECT_EQ(s->Seek(kSeekFromStart, 4), 0);
  EXPECT_EQ(s->AtEnd(), 0);  // a seek clears it
  EXPECT_EQ(s->Seek(kSeekFromCurrent, 3), 0);
  EXPECT_EQ(s->Tell(), 7);
  EXPECT_EQ(s->Read(buf, 10), 3);
  EXPECT_NE(s->AtEnd(), 0);
  EXPECT_EQ(s->Seek(kSeekFromEnd, -1), 0);
  EXPECT_EQ(s->Tell(), 9);
  EXPECT_NE(s->Seek(kSeekFromStart, -1), 0);
  EXPECT_EQ(s->Tell(), 9);
  // Past the end is allowed; nothing can be read there.
  EXPECT_EQ(s->Seek(kSeekFromStart, 50), 0);
  EXPECT_EQ(s->Read(buf, 1), 0);
  EXPECT_EQ(s->Size(), 10);
}

TEST(FileStream, ReadsInPiecesStraddlingRefillsAndInLargeBlocksGiveTheFileBytes) {
  TempDir dir;
  const Bytes content = Counting(300000);
  const std::string name = dir.Write("big.bin", content);
  OwnedStream pieces = Open(name.c_str(), kOpenRead);
  ASSERT_NE(pieces, nullptr);
  Bytes got;
  uint8_t piece[3001];
  int32_t n = 0;
  while ((n = pieces->Read(piece, sizeof piece)) > 0) got.insert(got.end(), piece, piece + n);
  EXPECT_EQ(got, content);
  EXPECT_NE(pieces->AtEnd(), 0);
  // Small reads, a seek back into the buffer, then one large read.
  OwnedStream s = Open(name.c_str(), kOpenRead);
  std::fill(got.begin(), got.end(), 0);
  ASSERT_TRUE(ReadExact(*s, got.data(), 1000));
  s->Seek(kSeekFromStart, 10);
  ASSERT_TRUE(ReadExact(*s, got.data() + 10, 65530));
  ASSERT_TRUE(ReadExact(*s, got.data() + 65540, static_cast<int32_t>(content.size() - 65540)));
  EXPECT_EQ(got, content);
  EXPECT_EQ(s->AtEnd(), 0);
}

TEST(FileStream, HoldsTheBufferedBytesAtTheirPositionAlsoSeenThroughAWindow) {
  TempDir dir;
  const Bytes content = Counting(100000);
  const std::string name = dir.Write("held.bin", content);
  OwnedStream s = Open(name.c_str(), kOpenRead);
  EXPECT_EQ(s->Held().length, 0);  // nothing read yet
  s->Seek(kSeekFromStart, 50000);
  uint8_t four[4];
  ASSERT_TRUE(ReadExact(*s, four, 4));
  const HeldBytes held = s->Held();
  ASSERT_GT(held.length, 4);
  EXPECT_EQ(held.position, 50000);
  EXPECT_TRUE(std::equal(held.data, held.data + held.length, content.begin() + 50000));
  // A window that starts before the held bytes sees them further on; one
  // that starts inside them sees the rest of them from its position 0.
  for (const int32_t start : {49990, 50100}) {
    s->Seek(kSeekFromStart, start);
    ByteStream *window = nullptr;
    ASSERT_EQ(CreateStreamWindow(&window, s.get(), 16), 1);
    const HeldBytes seen = OwnedStream(window)->Held();
    EXPECT_EQ(seen.position, std::max(0, 50000 - start));
    EXPECT_EQ(seen.data, held.data + std::max(0, start - 50000));
    EXPECT_EQ(seen.length, held.length - std::max(0, start - 50000));
  }
  // A writing stream holds nothing a reader could take.
  OwnedStream out = Open(dir.File("out.bin").c_str(), kOpenWrite);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->Held().length, 0);
}

TEST(FileStream, BytesAppendedAfterOpeningAreReadAsTheRuntimeWould) {
  TempDir dir;
  const std::string name = dir.Write("grows.bin", {1, 2, 3, 4, 5});
  OwnedStream s = Open(name.c_str(), kOpenRead);
  ASSERT_NE(s, nullptr);
  std::ofstream(name, std::ios::binary | std::ios::app).write("\x06\x07\x08", 3);
  uint8_t buf[10] = {};
  EXPECT_EQ(s->Read(buf, 10), 8);
  EXPECT_EQ(buf[7], 8);
  EXPECT_NE(s->AtEnd(), 0);
}

// Each stream of a thread takes over the read buffer of the one before;
// none of the earlier file's bytes may show through.
TEST(FileStream, StreamsOneAfterAnotherReadOnlyTheirOwnFile) {
  TempDir dir;
  const Bytes large = Counting(200000);
  Bytes small(30000, 0xAB);
  small[29999] = 0xCD;
  const Bytes *files[] = {&large, &small, &large};
  for (const Bytes *bytes : files) {
    OwnedStream s = Open(dir.Write(bytes == &small ? "small.bin" : "large.bin", *bytes).c_str(), kOpenRead);
    ASSERT_NE(s, nullptr);
    Bytes got(bytes->size() + 10);
    ASSERT_EQ(s->Seek(kSeekFromStart, 5), 0);
    EXPECT_EQ(s->Read(got.data(), 3), 3);
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + 3, bytes->begin() + 5));
    ASSERT_EQ(s->Seek(kSeekFromStart, 0), 0);
    EXPECT_EQ(s->Read(got.data(), static_cast<int32_t>(got.size())), static_cast<int32_t>(bytes->size()));
    got.resize(bytes->size());
    EXPECT_EQ(got, *bytes);
  }
}

// Positions are 32-bit: the largest file they reach opens, one byte more
// is refused. The files are sparse.
TEST(FileStream, OpensFilesUpToTheLargestPositionAndRefusesOneByteMore) {
  TempDir dir;
  for (const int64_t size : {int64_t{INT32_MAX}, int64_t{INT32_MAX} + 1}) {
    SCOPED_TRACE(size);
    const std::string name = dir.Write("big.bin", {});
    std::filesystem::resize_file(name, static_cast<uintmax_t>(size));
    OwnedStream s = Open(name.c_str(), kOpenRead);
    ASSERT_EQ(s != nullptr, size == INT32_MAX);
    if (s != nullptr) {
      EXPECT_EQ(s->Size(), size);
    }
  }
}

TEST(FileStream, WritesAndSeeksBackBeforeTheBytesReachAFileNamedIn16Bits) {
  TempDir dir;
  const std::u16string wide = test::Utf16(dir.File("f\xC3\xBC\xE5\x86\x99.bin"));
  OwnedStream w = Open(wide.c_str(), kOpenWrite);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Size(), 0);
  const uint8_t bytes[4] = {9, 8, 7, 6};
  EXPECT_EQ(w->Write(bytes, 4), 4);
  EXPECT_EQ(w->Seek(kSeekFromStart, 1), 0);
  EXPECT_EQ(w->Write(bytes, 1), 1);
  EXPECT_EQ(w->Size(), 4);
  EXPECT_EQ(w->Tell(), 2);
  w.reset();
  OwnedStream r = Open(wide.c_str(), kOpenRead);
  ASSERT_NE(r, nullptr);
  Bytes back(5);
  EXPECT_EQ(r->Read(back.data(), 5), 4);
  EXPECT_EQ(back, (Bytes{9, 9, 7, 6, 0}));
}

// A save closes the source file around the replace of that file and opens
// it again when the replace failed.
TEST(FileStream, AReleasedFileIsTakenBackOnlyWhenItIsTheSameFileOfTheSameSize) {
  const struct {
    const char *what;
    const char *reopened;  // written beside the source, or the source itself
    bool resumed;
  } cases[] = {
      {"the released file", nullptr, true},
      {"another file of the same size", "other.bin", false},
      {"a missing file", "", false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const Bytes bytes = Counting(200000);
    const std::string path = dir.Write("source.bin", bytes);
    OwnedStream s = Open(path.c_str(), kOpenRead);
    ASSERT_NE(s, nullptr);
    auto &file = dynamic_cast<FileStream &>(*s);
    uint8_t head[4];
    ASSERT_EQ(s->Read(head, 4), 4);
    file.ReleaseFile();
    uint8_t far[4];
    EXPECT_EQ(s->Seek(kSeekFromStart, 150000), 0);
    EXPECT_EQ(s->Read(far, 4), 0);  // past the buffer, without a file
    int other = -1;
    if (c.reopened == nullptr) {
      other = OpenNamedDescriptor(path.c_str(), FileOpenMode::kRead);
    } else if (c.reopened[0] != '\0') {
      other = OpenNamedDescriptor(dir.Write(c.reopened, bytes).c_str(), FileOpenMode::kRead);
    }
    EXPECT_EQ(file.ResumeWith(other), c.resumed);
    ASSERT_EQ(s->Seek(kSeekFromStart, 150000), 0);
    EXPECT_EQ(s->Read(far, 4), c.resumed ? 4 : 0);
    if (c.resumed) {
      EXPECT_TRUE(std::equal(far, far + 4, bytes.begin() + 150000));
    }
    EXPECT_EQ(s->Size(), 200000);
  }
}

// A relative 16-bit name reads as a one-character 8-bit name ("o" of
// "out.bin", "C" of "C:\…"): the output goes to the 16-bit name, and a real
// one-character 8-bit name still names its own file.
TEST(FileNames, AnOutputNamedIn16BitsIsNeverCreatedUnderItsFirstLetter) {
  TempDir dir;
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  const uint8_t bytes[2] = {4, 5};
  OwnedStream wide = Open(u"out.bin", kOpenWrite);
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(wide->Write(bytes, 2), 2);
  wide.reset();
  const char narrow[4] = {'x', 0, 0, 0};
  OwnedStream one = Open(narrow, kOpenWrite);
  ASSERT_NE(one, nullptr);
  one.reset();
  std::filesystem::current_path(before);
  EXPECT_EQ(test::ReadFileBytes(dir.File("out.bin")), (Bytes{4, 5}));
  EXPECT_FALSE(std::filesystem::exists(dir.File("o")));
  EXPECT_TRUE(std::filesystem::exists(dir.File("x")));
}

TEST(FileNames, MissingFilesUnpaired16BitSurrogatesAndOverlongNamesFailCleanly) {
  ByteStream *untouched = reinterpret_cast<ByteStream *>(0x2);
  EXPECT_EQ(CreateFileStream(&untouched, "/nonexistent/kexif/none.jpg", kOpenRead), 0);
  EXPECT_EQ(untouched, reinterpret_cast<ByteStream *>(0x2));
  const char16_t loneHigh[] = {u'/', u't', u'm', u'p', u'/', 0xD800, u'x', 0};
  EXPECT_EQ(Open(loneHigh, kOpenRead), nullptr);
  const char16_t loneLow[] = {u'/', 0xDC00, 0};
  EXPECT_EQ(Open(loneLow, kOpenWrite), nullptr);
  std::string out;
  EXPECT_FALSE(WideNameToUtf8(loneHigh, &out));  // a file of that name would simply be missing
  EXPECT_FALSE(WideNameToUtf8(std::u16string(kMaxWideNameUnits + 10, u'a').c_str(), &out));
  EXPECT_TRUE(WideNameToUtf8(u"abc", &out));
  EXPECT_EQ(out, "abc");
}

}  // namespace
}  // namespace kexif
