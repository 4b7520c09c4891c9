// UTF-8 and UTF-16 helpers for the tool's text output and for values that
// carry text in an encoding of their own (UTF-16 XP tags, UserComment).
#ifndef KEXIF_TOOLS_TEXT_ENCODING_H
#define KEXIF_TOOLS_TEXT_ENCODING_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kexif::cli {

// The length (2..4) of the well-formed UTF-8 sequence of a character of
// U+0080 and above that starts at text[at]; 0 when the bytes there are no
// such sequence (stray continuation byte, overlong form, surrogate, beyond
// U+10FFFF, cut short).
size_t Utf8SequenceLength(std::string_view text, size_t at);

// True when the whole text is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

// UTF-16 code units (little- or big-endian bytes) as UTF-8, up to the first
// NUL unit; an unpaired surrogate becomes U+FFFD. An odd last byte is
// ignored.
std::string Utf16ToUtf8(const uint8_t *bytes, size_t length, bool bigEndian);

// UTF-8 text as UTF-16LE bytes; bytes that are no UTF-8 become U+FFFD.
std::vector<uint8_t> Utf8ToUtf16Le(std::string_view text);

// Appends the character as UTF-8.
void AppendUtf8(std::string &out, uint32_t codePoint);

}  // namespace kexif::cli

#endif
