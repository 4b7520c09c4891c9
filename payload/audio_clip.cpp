#include "payload/audio_clip.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "model/tree_search.h"
#include "parse/fpxr_layout.h"
#include "platform/file_open.h"
#include "save/source_copy.h"
#include "stream/file_stream.h"

namespace kexif {

namespace {

constexpr uint16_t kNoClip = 0xFFFF;

bool IsFileApp2(const MetaNode *node) {
  const SegmentNode *s = AsSegmentNode(node);
  return s != nullptr && s->id == kMarkerApp2 && !s->addedAudio;
}

SegmentNode *NextFileApp2(MetaNode *from) {
  for (MetaNode *n = from; n != nullptr; n = n->next) {
    if (IsFileApp2(n)) return AsSegmentNode(n);
  }
  return nullptr;
}

bool HasAddedAudio(const ExifDocument &document) {
  for (const MetaNode *n = document.root; n != nullptr; n = n->next) {
    const SegmentNode *s = AsSegmentNode(n);
    if (s != nullptr && s->addedAudio) return true;
  }
  return false;
}

// A file APP2 payload in memory. Remembers whether it had to be read, so
// that only payloads read here from the file are dropped again; payloads
// that exist only in memory are never dropped.
class LoadedPayload {
 public:
  LoadedPayload(ExifDocument &document, SegmentNode *segment) : segment_(segment) {
    wasOnDisk_ = segment->payloadState == kPayloadOnDisk;
    ok_ = segment->LoadPayload(document.stream) == 1 && segment->data != nullptr;
  }
  bool ok() const { return ok_; }
  const uint8_t *data() const { return segment_->data; }
  int32_t length() const { return segment_->dataLength; }
  void Drop() {
    if (wasOnDisk_ && ok_) segment_->DropPayload();
  }

 private:
  SegmentNode *segment_;
  bool wasOnDisk_ = false;
  bool ok_ = false;
};

bool WriteAll(ByteStream &out, const uint8_t *bytes, int64_t length) {
  return length <= 0 || out.Write(bytes, static_cast<int32_t>(length)) == length;
}

// Copies the set sound file, as the added segments describe it, to name.
bool CopyAddedAudio(ExifDocument &document, const void *name) {
  ByteStream *sound = nullptr;
  if (document.audioFileName == nullptr || CreateFileStream(&sound, document.audioFileName, kOpenRead) == 0) {
    return false;
  }
  std::unique_ptr<ByteStream, void (*)(ByteStream *)> soundGuard(sound, ReleaseStream);
  const FileIdentity keep[] = {IdentityOfStream(document.stream), IdentityOfStream(sound)};
  ByteStream *created = nullptr;
  if (CreateOutputFileStream(&created, name, keep) == 0) return false;
  std::unique_ptr<FileStream> out(static_cast<FileStream *>(created));
  bool ok = true;
  for (MetaNode *n = document.root; n != nullptr && ok; n = n->next) {
    SegmentNode *s = AsSegmentNode(n);
    if (s != nullptr && s->addedAudio) ok = CopyStreamRange(*sound, s->fileOffset, s->dataLength, *out);
  }
  return out->Close() && ok;
}

MetaNode *AudioAnchor(ExifDocument &document) {
  MetaNode *app0 = nullptr;
  MetaNode *soi = nullptr;
  for (MetaNode *n = document.root; n != nullptr; n = n->next) {
    if (n->id == kMarkerApp1) {
      while (n->next != nullptr && n->next->id == kMarkerApp1) n = n->next;
      return n;
    }
    if (n->id == kMarkerApp0 && app0 == nullptr) app0 = n;
    if (n->id == kMarkerSoi && soi == nullptr) soi = n;
  }
  return app0 != nullptr ? app0 : soi;
}

}  // namespace

int IsAudioExist(ExifDocument &document) {
  if (HasAddedAudio(document)) return 1;
  if (document.audioSearched != 0) return document.audioExists != 0 ? 1 : 0;
  for (SegmentNode *s = NextFileApp2(document.root); s != nullptr; s = NextFileApp2(s->next)) {
    LoadedPayload payload(document, s);
    if (payload.ok() && IsClipStart(payload.data(), payload.length())) {
      document.audioExists = 1;
      document.audioSegment = s;
      return 1;
    }
    payload.Drop();
  }
  return document.audioExists != 0 ? 1 : 0;
}

int GetAudioFile(ExifDocument &document, const void *name) {
  if (name == nullptr) return 0;
  if (HasAddedAudio(document)) return CopyAddedAudio(document, name) ? 1 : 0;
  if (NextFileApp2(document.root) == nullptr) {
    document.audioSearched = 2;
    return 0;
  }
  // The clip's segments are gathered (their payloads held) before any file
  // is made, so that a clip whose later parts are missing leaves no short
  // file behind.
  struct Piece {
    LoadedPayload payload;
    int32_t skip;  // header bytes before the clip's own bytes
  };
  std::vector<Piece> pieces;
  uint16_t clipIndex = kNoClip;
  int64_t remaining = 0;
  for (SegmentNode *s = NextFileApp2(document.root); s != nullptr; s = NextFileApp2(s->next)) {
    LoadedPayload payload(document, s);
    if (!payload.ok()) continue;
    const uint8_t *p = payload.data();
    const int32_t length = payload.length();
    if (IsClipStart(p, length) && pieces.empty()) {
      remaining = static_cast<int64_t>(ClipRiffSize(p)) + 8 - (length - kClipDataOffset);
      clipIndex = FpxrStreamIndex(p);
      pieces.push_back({payload, kClipDataOffset});
      document.audioExists = 1;
      document.audioSegment = s;
    } else if (!pieces.empty() && remaining > 0 && !IsClipStart(p, length) &&
               IsClipContinuation(p, length, clipIndex)) {
      remaining -= length - kFpxrHeaderSize;
      pieces.push_back({payload, kFpxrHeaderSize});
    } else {
      payload.Drop();  // a second clip start while the first is open, or no part
      continue;
    }
    if (remaining <= 0) break;
  }
  document.audioSearched = 2;
  int result = 0;
  if (!pieces.empty() && remaining <= 0) {
    ByteStream *created = nullptr;
    const FileIdentity keep[] = {IdentityOfStream(document.stream)};
    if (CreateOutputFileStream(&created, name, keep) != 0) {
      std::unique_ptr<FileStream> out(static_cast<FileStream *>(created));
      bool writeOk = true;
      for (const Piece &piece : pieces) {
        writeOk = WriteAll(*out, piece.payload.data() + piece.skip, piece.payload.length() - piece.skip) && writeOk;
      }
      result = out->Close() && writeOk ? 1 : 0;
    }
  }
  for (Piece &piece : pieces) piece.payload.Drop();
  return result;
}

void RemoveAudio(ExifDocument &document) {
  for (MetaNode *n = document.root; n != nullptr;) {
    MetaNode *after = n->next;
    SegmentNode *s = AsSegmentNode(n);
    if (s != nullptr && s->addedAudio) document.RemoveNode(s);
    n = after;
  }
  document.audioFileName = nullptr;
  uint16_t clipIndex = kNoClip;
  int64_t remaining = 0;
  for (SegmentNode *s = NextFileApp2(document.root); s != nullptr;) {
    MetaNode *after = s->next;
    LoadedPayload payload(document, s);
    const uint8_t *p = payload.data();
    const int32_t length = payload.length();
    if (payload.ok() && IsClipStart(p, length)) {
      remaining = static_cast<int64_t>(ClipRiffSize(p)) + 8 - (length - kClipDataOffset);
      clipIndex = FpxrStreamIndex(p);
      document.RemoveNode(s);
    } else if (payload.ok() && remaining > 0 && IsClipContinuation(p, length, clipIndex)) {
      remaining -= length - kFpxrHeaderSize;
      document.RemoveNode(s);
      // This clip is gone; the walk goes on, so that a second clip in the
      // file goes as well and the document is left without sound.
      if (remaining <= 0) clipIndex = kNoClip;
    }
    s = NextFileApp2(after);
  }
}

int SetAudioFile(ExifDocument &document, const void *name) {
  if (document.format != kFormatJpeg || name == nullptr || AudioAnchor(document) == nullptr) return 0;
  int64_t size = -1;
  std::FILE *file = OpenNamedFile(name, FileOpenMode::kRead, &size);
  if (file == nullptr) return 0;
  std::fclose(file);
  if (size <= 0 || size > INT32_MAX) return 0;
  // Both readings of the name stay possible: three zero bytes end the
  // 8-bit reading and the 16-bit one at either byte parity.
  std::string copy(static_cast<const char *>(name), NameCopyLength(name));
  copy.append(3, '\0');

  std::vector<std::unique_ptr<SegmentNode>> chunks;
  for (int64_t offset = 0; offset < size; offset += kMaxAudioChunk) {
    const int32_t length = static_cast<int32_t>(std::min<int64_t>(size - offset, kMaxAudioChunk));
    std::unique_ptr<SegmentNode> chunk(new (std::nothrow) SegmentNode(kMarkerApp2, length, static_cast<int32_t>(offset)));
    if (!chunk) return 0;
    chunk->addedAudio = true;
    chunks.push_back(std::move(chunk));
  }
  RemoveAudio(document);
  document.audioFileNameCopy = std::move(copy);
  document.audioFileName = document.audioFileNameCopy.data();
  MetaNode *previous = AudioAnchor(document);
  for (auto &chunk : chunks) {
    SegmentNode *node = chunk.release();
    InsertAfter(previous, node);
    previous = node;
  }
  return 1;
}

}  // namespace kexif
