// LinuxPlatform: the handle table, error mode, run-time libraries and text.
// Volumes, events and files live in their own files.
#include "platform/linux/LinuxPlatform.h"

#include <dlfcn.h>

#include <algorithm>

#include "platform/Text.h"

namespace tarnwick::platform {

LinuxPlatform::LinuxPlatform(DeviceDiscovery discovery) : discovery_(std::move(discovery)) {}

LinuxPlatform::~LinuxPlatform() = default;

bool LinuxPlatform::CloseHandle(Handle handle) {
  if (handles_.Close(handle)) return true;
  // Event handles are pointers; closing one through here frees the event.
  return CloseEvent(reinterpret_cast<EventHandle>(handle));
}

std::uint32_t LinuxPlatform::SetErrorMode(std::uint32_t mode) {
  // Nothing on Linux asks the user about critical errors; only the mode is kept.
  return errorMode_.exchange(mode);
}

LibraryHandle LinuxPlatform::OpenLibrary(const std::string& name) {
  if (name.empty()) return nullptr;
  std::string path = name;
  // A name written with a directory part (".\WNASPI32.DLL") is looked for in that
  // directory; dlopen treats any name with a '/' as a path, and a bare name goes
  // along the normal library search.
  std::replace(path.begin(), path.end(), '\\', '/');
  return ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* LinuxPlatform::GetProcAddress(LibraryHandle library, const std::string& name) {
  if (library == nullptr) return nullptr;
  return ::dlsym(library, name.c_str());
}

bool LinuxPlatform::FreeLibrary(LibraryHandle library) {
  if (library == nullptr) return false;
  return ::dlclose(library) == 0;
}

std::string LinuxPlatform::Ucs2BeToAnsi(const std::uint8_t* data, std::size_t byteLength) {
  return Utf16BeToUtf8(data, byteLength);
}

}  // namespace tarnwick::platform
