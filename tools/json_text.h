// JSON text for the tool's machine-readable output.
#ifndef KEXIF_TOOLS_JSON_TEXT_H
#define KEXIF_TOOLS_JSON_TEXT_H

#include <string>
#include <string_view>

namespace kexif::cli {

// A byte that is not part of well-formed UTF-8 is written as the escape of
// the lone surrogate U+DC00 + byte (U+DC80..U+DCFF), the convention by
// which file names that are not UTF-8 pass through text intact (Python's
// "surrogateescape"): the JSON stays valid, and the exact bytes can be
// recovered.
inline constexpr unsigned kLoneByteBase = 0xDC00;

// The text as a quoted JSON string: quote, backslash and control
// characters escaped; well-formed UTF-8 passes through, other bytes are
// escaped as above.
std::string JsonString(std::string_view text);

}  // namespace kexif::cli

#endif
