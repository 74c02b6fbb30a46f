#include "iso/TerminalText.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace tarnwick {
namespace {

void AppendEscape(std::string& out, const char* format, unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, format, value);
  out += text;
}

// Length of the well-formed UTF-8 sequence starting at text[i] (2 to 4), or 0 when
// the bytes there do not form one (overlong forms and surrogates included).
std::size_t SequenceLength(const std::string& text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
  const std::uint8_t lead = byte(i);
  std::size_t length = 0;
  std::uint8_t low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k)
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
  return length;
}

}  // namespace

std::string TerminalText(const std::string& text) {
  // Most names are printable ASCII throughout: they are shown as they are.
  std::size_t plain = 0;
  while (plain < text.size() && text[plain] >= 0x20 && text[plain] < 0x7F) ++plain;
  if (plain == text.size()) return text;
  std::string out;
  out.reserve(text.size());
  out.assign(text, 0, plain);
  for (std::size_t i = plain; i < text.size();) {
    const auto c = static_cast<std::uint8_t>(text[i]);
    if (c < 0x80) {
      if (c < 0x20 || c == 0x7F) {
        AppendEscape(out, "\\x%02x", c);
      } else {
        out += static_cast<char>(c);
      }
      ++i;
      continue;
    }
    const std::size_t length = SequenceLength(text, i);
    if (length == 0) {
      AppendEscape(out, "\\x%02x", c);
      ++i;
      continue;
    }
    // U+0080 to U+009F are C2 80 to C2 9F: the second set of control characters.
    if (c == 0xC2 && static_cast<std::uint8_t>(text[i + 1]) <= 0x9F) {
      AppendEscape(out, "\\u%04x", static_cast<std::uint8_t>(text[i + 1]));
    } else {
      out.append(text, i, length);
    }
    i += length;
  }
  return out;
}

}  // namespace tarnwick
