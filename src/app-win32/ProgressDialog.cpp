#include "app-win32/ProgressDialog.h"

#include <commctrl.h>

#include "app-win32/WinText.h"

#include <initializer_list>

namespace tarnwick::win {

namespace {

// Wide enough for a line of sizes, rate and time left in the message font.
constexpr int kWidth = 440, kHeight = 150;

void RegisterOnce() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;  // replaced per window by Proc through the instance
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kProgressClass;
    return ::RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
}

}  // namespace

ProgressDialog::ProgressDialog(HWND owner, const std::string& title, const std::string& text) : owner_(owner) {
  RegisterOnce();
  RECT frame{0, 0, kWidth, kHeight};
  ::AdjustWindowRectEx(&frame, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_DLGMODALFRAME);
  RECT ownerRect{};
  if (owner != nullptr) ::GetWindowRect(owner, &ownerRect);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  const int x = ownerRect.left + ((ownerRect.right - ownerRect.left) - width) / 2;
  const int y = ownerRect.top + ((ownerRect.bottom - ownerRect.top) - height) / 2;
  hwnd_ = ::CreateWindowExW(WS_EX_DLGMODALFRAME, kProgressClass, Wide(title).c_str(),
                            WS_POPUP | WS_CAPTION | WS_SYSMENU, x, y, width, height, owner, nullptr,
                            ::GetModuleHandleW(nullptr), nullptr);
  if (hwnd_ == nullptr) return;
  ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ProgressDialog::Proc));

  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    font_ = ::CreateFontIndirectW(&metrics.lfMessageFont);
  }
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  text_ = ::CreateWindowExW(0, L"STATIC", Wide(text).c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 12, 10,
                            kWidth - 24, 62, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kProgressTextId)),
                            instance, nullptr);
  bar_ = ::CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, 12, 78, kWidth - 24, 18, hwnd_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(kProgressBarId)), instance, nullptr);
  ::SendMessageW(bar_, PBM_SETRANGE32, 0, 100);
  const HWND cancel = ::CreateWindowExW(0, L"BUTTON", L"Cancel", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                        kWidth - 12 - 88, 108, 88, 26, hwnd_,
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDCANCEL)), instance, nullptr);
  for (HWND control : {text_, bar_, cancel}) {
    if (font_ != nullptr) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  }
  // Modal to the window: the window takes no input while its extraction runs.
  if (owner_ != nullptr) ownerWasEnabled_ = !::EnableWindow(owner_, FALSE);
  ::ShowWindow(hwnd_, SW_SHOW);
  ::UpdateWindow(hwnd_);
}

ProgressDialog::~ProgressDialog() {
  if (owner_ != nullptr && ownerWasEnabled_) ::EnableWindow(owner_, TRUE);
  if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
  if (font_ != nullptr) ::DeleteObject(font_);
}

bool ProgressDialog::Update(const std::string& text, int percent) {
  if (hwnd_ != nullptr) {
    ::SetWindowTextW(text_, Wide(text).c_str());
    ::SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
  }
  return Update();
}

bool ProgressDialog::Update() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Closing the program cancels the extraction; the loop sees the quit again.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      cancelled_ = true;
      break;
    }
    if (hwnd_ != nullptr && ::IsDialogMessageW(hwnd_, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return !cancelled_;
}

LRESULT CALLBACK ProgressDialog::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<ProgressDialog*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self != nullptr) {
    if ((message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) || message == WM_CLOSE) {
      self->cancelled_ = true;
      return 0;
    }
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace tarnwick::win
