#include "save/save_file.h"

#include <cstdio>

#include "platform/file_io.h"
#include "platform/file_open.h"
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

#ifdef _WIN32
// Windows refuses to replace a file while any handle holds it open without
// delete sharing, and the runtime opens every file so. When the target is
// the document's own source, the source file is closed for the replace
// (the stream keeps its state) and opened again when the replace failed,
// so that the document stays usable.
class SourceRelease {
 public:
  SourceRelease(ExifDocument &document, const char *target) {
    auto *source = dynamic_cast<FileStream *>(document.stream);
    if (source == nullptr) return;
    const int file = OpenNamedDescriptor(target, FileOpenMode::kRead);
    if (file < 0) return;
    const bool same = IdentityOfDescriptor(file) == source->Identity();
    CloseDescriptor(file);
    if (!same) return;
    source->ReleaseFile();
    source_ = source;
    target_ = target;
  }
  // After a failed replace the target is still the source file.
  void Restore() {
    if (source_ != nullptr) (void)source_->ResumeWith(OpenNamedDescriptor(target_, FileOpenMode::kRead));
  }

 private:
  FileStream *source_ = nullptr;
  const char *target_ = nullptr;
};
#else
// Elsewhere a file open for reading can be replaced.
class SourceRelease {
 public:
  SourceRelease(ExifDocument &, const char *) {}
  void Restore() {}
};
#endif

}  // namespace

SaveResult WriteReplacement(ExifDocument &document, const char *fileName, ReplacementFile &replacement) {
  if (fileName == nullptr) return SaveResult::kBadName;
  if (document.format != kFormatJpeg && document.format != kFormatTiff) return SaveResult::kUnsupportedDocument;
  switch (replacement.Create(fileName)) {
    case ReplacementFile::Status::kCreated: break;
    case ReplacementFile::Status::kBadTarget: return SaveResult::kBadName;
    case ReplacementFile::Status::kNotCreated: return SaveResult::kTemporaryNotCreated;
  }
  ByteStream *audio = nullptr;
  if (document.audioFileName != nullptr && CreateFileStream(&audio, document.audioFileName, kOpenRead) == 0) {
    return SaveResult::kSoundFileUnreadable;
  }
  FileStream *out = FileStream::Wrap(replacement.OpenForWriting());
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
  return written ? SaveResult::kSaved : SaveResult::kWriteFailed;
}

SaveResult SaveDocument(ExifDocument &document, const char *fileName) {
  ReplacementFile replacement;
  if (const SaveResult written = WriteReplacement(document, fileName, replacement); written != SaveResult::kSaved) {
    return written;
  }
  SourceRelease release(document, fileName);
  if (!replacement.Commit()) {
    release.Restore();
    return SaveResult::kReplaceFailed;
  }
  ReleaseStream(document.stream);
  document.stream = nullptr;
  return SaveResult::kSaved;
}

}  // namespace kexif
