#include <gtest/gtest.h>

#include <cstring>

#include "stream/byte_stream.h"
#include "stream/memory_stream.h"
#include "stream/owned_stream.h"
#include "stream/stream_window.h"

namespace kexif {
namespace {

struct TenBytes {
  uint8_t block[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  ByteStream *stream = nullptr;
  TenBytes() { EXPECT_EQ(CreateMemoryStream(&stream, block, 10), 1); }
  ~TenBytes() { ReleaseStream(stream); }
};

TEST(MemoryStream, SeeksClampToTheBlockAndReturnWhatTheyMoved) {
  struct Case {
    int32_t from, origin, offset, result, tell;
  } cases[] = {
      {0, kSeekFromStart, 20, 10, 10},    // past the end: clamped
      {7, kSeekFromCurrent, 100, 3, 10},  // the distance moved
      {0, kSeekFromEnd, 5, 0, 10},
      {0, kSeekFromEnd, -3, -3, 7},
      {0, kSeekFromEnd, -20, -10, 0},
      {4, kSeekFromStart, -1, -1, 4},  // never before the block
      {4, kSeekFromCurrent, -9, -4, 0},
      {4, kSeekFromCurrent, -5, -4, 0},  // one before the start
      {0, 7, 3, 3, 0},  // an unknown origin moves nothing
  };
  for (const Case &c : cases) {
    TenBytes m;
    m.stream->Seek(kSeekFromStart, c.from);
    EXPECT_EQ(m.stream->Seek(c.origin, c.offset), c.result) << c.from << " " << c.origin << " " << c.offset;
    EXPECT_EQ(m.stream->Tell(), c.tell) << c.from << " " << c.origin << " " << c.offset;
  }
}

TEST(MemoryStream, ReadsAndWritesStopAtTheEndOfTheBlock) {
  TenBytes m;
  uint8_t buf[10];
  EXPECT_EQ(m.stream->Read(buf, 10), 10);
  EXPECT_EQ(m.stream->AtEnd(), 1);  // as soon as the position reaches the end
  EXPECT_EQ(m.stream->Read(buf, 5), 0);
  m.stream->Seek(kSeekFromStart, 6);
  const uint8_t src[8] = {90, 91, 92, 93, 94, 95, 96, 97};
  EXPECT_EQ(m.stream->Write(src, 8), 4);
  EXPECT_EQ(m.block[6], 90);
  EXPECT_EQ(m.block[9], 93);
  m.stream->Seek(kSeekFromStart, 9);
  EXPECT_EQ(m.stream->Write(src, 8), 1);  // the last byte of the block
  EXPECT_EQ(m.block[9], 90);
}

TEST(StreamFactories, RefuseNullBlocksAndEmptyLengths) {
  uint8_t block[4] = {};
  ByteStream *out = reinterpret_cast<ByteStream *>(0x1);
  EXPECT_EQ(CreateMemoryStream(&out, nullptr, 4), 0);
  EXPECT_EQ(CreateMemoryStream(&out, block, 0), 0);
  EXPECT_EQ(out, reinterpret_cast<ByteStream *>(0x1));
  ByteStream *parent = nullptr;
  ASSERT_EQ(CreateMemoryStream(&parent, block, 4), 1);
  EXPECT_EQ(CreateStreamWindow(&out, parent, 0), 0);
  EXPECT_EQ(CreateStreamWindow(&out, nullptr, 4), 0);
  EXPECT_EQ(out, reinterpret_cast<ByteStream *>(0x1));
  ReleaseStream(parent);
  ReleaseStream(nullptr);
}

TEST(StreamWindow, PositionsCountFromTheWindowStart) {
  uint8_t block[40];
  for (int i = 0; i < 40; ++i) block[i] = static_cast<uint8_t>(i);
  ByteStream *parent = nullptr;
  ASSERT_EQ(CreateMemoryStream(&parent, block, 40), 1);
  const OwnedStream ownedParent(parent);
  parent->Seek(kSeekFromStart, 12);
  ByteStream *window = nullptr;
  ASSERT_EQ(CreateStreamWindow(&window, parent, 10), 1);
  const OwnedStream ownedWindow(window);
  EXPECT_EQ(window->Tell(), 0);
  EXPECT_EQ(window->Seek(kSeekFromStart, 8), 8);
  EXPECT_EQ(parent->Tell(), 20);
  EXPECT_EQ(window->AtEnd(), 0);
  // Reads are not clipped to the window.
  uint8_t buf[6];
  EXPECT_EQ(window->Read(buf, 6), 6);
  EXPECT_EQ(buf[5], 25);
  EXPECT_EQ(window->AtEnd(), 1);
  EXPECT_EQ(window->Size(), 28);
  // What it holds in memory is the parent's block from the window's start.
  const HeldBytes held = window->Held();
  EXPECT_EQ(held.position, 0);
  EXPECT_EQ(held.data, block + 12);
  EXPECT_EQ(held.length, 28);
  // A window opened at the parent's end holds nothing.
  parent->Seek(kSeekFromEnd, 0);
  ByteStream *atEnd = nullptr;
  ASSERT_EQ(CreateStreamWindow(&atEnd, parent, 4), 1);
  EXPECT_EQ(OwnedStream(atEnd)->Size(), 0);
}

}  // namespace
}  // namespace kexif
