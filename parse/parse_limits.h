// Bounds that keep a parse of hostile data finite and its memory in
// proportion to the data.
#ifndef KEXIF_PARSE_PARSE_LIMITS_H
#define KEXIF_PARSE_PARSE_LIMITS_H

#include <cstdint>

namespace kexif {

// Directories followed along one chain of next-directory offsets. A chain
// that reaches this length ends there, as if the next offset were 0.
inline constexpr int32_t kMaxDirectoriesInChain = 1000;

// Out-of-line value bytes one TIFF parse may copy into the tree: a fixed
// allowance plus a multiple of the stream's size, capped. Entries may share
// value bytes, so a little more than the stream's size is legitimate;
// thousands of directories pointing at one large value are not.
inline constexpr int64_t kValueBytesAllowance = 1 << 20;
inline constexpr int64_t kValueBytesPerStreamByte = 4;
inline constexpr int64_t kMaxValueBytesPerParse = int64_t{256} << 20;

// The JPEG scanner reads the file in blocks of this size: large enough that
// a 10 MB photo costs a few dozen reads, small enough to stay in cache.
inline constexpr int32_t kScanBlockSize = 256 * 1024;
// The block of a smaller file is the file's size, but never below this.
inline constexpr int32_t kMinScanBlockSize = 4 * 1024;
// The block of a scan that stops at the first SOS: a few segment headers'
// worth, served from the file stream's own buffer, so that the scan reads
// little past the head.
inline constexpr int32_t kHeadBlockSize = 512;

// Longest diagnostic line; longer lines are cut.
inline constexpr int32_t kMaxDiagnosticLine = 600;

// IPTC records: 5 header bytes, the data length is the header's last byte.
inline constexpr int32_t kIptcHeaderSize = 5;
inline constexpr uint8_t kIptcTagMarker = 0x1C;

}  // namespace kexif

#endif
