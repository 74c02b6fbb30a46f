#include "platform/ReadOnlyFile.h"

#include <algorithm>

#include "platform/win32/OwnedHandle.h"
#include "platform/win32/WideText.h"

namespace tarnwick::platform {
namespace {

class Win32ReadOnlyFile final : public ReadOnlyFile {
 public:
  Win32ReadOnlyFile(OwnedWin32Handle file, std::uint64_t size) : file_(std::move(file)), size_(size) {}

  std::uint64_t Size() const override { return size_; }

  // Each read names its own offset (OVERLAPPED on a synchronous handle), so reads
  // from several threads do not share a file position.
  bool ReadAt(std::uint64_t offset, std::uint8_t* destination, std::size_t length) const override {
    while (length > 0) {
      OVERLAPPED at{};
      at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
      at.OffsetHigh = static_cast<DWORD>(offset >> 32);
      const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(length, 1u << 30));
      DWORD got = 0;
      if (!::ReadFile(file_.get(), destination, ask, &got, &at) || got == 0) return false;
      destination += got;
      offset += got;
      length -= got;
    }
    return true;
  }

 private:
  OwnedWin32Handle file_;
  std::uint64_t size_;
};

// Whether the system resolves the path into its device namespace (\\.\CON for
// "CON" in any folder, \\.\pipe\... as given).
bool IsDevicePath(const std::wstring& path) {
  const DWORD length = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (length == 0) return false;
  std::wstring full(length, L'\0');
  const DWORD written = ::GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
  if (written == 0 || written >= length) return false;
  return full.compare(0, 4, L"\\\\.\\") == 0;
}

}  // namespace

std::unique_ptr<ReadOnlyFile> ReadOnlyFile::Open(const std::string& path, std::string& error) {
  bool ok = false;
  const std::wstring wide = Utf8ToWide(path, &ok);
  if (!ok || path.empty()) {
    error = SystemErrorText(ERROR_INVALID_NAME);
    return nullptr;
  }
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    error = "is a directory";
    return nullptr;
  }
  OwnedWin32Handle file(::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD failure = ::GetLastError();
    // A device name (CON, or a pipe that is not there) resolves into the device
    // namespace; whatever the device said, it is no file to read an image from.
    error = IsDevicePath(wide) ? "is not a regular file" : SystemErrorText(failure);
    return nullptr;
  }
  // A named pipe or a character device (CON, COM1) could block a read for ever;
  // only files and disk volumes are read.
  if (::GetFileType(file.get()) != FILE_TYPE_DISK) {
    error = "is not a regular file";
    return nullptr;
  }
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size)) {
    error = SystemErrorText(::GetLastError());
    return nullptr;
  }
  return std::make_unique<Win32ReadOnlyFile>(std::move(file), static_cast<std::uint64_t>(size.QuadPart));
}

}  // namespace tarnwick::platform
