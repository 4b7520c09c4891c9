#include "parse/photoshop_resources.h"

#include <cstdint>
#include <cstring>

#include "parse/diagnostics.h"
#include "stream/byte_order.h"
#include "stream/checked_read.h"

namespace kexif {
namespace {

constexpr char kSignature[] = "8BIM";
constexpr int32_t kSignatureSize = 4;

}  // namespace

int ParsePhotoshopResources(ByteStream &window) {
  while (window.AtEnd() == 0) {
    uint8_t signature[kSignatureSize];
    if (!ReadExact(window, signature, kSignatureSize)) return 1;
    if (std::memcmp(signature, kSignature, kSignatureSize) != 0) {
      window.Seek(kSeekFromCurrent, 1 - kSignatureSize);  // on by one byte
      continue;
    }
    uint8_t idField[2];
    uint8_t nameLength = 0;
    if (!ReadExact(window, idField, 2) || !ReadExact(window, &nameLength, 1)) return 1;
    const int id = ReadBigEndian16(idField);
    // The name with its length byte fills an even number of bytes.
    char name[256];
    if (nameLength > 0 && !ReadExact(window, name, nameLength)) return 1;
    name[nameLength] = '\0';
    if (nameLength % 2 == 0) window.Seek(kSeekFromCurrent, 1);
    uint8_t sizeField[4];
    if (!ReadExact(window, sizeField, 4)) return 1;
    const uint32_t size = ReadBigEndian32(sizeField);
    if (size > static_cast<uint32_t>(INT32_MAX)) return 1;  // would step backwards
    window.Seek(kSeekFromCurrent, static_cast<int32_t>(size));
    if (size % 2 != 0) window.Seek(kSeekFromCurrent, 1);
    if (nameLength > 0) {
      Diagnose("8BIM %d [%04X] size=%d name=[%s]\n", id, id, static_cast<int32_t>(size), name);
    } else {
      Diagnose("8BIM %d [%04X] size=%d\n", id, id, static_cast<int32_t>(size));
    }
  }
  return 1;
}

}  // namespace kexif
