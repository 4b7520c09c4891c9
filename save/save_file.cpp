#include "save/save_file.h"

#include "platform/file_replace.h"
#include "save/directory_writer.h"
#include "save/jpeg_save.h"
#include "save/temporary_name.h"
#include "save/tiff_save.h"
#include "stream/file_stream.h"

namespace kexif {

namespace {

bool WriteDocument(ExifDocument &document, FileStream &out) {
  if (document.format == kFormatJpeg) return WriteJpeg(SaveContext{&document, &out}) == 1;
  document.byteOrder = kLittleEndian;
  if (PrepareImagePieces(document) == 0) return false;
  DirectoryWriter writer(&document, &out);
  return WriteTiff(writer) == 1;
}

}  // namespace

SaveResult SaveDocument(ExifDocument &document, const char *fileName) {
  char temporary[kMaxSaveNameBuffer];
  if (MakeTemporaryName(temporary, fileName) == 0 || NamesSameFile(temporary, fileName)) return SaveResult::kBadName;
  // Opening the temporary name for writing would truncate the loaded file.
  if (auto *source = dynamic_cast<FileStream *>(document.stream); source != nullptr && source->RefersTo(temporary)) {
    return SaveResult::kBadName;
  }
  if (document.format != kFormatJpeg && document.format != kFormatTiff) return SaveResult::kUnsupportedDocument;

  ByteStream *audio = nullptr;
  if (document.audioFileName != nullptr && CreateFileStream(&audio, document.audioFileName, kOpenRead) == 0) {
    return SaveResult::kSoundFileUnreadable;
  }
  ByteStream *created = nullptr;
  if (CreateFileStream(&created, temporary, kOpenWrite) == 0) {
    ReleaseStream(audio);
    return SaveResult::kTemporaryNotCreated;
  }
  auto *out = static_cast<FileStream *>(created);
  document.audioStream = audio;
  bool written = WriteDocument(document, *out);
  if (!out->Flush()) written = false;
  ReleaseStream(out);
  ReleaseStream(document.audioStream);
  document.audioStream = nullptr;

  if (!written) {
    DeleteNamedFile(temporary);
    return SaveResult::kWriteFailed;
  }
  if (!ReplaceFileAtomically(temporary, fileName)) {
    DeleteNamedFile(temporary);
    return SaveResult::kReplaceFailed;
  }
  DeleteNamedFile(temporary);  // left over when the copy went beside the target
  ReleaseStream(document.stream);
  document.stream = nullptr;
  return SaveResult::kSaved;
}

}  // namespace kexif
