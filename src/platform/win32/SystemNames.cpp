#include "platform/SystemNames.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace tarnwick::platform {
namespace {

bool IsReservedChar(unsigned char c) {
  return c < 0x20 || std::string_view("<>:\"|?*\\/").find(static_cast<char>(c)) != std::string_view::npos;
}

// CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-COM9 and LPT1-LPT9 (also with the digits
// written as superscripts) name devices in every directory, also with an extension
// ("nul.txt") and with blanks or dots before it ("CON .txt").
bool IsDeviceName(const std::string& component) {
  std::string stem = component.substr(0, component.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  std::transform(stem.begin(), stem.end(), stem.begin(), [](unsigned char c) {
    return c < 0x80 ? static_cast<char>(std::toupper(c)) : static_cast<char>(c);
  });
  static constexpr std::array<std::string_view, 6> kDevices = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  if (std::find(kDevices.begin(), kDevices.end(), stem) != kDevices.end()) return true;
  if (stem.size() < 4 || (stem.compare(0, 3, "COM") != 0 && stem.compare(0, 3, "LPT") != 0)) return false;
  const std::string_view number = std::string_view(stem).substr(3);
  static constexpr std::array<std::string_view, 3> kSuperscripts = {"\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};
  return (number.size() == 1 && number[0] >= '1' && number[0] <= '9') ||
         std::find(kSuperscripts.begin(), kSuperscripts.end(), number) != kSuperscripts.end();
}

bool EndsInDotOrBlank(const std::string& component) {
  return !component.empty() && (component.back() == '.' || component.back() == ' ');
}

}  // namespace

bool IsReservedSystemName(const std::string& component) {
  return EndsInDotOrBlank(component) || IsDeviceName(component) ||
         std::any_of(component.begin(), component.end(),
                     [](char c) { return IsReservedChar(static_cast<unsigned char>(c)); });
}

std::string MakeSystemSafeName(const std::string& component) {
  std::string name = component;
  for (char& c : name) {
    if (IsReservedChar(static_cast<unsigned char>(c))) c = '_';
  }
  while (EndsInDotOrBlank(name)) name.pop_back();
  if (IsDeviceName(name)) name.insert(0, 1, '_');
  return name;
}

}  // namespace tarnwick::platform
