#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "model/node_pool.h"
#include "model/nodes.h"
#include "tests/support/tree_maker.h"

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

// A tree is torn down without recursion, whatever its depth, and its blocks
// join the tearing thread's lists in one batch, within their cap (a fresh
// thread keeps none before). The sanitizer and valgrind runs check that
// every label, value and node is released.
TEST(NodePool, ATreeOfEveryClassDeepAndWideIsTornDownIntoTheListsWithinTheirCap) {
  auto *root = new MetaNode;
  MetaNode *at = root;
  for (int i = 0; i < 300000; ++i) {
    MetaNode *child = i % 3 == 0 ? static_cast<MetaNode *>(test::ShortTag(1, {0}))
                      : i % 3 == 1 ? new SegmentNode(kMarkerApp1, 4, 0)
                                   : new BlobNode;
    child->label = static_cast<char *>(std::malloc(2));
    child->next = new MetaNode;
    child->next->parent = at;
    child->parent = at;
    at->firstChild = child;
    at = child;
  }
  static_cast<BlobNode *>(at)->SetData("ab", 2);
  std::size_t kept = 0;
  std::thread other([&] {
    delete root;
    kept = KeptNodeBlocks();
  });
  other.join();
  if (kPooled) {
    EXPECT_GT(kept, 0u);
    EXPECT_LE(kept, 4u * 512u);  // at most four sizes, each capped
  } else {
    EXPECT_EQ(kept, 0u);
  }
  // Below the caps every block is kept, a class with a single node too.
  auto *small = new MetaNode;
  MetaNode **link = &small->firstChild;
  for (int i = 0; i < 10; ++i) {
    *link = i < 1 ? static_cast<MetaNode *>(test::ShortTag(1, {0}))
            : i < 3 ? new SegmentNode(kMarkerApp1, 4, 0)
            : i < 6 ? new BlobNode
                    : new MetaNode;
    (*link)->parent = small;
    link = &(*link)->next;
  }
  std::thread fresh([&] {
    delete small;
    kept = KeptNodeBlocks();
  });
  fresh.join();
  EXPECT_EQ(kept, kPooled ? 11u : 0u);
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
