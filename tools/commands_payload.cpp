// The subcommands that change what a photo carries besides its tags and
// sound clip: replacing the thumbnail, removing segments and carrying Exif
// data over from another file.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <memory>
#include <string>
#include <vector>

#include "api/document_handle.h"
#include "model/exif_constants.h"
#include "model/tree_search.h"
#include "tools/cli.h"
#include "tools/commands.h"
#include "tools/document_edits.h"
#include "tools/segment_names.h"
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

int ReplaceThumbnail(const Options &options, Session &session) {
  const std::string &file = options.args[0];
  std::vector<unsigned char> bytes;
  if (!ReadWholeFile(*options.setValue, bytes)) {
    session.Fail(*options.setValue, OpenFailure(*options.setValue));
    return session.Status();
  }
  if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) {
    session.Fail(*options.setValue, "not a JPEG file");
    return session.Status();
  }
  if (const int usage = CheckEditTargets({file}, options, session); usage != 0) return usage;
  LoadedDocument document(file);
  if (!Opened(document, file, session)) return session.Status();
  ThumbnailData thumbnail{bytes.data(), static_cast<int32_t>(bytes.size())};
  if (bytes.size() > static_cast<size_t>(kMaxSegmentPayload)) {
    session.Fail(file, "cannot take " + PrintableText(*options.setValue) + " as its thumbnail: it has " +
                           std::to_string(bytes.size()) + " bytes, and the Exif segment that holds it at most " +
                           std::to_string(kMaxSegmentPayload) + " with the tags");
    return session.Status();
  }
  if (kExifSetThumbnailData(document.get(), &thumbnail) != 0) {
    session.Fail(file, "cannot take " + PrintableText(*options.setValue) + " (" + std::to_string(bytes.size()) +
                           " bytes) as its thumbnail: with the tags it does not fit the " +
                           std::to_string(kMaxSegmentPayload) + " bytes of an Exif segment");
    return session.Status();
  }
  SaveEdited(document.get(), file, options, session);
  return session.Status();
}


// The top-level segments of a document with the given marker.
std::vector<SegmentNode *> SegmentsWith(KExifHandle handle, int32_t marker) {
  std::vector<SegmentNode *> found;
  for (MetaNode *node = ToDocument(handle)->root; node != nullptr; node = node->next) {
    SegmentNode *segment = AsSegmentNode(node);
    if (segment != nullptr && !segment->rawRun && segment->id == marker) found.push_back(segment);
  }
  return found;
}

using OpenFile = std::unique_ptr<std::FILE, int (*)(std::FILE *)>;

OpenFile OpenSource(const std::string &file) { return OpenFile(std::fopen(InputPath(file).c_str(), "rb"), std::fclose); }

// Removes the segments that carry metadata: Exif and XMP (APP1), ICC
// profiles (APP2 ICC_PROFILE), IPTC and Photoshop data (APP13) and
// comments (COM). Writes what went; false when nothing did.
bool StripMetadata(KExifHandle handle, const std::string &file, Session &session) {
  constexpr int32_t kMarkerApp13 = 0xED;
  constexpr int32_t kMarkerCom = 0xFE;
  const OpenFile source = OpenSource(file);
  std::vector<std::string> removed;
  for (const int32_t marker : {kMarkerApp1, kMarkerApp2, kMarkerApp13, kMarkerCom}) {
    for (SegmentNode *segment : SegmentsWith(handle, marker)) {
      std::string identifier = marker == kMarkerCom ? "" : SegmentIdentifier(source.get(), *segment);
      if (marker == kMarkerApp2 && identifier != "ICC_PROFILE") continue;
      removed.push_back(MarkerName(marker) + (identifier.empty() ? "" : " " + identifier));
      RemoveSegment(handle, segment);
    }
  }
  if (removed.empty()) {
    session.out << PrintableText(file) << ": no metadata segments\n";
    return false;
  }
  session.out << PrintableText(file) << ": removed";
  for (size_t i = 0; i < removed.size(); ++i) session.out << (i == 0 ? " " : ", ") << PrintableText(removed[i]);
  session.out << '\n';
  return true;
}

// Removes the first segment with the marker when its identifier starts
// with the one given (any identifier when none is); for APP1, every APP1
// segment whose identifier matches (every APP1 segment when none is given).
bool StripSegment(KExifHandle handle, int32_t marker, const std::string *wanted, const std::string &file,
                  Session &session) {
  const std::string name = MarkerName(marker);
  std::vector<SegmentNode *> segments = SegmentsWith(handle, marker);
  if (segments.empty()) {
    session.Fail(file, "no " + name + " segment");
    return false;
  }
  const OpenFile source = OpenSource(file);
  if (marker != kMarkerApp1) segments.resize(1);
  std::vector<std::string> removed;
  for (SegmentNode *segment : segments) {
    const std::string identifier = SegmentIdentifier(source.get(), *segment);
    if (wanted != nullptr && identifier.compare(0, wanted->size(), *wanted) != 0) continue;
    removed.push_back(name + (identifier.empty() ? "" : " " + identifier));
    RemoveSegment(handle, segment);
  }
  if (removed.empty()) {
    const std::string which = marker == kMarkerApp1 ? "no APP1 segment" : "the first " + name + " segment";
    const std::string identifier = SegmentIdentifier(source.get(), *segments[0]);
    session.Fail(file, marker == kMarkerApp1 ? which + " is \"" + PrintableText(*wanted) + "\""
                                             : which + " is \"" + PrintableText(identifier) + "\", not \"" +
                                                   PrintableText(*wanted) + "\"");
    return false;
  }
  for (const std::string &what : removed) session.out << PrintableText(file) << ": removed " << PrintableText(what) << '\n';
  return true;
}

// Puts the Exif segment of the source (a new block the document takes
// over) in place of the document's Exif segment; XMP and every other
// segment stay. Without --all the document keeps its own pixel dimensions
// and thumbnail.
bool ReplaceExifSegment(KExifHandle handle, ExifMarkerData marker, const Options &options, const std::string &file,
                        Session &session) {
  constexpr uint32_t kPixelDimensions[] = {40962, 40963};
  std::optional<FetchedValue> dimensions[2];
  std::vector<unsigned char> thumbnail;
  if (!options.all) {
    for (int i = 0; i < 2; ++i) dimensions[i] = FetchTag(handle, kPixelDimensions[i], 0);
    ThumbnailData own{nullptr, 0};
    if (kExifIsThumbnailExist(handle) != 0 && kExifGetThumbnailData(handle, &own) == 0 && own.data != nullptr) {
      thumbnail.assign(own.data, own.data + (own.length > 0 ? own.length : 0));
    }
    std::free(own.data);
  }
  for (SegmentNode *segment : SegmentsWith(handle, kMarkerApp1)) {
    if (IsExifSegment(*segment)) RemoveSegment(handle, segment);
  }
  if (kExifInsertExifMarker(handle, &marker) != 0) {
    delete[] marker.data;  // not taken over
    session.Fail(file, "cannot insert the Exif segment");
    return false;
  }
  if (options.all) return true;
  for (int i = 0; i < 2; ++i) {
    if (!dimensions[i]) {
      kExifDelTag(handle, kPixelDimensions[i], 0);  // -1 when the source had none either
      continue;
    }
    TagValue value{dimensions[i]->type, dimensions[i]->count, dimensions[i]->bytes.data()};
    if (kExifSetTag(handle, kPixelDimensions[i], &value, 0) != 0) {
      session.Fail(file, "cannot keep its pixel dimensions");
      return false;
    }
  }
  if (thumbnail.empty()) {
    RemoveThumbnailDirectory(handle);
    return true;
  }
  ThumbnailData own{thumbnail.data(), static_cast<int32_t>(thumbnail.size())};
  if (kExifSetThumbnailData(handle, &own) != 0) {
    session.Fail(file, "cannot keep its thumbnail");
    return false;
  }
  return true;
}

}  // namespace

int CommandThumbnail(const Options &options, Session &session) {
  if (options.setValue && options.remove) return session.Usage("--set and --remove exclude each other");
  if (options.setValue) {
    if (options.args.size() != 1) return session.Usage("--set takes one FILE");
    return ReplaceThumbnail(options, session);
  }
  if (!options.remove) {
    if (options.args.size() != 1) return session.Usage("thumbnail writes the thumbnail of one FILE");
    return ExtractThumbnail(options, session);
  }
  if (const int usage = CheckEditTargets(options.args, options, session); usage != 0) return usage;
  ForEachFile(options.args, options, session, [&](size_t, const std::string &file, Session &session) {
    EditAndSave(file, options, session, [&](KExifHandle handle) {
      if (kExifGetFileFormat(handle) != kFormatJpeg) {
        session.Fail(file, "thumbnails are removed from JPEG files only");
        return false;
      }
      if (kExifIsThumbnailExist(handle) == 0 || !RemoveThumbnailDirectory(handle)) {
        session.Fail(file, "no thumbnail");
        return false;
      }
      return true;
    });
  });
  return session.Status();
}

int CommandStrip(const Options &options, Session &session) {
  if (const int usage = CheckEditTargets(options.all ? options.args : std::vector<std::string>{options.args[0]},
                                         options, session);
      usage != 0) {
    return usage;
  }
  auto jpegOnly = [](KExifHandle handle, const std::string &file, Session &session) {
    if (kExifGetFileFormat(handle) == kFormatJpeg) return true;
    session.Fail(file, "segments exist in JPEG files only");
    return false;
  };
  if (options.all) {
    ForEachFile(options.args, options, session, [&](size_t, const std::string &file, Session &session) {
      EditAndSave(file, options, session, [&](KExifHandle handle) {
        return jpegOnly(handle, file, session) && StripMetadata(handle, file, session);
      });
    });
    return session.Status();
  }
  if (options.args.size() < 2 || options.args.size() > 3) return session.Usage("strip takes FILE MARKER [IDENTIFIER], or --all FILE...");
  const std::string &file = options.args[0];
  const int32_t marker = ParseAppMarker(options.args[1]);
  if (marker == 0) return session.Usage("MARKER must be APP0..APP15 (or 0xE0..0xEF): " + PrintableText(options.args[1]));
  const std::string *wanted = options.args.size() > 2 ? &options.args[2] : nullptr;
  if (wanted != nullptr && wanted->empty()) return session.Usage("IDENTIFIER is empty");
  EditAndSave(file, options, session, [&](KExifHandle handle) {
    return jpegOnly(handle, file, session) && StripSegment(handle, marker, wanted, file, session);
  });
  return session.Status();
}

int CommandCopyExif(const Options &options, Session &session) {
  const std::string &source = options.args[0];
  const std::vector<std::string> targets(options.args.begin() + 1, options.args.end());
  if (const int usage = CheckEditTargets(targets, options, session); usage != 0) return usage;
  ReadContext reader(source);
  if (!Opened(reader, source, session)) return session.Status();
  const int32_t sourceFormat = kRExifGetFileFormat(reader.get());
  // The reader's answers are read here, once: a context is used by one
  // thread at a time.
  std::vector<unsigned char> exifSegment;
  if (sourceFormat == kFormatJpeg) {
    ExifMarkerData marker{nullptr, 0};
    if (kRExifGetExifMarker(reader.get(), &marker) != 0 || marker.data == nullptr || marker.length <= 0) {
      delete[] marker.data;
      session.Fail(source, "no Exif segment");
      return session.Status();
    }
    exifSegment.assign(marker.data, marker.data + marker.length);
    delete[] marker.data;
  }
  std::mutex readerLock;
  ForEachFile(targets, options, session, [&](size_t, const std::string &target, Session &session) {
    EditAndSave(target, options, session, [&](KExifHandle handle) {
      if (sourceFormat != kExifGetFileFormat(handle)) {
        session.Fail(target, "Exif data is copied from JPEG to JPEG or from TIFF to TIFF only");
        return false;
      }
      if (sourceFormat == kFormatJpeg) {
        // The document takes over a block made with new[].
        auto *block = new unsigned char[exifSegment.size()];
        std::memcpy(block, exifSegment.data(), exifSegment.size());
        return ReplaceExifSegment(handle, ExifMarkerData{block, static_cast<int32_t>(exifSegment.size())}, options,
                                  target, session);
      }
      TifExifData *record = nullptr;
      {
        std::lock_guard<std::mutex> lock(readerLock);
        if (kRExifGetTIFExifData(reader.get(), &record) != 0) {
          session.Fail(source, "no Exif sub-directory");
          return false;
        }
      }
      if (record != nullptr && kExifSetTIFExifData(handle, record) != 0) {
        FreeTifExifRecord(record);  // not taken over
        session.Fail(target, "cannot take the Exif data");
        return false;
      }
      return true;
    });
  });
  return session.Status();
}

}  // namespace kexif::cli
