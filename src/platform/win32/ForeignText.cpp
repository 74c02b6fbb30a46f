// Names in foreign text files through the system's code page conversion.
#include <climits>
#include <string>

#include "platform/Text.h"
#include "platform/win32/SystemHeaders.h"
#include "platform/win32/WideText.h"

namespace tarnwick::platform {

std::string ForeignTextToUtf8(const std::string& text) {
  bool utf8 = false;
  Utf8ToWide(text, &utf8);
  if (utf8 || text.size() > static_cast<std::size_t>(INT_MAX)) return text;
  const int length = static_cast<int>(text.size());
  const int units = ::MultiByteToWideChar(1252, 0, text.data(), length, nullptr, 0);
  if (units <= 0) return text;
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  ::MultiByteToWideChar(1252, 0, text.data(), length, wide.data(), units);
  // The five bytes the code page leaves undefined come through as the control
  // characters of the same number; they are no characters of a name.
  for (wchar_t& c : wide) {
    if (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D) c = 0xFFFD;
  }
  return WideToUtf8(wide);
}

}  // namespace tarnwick::platform
