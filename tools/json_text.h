// JSON text for the tool's machine-readable output.
#ifndef KEXIF_TOOLS_JSON_TEXT_H
#define KEXIF_TOOLS_JSON_TEXT_H

#include <string>
#include <string_view>

namespace kexif::cli {

// The text as a quoted JSON string: quote, backslash and control characters
// escaped, well-formed UTF-8 passed through. A byte that is no part of
// well-formed UTF-8 (a Latin-1 file name, say) becomes the lone surrogate
// \udc80..\udcff of that byte, so the output stays valid UTF-8 and a reader
// that keeps lone surrogates (Python's json, with the surrogateescape error
// handler when encoding back) recovers the original bytes.
std::string JsonString(std::string_view text);

}  // namespace kexif::cli

#endif
