#include "iso/TerminalText.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "platform/Text.h"

namespace tarnwick {
namespace {

void AppendEscape(std::string& out, const char* format, unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, format, value);
  out += text;
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
    const std::size_t length = platform::Utf8SequenceLength(text, i);
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
