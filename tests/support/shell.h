// Running outside tools from tests (exiftool as an independent reader of
// saved files).
#ifndef KEXIF_TESTS_SUPPORT_SHELL_H
#define KEXIF_TESTS_SUPPORT_SHELL_H

#include <string>
#include <vector>

#include "tests/support/tiff_builder.h"

namespace kexif::test {

// The standard output of a shell command; empty when it cannot be run.
std::string Shell(const std::string &command);

// True when exiftool can be run.
bool HaveExiftool();

// exiftool's numeric value of one tag of the file (-s3 -n), without the
// line end; empty when it reports none.
std::string ExiftoolValue(const std::string &path, const std::string &tag);

// Every occurrence of the tags in the file as one exiftool run reports them
// (-a -G1 -n), "GROUP=value" joined by ", " in exiftool's order, e.g.
// "IFD0=8, ExifIFD=3"; empty when there is none.
std::string ExiftoolOccurrences(const std::string &path, const std::vector<std::string> &tags);

// The bytes exiftool extracts for a binary tag (-b), e.g. ThumbnailImage;
// -m, so that test streams which are not decodable JPEG still come out.
Bytes ExiftoolBinary(const std::string &path, const std::string &tag);

}  // namespace kexif::test

#endif
