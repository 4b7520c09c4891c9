#include "save/save_file.h"

#include "platform/replacement_file.h"
#include "save/directory_writer.h"
#include "save/jpeg_save.h"
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
  if (fileName == nullptr) return SaveResult::kBadName;
  if (document.format != kFormatJpeg && document.format != kFormatTiff) return SaveResult::kUnsupportedDocument;
  ReplacementFile replacement;
  switch (replacement.Create(fileName)) {
    case ReplacementFile::Status::kCreated: break;
    case ReplacementFile::Status::kBadTarget: return SaveResult::kBadName;
    case ReplacementFile::Status::kNotCreated: return SaveResult::kTemporaryNotCreated;
  }
  ByteStream *audio = nullptr;
  if (document.audioFileName != nullptr && CreateFileStream(&audio, document.audioFileName, kOpenRead) == 0) {
    return SaveResult::kSoundFileUnreadable;
  }
  FileStream *out = FileStream::Wrap(replacement.OpenForWriting(), kOpenWrite, 0);
  if (out == nullptr) {
    ReleaseStream(audio);
    return SaveResult::kTemporaryNotCreated;
  }
  document.audioStream = audio;
  bool written = WriteDocument(document, *out);
  // The replacement puts the bytes on disk once its mode is set.
  if (!out->Close(false)) written = false;
  ReleaseStream(out);
  ReleaseStream(document.audioStream);
  document.audioStream = nullptr;

  if (!written) return SaveResult::kWriteFailed;
  if (!replacement.Commit()) return SaveResult::kReplaceFailed;
  ReleaseStream(document.stream);
  document.stream = nullptr;
  return SaveResult::kSaved;
}

}  // namespace kexif
