#include "iso/Names.h"

#include <cstring>

#include "platform/Platform.h"

namespace tarnwick {

std::string AsciiUpper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::size_t CharCount(const std::string& text) {
  std::size_t count = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++count;
  return count;
}

void MakeShortName(const std::string& longName, char (&shortName)[14]) {
  std::memset(shortName, 0, sizeof shortName);
  std::size_t out = 0;
  for (std::size_t i = 0; i < longName.size() && out < 13; ++i) {
    unsigned char c = static_cast<unsigned char>(longName[i]);
    if ((c & 0xC0) == 0x80) continue;  // rest of a character already replaced
    if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
    shortName[out++] = (c < 0x21 || c > 0x7A) ? '_' : static_cast<char>(c);
  }
}

std::string JolietName(const std::uint8_t* name, std::size_t byteLength) {
  std::size_t chars = byteLength / 2;
  for (std::size_t i = 2; i < chars; ++i) {
    if (name[2 * i] == 0 && name[2 * i + 1] == ';') {
      chars = i;
      break;
    }
  }
  std::string text = platform::Current().Ucs2BeToAnsi(name, chars * 2);
  if (auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
  return text;
}

std::string StripVersion(const std::string& name) {
  return name.substr(0, name.find_first_of(std::string(";\0", 2)));
}

}  // namespace tarnwick
