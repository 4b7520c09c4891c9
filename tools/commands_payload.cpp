// The subcommands that change what a photo carries besides its tags and
// sound clip: replacing the thumbnail, removing segments and carrying Exif
// data over from another file.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "api/document_handle.h"
#include "model/exif_constants.h"
#include "model/tree_search.h"
#include "tools/cli.h"
#include "tools/commands.h"
#include "tools/value_text.h"

namespace kexif::cli {
namespace {

bool ReadWholeFile(const std::string &path, std::vector<unsigned char> &bytes) {
  if (!UnreadableReason(path).empty()) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// Releases a TifExifData record that the library did not take over.
void FreeTifExifRecord(TifExifData *record) {
  if (record == nullptr) return;
  if (record->entries != nullptr) {
    for (int32_t i = 0; i < record->count; ++i) {
      if (record->entries[i] == nullptr) continue;
      std::free(record->entries[i]->data);
      std::free(record->entries[i]);
    }
    std::free(record->entries);
  }
  std::free(record);
}

// "APP0".."APP15" or a number 0xE0..0xEF; 0 for anything else.
int32_t ParseAppMarker(const std::string &text) {
  int32_t marker = 0;
  if (text.size() > 3 && (text.compare(0, 3, "APP") == 0 || text.compare(0, 3, "app") == 0)) {
    const std::optional<TagRef> n = ParseTagRef(text.substr(3));
    if (n && n->number <= kMarkerApp15 - kMarkerApp0 && text.substr(3).find_first_not_of("0123456789") == std::string::npos) {
      marker = kMarkerApp0 + static_cast<int32_t>(n->number);
    }
  } else if (const std::optional<TagRef> n = ParseTagRef(text); n && n->info == nullptr) {
    marker = static_cast<int32_t>(n->number);
  }
  return marker >= kMarkerApp0 && marker <= kMarkerApp15 ? marker : 0;
}

// The four identifier bytes as the library compares them: the bytes of the
// integer in memory are the characters.
uint32_t PackIdentifier(const std::string &text) {
  char bytes[4] = {0, 0, 0, 0};
  std::memcpy(bytes, text.data(), text.size() < 4 ? text.size() : 4);
  uint32_t packed = 0;
  std::memcpy(&packed, bytes, sizeof packed);
  return packed;
}

int ReplaceThumbnail(const Options &options, Session &session) {
  const std::string &file = options.args[0];
  std::vector<unsigned char> bytes;
  if (!ReadWholeFile(*options.setFile, bytes)) {
    session.Fail(*options.setFile, OpenFailure(*options.setFile));
    return session.Status();
  }
  if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) {
    session.Fail(*options.setFile, "not a JPEG file");
    return session.Status();
  }
  LoadedDocument document(file);
  if (!Opened(document, file, session)) return session.Status();
  ThumbnailData thumbnail{bytes.data(), static_cast<int32_t>(bytes.size())};
  if (bytes.size() > static_cast<size_t>(kMaxSegmentPayload) ||
      kExifSetThumbnailData(document.get(), &thumbnail) != 0) {
    session.Fail(file, "cannot take " + PrintableText(*options.setFile) + " as its thumbnail");
    return session.Status();
  }
  SaveEdited(document.get(), file, options, session);
  return session.Status();
}

}  // namespace

int CommandThumbnail(const Options &options, Session &session) {
  if (options.setFile) return ReplaceThumbnail(options, session);
  return ExtractThumbnail(options, session);
}

int CommandStrip(const Options &options, Session &session) {
  const std::string &file = options.args[0];
  const int32_t marker = ParseAppMarker(options.args[1]);
  if (marker == 0) return session.Usage("MARKER must be APP0..APP15 (or 0xE0..0xEF): " + PrintableText(options.args[1]));
  const bool named = options.args.size() > 2;
  if (named && marker == kMarkerApp1) return session.Usage("APP1 takes no IDENTIFIER: every APP1 segment is removed");
  if (named && (options.args[2].empty() || options.args[2].size() > 4)) {
    return session.Usage("IDENTIFIER has one to four characters: " + PrintableText(options.args[2]));
  }
  LoadedDocument document(file);
  if (!Opened(document, file, session)) return session.Status();
  if (kExifGetFileFormat(document.get()) != kFormatJpeg) {
    session.Fail(file, "segments exist in JPEG files only");
    return session.Status();
  }
  // The library compares the identifier with the first segment of that
  // marker only, so say so when that segment is another one.
  const MetaNode *first = ToDocument(document.get())->FindSegment(marker);
  if (first == nullptr) {
    session.Fail(file, "no APP" + std::to_string(marker - kMarkerApp0) + " segment");
    return session.Status();
  }
  uint32_t identifier = 0;  // APP1: every APP1 segment goes, whatever its identifier
  if (marker != kMarkerApp1) {
    const std::string segment = "the first APP" + std::to_string(marker - kMarkerApp0) + " segment";
    if (first->label == nullptr) {
      session.Fail(file, segment + " has no identifier");
      return session.Status();
    }
    const std::string label(first->label, strnlen(first->label, 4));
    if (named && PackIdentifier(options.args[2]) != PackIdentifier(label)) {
      session.Fail(file, segment + " is \"" + PrintableText(label) + "\", not \"" + PrintableText(options.args[2]) + "\"");
      return session.Status();
    }
    identifier = PackIdentifier(label);
  }
  if (kExifRemoveMarker(document.get(), marker, identifier) != 0) {
    session.Fail(file, "cannot remove the segment");
    return session.Status();
  }
  SaveEdited(document.get(), file, options, session);
  return session.Status();
}

int CommandCopyExif(const Options &options, Session &session) {
  const std::string &source = options.args[0];
  const std::string &target = options.args[1];
  ReadContext reader(source);
  if (!Opened(reader, source, session)) return session.Status();
  LoadedDocument document(target);
  if (!Opened(document, target, session)) return session.Status();
  const int32_t sourceFormat = kRExifGetFileFormat(reader.get());
  const int32_t targetFormat = kExifGetFileFormat(document.get());
  if (sourceFormat != targetFormat) {
    session.Fail(target, "Exif data is copied from JPEG to JPEG or from TIFF to TIFF only");
    return session.Status();
  }
  if (sourceFormat == kFormatJpeg) {
    ExifMarkerData marker{nullptr, 0};
    if (kRExifGetExifMarker(reader.get(), &marker) != 0 || marker.data == nullptr) {
      session.Fail(source, "no Exif segment");
      return session.Status();
    }
    kExifRemoveMarker(document.get(), kMarkerApp1, 0);  // -1 when there was none
    if (kExifInsertExifMarker(document.get(), &marker) != 0) {
      delete[] marker.data;  // not taken over
      session.Fail(target, "cannot insert the Exif segment");
      return session.Status();
    }
  } else {
    TifExifData *record = nullptr;
    if (kRExifGetTIFExifData(reader.get(), &record) != 0) {
      session.Fail(source, "no Exif sub-directory");
      return session.Status();
    }
    if (record != nullptr && kExifSetTIFExifData(document.get(), record) != 0) {
      FreeTifExifRecord(record);  // not taken over
      session.Fail(target, "cannot take the Exif data");
      return session.Status();
    }
  }
  SaveEdited(document.get(), target, options, session);
  return session.Status();
}

}  // namespace kexif::cli
