// The walk of IPTC records that a 33723 entry points at. It only composes
// one diagnostic line per record ("IPTC-%d:%02d len=%d value=%s\n").
#ifndef KEXIF_PARSE_IPTC_RECORDS_H
#define KEXIF_PARSE_IPTC_RECORDS_H

#include "stream/byte_stream.h"

namespace kexif {

// The stream stands at the first record. Walks records while each begins
// with the tag marker 0x1C and arrives in full; stops at the first other
// byte, at a header of fewer than 5 bytes or at data cut short. Always 1.
int ParseIptc(ByteStream &stream);

}  // namespace kexif

#endif
