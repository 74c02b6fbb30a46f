// Where the window opens and how it keeps its size: at the default size centred on the
// monitor's free area where that fits, else as large as that area; where and as large
// as it was when last closed, as long as that is still on a monitor, and maximized
// when it was closed maximized; never smaller than keeps every control usable.
#include <optional>

#include "app-win32/Form1.h"
#include "app-win32/Settings.h"

namespace tarnwick::win {

namespace {

// "x,y,width,height" of the outer rectangle (when neither maximized nor minimized),
// "1" when the window was closed maximized, and "list,tree": the panes' widths.
constexpr const wchar_t* kWindowRectKey = L"WindowRect";
constexpr const wchar_t* kMaximizedKey = L"Maximized";
constexpr const wchar_t* kPanesKey = L"Panes";

// The outer size of the window for a client area of `client`.
TSize OuterSize(TSize client) {
  RECT rect{0, 0, client.width, client.height};
  ::AdjustWindowRectEx(&rect, kFormStyle, FALSE, kFormExStyle);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

// The free area (without task bars) of the monitor the remembered rectangle is on or
// nearest to, or of the primary monitor.
TRect WorkArea(const std::optional<TRect>& remembered) {
  HMONITOR monitor = nullptr;
  if (remembered) {
    const RECT rect{remembered->x, remembered->y, remembered->x + remembered->width, remembered->y + remembered->height};
    monitor = ::MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST);
  } else {
    monitor = ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  }
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (monitor == nullptr || !::GetMonitorInfoW(monitor, &info)) {
    return {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  }
  const RECT& work = info.rcWork;
  return {work.left, work.top, work.right - work.left, work.bottom - work.top};
}

}  // namespace

TRect TForm1::OpeningPlace() {
  openMaximized_ = ReadSetting(kMaximizedKey) == "1";
  const std::optional<TRect> remembered = ParseRect(ReadSetting(kWindowRectKey));
  return OpeningRect(WorkArea(remembered), OuterSize(ScaledSize(kDefaultClient, scale_)), MinimumOuterSize(),
                     remembered);
}

TSize TForm1::MinimumOuterSize() const { return OuterSize(ScaledSize(kMinimumClient, scale_)); }

// Under wine the window manager of the X display decides the frame's size: wine's X11
// driver gives it no minimum size for a resizable window, so it may shrink the window
// below the minimum. The system keeps the window at the minimum, but wine leaves the X
// window as the window manager made it while it handles that manager's event; the size
// is told again once the event is handled, from the window's own message queue.
void TForm1::WatchMinimum(const WINDOWPOS& change) {
  if ((change.flags & SWP_NOSIZE) != 0 || ::IsIconic(hwnd_) || ::IsZoomed(hwnd_)) return;
  const TSize least = MinimumOuterSize();
  if (change.cx < least.width || change.cy < least.height) ::PostMessageW(hwnd_, kRestateSize, 0, 0);
}

void TForm1::RestateSize() {
  // Changing nothing still sends the window's place and size to the window manager.
  ::SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
}

TPanes TForm1::RememberedPanes() const {
  return ParsePanes(ReadSetting(kPanesKey)).value_or(TPanes{Scaled(192), Scaled(145)});
}

void TForm1::Show(int show) {
  if (openMaximized_ && (show == SW_SHOWNORMAL || show == SW_SHOWDEFAULT || show == SW_SHOW)) {
    // Shown at its place first: a window manager that places the window itself (under
    // wine) takes the place it restores to from what it saw before the maximizing.
    ::ShowWindow(hwnd_, SW_SHOWNORMAL);
    show = SW_SHOWMAXIMIZED;
  }
  ::ShowWindow(hwnd_, show);
}

void TForm1::KeepNormalRect() {
  if (!::IsZoomed(hwnd_) && !::IsIconic(hwnd_)) ::GetWindowRect(hwnd_, &normal_);
}

void TForm1::SaveGeometry() const {
  // A maximized or minimized window keeps the place it had before, and one minimized
  // from maximized counts as maximized.
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  const bool maximized = ::IsZoomed(hwnd_) || (::IsIconic(hwnd_) && ::GetWindowPlacement(hwnd_, &placement) &&
                                               (placement.flags & WPF_RESTORETOMAXIMIZED) != 0);
  const RECT& rect = normal_;
  WriteSetting(kWindowRectKey, RectText({rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top}));
  WriteSetting(kMaximizedKey, maximized ? "1" : "0");
  WriteSetting(kPanesKey, PanesText({splitters_.list, splitters_.tree}));
}

void TForm1::FitNameColumn() {
  const HWND grid = Control(kGrid);
  RECT client{};
  ::GetClientRect(grid, &client);
  // Room for the vertical scroll bar is kept whether it shows or not, so that rows
  // filling the grid later do not push the date out of sight.
  int visible = client.right;
  if ((::GetWindowLongPtrW(grid, GWL_STYLE) & WS_VSCROLL) == 0) visible -= ::GetSystemMetrics(SM_CXVSCROLL);
  ListView_SetColumnWidth(grid, 0,
                          NameColumnWidth(visible, ListView_GetColumnWidth(grid, 1), ListView_GetColumnWidth(grid, 2),
                                          Scaled(60)));
}

}  // namespace tarnwick::win
