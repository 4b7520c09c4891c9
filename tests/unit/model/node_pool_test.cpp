#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "model/node_pool.h"
#include "model/nodes.h"

namespace kexif {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPooled = false;
#else
constexpr bool kPooled = true;
#endif

TEST(NodePool, AFreedNodeIsReusedByTheNextNodeOfItsSizeOnTheSameThread) {
  if (!kPooled) GTEST_SKIP() << "the pool is compiled out under AddressSanitizer";
  // Earlier tests may have filled this thread's list up to its cap; the
  // first node takes a kept block, so its own block always finds room.
  auto *first = new TagNode;
  const void *place = first;
  const std::size_t keptBefore = KeptNodeBlocks();
  delete first;
  EXPECT_EQ(KeptNodeBlocks(), keptBefore + 1);
  auto *second = new (std::nothrow) TagNode;
  EXPECT_EQ(static_cast<const void *>(second), place);
  EXPECT_EQ(second->data, nullptr);  // a reused block is constructed afresh
  EXPECT_EQ(second->Shape(), NodeShape::kTag);
  delete second;
}

// A document may be built on one thread and destroyed on another; the
// destroying thread keeps at most a bounded number of blocks, and gives
// them back when it ends (the sanitizer and valgrind runs see no leak).
TEST(NodePool, NodesFreedOnAnotherThreadAreKeptThereUpToACap) {
  std::vector<std::unique_ptr<MetaNode>> nodes;
  for (int i = 0; i < 2000; ++i) nodes.emplace_back(i % 2 == 0 ? new MetaNode : new SegmentNode(kMarkerApp1, 4, 0));
  std::size_t keptThere = 0;
  std::thread other([&] {
    nodes.clear();
    keptThere = KeptNodeBlocks();
  });
  other.join();
  if (kPooled) {
    EXPECT_GT(keptThere, 0u);
    EXPECT_LE(keptThere, 2u * 512u);  // two sizes, each capped
    EXPECT_LT(keptThere, 2000u);
  } else {
    EXPECT_EQ(keptThere, 0u);
  }
}

TEST(NodePool, AsTagNodeAndAsSegmentNodeAnswerByTheNodesClass) {
  TagNode tag;
  SegmentNode segment(kMarkerApp1, 4, 0);
  MetaNode plain;
  BlobNode blob;
  EXPECT_EQ(AsTagNode(static_cast<MetaNode *>(&tag)), &tag);
  EXPECT_EQ(AsSegmentNode(static_cast<MetaNode *>(&segment)), &segment);
  for (MetaNode *other : {static_cast<MetaNode *>(&segment), &plain, static_cast<MetaNode *>(&blob)}) {
    EXPECT_EQ(AsTagNode(other), nullptr);
  }
  for (const MetaNode *other : {static_cast<const MetaNode *>(&tag), static_cast<const MetaNode *>(&plain)}) {
    EXPECT_EQ(AsSegmentNode(other), nullptr);
  }
  EXPECT_EQ(AsTagNode(static_cast<MetaNode *>(nullptr)), nullptr);
}

}  // namespace
}  // namespace kexif
