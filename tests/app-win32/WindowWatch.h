// Finding and answering what the window opens in modal loops of its own (message
// boxes, task dialogs, the progress dialog, menus), as a user at the screen would:
// while a watch lives, a timer of the thread shows every visible top-level window of
// the thread to `look` every `intervalMs` (20 ms unless a case must be quicker). `look`
// returns true when it has done what it was there for this time (the rest of the
// windows wait for the next tick).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>

namespace tarnwick::test {

class WindowWatch {
 public:
  explicit WindowWatch(std::function<bool(HWND)> look, UINT intervalMs = 20) : look_(std::move(look)) {
    current_ = this;
    timer_ = ::SetTimer(nullptr, 0, intervalMs, &Tick);
  }
  ~WindowWatch() {
    ::KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  WindowWatch(const WindowWatch&) = delete;
  WindowWatch& operator=(const WindowWatch&) = delete;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (current_ != nullptr) ::EnumThreadWindows(::GetCurrentThreadId(), &Visit, 0);
  }
  static BOOL CALLBACK Visit(HWND window, LPARAM) {
    if (current_ == nullptr || !::IsWindowVisible(window)) return TRUE;
    return current_->look_(window) ? FALSE : TRUE;
  }

  static inline WindowWatch* current_ = nullptr;
  std::function<bool(HWND)> look_;
  UINT_PTR timer_ = 0;
};

// A window's class name.
inline std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  return name;
}

}  // namespace tarnwick::test
