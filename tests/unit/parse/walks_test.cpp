#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parse/diagnostics.h"
#include "parse/iptc_records.h"
#include "parse/photoshop_resources.h"
#include "stream/memory_stream.h"
#include "stream/stream_window.h"
#include "tests/support/tiff_builder.h"

namespace kexif::test {
namespace {

std::vector<std::string> g_lines;

void Collect(const char *line) { g_lines.emplace_back(line); }

// Collects the diagnostic lines composed while it lives.
struct Listening {
  Listening() {
    g_lines.clear();
    SetDiagnosticHook(Collect);
  }
  ~Listening() { SetDiagnosticHook(nullptr); }
};

std::vector<std::string> WalkIptc(Bytes bytes) {
  Listening listening;
  MemoryStream s(bytes.data(), static_cast<int32_t>(bytes.size()));
  EXPECT_EQ(ParseIptc(s), 1);
  return g_lines;
}

std::vector<std::string> WalkPhotoshop(Bytes bytes) {
  Listening listening;
  MemoryStream s(bytes.data(), static_cast<int32_t>(bytes.size()));
  StreamWindow window(&s, static_cast<int32_t>(bytes.size()));
  EXPECT_EQ(ParsePhotoshopResources(window), 1);
  return g_lines;
}

TEST(IptcWalk, WalksRecordsUpToTheFirstByteOtherThan1C) {
  const Bytes data = {0x1C, 2, 5, 0, 4, 'a', 'b', 'c', 'd', 0x1C, 2, 0x19, 0, 3, 'x', 'y', 'z', 0x00, 0x1C, 2, 1, 0, 0};
  EXPECT_EQ(WalkIptc(data), (std::vector<std::string>{"IPTC-2:05 len=4 value=abcd\n", "IPTC-2:25 len=3 value=xyz\n"}));
}

TEST(IptcWalk, StopsAtTheEndOfDataAndAtHeadersOrValuesCutShort) {
  EXPECT_EQ(WalkIptc({0x1C, 2, 5, 0, 1, 'a'}).size(), 1u);
  EXPECT_EQ(WalkIptc({0x1C, 2, 5, 0, 1, 'a', 0x1C, 2}).size(), 1u);
  EXPECT_EQ(WalkIptc({0x1C, 2, 5, 0, 9, 'a', 'b'}).size(), 0u);
}

TEST(PhotoshopWalk, SlidesOverAStrayByteAndWalksNamesOfLengthZeroAndThree) {
  const Bytes data = {0x77,                                                  // stray byte
                      '8', 'B', 'I', 'M', 0x04, 0x04, 0, 0, 0, 0, 0, 3,      // no name: length byte + pad
                      '8', 'B', 'I', 0,                                      // 3 data bytes + pad
                      '8', 'B', 'I', 'M', 0, 1, 3, 'a', 'b', 'c', 0, 0, 0, 2, 'x', 'y'};
  EXPECT_EQ(WalkPhotoshop(data),
            (std::vector<std::string>{"8BIM 1028 [0404] size=3\n", "8BIM 1 [0001] size=2 name=[abc]\n"}));
}

TEST(PhotoshopWalk, StopsAtASizeThatWouldMoveBackwardsAndAtDataCutShort) {
  const Bytes backwards = {'8', 'B', 'I', 'M', 0, 1, 0, 0, 0x80, 0, 0, 0,
                           '8', 'B', 'I', 'M', 0, 2, 0, 0, 0, 0, 0, 0};
  EXPECT_TRUE(WalkPhotoshop(backwards).empty());
  EXPECT_TRUE(WalkPhotoshop({'8', 'B', 'I', 'M', 0, 1, 5, 'a'}).empty());
  EXPECT_TRUE(WalkPhotoshop({'x', '8', 'B'}).empty());
}

}  // namespace
}  // namespace kexif::test
