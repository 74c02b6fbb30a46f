#include "platform/LinkDate.h"

#include "platform/win32/OwnedHandle.h"
#include "platform/win32/WideText.h"

namespace tarnwick::platform {

// The link itself is opened (not what it points to), with backup semantics so that a
// link to a directory opens too.
bool SetLinkLastWrite(const std::string& path, std::int64_t unixSeconds) {
  bool ok = false;
  const std::wstring wide = Utf8ToWide(path, &ok);
  if (!ok || path.empty()) return false;
  // FILETIME counts 100-nanosecond steps from 1601.
  const std::uint64_t ticks = static_cast<std::uint64_t>(unixSeconds + 11644473600LL) * 10000000ULL;
  FILETIME when{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  const OwnedWin32Handle link(::CreateFileW(wide.c_str(), FILE_WRITE_ATTRIBUTES,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!link) return false;
  return ::SetFileTime(link.get(), nullptr, &when, &when) != 0;
}

// Making a link needs a right that ordinary accounts lack unless developer mode is on,
// some file systems hold none, and the run-time library may not offer it at all.
bool LinksRefusedHere(const std::error_code& error) {
  if (error.category() != std::system_category())
    return error == std::errc::operation_not_permitted || error == std::errc::function_not_supported ||
           error == std::errc::not_supported;
  const int code = error.value();
  return code == ERROR_PRIVILEGE_NOT_HELD || code == ERROR_ACCESS_DENIED || code == ERROR_NOT_SUPPORTED ||
         code == ERROR_INVALID_FUNCTION || code == ERROR_CALL_NOT_IMPLEMENTED;
}

}  // namespace tarnwick::platform
