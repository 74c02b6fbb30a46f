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

// Length of the well-formed UTF-8 sequence of two to four bytes starting at text[i],
// or 0 when the bytes there do not form one (overlong forms, surrogates and values
// above U+10FFFF included).
std::size_t Utf8SequenceLength(const std::string& text, std::size_t i);

// Whether the bytes are well-formed UTF-8 throughout.
bool IsValidUtf8(const std::string& text);

}  // namespace tarnwick::platform
