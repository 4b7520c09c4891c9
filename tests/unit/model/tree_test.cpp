#include <gtest/gtest.h>

#include "model/exif_document.h"
#include "model/tree_search.h"
#include "stream/byte_stream.h"
#include "tests/support/tree_maker.h"

namespace kexif {
namespace {

MetaNode *Directory(int32_t number) {
  auto *d = new MetaNode;
  d->id = kIdDirectory;
  d->hasChildren = 1;
  d->value = number;
  return d;
}

TEST(Searches, FindTagByIdNeverAnswersWithAStructuralNode) {
  ExifDocument doc;
  auto *d0 = Directory(0);
  doc.AppendSibling(d0);
  auto *count = new MetaNode;
  count->id = kIdEntryCount;
  count->kind = kKindTiffItem;
  doc.AppendChild(count);
  auto *tag3 = test::ShortTag(3, {0});
  doc.AppendSibling(tag3);
  EXPECT_EQ(FindById(d0, 3), count);
  EXPECT_EQ(FindTagById(d0, 3), tag3);
  EXPECT_EQ(FindTagById(d0, kIdDirectory), nullptr);
}

TEST(Searches, FindByIdVisitsInPreOrderAcrossALongChainWithoutRecursion) {
  ExifDocument doc;
  doc.AppendSibling(Directory(0));
  for (int i = 0; i < 200000; ++i) doc.AppendSibling(test::ShortTag(1000, {0}));
  auto *last = test::ShortTag(7, {0});
  doc.AppendSibling(last);
  EXPECT_EQ(FindById(doc.root, 7), last);
}  // destroying the document must not recurse along next either

TEST(NodeData, SetDataRefusesEmptyAndReplaceDataNeedsExistingData) {
  TagNode t;
  const uint8_t bytes[3] = {1, 2, 3};
  EXPECT_EQ(t.SetData(bytes, 0), 0);
  EXPECT_EQ(t.ReplaceData(bytes, 3), 0);
  EXPECT_EQ(t.data, nullptr);
  EXPECT_EQ(t.SetData(bytes, 3), 1);
  EXPECT_EQ(t.ReplaceData(bytes, 2), 1);
  EXPECT_EQ(t.dataLength, 2);
}

TEST(SegmentPayload, LoadsLazilyAndFailsWithoutAStream) {
  uint8_t file[8] = {0, 0, 0, 0, 'A', 'B', 'C', 'D'};
  ByteStream *s = nullptr;
  ASSERT_EQ(CreateMemoryStream(&s, file, 8), 1);
  SegmentNode eoi(kMarkerEoi, 0, 0);
  EXPECT_EQ(eoi.LoadPayload(s), 1);
  SegmentNode empty(kMarkerApp1, 0, 4);
  EXPECT_EQ(empty.LoadPayload(s), 0);
  SegmentNode app(kMarkerApp1, 4, 4);
  EXPECT_EQ(app.LoadPayload(nullptr), 0);
  EXPECT_EQ(app.payloadState, kPayloadOnDisk);
  EXPECT_EQ(app.LoadPayload(s), 1);
  EXPECT_EQ(app.payloadState, kPayloadInMemory);
  EXPECT_EQ(app.data[3], 'D');
  app.DropPayload();
  EXPECT_EQ(app.payloadState, kPayloadOnDisk);
  SegmentNode beyond(kMarkerApp1, 6, 4);  // runs past the data
  EXPECT_EQ(beyond.LoadPayload(s), 0);
  ReleaseStream(s);
}

TEST(Document, RemoveNodeClearsTheShortcutsIntoIt) {
  ExifDocument doc;
  auto *soi = new SegmentNode(kMarkerSoi, 0, 0);
  doc.AppendSibling(soi);
  auto *app1 = new SegmentNode(kMarkerApp1, 10, 6);
  doc.AppendSibling(app1);
  auto *ptr = test::ShortTag(kTagExifPointer, {0});
  doc.AppendChild(ptr);
  doc.SetCursor(app1);
  doc.AppendSibling(new SegmentNode(kMarkerEoi, 0, 0));
  doc.exifSegment = app1;
  doc.exifPointerTag = ptr;
  ASSERT_TRUE(doc.RemoveNode(app1));
  EXPECT_EQ(doc.exifSegment, nullptr);
  EXPECT_EQ(doc.exifPointerTag, nullptr);
  EXPECT_EQ(soi->next->id, kMarkerEoi);
}

TEST(CountEntries, CountsAnEntryWithTagThreeButNotTheEntryCountNode) {
  MetaNode gps;
  auto *count = new MetaNode;
  count->kind = kKindTiffItem;
  count->id = kIdEntryCount;
  gps.firstChild = count;
  count->next = test::ShortTag(1, {0});
  count->next->next = test::ShortTag(kIdEntryCount, {0});
  EXPECT_EQ(CountEntries(&gps), 2);
}

}  // namespace
}  // namespace kexif
