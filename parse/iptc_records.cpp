#include "parse/iptc_records.h"

#include <cstdint>

#include "parse/diagnostics.h"
#include "parse/parse_limits.h"
#include "stream/checked_read.h"

namespace kexif {

int ParseIptc(ByteStream &stream) {
  // Record header: marker, record number, dataset number, length (only the
  // low byte counts).
  constexpr int kRecord = 1;
  constexpr int kDataset = 2;
  constexpr int kLength = 4;
  for (;;) {
    uint8_t header[kIptcHeaderSize];
    if (!ReadExact(stream, header, kIptcHeaderSize)) return 1;
    if (header[0] != kIptcTagMarker) return 1;
    const int32_t length = header[kLength];
    char value[256];
    if (!ReadExact(stream, value, length)) return 1;
    value[length] = '\0';
    Diagnose("IPTC-%d:%02d len=%d value=%s\n", header[kRecord], header[kDataset], length, value);
  }
}

}  // namespace kexif
