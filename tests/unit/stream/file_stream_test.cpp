#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/file_open.h"
#include "stream/byte_stream.h"
#include "stream/checked_read.h"
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

TEST(FileStream, AtEndTurnsOnOnlyAfterAReadPastTheEnd) {
  TempDir dir;
  const std::string name = dir.Write("five.bin", {1, 2, 3, 4, 5});
  ByteStream *s = nullptr;
  ASSERT_EQ(CreateFileStream(&s, name.c_str(), kOpenRead), 1);
  uint8_t buf[5];
  EXPECT_EQ(s->Read(buf, 5), 5);
  EXPECT_EQ(s->AtEnd(), 0);
  EXPECT_EQ(s->Read(buf, 1), 0);
  EXPECT_NE(s->AtEnd(), 0);
  // A successful seek clears the indicator, as the runtime's does.
  EXPECT_EQ(s->Seek(kSeekFromStart, 2), 0);
  EXPECT_EQ(s->AtEnd(), 0);
  EXPECT_EQ(s->Read(buf, 10), 3);
  EXPECT_NE(s->AtEnd(), 0);
  ReleaseStream(s);
}

TEST(FileStream, SeekResultsFollowTheRuntime) {
  TempDir dir;
  const std::string name = dir.Write("ten.bin", Counting(10));
  ByteStream *s = nullptr;
  ASSERT_EQ(CreateFileStream(&s, name.c_str(), kOpenRead), 1);
  EXPECT_EQ(s->Seek(kSeekFromStart, 4), 0);
  EXPECT_EQ(s->Tell(), 4);
  EXPECT_EQ(s->Seek(kSeekFromCurrent, 3), 0);
  EXPECT_EQ(s->Tell(), 7);
  EXPECT_EQ(s->Seek(kSeekFromEnd, -1), 0);
  EXPECT_EQ(s->Tell(), 9);
  EXPECT_NE(s->Seek(kSeekFromStart, -1), 0);
  EXPECT_EQ(s->Tell(), 9);
  // Past the end is allowed; nothing can be read there.
  EXPECT_EQ(s->Seek(kSeekFromStart, 50), 0);
  uint8_t b;
  EXPECT_EQ(s->Read(&b, 1), 0);
  EXPECT_EQ(s->Size(), 10);
  ReleaseStream(s);
}

TEST(FileStream, ReadsAcrossBufferRefillsAndLargeBlocksGiveTheFileBytes) {
  TempDir dir;
  const Bytes content = Counting(300000);
  const std::string name = dir.Write("big.bin", content);
  ByteStream *s = nullptr;
  ASSERT_EQ(CreateFileStream(&s, name.c_str(), kOpenRead), 1);
  Bytes got(content.size());
  // Small reads, a seek back into the buffer, then one large read.
  ASSERT_TRUE(ReadExact(*s, got.data(), 1000));
  s->Seek(kSeekFromStart, 10);
  ASSERT_TRUE(ReadExact(*s, got.data() + 10, 65530));
  ASSERT_TRUE(ReadExact(*s, got.data() + 65540, static_cast<int32_t>(content.size() - 65540)));
  EXPECT_EQ(got, content);
  EXPECT_EQ(s->AtEnd(), 0);
  ReleaseStream(s);
}

TEST(FileStream, PiecesStraddlingEveryRefillGiveTheFileBytesAndEndExactly) {
  TempDir dir;
  const Bytes content = Counting(300000);
  const std::string name = dir.Write("pieces.bin", content);
  ByteStream *s = nullptr;
  ASSERT_EQ(CreateFileStream(&s, name.c_str(), kOpenRead), 1);
  Bytes got;
  uint8_t piece[3001];
  int32_t n = 0;
  while ((n = s->Read(piece, sizeof piece)) > 0) got.insert(got.end(), piece, piece + n);
  EXPECT_EQ(got, content);
  EXPECT_NE(s->AtEnd(), 0);
  ReleaseStream(s);
}

TEST(FileStream, BytesAppendedAfterOpeningAreReadAsTheRuntimeWould) {
  TempDir dir;
  const std::string name = dir.Write("grows.bin", {1, 2, 3, 4, 5});
  ByteStream *s = nullptr;
  ASSERT_EQ(CreateFileStream(&s, name.c_str(), kOpenRead), 1);
  {
    std::ofstream more(name, std::ios::binary | std::ios::app);
    more.write("\x06\x07\x08", 3);
  }
  uint8_t buf[10] = {};
  EXPECT_EQ(s->Read(buf, 10), 8);
  EXPECT_EQ(buf[7], 8);
  EXPECT_NE(s->AtEnd(), 0);
  ReleaseStream(s);
}

TEST(FileStream, WritesAndReadsBackThroughTheSameName) {
  TempDir dir;
  const std::string name = dir.File("out.bin");
  ByteStream *w = nullptr;
  ASSERT_EQ(CreateFileStream(&w, name.c_str(), kOpenWrite), 1);
  const uint8_t bytes[4] = {9, 8, 7, 6};
  EXPECT_EQ(w->Write(bytes, 4), 4);
  EXPECT_EQ(w->Seek(kSeekFromStart, 1), 0);
  EXPECT_EQ(w->Write(bytes, 1), 1);
  EXPECT_EQ(w->Tell(), 2);
  ReleaseStream(w);
  EXPECT_EQ(test::ReadFileBytes(name), (Bytes{9, 9, 7, 6}));
}

TEST(FileStream, MissingFileFailsAndLeavesOutUnchanged) {
  ByteStream *s = reinterpret_cast<ByteStream *>(0x2);
  EXPECT_EQ(CreateFileStream(&s, "/nonexistent/kexif/none.jpg", kOpenRead), 0);
  EXPECT_EQ(s, reinterpret_cast<ByteStream *>(0x2));
}

TEST(FileNames, A16BitNameOpensAfterThe8BitAttemptFails) {
  TempDir dir;
  const std::string name = dir.Write("f\xC3\xBC\xE5\x86\x99.bin", {1, 2, 3});
  const std::u16string wide = test::Utf16(name);
  ByteStream *s = nullptr;
  ASSERT_EQ(CreateFileStream(&s, wide.c_str(), kOpenRead), 1);
  uint8_t buf[3];
  EXPECT_EQ(s->Read(buf, 3), 3);
  EXPECT_EQ(buf[2], 3);
  ReleaseStream(s);
}

TEST(FileNames, A16BitNameCreatesTheFileForWriting) {
  TempDir dir;
  const std::string name = dir.File("w\xE5\x86\x99.bin");
  const std::u16string wide = test::Utf16(name);
  ByteStream *s = nullptr;
  ASSERT_EQ(CreateFileStream(&s, wide.c_str(), kOpenWrite), 1);
  ReleaseStream(s);
  EXPECT_TRUE(test::FileExists(name));
}

TEST(FileNames, AnUnpairedSurrogateFailsCleanly) {
  const char16_t name[] = {u'/', u't', u'm', u'p', u'/', 0xD800, u'x', 0};
  ByteStream *s = nullptr;
  EXPECT_EQ(CreateFileStream(&s, name, kOpenRead), 0);
  const char16_t lone_low[] = {u'/', 0xDC00, 0};
  EXPECT_EQ(CreateFileStream(&s, lone_low, kOpenWrite), 0);
}

TEST(FileNames, AFailed8BitWriteDoesNotCreateAStrayFile) {
  TempDir dir;
  // The 16-bit reading of these bytes would name a file in the working
  // directory; a plain 8-bit name is never retried that way.
  const std::string missing = dir.File("no-such-folder/out.wav");
  ByteStream *s = nullptr;
  EXPECT_EQ(CreateFileStream(&s, missing.c_str(), kOpenWrite), 0);
  EXPECT_TRUE(LooksLikeNarrowName(missing.c_str()));
  EXPECT_FALSE(LooksLikeNarrowName(reinterpret_cast<const char *>(u"/tmp/x")));
}

TEST(FileNames, A16BitReadingStopsAtTheLengthBound) {
  std::u16string longName(kMaxWideNameUnits + 10, u'a');
  std::string out;
  EXPECT_FALSE(WideNameToUtf8(longName.c_str(), &out));
  EXPECT_TRUE(WideNameToUtf8(u"abc", &out));
  EXPECT_EQ(out, "abc");
}

}  // namespace
}  // namespace kexif
