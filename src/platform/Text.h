// Conversion of big-endian UCS-2 / UTF-16 text (Joliet names) to UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnwick::platform {

// Surrogate pairs become one character, an unpaired surrogate becomes U+FFFD, and an
// odd trailing byte is ignored.
std::string Utf16BeToUtf8(const std::uint8_t* data, std::size_t byteLength);

}  // namespace tarnwick::platform
