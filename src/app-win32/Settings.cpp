#include "app-win32/Settings.h"

#include <windows.h>

#include "app-win32/WinText.h"

namespace tarnwick::win {

namespace {

constexpr const wchar_t* kKey = L"Software\\Tarnwick";

}  // namespace

std::string ReadSetting(const wchar_t* name) {
  wchar_t value[1024] = {};
  DWORD bytes = sizeof value - sizeof(wchar_t);
  if (::RegGetValueW(HKEY_CURRENT_USER, kKey, name, RRF_RT_REG_SZ, nullptr, value, &bytes) != ERROR_SUCCESS) return {};
  return Narrow(value);
}

void WriteSetting(const wchar_t* name, const std::string& value) {
  const std::wstring wide = Wide(value);
  ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, name, REG_SZ, wide.c_str(),
                    static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
}

}  // namespace tarnwick::win
