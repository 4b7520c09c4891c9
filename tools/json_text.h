// JSON text for the tool's machine-readable output.
#ifndef KEXIF_TOOLS_JSON_TEXT_H
#define KEXIF_TOOLS_JSON_TEXT_H

#include <string>
#include <string_view>

namespace kexif::cli {

// The text as a quoted JSON string: quote, backslash and control
// characters escaped; bytes of 0x80 and above pass through unchanged.
std::string JsonString(std::string_view text);

}  // namespace kexif::cli

#endif
