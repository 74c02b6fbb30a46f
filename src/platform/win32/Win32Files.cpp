// Win32Platform: local files for extraction, through UTF-16 paths.
#include <limits>
#include <random>

#include "platform/SystemNames.h"
#include "platform/win32/LocalTime.h"
#include "platform/win32/OwnedHandle.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WideText.h"

namespace tarnwick::platform {

class Win32Platform::OwnedHandle : public OwnedWin32Handle {
 public:
  using OwnedWin32Handle::OwnedWin32Handle;
};

namespace {

// The last component of a path with either separator.
std::string LastComponent(const std::string& path) {
  const auto slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void Win32Platform::SetFileError(unsigned long error) { SetFileError(SystemErrorText(error)); }

void Win32Platform::SetFileError(const std::string& message) {
  std::lock_guard lock(mutex_);
  lastFileError_ = message;
}

std::string Win32Platform::LastErrorMessage() {
  std::lock_guard lock(mutex_);
  return lastFileError_;
}

Handle Win32Platform::CreateFileForWrite(const std::string& path) {
  if (path.empty()) {
    SetFileError(ERROR_PATH_NOT_FOUND);
    return kInvalidHandle;
  }
  // A device name (NUL, COM1) or a name the system would change is never opened: the
  // data would go to a device or to another file than the one asked for.
  const std::string name = LastComponent(path);
  bool ok = false;
  const std::wstring wide = Utf8ToWide(path, &ok);
  if (!ok || name.empty() || IsReservedSystemName(name)) {
    SetFileError("Not a valid file name: " + path);
    return kInvalidHandle;
  }
  // A symbolic link or junction at the path is removed (never its target) and a plain
  // file made in its place.
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    const BOOL removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? ::RemoveDirectoryW(wide.c_str())
                                                                      : ::DeleteFileW(wide.c_str());
    if (!removed) {
      SetFileError(::GetLastError());
      return kInvalidHandle;
    }
  }
  auto file = std::make_shared<OwnedHandle>(
      ::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!*file) {
    SetFileError(::GetLastError());
    return kInvalidHandle;
  }
  if (::GetFileType(file->get()) != FILE_TYPE_DISK) {
    SetFileError("Not a regular file: " + path);
    return kInvalidHandle;
  }
  return handles_.AddFile(std::move(file));
}

bool Win32Platform::WriteFile(Handle file, const void* data, std::uint32_t length,
                              std::uint32_t* written) {
  if (written != nullptr) *written = 0;
  const auto handle = handles_.File(file);
  if (!handle) {
    SetFileError(ERROR_INVALID_HANDLE);
    return false;
  }
  if (length > 0 && data == nullptr) {
    SetFileError(ERROR_INVALID_PARAMETER);
    return false;
  }
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  std::uint32_t done = 0;
  while (done < length) {
    DWORD n = 0;
    if (!::WriteFile(handle->get(), bytes + done, length - done, &n, nullptr)) {
      SetFileError(::GetLastError());
      if (written != nullptr) *written = done;
      return false;
    }
    if (n == 0) {  // nothing taken and no error: the disk is full in all but name
      SetFileError(ERROR_DISK_FULL);
      if (written != nullptr) *written = done;
      return false;
    }
    done += n;
  }
  if (written != nullptr) *written = done;
  return true;
}

bool Win32Platform::WriteFileAt(Handle file, std::uint64_t offset, const void* data, std::uint32_t length) {
  const auto handle = handles_.File(file);
  if (!handle) {
    SetFileError(ERROR_INVALID_HANDLE);
    return false;
  }
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  for (std::uint32_t done = 0; done < length;) {
    // On a handle opened for plain writes, the offset in OVERLAPPED places this write.
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset + done);
    at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
    DWORD n = 0;
    if (!::WriteFile(handle->get(), bytes + done, length - done, &n, &at)) {
      SetFileError(::GetLastError());
      return false;
    }
    if (n == 0) {
      SetFileError(ERROR_DISK_FULL);
      return false;
    }
    done += n;
  }
  return true;
}

bool Win32Platform::SetFileTime(Handle file, const LocalDateTime& lastWrite) {
  const auto handle = handles_.File(file);
  if (!handle) {
    SetFileError(ERROR_INVALID_HANDLE);
    return false;
  }
  FILETIME when{};
  if (!LocalToFileTime(lastWrite, when)) {
    SetFileError(::GetLastError());
    return false;
  }
  if (!::SetFileTime(handle->get(), nullptr, nullptr, &when)) {
    SetFileError(::GetLastError());
    return false;
  }
  return true;
}

bool Win32Platform::RemoveFile(const std::string& path) {
  bool ok = false;
  const std::wstring wide = Utf8ToWide(path, &ok);
  if (!ok || path.empty()) {
    SetFileError(ERROR_INVALID_NAME);
    return false;
  }
  if (!::DeleteFileW(wide.c_str())) {
    SetFileError(::GetLastError());
    return false;
  }
  return true;
}

Handle Win32Platform::CreateTempFile(const std::string& directory, std::string& path) {
  path.clear();
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof kLetters) - 2);
  const std::string prefix = (directory.empty() ? std::string(".") : directory) +
                             (!directory.empty() && (directory.back() == '/' || directory.back() == '\\') ? "" : "/") +
                             ".tarnwick-";
  // CREATE_NEW refuses anything already at the name, a link included, so the file is
  // always a new one; another name is tried only when the name was taken.
  DWORD error = ERROR_FILE_EXISTS;
  for (int attempt = 0; attempt < 100 && error == ERROR_FILE_EXISTS; ++attempt) {
    std::string candidate = prefix;
    for (int i = 0; i < 12; ++i) candidate += kLetters[pick(random)];
    candidate += ".part";
    bool ok = false;
    const std::wstring wide = Utf8ToWide(candidate, &ok);
    if (!ok) break;
    auto file = std::make_shared<OwnedHandle>(::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (*file) {
      path = std::move(candidate);
      return handles_.AddFile(std::move(file));
    }
    error = ::GetLastError();
  }
  SetFileError(error);
  return kInvalidHandle;
}

bool Win32Platform::FlushFileBuffers(Handle file) {
  const auto handle = handles_.File(file);
  if (!handle) {
    SetFileError(ERROR_INVALID_HANDLE);
    return false;
  }
  if (!::FlushFileBuffers(handle->get())) {
    SetFileError(::GetLastError());
    return false;
  }
  return true;
}

bool Win32Platform::MoveFileReplacing(const std::string& from, const std::string& to) {
  bool okFrom = false;
  bool okTo = false;
  const std::wstring wideFrom = Utf8ToWide(from, &okFrom);
  const std::wstring wideTo = Utf8ToWide(to, &okTo);
  if (!okFrom || !okTo) {
    SetFileError(ERROR_INVALID_NAME);
    return false;
  }
  // A directory at `to` is refused; a file or link there is replaced itself.
  const DWORD attributes = ::GetFileAttributesW(wideTo.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    SetFileError(ERROR_ACCESS_DENIED);
    return false;
  }
  if (!::MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    SetFileError(::GetLastError());
    return false;
  }
  return true;
}

}  // namespace tarnwick::platform
