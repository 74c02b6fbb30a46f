// Owner of one Win32 handle: closes it when destroyed.
#pragma once

#include "platform/win32/SystemHeaders.h"

#include <utility>

namespace tarnwick::platform {

class OwnedWin32Handle {
 public:
  OwnedWin32Handle() = default;
  explicit OwnedWin32Handle(HANDLE handle) : handle_(handle) {}
  ~OwnedWin32Handle() { Reset(); }
  OwnedWin32Handle(OwnedWin32Handle&& other) noexcept
      : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  OwnedWin32Handle& operator=(OwnedWin32Handle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
    }
    return *this;
  }
  OwnedWin32Handle(const OwnedWin32Handle&) = delete;
  OwnedWin32Handle& operator=(const OwnedWin32Handle&) = delete;

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  explicit operator bool() const { return valid(); }
  // Closes the handle; false when the system reported an error.
  bool Reset() {
    if (!valid()) return true;
    return ::CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != FALSE;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace tarnwick::platform
