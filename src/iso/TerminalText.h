// Text from a disc made safe to print on a terminal. A name read from a disc may
// hold control characters (an escape sequence could retitle, recolour or rewrite
// the user's terminal) or bytes that are not UTF-8; everything the command-line
// tool prints for a person goes through this function, so such a name shows as
// readable escapes instead.
#pragma once

#include <string>

namespace tarnwick {

// The text with every control character (bytes 0x00-0x1F and 0x7F, characters
// U+0080-U+009F) and every byte that is not part of a well-formed UTF-8 character
// written as an escape: "\x1b" for a byte, "\u009b" for a character. Everything
// else, backslashes included, is kept as it is.
std::string TerminalText(const std::string& text);

}  // namespace tarnwick
