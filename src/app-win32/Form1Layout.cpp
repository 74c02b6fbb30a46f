// The window's class, its controls (names, captions, fonts and geometry at 96 dots per
// inch, scaled to the screen's density) and the routing of their messages.
#include "app-win32/Form1.h"

#include <shellapi.h>
#include <windowsx.h>

#include <cmath>

#include "Version.h"
#include "browse/About.h"
#include "app-win32/GridTypeAhead.h"
#include "app-win32/WaitCursor.h"
#include "app-win32/WinText.h"
#include "browse/EntryTip.h"
#include "browse/GridRows.h"
#include "browse/GridSizeColumn.h"
#include "browse/ImageFiles.h"
#include "browse/SessionListing.h"
#include "browse/WindowCommands.h"
#include "browse/WindowGeometry.h"

namespace tarnwick::win {

namespace {

constexpr int kTopHeight = 65, kBottomHeight = 22;
// The narrowest a pane gets, when dragged or when the window's width is shared out.
constexpr int kLeastPane = 40;

void RegisterFormClass() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClass;
    return ::RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
}

// The window menu's About item (system command identifiers keep their low four bits clear).
constexpr UINT kAboutCommand = 0x0110;

HMENU IdOf(int id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

}  // namespace

TForm1::TForm1(std::shared_ptr<IDialogs> dialogs, bool quitOnClose)
    : dialogs_(dialogs ? std::move(dialogs) : std::make_shared<SystemDialogs>()), quitOnClose_(quitOnClose) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES |
                                                     ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  RegisterFormClass();
  const HDC screen = ::GetDC(nullptr);
  scale_ = ::GetDeviceCaps(screen, LOGPIXELSY) / 96.0;
  ::ReleaseDC(nullptr, screen);
  fonts_.Create(scale_);

  ConfigureForBrowsing(quarnb_);
  LoadViewChoices();

  const std::wstring caption = Wide(std::string(kProductName) + " " + kProductVersion);
  const TRect place = OpeningPlace();
  hwnd_ = ::CreateWindowExW(kFormExStyle, kFormClass, caption.c_str(), kFormStyle, place.x, place.y, place.width,
                            place.height, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (hwnd_ == nullptr) return;
  ::GetWindowRect(hwnd_, &normal_);
  ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TForm1::Proc));
  // The About text: from the window menu, or with F1.
  if (const HMENU system = ::GetSystemMenu(hwnd_, FALSE)) {
    ::AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(system, MF_STRING, kAboutCommand, L"About Tarnwick...");
  }
  const TPanes panes = RememberedPanes();
  splitters_ = Splitters(panes.list, panes.tree, Scaled(3));
  CreateControls();
  Layout();
  FormCreate();
}

TForm1::~TForm1() {
  if (hwnd_ != nullptr) {
    // The window's procedure must not reach this object while it is destroyed.
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
  }
}

int TForm1::Scaled(int pixels) const { return static_cast<int>(std::lround(pixels * scale_)); }

void TForm1::CreateControls() {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  auto make = [&](DWORD exStyle, const wchar_t* cls, const std::string& text, DWORD style, int id, HFONT font) {
    const HWND control = ::CreateWindowExW(exStyle, cls, Wide(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                                           hwnd_, IdOf(id), instance, nullptr);
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
  };
  ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.base), FALSE);

  // Top strip: drive selector, "Show", the session list's heading, the disc labels.
  make(0, L"STATIC", "Drive", SS_LEFT | SS_NOPREFIX, kDriveLabel, fonts_.base);
  make(0, WC_COMBOBOXW, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, kDrives, fonts_.base);
  make(0, L"BUTTON", "Show", BS_PUSHBUTTON | WS_TABSTOP, kShow, fonts_.base);
  make(WS_EX_STATICEDGE, L"STATIC", kSessionListHeading, SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE, kHeading, fonts_.list);
  make(0, L"STATIC", "Medium  :", SS_RIGHT | SS_NOPREFIX, kLabel1, fonts_.base);
  make(0, L"STATIC", "Disc Size  :", SS_RIGHT | SS_NOPREFIX, kLabel2, fonts_.base);
  make(0, L"STATIC", "Used Space  :", SS_RIGHT | SS_NOPREFIX, kLabel3, fonts_.base);
  for (int id : {kMedium, kDiscSize, kUsedSpace}) make(0, L"STATIC", "", SS_LEFT | SS_NOPREFIX, id, fonts_.value);

  // Middle: session list, directory tree, entry grid, left to right.
  const HWND lb = make(WS_EX_CLIENTEDGE, L"LISTBOX", "",
                       LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP, kSessions, fonts_.list);
  ::SendMessageW(lb, LB_SETITEMHEIGHT, 0, Scaled(15));
  const HWND tree = make(WS_EX_CLIENTEDGE, WC_TREEVIEWW, "",
                         TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_FULLROWSELECT | TVS_INFOTIP |
                             WS_TABSTOP,
                         kTree, fonts_.value);
  // The tree's font is Tahoma 11 without bold.
  ::SendMessageW(tree, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.base), FALSE);
  ::SendMessageW(tree, TVM_SETINDENT, static_cast<WPARAM>(Scaled(19)), 0);
  const HWND grid = make(WS_EX_CLIENTEDGE, WC_LISTVIEWW, "",
                         LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | WS_TABSTOP, kGrid, fonts_.grid);
  // Marked directories' nodes and rows show the warning icon as their state image.
  if (const HIMAGELIST marks = markIcons_.Create()) {
    TreeView_SetImageList(tree, marks, TVSIL_STATE);
    ListView_SetImageList(grid, marks, LVSIL_STATE);
  }
  ListView_SetExtendedListViewStyle(grid, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP |
                                              LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
  AttachTypeAhead(grid);
  // The headings in the window's font, like the other controls' captions.
  ::SendMessageW(ListView_GetHeader(grid), WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.base), FALSE);
  const struct {
    const char* heading;
    int width;
  } columns[] = {{kGridNameHeading, 254}, {kGridSizeHeading, kGridSizeColumnWidth}, {kGridDateHeading, 141}};
  for (int c = 0; c < 3; ++c) {
    std::wstring heading = Wide(columns[c].heading);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = LVCFMT_LEFT;
    column.cx = Scaled(columns[c].width);
    column.pszText = heading.data();
    ListView_InsertColumn(grid, c, &column);
  }
  // The grid's hint, shown on hover over the grid.
  tips_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance, nullptr);
  std::wstring gridHint = Wide(kGridHint);
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = hwnd_;
  tool.uId = reinterpret_cast<UINT_PTR>(grid);
  tool.lpszText = gridHint.data();
  ::SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  // The selector's hint: its line and the device behind it (set at each selection).
  tool.uId = reinterpret_cast<UINT_PTR>(Control(kDrives));
  tool.lpszText = LPSTR_TEXTCALLBACKW;
  ::SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  ::SendMessageW(tips_, TTM_SETMAXTIPWIDTH, 0, Scaled(600));

  // Bottom strip: "Close", "Open image..." and what the last extraction wrote.
  make(0, L"BUTTON", "Close", BS_PUSHBUTTON | WS_TABSTOP, kClose, fonts_.base);
  make(0, L"BUTTON", "Open image...", BS_PUSHBUTTON | WS_TABSTOP, kOpenImage, fonts_.base);
  make(0, L"STATIC", "", SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE | SS_ENDELLIPSIS, kHint, fonts_.base);
}

void TForm1::Layout() {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  const int width = client.right, height = client.bottom;
  auto place = [&](int id, int x, int y, int w, int h) { ::MoveWindow(Control(static_cast<ControlId>(id)), x, y, w, h, TRUE); };
  // The selector widens with the window and the disc labels keep to its right edge;
  // at the default width they are where the layout puts them.
  const TTopStrip strip = TopStrip(width, scale_);
  place(kDriveLabel, Scaled(8), Scaled(16), Scaled(78), Scaled(13));
  // A drop-down list's height includes its open list.
  place(kDrives, Scaled(88), Scaled(9), strip.selectorWidth, Scaled(200));
  place(kShow, strip.showX, Scaled(8), Scaled(75), Scaled(25));
  place(kHeading, Scaled(3), Scaled(47), Scaled(193), Scaled(kTopHeight - 47));
  // The fixed labels are right-aligned at x 592 + 69; they may grow to the left, and
  // the value labels to the right, where the system's font is wider than the layout's.
  const int ys[] = {4, 20, 36};
  for (int i = 0; i < 3; ++i) {
    place(kLabel1 + i, strip.labelX, Scaled(ys[i]), Scaled(69 + 51), Scaled(16));
    place(kMedium + i, strip.valueX, Scaled(ys[i]), Scaled(69 + 71), Scaled(16));
  }
  splitters_.Fit(width, Scaled(kLeastPane));
  const int top = Scaled(kTopHeight), bottom = height - Scaled(kBottomHeight);
  const int middle = bottom > top ? bottom - top : 0;
  // The splitters' handles are the gaps between the three.
  const int list = splitters_.list, tree = splitters_.tree, gap = splitters_.gap;
  const int gridLeft = list + gap + tree + gap;
  place(kSessions, 0, top, list, middle);
  place(kTree, list + gap, top, tree, middle);
  place(kGrid, gridLeft, top, width > gridLeft ? width - gridLeft : 0, middle);
  FitNameColumn();
  place(kClose, Scaled(1), bottom + Scaled(1), Scaled(121), Scaled(21));
  place(kOpenImage, Scaled(124), bottom + Scaled(1), Scaled(121), Scaled(21));
  place(kHint, Scaled(252), bottom + Scaled(1), width > Scaled(256) ? width - Scaled(256) : 0, Scaled(21));
}

LRESULT CALLBACK TForm1::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<TForm1*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

LRESULT TForm1::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      Layout();
      return 0;
    case WM_GETMINMAXINFO: {
      const TSize least = MinimumOuterSize();
      reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {least.width, least.height};
      return 0;
    }
    case WM_WINDOWPOSCHANGING:
      WatchMinimum(*reinterpret_cast<const WINDOWPOS*>(lParam));
      break;  // the default handling keeps the size at least the minimum
    case WM_WINDOWPOSCHANGED:
      KeepNormalRect();
      break;  // the default handling sends WM_SIZE
    case kRestateSize:
      RestateSize();
      return 0;
    case WM_SETCURSOR:
      if (WaitCursor::IsBusy()) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      if (reinterpret_cast<HWND>(wParam) == hwnd_ && LOWORD(lParam) == HTCLIENT) {
        POINT at{};
        ::GetCursorPos(&at);
        ::ScreenToClient(hwnd_, &at);
        if (at.y >= Scaled(kTopHeight) && splitters_.HandleAt(at.x) != Splitters::kNone) {
          ::SetCursor(::LoadCursorW(nullptr, IDC_SIZEWE));
          return TRUE;
        }
      }
      break;
    case WM_LBUTTONDOWN: {
      const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
      if (y >= Scaled(kTopHeight) && splitters_.Grab(x)) ::SetCapture(hwnd_);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (splitters_.Dragging()) {
        RECT client{};
        ::GetClientRect(hwnd_, &client);
        splitters_.Drag(GET_X_LPARAM(lParam), client.right, Scaled(kLeastPane));
        Layout();
      }
      return 0;
    case WM_LBUTTONUP:
      if (splitters_.Dragging()) ::ReleaseCapture();
      return 0;
    case WM_CAPTURECHANGED:
      splitters_.Release();
      return 0;
    case WM_COMMAND:
      Command(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_NOTIFY:
      return Notify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_CONTEXTMENU: {
      const HWND from = reinterpret_cast<HWND>(wParam);
      POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (from == Control(kGrid) && ListView_GetSelectedCount(from) > 0) PopupMenu(kExtractRows, at);
      return 0;
    }
    case WM_DROPFILES: {
      const auto drop = reinterpret_cast<HDROP>(wParam);
      std::vector<std::string> paths;
      const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
      for (UINT i = 0; i < count; ++i) {
        std::wstring path(::DragQueryFileW(drop, i, nullptr, 0), L'\0');
        ::DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size() + 1));
        paths.push_back(Narrow(path));
      }
      ::DragFinish(drop);
      for (const std::string& path : paths) {
        if (IsImageFileName(path)) OpenImage(path);
      }
      return 0;
    }
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) != kAboutCommand) break;
      [[fallthrough]];
    case WM_HELP:
      dialogs_->ShowMessage(hwnd_, AboutText());
      return 0;
    case WM_CLOSE:
      SaveGeometry();
      ::ShowWindow(hwnd_, SW_HIDE);
      if (quitOnClose_) ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

void TForm1::Command(int id, int code) {
  switch (id) {
    case kDrives:
      if (code == CBN_SELCHANGE) cbDrivesChange();
      break;
    case kShow:
      if (code == BN_CLICKED) Button1Click();
      break;
    case kSessions:
      if (code == LBN_DBLCLK) lbDblClick();
      break;
    case kClose:
      if (code == BN_CLICKED) bCloseClick();
      break;
    case kOpenImage:
      if (code == BN_CLICKED) OpenImageClick();
      break;
    case kExtractRows:
      ExtractSelectionClick();
      break;
    case kExtractNode:
      ExtractNodeClick();
      break;
    case kCheckSession:
      CheckSessionClick();
      break;
    case kShowDeleted:
      ShowDeletedClick();
      break;
    case IDOK: {
      // Enter: on a session line it imports, on a grid row it extracts.
      const HWND focus = ::GetFocus();
      if (focus == Control(kSessions)) lbDblClick();
      if (focus == Control(kGrid)) Extract1Click();
      break;
    }
    default:
      if (id >= kNamesFirst) NamesClick(static_cast<std::size_t>(id - kNamesFirst));
      break;
  }
}

LRESULT TForm1::Notify(const NMHDR& header) {
  if (header.idFrom == kTree) {
    switch (header.code) {
      case TVN_SELCHANGEDW:
        tvDirClick();
        return 0;
      case NM_RCLICK: {
        // A right click selects the node under the mouse, then offers "Extract...".
        TVHITTESTINFO hit{};
        ::GetCursorPos(&hit.pt);
        POINT screen = hit.pt;
        ::ScreenToClient(header.hwndFrom, &hit.pt);
        const HTREEITEM node = TreeView_HitTest(header.hwndFrom, &hit);
        if (node == nullptr) return 0;
        TreeView_SelectItem(header.hwndFrom, node);
        PopupMenu(kExtractNode, screen);
        return 1;
      }
      case NM_CUSTOMDRAW:
        return DrawDeleted(*reinterpret_cast<NMCUSTOMDRAW*>(const_cast<NMHDR*>(&header)), true);
      case TVN_GETINFOTIPW: {
        // The whole name, which the tree's width may cut, and why a marked directory
        // is not shown whole.
        auto& tip = *reinterpret_cast<NMTVGETINFOTIPW*>(const_cast<NMHDR*>(&header));
        wchar_t text[512] = {};
        TVITEMW item{};
        item.mask = TVIF_TEXT | TVIF_PARAM;
        item.hItem = tip.hItem;
        item.pszText = text;
        item.cchTextMax = static_cast<int>(std::size(text));
        TreeView_GetItem(header.hwndFrom, &item);
        tipText_ = Wide(MarkedTip(Narrow(text), marks_.Of(reinterpret_cast<const TDEntry*>(item.lParam))));
        ::lstrcpynW(tip.pszText, tipText_.c_str(), tip.cchTextMax);
        return 0;
      }
      default:
        return 0;
    }
  }
  if (header.idFrom == kGrid) {
    switch (header.code) {
      case NM_DBLCLK: {
        // Below the last row nothing is hit, and nothing is extracted.
        const auto& activate = reinterpret_cast<const NMITEMACTIVATE&>(header);
        if (activate.iItem >= 0) Extract1Click();
        return 0;
      }
      case NM_CUSTOMDRAW:
        return DrawDeleted(*reinterpret_cast<NMCUSTOMDRAW*>(const_cast<NMHDR*>(&header)), false);
      case LVN_GETINFOTIPW: {
        // The whole name, the date and time, the attributes and the size in bytes.
        auto& tip = *reinterpret_cast<NMLVGETINFOTIPW*>(const_cast<NMHDR*>(&header));
        const TFEntry* entry = EntryOfRow(tip.iItem);
        if (entry == nullptr) return 0;
        tipText_ = Wide(MarkedTip(EntryTip(*entry), marks_.Of(*entry)));
        ::lstrcpynW(tip.pszText, tipText_.c_str(), tip.cchTextMax);
        return 0;
      }
      default:
        return 0;
    }
  }
  if (header.hwndFrom == tips_ && header.code == TTN_GETDISPINFOW) {
    auto& info = *reinterpret_cast<NMTTDISPINFOW*>(const_cast<NMHDR*>(&header));
    const HWND drives = Control(kDrives);
    const int line = static_cast<int>(::SendMessageW(drives, CB_GETCURSEL, 0, 0));
    tipText_.clear();
    if (line >= 0 && static_cast<std::size_t>(line) < quarnb_.DeviceList.size()) {
      tipText_ = Wide(DriveHintText(quarnb_.DeviceList[static_cast<std::size_t>(line)], quarnb_.GetDriveLetter()));
    }
    info.lpszText = tipText_.data();
    return 0;
  }
  return 0;
}

void TForm1::PopupMenu(int command, POINT at) {
  const HMENU menu = ::CreatePopupMenu();
  if (menu == nullptr) return;
  ::AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(command), L"Extract...");
  if (command == kExtractNode) ::AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(kCheckSession), L"Check session");
  AppendViewItems(menu);
  const int chosen = static_cast<int>(::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr));
  ::DestroyMenu(menu);
  if (chosen != 0) Command(chosen, 0);
}

}  // namespace tarnwick::win
