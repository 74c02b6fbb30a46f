// Names of entries: ASCII upper-casing, character counting of UTF-8 text, short
// names, and the two name readers of the directory trees (supplementary names in
// big-endian UCS-2, primary names with a ";version" suffix).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnwick {

// Upper-cases ASCII a to z only.
std::string AsciiUpper(std::string text);

// Number of characters of UTF-8 text (bytes that do not continue a sequence).
std::size_t CharCount(const std::string& text);

// The short name of a long name: its first 13 characters upper-cased, every
// character below "!" or above "z" (non-ASCII ones included) replaced by "_";
// written NUL-terminated and NUL-padded into the 14 bytes.
void MakeShortName(const std::string& longName, char (&shortName)[14]);

// A supplementary-tree name: `byteLength` / 2 big-endian UCS-2 characters, cut
// before the first ";" from the third character on, converted whole to the system's
// 8-bit text and cut at a NUL character.
std::string JolietName(const std::uint8_t* name, std::size_t byteLength);

// A primary-tree name without its version: cut at the first ";" and at a NUL.
std::string StripVersion(const std::string& name);

}  // namespace tarnwick
