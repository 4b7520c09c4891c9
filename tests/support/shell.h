// Running outside tools from tests (exiftool as an independent reader of
// saved files).
#ifndef KEXIF_TESTS_SUPPORT_SHELL_H
#define KEXIF_TESTS_SUPPORT_SHELL_H

#include <string>

#include "tests/support/tiff_builder.h"

namespace kexif::test {

// The standard output of a shell command; empty when it cannot be run.
std::string Shell(const std::string &command);

// True when exiftool can be run.
bool HaveExiftool();

// exiftool's numeric value of one tag of the file (-s3 -n), without the
// line end; empty when it reports none.
std::string ExiftoolValue(const std::string &path, const std::string &tag);

// The bytes exiftool extracts for a binary tag (-b), e.g. ThumbnailImage;
// -m, so that test streams which are not decodable JPEG still come out.
Bytes ExiftoolBinary(const std::string &path, const std::string &tag);

}  // namespace kexif::test

#endif
