#include <gtest/gtest.h>

#include "edit/entry_placement.h"
#include "model/tree_search.h"
#include "tests/support/hand_tree.h"

namespace kexif {
namespace {

using test::AppendDirectory;
using test::CountNodeValue;
using test::EntryIds;
using test::StartTiff;

TagValue ShortValue(uint16_t *v) { return TagValue{kTypeShort, 1, v}; }

TEST(InsertEntrySorted, PlacesANewEntryBetweenSmallerAndLargerIds) {
  ExifDocument doc;
  StartTiff(doc);
  MetaNode *dir = AppendDirectory(doc, nullptr, 0, {37383, 37384, 37386});
  uint16_t v = 1;
  InsertEntrySorted(dir->firstChild, NewTagEntry(37385, ShortValue(&v)).release());
  InsertEntrySorted(dir->firstChild, NewTagEntry(42016, ShortValue(&v)).release());
  EXPECT_EQ(EntryIds(dir), (std::vector<int32_t>{37383, 37384, 37385, 37386, 42016}));
  // The last entry stays ahead of the directory-end node and knows its parent.
  MetaNode *last = FindSiblingById(dir->firstChild, 42016);
  EXPECT_EQ(last->next->id, kIdDirectoryEnd);
  EXPECT_EQ(last->parent, dir);
  EXPECT_EQ(CountNodeValue(dir), 3);  // the count is the caller's business
}

TEST(InsertEntrySorted, PutsSmallIdsRightAfterTheCountAndFillsAnEmptyDirectory) {
  ExifDocument doc;
  StartTiff(doc);
  MetaNode *empty = AppendDirectory(doc, nullptr, 0, {});
  MetaNode *dir = AppendDirectory(doc, nullptr, 1, {10, 20});
  uint16_t v = 1;
  InsertEntrySorted(empty->firstChild, NewTagEntry(500, ShortValue(&v)).release());
  InsertEntrySorted(dir->firstChild, NewTagEntry(3, ShortValue(&v)).release());
  InsertEntrySorted(dir->firstChild, NewTagEntry(1, ShortValue(&v)).release());
  InsertEntrySorted(dir->firstChild, NewTagEntry(20, ShortValue(&v)).release());
  EXPECT_EQ(EntryIds(empty), std::vector<int32_t>{500});
  EXPECT_EQ(empty->firstChild->next->next->id, kIdDirectoryEnd);
  // An equal id lands ahead of the existing one.
  // Ids below the entry-count node's own id still keep ascending order.
  EXPECT_EQ(EntryIds(dir), (std::vector<int32_t>{1, 3, 10, 20, 20}));
  EXPECT_EQ(dir->firstChild->id, kIdEntryCount);
}

TEST(BumpEntryCount, CountsOnlyThroughAnEntryCountNode) {
  ExifDocument doc;
  StartTiff(doc);
  MetaNode *dir = AppendDirectory(doc, nullptr, 0, {10});
  BumpEntryCount(dir);
  EXPECT_EQ(CountNodeValue(dir), 2);
  TagNode bare;
  BumpEntryCount(&bare);  // no children: nothing to do
  EXPECT_EQ(bare.firstChild, nullptr);
}

TEST(NewSubdirectory, GivesTheOwnerCountEntryAndEndThroughTheCursor) {
  ExifDocument doc;
  StartTiff(doc);
  auto pointer = NewExifPointerEntry();
  uint16_t v = 9;
  NewSubdirectory(doc, pointer.get(), NewTagEntry(33434, ShortValue(&v)));
  MetaNode *count = pointer->firstChild;
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(count->id, kIdEntryCount);
  EXPECT_EQ(count->value, 1);
  EXPECT_EQ(count->next->id, 33434);
  EXPECT_EQ(count->next->parent, pointer.get());
  EXPECT_EQ(count->next->next->id, kIdDirectoryEnd);
  EXPECT_EQ(pointer->hasChildren, 1);
  EXPECT_EQ(pointer->type, kTypeLong);
  EXPECT_EQ(pointer->count, 1);
  // Structural nodes are never taken for tags 3 and 60.
  EXPECT_EQ(FindTagById(pointer.get(), kIdEntryCount), nullptr);
  EXPECT_EQ(FindTagById(pointer.get(), kIdDirectoryEnd), nullptr);
}

}  // namespace
}  // namespace kexif
