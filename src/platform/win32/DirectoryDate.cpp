#include "platform/DirectoryDate.h"

#include "platform/win32/LocalTime.h"
#include "platform/win32/OwnedHandle.h"
#include "platform/win32/WideText.h"

namespace tarnwick::platform {

// A directory is opened with backup semantics (the C runtime's time setters open
// files only, so they fail on directories) and dated like a file.
bool SetDirectoryLastWrite(const std::string& path, const LocalDateTime& lastWrite) {
  bool ok = false;
  const std::wstring wide = Utf8ToWide(path, &ok);
  if (!ok || path.empty()) return false;
  FILETIME when{};
  if (!LocalToFileTime(lastWrite, when)) return false;
  const OwnedWin32Handle directory(::CreateFileW(wide.c_str(), FILE_WRITE_ATTRIBUTES,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!directory) return false;
  return ::SetFileTime(directory.get(), nullptr, nullptr, &when) != 0;
}

}  // namespace tarnwick::platform
