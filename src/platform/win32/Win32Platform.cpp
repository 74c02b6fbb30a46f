// Win32Platform: the handle table, error mode, DLLs and text. Volumes, events and
// files live in their own files.
#include "platform/win32/Win32Platform.h"

#include <algorithm>

#include "platform/ByteOrder.h"
#include "platform/win32/OwnedHandle.h"
#include "platform/win32/WideText.h"

namespace tarnwick::platform {


Win32Platform::Win32Platform(bool realDrives) : realDrives_(realDrives) {}

Win32Platform::~Win32Platform() {
  std::lock_guard lock(mutex_);
  for (EventHandle event : events_) ::CloseHandle(reinterpret_cast<HANDLE>(event));
  events_.clear();
}

bool Win32Platform::CloseHandle(Handle handle) {
  if (handles_.Close(handle)) return true;
  // Event handles are system handles; closing one through here frees the event.
  return CloseEvent(reinterpret_cast<EventHandle>(handle));
}

std::uint32_t Win32Platform::SetErrorMode(std::uint32_t mode) {
  return ::SetErrorMode(static_cast<UINT>(mode));
}

LibraryHandle Win32Platform::OpenLibrary(const std::string& name) {
  if (name.empty()) return nullptr;
  bool ok = false;
  const std::wstring wide = Utf8ToWide(name, &ok);
  if (!ok) return nullptr;
  return reinterpret_cast<LibraryHandle>(::LoadLibraryW(wide.c_str()));
}

void* Win32Platform::GetProcAddress(LibraryHandle library, const std::string& name) {
  if (library == nullptr) return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name.c_str()));
}

bool Win32Platform::FreeLibrary(LibraryHandle library) {
  if (library == nullptr) return false;
  return ::FreeLibrary(static_cast<HMODULE>(library)) != FALSE;
}

std::string Win32Platform::Ucs2BeToAnsi(const std::uint8_t* data, std::size_t byteLength) {
  if (data == nullptr) return {};
  std::wstring wide(byteLength / 2, L'\0');
  for (std::size_t i = 0; i < wide.size(); ++i) {
    wide[i] = static_cast<wchar_t>(GetBE16(data + 2 * i));
  }
  return WideToUtf8(wide);
}

}  // namespace tarnwick::platform
