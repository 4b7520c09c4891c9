#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "parse/maker_note_reach.h"
#include "parse/parse_limits.h"
#include "parse/tiff_parser.h"
#include "stream/file_stream.h"
#include "stream/owned_stream.h"
#include "tests/support/sample_photo.h"
#include "tests/support/temp_files.h"
#include "tests/support/tree_dump.h"
#include "tests/unit/parse/parse_test_util.h"

namespace kexif::test {
namespace {

int Parse(const Bytes &tiff, ExifDocument &document) {
  return RunOver(tiff, document, [](ByteStream &s, TreeBuilder &b) { return ParseTiff(s, b); });
}

// The value as the node stores it: its data, else the 4 bytes of the word.
Bytes Stored(const TagNode *node) {
  if (node->data != nullptr) return Bytes(node->data, node->data + node->dataLength);
  Bytes word(4);
  std::memcpy(word.data(), &node->value, 4);
  return word;
}

template <typename T>
Bytes Native(const std::vector<T> &values) {
  Bytes b(values.size() * sizeof(T));
  std::memcpy(b.data(), values.data(), b.size());
  return b;
}

// The parse takes what a file stream holds in its buffer from there and
// reads the rest. Here the first directory straddles the end of the first
// buffered block, one value lies before a later block and the Exif
// directory far after it: every byte must be the file's, as when the whole
// structure is in memory.
TEST(TiffParser, ReadsTheSameThroughAFileWhoseBufferHoldsOnlyPartsOfTheStructure) {
  Bytes tiff(40000, 0xEE);
  auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&tiff[at], &v, 2); };
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&tiff[at], &v, 4); };
  auto entry = [&](size_t at, uint16_t tag, uint16_t type, uint32_t count, uint32_t field) {
    put16(at, tag), put16(at + 2, type), put32(at + 4, count), put32(at + 8, field);
  };
  std::memcpy(tiff.data(), "II*\0", 4);
  put32(4, 8185);
  put16(8185, 3);
  entry(8187, 0x010F, 2, 6, 8100);   // Make, in the first block
  entry(8199, 0x0110, 2, 7, 24570);  // Model, across a later block's end
  entry(8211, 0x8769, 4, 1, 30000);  // Exif pointer
  put32(8223, 0);
  std::memcpy(&tiff[8100], "Maker", 6);
  std::memcpy(&tiff[24570], "Model1", 7);
  put16(30000, 1);
  entry(30002, 0x829A, 5, 1, 16);  // ExposureTime, at the file's start
  put32(30014, 0);
  put32(16, 1), put32(20, 160);

  test::TempDir dir;
  const std::string name = dir.Write("parts.tif", tiff);
  ByteStream *file = nullptr;
  ASSERT_EQ(CreateFileStream(&file, name.c_str(), kOpenRead), 1);
  const OwnedStream owned(file);
  ExifDocument fromFile;
  TreeBuilder builder(&fromFile);
  ASSERT_EQ(ParseTiff(*file, builder), 1);
  ExifDocument inMemory;
  ASSERT_EQ(Parse(tiff, inMemory), 1);

  EXPECT_EQ(DumpTree(fromFile), DumpTree(inMemory));
  EXPECT_EQ(Stored(Tag(fromFile, 0x010F)), Bytes({'M', 'a', 'k', 'e', 'r', 0}));
  EXPECT_EQ(Stored(Tag(fromFile, 0x0110)), Bytes({'M', 'o', 'd', 'e', 'l', '1', 0}));
  EXPECT_EQ(Stored(Tag(fromFile, 0x829A)), Native<uint32_t>({1, 160}));
}

TEST(TiffParser, ConvertsEveryTypeClassToNativeOrderInBothByteOrders) {
  for (bool big : {false, true}) {
    TiffBuilder b(big);
    b.AddDirectory()
        .Add(Entry::Ascii(270, "AB"))
        .Add(Entry::Short(300, {1, 2}))
        .Add(Entry::Long(301, {0x01020304}))
        .Add(Entry::Short(302, {7, 8, 9}))
        .Add(Entry::Rational(303, {{1, 2}}))
        .Add(Entry::Double(304, {1.5}))
        .Add(Entry::Raw(305, 13, 1, 0x0A0B0C0D))
        .Add(Entry::Ascii(306, "longer text"));
    ExifDocument doc;
    ASSERT_EQ(Parse(b.Build(), doc), 1);
    EXPECT_EQ(doc.byteOrder, big ? kBigEndian : kLittleEndian);
    EXPECT_EQ(Tag(doc, 270)->count, 3);
    EXPECT_EQ(Stored(Tag(doc, 270)), (Bytes{'A', 'B', 0, 0}));
    EXPECT_EQ(Stored(Tag(doc, 300)), Native<uint16_t>({1, 2}));
    EXPECT_EQ(Stored(Tag(doc, 301)), Native<uint32_t>({0x01020304}));
    EXPECT_EQ(Stored(Tag(doc, 302)), Native<uint16_t>({7, 8, 9}));
    EXPECT_EQ(Stored(Tag(doc, 303)), Native<uint32_t>({1, 2}));
    EXPECT_EQ(Stored(Tag(doc, 304)), Native<double>({1.5}));
    EXPECT_EQ(Stored(Tag(doc, 305)), Native<uint32_t>({0x0A0B0C0D}));  // unknown type: the word as read
    EXPECT_EQ(Stored(Tag(doc, 306)), Native<char>({'l', 'o', 'n', 'g', 'e', 'r', ' ', 't', 'e', 'x', 't', 0}));
    // Out of line: the value word keeps the offset as read.
    EXPECT_GT(Tag(doc, 306)->value, 8);
  }
}

TEST(TiffParser, BuildsHeaderThenNumberedDirectoriesAsSiblings) {
  TiffBuilder b;
  b.AddDirectory().Add(Entry::Short(274, {1}));
  b.AddDirectory().Add(Entry::Short(259, {6}));
  ExifDocument doc;
  ASSERT_EQ(Parse(b.Build(), doc), 1);
  ASSERT_NE(doc.root, nullptr);
  EXPECT_EQ(doc.root->id, kIdHeader);
  const MetaNode *d0 = doc.root->next;
  const MetaNode *d1 = d0->next;
  EXPECT_EQ(d0->value, 0);
  EXPECT_EQ(d1->value, 1);
  EXPECT_EQ(d1->next, nullptr);
  EXPECT_EQ(ChildIds(d0), (std::vector<int32_t>{kIdEntryCount, 274, kIdDirectoryEnd}));
  EXPECT_GT(d0->firstChild->next->next->value, 8);  // offset of IFD1 as read
  EXPECT_EQ(d1->firstChild->next->next->value, 0);  // end of chain
  // A TIFF parse leaves both slots on root.
  EXPECT_EQ(doc.childSlot, &doc.root);
  EXPECT_EQ(doc.siblingSlot, &doc.root);
}

TEST(TiffParser, FailsOnBadHeadersCutEntriesTopBitNextOffsetsAndEmptyExifDirectories) {
  TiffBuilder two;
  two.AddDirectory().Add(Entry::Short(274, {1})).Add(Entry::Short(296, {2}));
  const Bytes whole = two.Build();
  TiffBuilder topBit;
  topBit.AddDirectory().Add(Entry::Short(274, {1})).rawNextOffset = 0x80000010u;
  TiffBuilder emptyExif;
  emptyExif.AddDirectory().Exif();
  const Bytes cases[] = {{'I', 'M', 42, 0, 8, 0, 0, 0}, {'I', 'I', 42}, {'I', 'I', 42, 0, 8, 0},
                         Bytes(whole.begin(), whole.begin() + 12), Bytes(whole.begin(), whole.begin() + 20),
                         Bytes(whole.begin(), whole.end() - 2), topBit.Build(), emptyExif.Build()};
  for (size_t i = 0; i < std::size(cases); ++i) {
    ExifDocument doc;
    EXPECT_EQ(Parse(cases[i], doc), 0) << i;
  }
}

TEST(TiffParser, AcceptsOneAnd100EntriesAndRefuses101) {
  for (int entries : {1, 100, 101}) {
    TiffBuilder b;
    Ifd &ifd = b.AddDirectory();
    for (int t = 0; t < entries; ++t) ifd.Add(Entry::Short(static_cast<uint16_t>(1000 + t), {1}));
    ExifDocument doc;
    EXPECT_EQ(Parse(b.Build(), doc), entries <= 100 ? 1 : 0) << entries;
  }
}

TEST(TiffParser, ATypeZeroEntryFailsAndKeepsTheEntriesBeforeIt) {
  TiffBuilder b;
  b.AddDirectory().Add(Entry::Short(274, {1})).Add(Entry::Raw(280, 0, 1, 0)).Add(Entry::Short(296, {2}));
  ExifDocument doc;
  EXPECT_EQ(Parse(b.Build(), doc), 0);
  EXPECT_NE(Tag(doc, 274), nullptr);
  EXPECT_EQ(Tag(doc, 296), nullptr);
}

TEST(TiffParser, EndsALoopingChainAtTheFirstRepeatedDirectoryAndAnEndlessOneAtTheCap) {
  TiffBuilder looping;
  looping.AddDirectory().Add(Entry::Short(274, {1}));
  looping.AddDirectory().Add(Entry::Short(259, {6})).rawNextOffset = 8;  // back to IFD0
  TiffBuilder endless;
  for (int i = 0; i < kMaxDirectoriesInChain + 5; ++i) endless.AddDirectory().Add(Entry::Short(274, {1}));
  for (auto [builder, directories] : {std::pair{&looping, 2}, std::pair{&endless, kMaxDirectoriesInChain}}) {
    ExifDocument doc;
    ASSERT_EQ(Parse(builder->Build(), doc), 1);
    EXPECT_EQ(doc.CountDirectories(), directories);
  }
}

TEST(TiffParser, FailsOnValuesTheStreamCannotHold) {
  const Entry cases[] = {
      Entry::Raw(270, kTypeAscii, 0xFFFFFFFFu, 8),         // byte size beyond the stream
      Entry::Raw(270, kTypeDouble, 0x20000000u, 8),        // count x 8 overflows
      Entry::Raw(270, kTypeLong, 2, 0x7FFFFFF0u),          // offset beyond the stream
      Entry::Raw(270, kTypeRational, 1, 0xFFFFFFFCu),      // offset + size wraps
  };
  for (const Entry &e : cases) {
    TiffBuilder b;
    b.AddDirectory().Add(Entry::Short(259, {1})).Add(e);
    ExifDocument doc;
    EXPECT_EQ(Parse(b.Build(), doc), 0) << e.type << " " << e.count;
  }
}

TEST(TiffParser, RefusesDirectoriesThatCopyOneLargeValueOverAndOver) {
  // IFD0's value lies right after its one entry: 8 + 2 + 12 + 4.
  constexpr uint32_t kValueOffset = 26;
  constexpr uint32_t kValueSize = 1u << 20;
  TiffBuilder b;
  b.AddDirectory().Add(Entry::Undefined(700, Bytes(kValueSize, 7)));
  for (int i = 0; i < 40; ++i) b.AddDirectory().Add(Entry::Raw(700, kTypeUndefined, kValueSize, kValueOffset));
  ExifDocument doc;
  EXPECT_EQ(Parse(b.Build(), doc), 0);
  EXPECT_LT(doc.CountDirectories(), 10);
}

TEST(TiffParser, KeepsEveryValueWholeWhateverBytesAreDamaged) {
  std::mt19937 random(99);
  const Bytes sample = SampleTiffStructure(true, 300);
  int parsed = 0;
  for (int round = 0; round < 400; ++round) {
    Bytes bytes = sample;
    for (int i = 0; i < 1 + round % 5; ++i) bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
    ExifDocument doc;
    if (Parse(bytes, doc) == 0) continue;
    ++parsed;
    // Every out-of-line value holds exactly count x element size bytes.
    std::vector<MetaNode *> pending = {doc.root};
    while (!pending.empty()) {
      MetaNode *n = pending.back();
      pending.pop_back();
      if (n->next != nullptr) pending.push_back(n->next);
      if (n->firstChild != nullptr) pending.push_back(n->firstChild);
      const TagNode *t = AsTagNode(n);
      if (t == nullptr || ValueFitsInWord(t->type, static_cast<uint32_t>(t->count))) continue;
      EXPECT_EQ(int64_t{t->dataLength}, int64_t{t->count} * ElementSize(t->type)) << round;
    }
  }
  EXPECT_GT(parsed, 0);
}

// A second Exif pointer is not followed, and the document keeps naming the
// pointer its sub-directory hangs under (naming the later, childless one
// would hide every Exif tag and send edits where no reload finds them).
TEST(TiffParser, FollowsOnlyTheFirstExifPointerAndNamesIt) {
  TiffBuilder b;
  b.AddDirectory().Exif().Add(Entry::Rational(33434, {{1, 100}}));
  b.AddDirectory().Exif().Add(Entry::Rational(33437, {{28, 10}}));
  ExifDocument doc;
  ASSERT_EQ(Parse(b.Build(), doc), 1);
  EXPECT_EQ(doc.exifExists, 1);
  ASSERT_NE(doc.exifPointerTag, nullptr);
  EXPECT_EQ(doc.exifPointerTag->parent, doc.FindDirectory(0));
  EXPECT_NE(doc.exifPointerTag->firstChild, nullptr);
  EXPECT_NE(Tag(doc, 33434), nullptr);
  EXPECT_EQ(Tag(doc, 33437), nullptr);
}

TEST(TiffParser, HangsTheInteroperabilityDirectoryUnderItsPointerAndDropsADamagedOne) {
  for (bool damaged : {false, true}) {
    TiffBuilder b;
    Ifd &ifd0 = b.AddDirectory();
    Ifd &exif = ifd0.Exif();
    exif.Add(Entry::Rational(33434, {{1, 100}})).Add(Entry::Short(41728, {3}));
    // Damaged: a thumbnail pointer inside, then an entry of type 0.
    if (damaged) exif.Interop().Add(Entry::Long(513, {0})).Add(Entry::Raw(600, 0, 1, 0));
    else exif.Interop().Add(Entry::Ascii(1, "R98"));
    ifd0.Gps().Add(Entry::Ascii(1, "N"));
    ExifDocument doc;
    ASSERT_EQ(Parse(b.Build(), doc), 1);
    const TagNode *pointer = Tag(doc, kTagInteropPointer);
    ASSERT_NE(pointer, nullptr);
    const std::vector<int32_t> interop = {kIdEntryCount, 1, kIdDirectoryEnd};
    EXPECT_EQ(ChildIds(pointer), damaged ? std::vector<int32_t>() : interop);
    EXPECT_EQ(pointer->hasChildren, damaged ? 0 : 1);
    EXPECT_EQ(pointer->next->id, 41728);
    EXPECT_EQ(doc.thumbnailOffsetTag, nullptr);
    EXPECT_EQ(doc.thumbnailExists, 0);
    EXPECT_EQ(ChildIds(Tag(doc, kTagGpsPointer)), (std::vector<int32_t>{kIdEntryCount, 1, kIdDirectoryEnd}));
    EXPECT_EQ(doc.CountDirectories(), 1);
  }
}

// A maker note keeps where it sat and the unused bytes after it; how far
// its own directory reaches is measured on the structure's bytes: past its
// counted length, even over bytes another value uses. A note that is not a
// sound directory reaches nowhere.
// Hostile data may repeat the maker note in every directory of a chain; a
// parse records the place of the first four only, and reads the rest as
// plain entries.
TEST(TiffParser, RecordsThePlaceOfAtMostFourMakerNotesOfAChain) {
  TiffBuilder b;
  for (uint8_t i = 0; i < 6; ++i) b.AddDirectory().Add(Entry::Undefined(kTagMakerNote, Bytes(8, i)));
  ExifDocument document;
  ASSERT_EQ(Parse(b.Build(), document), 1);
  std::vector<bool> known;
  for (MetaNode *d = FindStructuralById(document.root, kIdDirectory); d != nullptr; d = d->next) {
    if (d->id == kIdDirectory) known.push_back(FindTagById(d->firstChild, kTagMakerNote)->source.known);
  }
  EXPECT_EQ(known, std::vector<bool>({true, true, true, true, false, false}));
}

TEST(TiffParser, RecordsWhereTheMakerNoteSatAndHowFarItsDirectoryReaches) {
  // An entry {tag, type, count, field} of a 1-entry directory, little-endian.
  const auto directory = [](const Bytes &prefix, uint16_t type, uint32_t count, uint32_t field) {
    Bytes b = prefix;
    const Bytes table = {1, 0, 1, 0, static_cast<uint8_t>(type), 0,
                         static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8), 0, 0,
                         static_cast<uint8_t>(field), static_cast<uint8_t>(field >> 8), 0, 0, 0, 0, 0, 0};
    b.insert(b.end(), table.begin(), table.end());
    b.resize(40, 0);
    return b;
  };
  constexpr uint32_t kAt = 400;  // the note's offset; 40 bytes, then a gap, then a 16-byte comment
  const struct {
    const char *name;
    Bytes note;
    uint32_t gap;
    uint32_t unused;  // bytes after the note that nothing else uses
    uint32_t reach;   // MakerNoteReach: end of the furthest value, or 0
  } rows[] = {
      {"a blob right before another value", Bytes(40, 0xFF), 0, 0, 0},
      {"a blob before unused bytes", Bytes(40, 0xFF), 6, 6, 0},
      {"a directory addressing bytes of the next value", directory({}, 4, 2, kAt + 44), 0, 0, kAt + 52},
      {"a signed directory (SANYO) addressing past its end", directory({'S', 'A', 'N', 'Y', 'O', 0, 1, 0}, 1, 9, kAt + 41), 0, 0, kAt + 50},
      {"a directory addressing past the data", directory({}, 4, 2, kAt + 200), 0, 0, 0},
      {"a directory with a type outside 1..13", directory({}, 14, 2, kAt + 44), 0, 0, 0},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.name);
    TiffBuilder b;
    b.AddDirectory().Add(Entry::Ascii(271, "Cam")).Exif()
        .Add(Entry::Raw(37500, 7, 40, kAt))
        .Add(Entry::Raw(37510, 7, 16, kAt + 40 + row.gap));
    Bytes tiff = b.Build();
    ASSERT_LT(tiff.size(), kAt);
    tiff.resize(kAt, 0);
    tiff.insert(tiff.end(), row.note.begin(), row.note.end());
    tiff.resize(tiff.size() + row.gap + 16, 'c');
    ExifDocument doc;
    ASSERT_EQ(Parse(tiff, doc), 1);
    const SourceSpan &span = Tag(doc, 37500)->source;
    EXPECT_TRUE(span.known);
    EXPECT_EQ(span.offset, kAt);
    EXPECT_EQ(span.length, 40u);
    EXPECT_EQ(span.tail, row.unused);
    EXPECT_FALSE(Tag(doc, 37510)->source.known);
    MemoryStream structure(tiff.data(), static_cast<int32_t>(tiff.size()));
    EXPECT_EQ(MakerNoteReach(structure, span.offset, span.length, false), row.reach);
  }
}

}  // namespace
}  // namespace kexif::test
