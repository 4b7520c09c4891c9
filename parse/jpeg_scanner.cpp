#include "parse/jpeg_scanner.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "model/exif_constants.h"
#include "parse/diagnostics.h"
#include "parse/parse_limits.h"
#include "parse/tiff_parser.h"
#include "stream/owned_stream.h"

namespace kexif {
namespace {

constexpr int32_t kMarkerSize = 2;
constexpr int32_t kLengthFieldSize = 2;
constexpr int32_t kIdentifierSize = 4;
constexpr int32_t kMinSegmentLength = 2;  // the length field counts itself
constexpr uint8_t kMarkerPrefix = 0xFF;
constexpr int kNoByte = -1;
constexpr char kExifIdentifier[] = "Exif";

// Reads the stream in blocks and hands out bytes by absolute position, so
// that the scan costs one stream call per block rather than per byte.
class BlockInput {
 public:
  // No byte at or past limit is read: the data ends there.
  BlockInput(ByteStream &stream, int32_t blockSize, int64_t limit) : stream_(stream), limit_(limit) {
    const int32_t start = stream.Tell();
    base_ = start > 0 ? start : 0;
    // A file smaller than a block gets a buffer of its own size; the
    // buffer's contents are always written before they are read.
    const int64_t size = std::clamp<int64_t>(stream.Size() - base_, std::min(kMinScanBlockSize, blockSize), blockSize);
    capacity_ = static_cast<int32_t>(size);
    buffer_.reset(new uint8_t[static_cast<size_t>(capacity_)]);
  }

  int64_t Position() const { return base_ + index_; }

  // Makes at least one byte available; false at the end of the data.
  bool Ready() {
    if (index_ < length_) return true;
    base_ += length_;
    index_ = 0;
    length_ = 0;
    // Once a read has met the end, the stream reports it (as the byte-wise
    // scan's end test does) and nothing more is read.
    if (atEnd_) return false;
    if (streamMoved_) {
      streamMoved_ = false;
      if (base_ > INT32_MAX) return false;
      stream_.Seek(kSeekFromStart, static_cast<int32_t>(base_));
    }
    int32_t want = capacity_;
    if (limit_ - base_ < want) {
      atEnd_ = true;
      if (base_ >= limit_) return false;
      want = static_cast<int32_t>(limit_ - base_);
    }
    length_ = stream_.Read(buffer_.get(), want);
    if (length_ < 0) length_ = 0;
    if (length_ < want && stream_.AtEnd() != 0) atEnd_ = true;
    return length_ > 0;
  }
  const uint8_t *Data() const { return buffer_.get() + index_; }
  int32_t Available() const { return length_ - index_; }
  void Advance(int32_t n) { index_ += n; }

  int NextByte() {
    if (!Ready()) return kNoByte;
    return buffer_[index_++];
  }

  // Moves to an absolute position ahead, within the block when it lies
  // there, else by seeking the stream.
  void MoveTo(int64_t position) {
    if (position >= base_ && position <= base_ + length_) {
      index_ = static_cast<int32_t>(position - base_);
      return;
    }
    Restart(position);
  }

  // Goes on at position after someone else has moved the stream: the block
  // still holds the file's bytes, so a position inside it is served from
  // there and the stream is put back when the block is used up.
  void Resume(int64_t position) {
    if (position >= base_ && position <= base_ + length_) {
      index_ = static_cast<int32_t>(position - base_);
      streamMoved_ = true;
      return;
    }
    Restart(position);
  }

  // Forgets the block and goes on at position.
  void Restart(int64_t position) {
    index_ = length_ = 0;
    streamMoved_ = false;
    atEnd_ = false;
    if (position > INT32_MAX) {
      ended_ = true;
      base_ = position;
      return;
    }
    base_ = position;
    stream_.Seek(kSeekFromStart, static_cast<int32_t>(position));
  }

  bool Ended() const { return ended_; }

 private:
  ByteStream &stream_;
  int64_t limit_;
  std::unique_ptr<uint8_t[]> buffer_;
  int32_t capacity_ = 0;
  int64_t base_ = 0;  // stream position of buffer_[0]
  int32_t index_ = 0;
  int32_t length_ = 0;
  bool ended_ = false;
  bool atEnd_ = false;        // the last read met the end of the stream
  bool streamMoved_ = false;  // the stream no longer stands at base_ + length_
};

void DiagnoseSegment(int32_t marker, int32_t length) {
  if (!DiagnosticsEnabled()) return;
  switch (marker) {
    case kMarkerSof0: Diagnose("SOF0:Baseline DCT mode len=%d\n", length); return;
    case kMarkerDht: Diagnose("DHT:Definition of Huffman Table len=%d\n", length); return;
    case kMarkerSos: Diagnose("SOS:Start Of Scan len=%d\n", length); return;
    case kMarkerDqt: Diagnose("DQT:Define Quantization Table len=%d\n", length); return;
    case kMarkerDri: Diagnose("DRI:Define restart interval len=%d\n", length); return;
    default: break;
  }
  if (marker >= 0xC1 && marker <= 0xCF) {
    Diagnose("SOF%d:Start of Frame len=%d\n", marker & 0x0F, length);
  } else if (marker >= 0xF0 && marker <= 0xFD) {
    Diagnose("JPG%d:JPEG extension len=%d\n", marker & 0x0F, length);
  } else {
    Diagnose("???:Unknown marker[%02X] len=%d\n", marker, length);
  }
}

class Scanner {
 public:
  // stopAtScan: the scan ends after the first SOS header. scanStarted: the
  // stream stands after the first SOS header already (a resumed scan).
  Scanner(ByteStream &stream, TreeBuilder &builder, bool stopAtScan, bool scanStarted, int32_t blockSize,
          int64_t limit = INT64_MAX)
      : stream_(stream), builder_(builder), in_(stream, blockSize, limit), stopAtScan_(stopAtScan),
        scanStarted_(scanStarted) {}

  // Where the scan stands: after a scan to the end, the end of the data (or
  // further, when the last segment claimed more bytes than there were).
  int64_t Position() const { return in_.Position(); }

  // Where a scan that stopped at the first SOS header would go on, or -1
  // when the scan went to the end of the data.
  int64_t ResumePosition() const { return stopped_ ? headEnd_ : -1; }

  int Run() {
    while (!stopped_ && !in_.Ended() && in_.Ready()) {
      // Everything up to the next 0xFF is run bytes.
      const uint8_t *data = in_.Data();
      const int32_t available = in_.Available();
      const void *prefix = std::memchr(data, kMarkerPrefix, static_cast<size_t>(available));
      const int32_t plain =
          prefix != nullptr ? static_cast<int32_t>(static_cast<const uint8_t *>(prefix) - data) : available;
      if (plain > 0) {
        CountRun(in_.Position(), plain);
        in_.Advance(plain);
        continue;
      }
      const int64_t prefixPosition = in_.Position();
      in_.Advance(1);
      // The byte after 0xFF is always the marker code (FF FF is marker FF).
      const int marker = in_.NextByte();
      if (marker == kNoByte) {
        CountRun(prefixPosition, 1);  // a lone 0xFF ends the data
        break;
      }
      if (!OnMarker(marker, prefixPosition)) return 0;
    }
    // Bytes after the last EOI (a trailer, a video some cameras append) are
    // recorded too, so that a save keeps them. (A scan stopped at the first
    // SOS has just recorded that segment: nothing is pending.)
    if (run_ > 0) RecordRun();
    return 1;
  }

 private:
  // Acts on marker m met at position p (of its 0xFF); false on failure.
  bool OnMarker(int m, int64_t p) {
    if (m == 0x00) return Pair(p);
    if (m == kMarkerSoi) {
      Record(kMarkerSoi, 0, 0, nullptr);
      return true;
    }
    if (m == kMarkerEoi) {
      Record(kMarkerEoi, 0, 0, nullptr);
      return true;
    }
    if (m >= kMarkerApp0 && m <= kMarkerApp15) return AppSegment(m, p);
    if (m == kMarkerSos) {
      if (scanStarted_) return Pair(p);
      scanStarted_ = true;
      if (!PlainSegment(m, p)) return false;
      // The segment was recorded unless its length field was cut off,
      // which ends the data anyway.
      if (stopAtScan_ && in_.Position() >= p + kMarkerSize + kLengthFieldSize) {
        stopped_ = true;
        headEnd_ = in_.Position();
      }
      return true;
    }
    // RST0-RST7 and the other codes of the D0-DF range without a segment
    // (DQT and DRI have one).
    if (m >= 0xD0 && m <= 0xDF && m != kMarkerDqt && m != kMarkerDri) return Pair(p);
    if (scanStarted_) return Pair(p);
    return PlainSegment(m, p);
  }

  bool Pair(int64_t p) {
    CountRun(p, 2);
    return true;
  }

  void CountRun(int64_t start, int32_t n) {
    if (run_ == 0) runStart_ = start;
    run_ += n;
  }

  void RecordRun() {
    Diagnose("Skip %d byte(s)\n", run_);
    builder_.OnSegment(kIdRawRun, run_, static_cast<int32_t>(runStart_), nullptr)->rawRun = true;
    run_ = 0;
  }

  // Records a segment after the pending run, so that every raw-run node
  // covers contiguous bytes and the top-level chain keeps the file's order:
  // a save that writes the chain then reproduces the file.
  // An APP1 "Exif" segment after the first SOS (the Exif data of a preview
  // image appended to the file, for one) is kept as a plain segment: the
  // photo's own Exif data is the one in front of its image data, the one
  // readers look for.
  void Record(int32_t marker, int32_t length, int32_t offset, const uint8_t *identifier) {
    if (run_ > 0) RecordRun();
    SegmentNode *const exifBefore = builder_.document->exifSegment;
    builder_.OnSegment(marker, length, offset, identifier);
    if (scanStarted_) builder_.document->exifSegment = exifBefore;
  }

  // Reads a segment's length field. A field cut off by the end of the data
  // makes the marker and what there is of the field run bytes.
  bool ReadLength(int64_t p, int32_t *length) {
    const int high = in_.NextByte();
    const int low = in_.NextByte();
    if (low == kNoByte) {
      CountRun(p, high == kNoByte ? 2 : 3);
      return false;
    }
    *length = high * 256 + low;
    return true;
  }

  // Returns false on failure; a cut-off length field ends the data, which
  // the caller notices on its next read.
  bool PlainSegment(int m, int64_t p) {
    int32_t length = 0;
    if (!ReadLength(p, &length)) return true;
    if (length < kMinSegmentLength) return false;
    DiagnoseSegment(m, length);
    const int64_t payload = in_.Position();
    Record(m, length - kLengthFieldSize, static_cast<int32_t>(payload), nullptr);
    in_.MoveTo(payload + length - kLengthFieldSize);
    return true;
  }

  bool AppSegment(int m, int64_t p) {
    const int64_t lengthPosition = p + 2;
    int32_t length = 0;
    if (!ReadLength(p, &length)) return true;
    if (length < kMinSegmentLength) {
      // In front of the image data such a segment leaves the file without a
      // readable structure; behind it, the four bytes are kept as run bytes
      // (a save writes them back as they were) and the scan goes on.
      if (!scanStarted_) return false;
      CountRun(p, kMarkerSize + kLengthFieldSize);
      return true;
    }
    // The identifier is made of the payload bytes there really are.
    uint8_t identifier[kIdentifierSize] = {0, 0, 0, 0};
    int32_t wanted = length - kLengthFieldSize;
    if (wanted > kIdentifierSize) wanted = kIdentifierSize;
    int32_t present = 0;
    for (; present < wanted; ++present) {
      const int b = in_.NextByte();
      if (b == kNoByte) break;
      identifier[present] = static_cast<uint8_t>(b);
    }
    if (DiagnosticsEnabled()) {
      Diagnose("APP%d:APPlication uint len=%d(%Xh) \"%c%c%c%c\"\n", m - kMarkerApp0, length, length,
               identifier[0], identifier[1], identifier[2], identifier[3]);
    }
    Record(m, length - kLengthFieldSize, static_cast<int32_t>(lengthPosition + kLengthFieldSize), identifier);
    const int64_t after = lengthPosition + length;
    if (m == kMarkerApp1 && !scanStarted_ && present == kIdentifierSize &&
        std::memcmp(identifier, kExifIdentifier, kIdentifierSize) == 0) {
      if (!ParseExif(lengthPosition + kLengthFieldSize + kExifHeaderSize, length)) return false;
      in_.Resume(after);
    } else {
      in_.MoveTo(after);
    }
    return true;
  }

  // Parses the TIFF data that begins at tiffStart in place.
  bool ParseExif(int64_t tiffStart, int32_t length) {
    if (tiffStart > INT32_MAX) return false;
    stream_.Seek(kSeekFromStart, static_cast<int32_t>(tiffStart));
    ByteStream *window = nullptr;
    if (CreateStreamWindow(&window, &stream_, length) == 0) return false;
    const OwnedStream owned(window);
    return ParseTiff(*window, builder_) != 0;
  }

  ByteStream &stream_;
  TreeBuilder &builder_;
  BlockInput in_;
  int32_t run_ = 0;
  int64_t runStart_ = 0;
  bool stopAtScan_;
  bool scanStarted_;
  bool stopped_ = false;
  int64_t headEnd_ = -1;
};

}  // namespace

int ScanJpeg(ByteStream &stream, TreeBuilder &builder) {
  Scanner scanner(stream, builder, false, false, kScanBlockSize);
  return scanner.Run();
}

int ScanJpegHead(ByteStream &stream, TreeBuilder &builder, int64_t *resumeAt) {
  // Small blocks: they are served from the stream's own buffer, which the
  // Exif parse reads through too, so the head is read from the file once.
  Scanner scanner(stream, builder, true, false, kHeadBlockSize);
  const int result = scanner.Run();
  *resumeAt = scanner.ResumePosition();
  return result;
}

int ScanJpegRest(ByteStream &stream, TreeBuilder &builder, int64_t resumeAt, int64_t end, int64_t *reached) {
  *reached = resumeAt;
  if (resumeAt < 0) return 1;
  if (resumeAt > INT32_MAX) return 1;  // past any file a stream can open
  stream.Seek(kSeekFromStart, static_cast<int32_t>(resumeAt));
  Scanner scanner(stream, builder, false, true, kScanBlockSize, end);
  const int result = scanner.Run();
  *reached = scanner.Position();
  return result;
}

}  // namespace kexif
