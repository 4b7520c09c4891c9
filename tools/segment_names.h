// Names of JPEG markers and the identifiers of APPn segments as people know
// them: "APP1 Exif", "APP2 ICC_PROFILE", "SOF0 baseline".
#ifndef KEXIF_TOOLS_SEGMENT_NAMES_H
#define KEXIF_TOOLS_SEGMENT_NAMES_H

#include <cstdint>
#include <cstdio>
#include <string>

#include "model/nodes.h"

namespace kexif::cli {

// "APP1", "SOF2", "DQT", "COM"...; "0xNN" for a marker without a name.
std::string MarkerName(int32_t marker);

// What a marker is for: "baseline", "progressive", "quantization tables";
// empty for APPn, whose identifier says more.
std::string MarkerPurpose(int32_t marker);

// The identifier an APPn segment's payload starts with, read in full from
// the file: the printable characters before the first NUL ("Exif",
// "ICC_PROFILE", "http://ns.adobe.com/xap/1.0/"), else the segment's
// four-byte label as far as it is printable; empty when neither is.
std::string SegmentIdentifier(std::FILE *file, const SegmentNode &segment);

}  // namespace kexif::cli

#endif
