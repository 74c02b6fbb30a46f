// Conversion of big-endian UCS-2 / UTF-16 text (Joliet names) to UTF-8, and of names
// in text files other programs wrote.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnwick::platform {

// Surrogate pairs become one character, an unpaired surrogate becomes U+FFFD, and an
// odd trailing byte is ignored.
std::string Utf16BeToUtf8(const std::uint8_t* data, std::size_t byteLength);

// A name from a text file another program wrote (a cue sheet, say): as it stands when
// it is valid UTF-8, else read as Windows-1252, what programs on Windows wrote for
// years, and given in UTF-8. A byte that code page leaves undefined becomes U+FFFD.
std::string ForeignTextToUtf8(const std::string& text);

// Whether the bytes are well-formed UTF-8: no stray continuation byte, no sequence
// cut short, no overlong form, no surrogate and nothing above U+10FFFF.
bool IsValidUtf8(const std::string& text);

}  // namespace tarnwick::platform
