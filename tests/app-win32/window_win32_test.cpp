// The Windows window driven through its controls' messages, as a user's mouse and keys
// would drive it, with the controls' texts read back and compared with what the other
// window shows for the sample disc.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Version.h"
#include "support/SampleWindowTexts.h"
#include "app-win32/Dialogs.h"
#include "app-win32/Form1.h"
#include "app-win32/ProgressDialog.h"
#include "app-win32/WinText.h"
#include "browse/MountImages.h"
#include "iso/Dates.h"
#include "platform/Platform.h"
#include "support/CraftedIso.h"
#include "support/IsoMaker.h"
#include "support/UdfDiscs.h"
#include "WindowWatch.h"
#include "app-win32/Settings.h"
#include "browse/DeletedEntries.h"
#include "support/TempDir.h"
#include "support/TestFiles.h"
#include "support/Environment.h"
#include "transport/Transport.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;
using win::ControlId;
using win::Narrow;

class FakeDialogs : public win::IDialogs {
 public:
  std::string ChooseDirectory(HWND, const std::string& title, const std::string&) override {
    titles.push_back(title);
    return directory;
  }
  std::string ChooseImage(HWND, const std::string&) override { return {}; }
  // Cancel, or with realQuestion the system's own question.
  TOverwriteAnswer AskOverwrite(HWND owner, const std::string& path) override {
    return realQuestion ? win::SystemDialogs().AskOverwrite(owner, path) : TOverwriteAnswer::Cancel;
  }
  void ShowMessage(HWND owner, const std::string& text) override {
    if (systemBoxes) return win::SystemDialogs{}.ShowMessage(owner, text);
    messages.push_back(text);
  }
  void ShowWarning(HWND owner, const std::string& text) override {
    if (systemBoxes) return win::SystemDialogs{}.ShowWarning(owner, text);
    messages.push_back(text);
  }
  TUnreadableAnswer AskUnreadable(HWND owner, const std::string& name, const std::string& error) override {
    if (systemBoxes) return win::SystemDialogs{}.AskUnreadable(owner, name, error);
    return TUnreadableAnswer::Stop;
  }
  TLinksAnswer AskLinks(HWND owner, const std::string& question) override {
    return systemBoxes ? win::SystemDialogs{}.AskLinks(owner, question) : TLinksAnswer::Skip;
  }

  std::string directory;  // the chooser's answer; "" when the user cancels
  bool systemBoxes = false;  // the questions about unreadable data and links, and messages, in the system's dialogs
  std::vector<std::string> titles, messages;
  bool realQuestion = false;
};

std::string SamplePath(const std::string& name) { return std::string(TARNWICK_SOURCE_DIR) + "/samples/" + name; }

// The images as the program mounts its arguments (each a virtual drive with an address
// of its own, so the drive scan finds its letter), and no real drive; undone at the end.
class MountedImages {
 public:
  explicit MountedImages(const std::vector<std::string>& paths) {
    SetEnv("TARNWICK_NO_REAL_DRIVES", "1");
    ResetTransportForTesting();
    platform::Current().RemoveVirtualDrives();
    for (const TMountedImage& image : MountImages(paths)) letters_.push_back(image.letter);
  }
  ~MountedImages() {
    ResetTransportForTesting();
    platform::Current().RemoveVirtualDrives();
  }
  MountedImages(const MountedImages&) = delete;
  MountedImages& operator=(const MountedImages&) = delete;
  char Letter(std::size_t i) const { return letters_.at(i); }

 private:
  std::vector<char> letters_;
};

std::string Text(HWND control) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

// The window with fake dialogs, shown without taking the focus, at the size and place
// it opens at when nothing was kept from an earlier run.
class Window {
 public:
  Window() : dialogs_((ForgetPlace(), std::make_shared<FakeDialogs>())), form_(dialogs_) {
    ::ShowWindow(form_.hwnd(), SW_SHOWNOACTIVATE);
  }
  static void ForgetPlace() {
    for (const wchar_t* value : {L"WindowRect", L"Maximized", L"Panes"}) {
      ::RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Tarnwick", value);
    }
  }
  FakeDialogs& dialogs() { return *dialogs_; }
  win::TForm1& form() { return form_; }
  HWND operator[](ControlId id) const { return form_.Control(id); }
  std::string text(ControlId id) const { return Text(form_.Control(id)); }

  void SelectDrive(int index) {
    ::SendMessageW((*this)[win::kDrives], CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::SendMessageW(form_.hwnd(), WM_COMMAND, MAKEWPARAM(win::kDrives, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>((*this)[win::kDrives]));
  }
  void Click(ControlId button) { ::SendMessageW((*this)[button], BM_CLICK, 0, 0); }
  // "Show", then the first session imported, to be extracted into `out` (made here)
  // with the system's own questions and messages.
  void ImportForSystemDialogs(const fs::path& out) {
    fs::create_directory(out);
    dialogs().directory = out.string();
    dialogs().systemBoxes = true;
    Click(win::kShow);
    DoubleClickLine(0);
  }

  std::vector<std::string> SessionLines() const {
    const HWND lb = (*this)[win::kSessions];
    std::vector<std::string> lines;
    const int count = static_cast<int>(::SendMessageW(lb, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      std::wstring line(static_cast<std::size_t>(::SendMessageW(lb, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
      line.resize(static_cast<std::size_t>(::SendMessageW(lb, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()))));
      lines.push_back(Narrow(line));
    }
    return lines;
  }
  // Selects the line (none for -1) and double-clicks the list.
  void DoubleClickLine(int index) {
    const HWND lb = (*this)[win::kSessions];
    ::SendMessageW(lb, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    RECT line{};
    ::SendMessageW(lb, LB_GETITEMRECT, index < 0 ? 0 : static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&line));
    ::SendMessageW(lb, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(line.left + 4, (line.top + line.bottom) / 2));
  }

  // The nodes' paths; with `icons`, a node showing the warning icon ends in " [!]".
  std::vector<std::string> TreePaths(bool icons = false) const {
    std::vector<std::string> paths;
    AddPaths(TreeView_GetRoot((*this)[win::kTree]), "", paths, icons);
    return paths;
  }
  // Selects the node of a path such as "CD/docs", as a click on it does.
  void SelectNode(const std::string& path) {
    const HWND tree = (*this)[win::kTree];
    HTREEITEM node = TreeView_GetRoot(tree);
    std::string prefix;
    while (node != nullptr) {
      const std::string here = prefix.empty() ? NodeText(node) : prefix + "/" + NodeText(node);
      if (here == path) break;
      if (path.rfind(here + "/", 0) == 0) {
        prefix = here;
        node = TreeView_GetChild(tree, node);
      } else {
        node = TreeView_GetNextSibling(tree, node);
      }
    }
    ASSERT_NE(node, nullptr) << path;
    TreeView_SelectItem(tree, node);
  }

  // The rows' names and sizes; with `icons`, a row showing the warning icon ends in " [!]".
  sample::Rows GridRows(bool icons = false) const {
    const HWND grid = (*this)[win::kGrid];
    sample::Rows rows;
    for (int r = 0; r < ListView_GetItemCount(grid); ++r) {
      const bool icon = ListView_GetItemState(grid, r, LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(1);
      rows.emplace_back(Cell(r, 0) + (icons && icon ? " [!]" : ""), Cell(r, 1));
    }
    return rows;
  }
  int RowOf(const std::string& name) const {
    const sample::Rows rows = GridRows();
    for (std::size_t r = 0; r < rows.size(); ++r) {
      const std::string& text = rows[r].first;
      if (text.size() > name.size() && text.compare(text.size() - name.size() - 1, std::string::npos, " " + name) == 0)
        return static_cast<int>(r);
    }
    return -1;
  }
  const TFEntry* EntryOfRow(int row) const {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!ListView_GetItem((*this)[win::kGrid], &item)) return nullptr;
    return reinterpret_cast<const TFEntry*>(item.lParam);
  }
  // The tooltip the grid shows over a row, as the window answers the grid's question.
  std::string RowTip(int row) const {
    wchar_t tip[1024] = {};
    NMLVGETINFOTIPW info{};
    info.hdr = {(*this)[win::kGrid], static_cast<UINT_PTR>(win::kGrid), static_cast<UINT>(LVN_GETINFOTIPW)};
    info.pszText = tip;
    info.cchTextMax = 1024;
    info.iItem = row;
    ::SendMessageW(form_.hwnd(), WM_NOTIFY, win::kGrid, reinterpret_cast<LPARAM>(&info));
    return Narrow(tip);
  }
  // Makes the row the current one and double-clicks it.
  void DoubleClickRow(int row) {
    const HWND grid = (*this)[win::kGrid];
    ListView_SetItemState(grid, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(grid, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    RECT cell{};
    ListView_GetItemRect(grid, row, &cell, LVIR_BOUNDS);
    ::SendMessageW(grid, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(cell.left + 8, (cell.top + cell.bottom) / 2));
  }

 private:
  std::string NodeText(HTREEITEM node) const {
    wchar_t text[512] = {};
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = node;
    item.pszText = text;
    item.cchTextMax = 512;
    TreeView_GetItem((*this)[win::kTree], &item);
    return Narrow(text);
  }
  void AddPaths(HTREEITEM node, const std::string& prefix, std::vector<std::string>& paths, bool icons) const {
    const HWND tree = (*this)[win::kTree];
    for (; node != nullptr; node = TreeView_GetNextSibling(tree, node)) {
      const std::string path = prefix.empty() ? NodeText(node) : prefix + "/" + NodeText(node);
      const bool icon = TreeView_GetItemState(tree, node, TVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(1);
      paths.push_back(path + (icons && icon ? " [!]" : ""));
      AddPaths(TreeView_GetChild(tree, node), path, paths, icons);
    }
  }
  std::string Cell(int row, int column) const {
    wchar_t text[512] = {};
    ListView_GetItemText((*this)[win::kGrid], row, column, text, 512);
    return Narrow(text);
  }

  std::shared_ptr<FakeDialogs> dialogs_;
  win::TForm1 form_;
};

bool FixedPitch(HWND control) {
  const HDC dc = ::GetDC(control);
  const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0)));
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc, &metrics);
  ::SelectObject(dc, old);
  ::ReleaseDC(control, dc);
  // The flag's name is the reverse of its meaning: set for a variable pitch.
  return (metrics.tmPitchAndFamily & TMPF_FIXED_PITCH) == 0;
}

// A control's place in its window's client area.
RECT ClientRectOf(HWND control) {
  RECT rect{};
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::string HeadingOf(HWND grid, int column) {
  wchar_t text[64] = {};
  LVCOLUMNW item{};
  item.mask = LVCF_TEXT;
  item.pszText = text;
  item.cchTextMax = 64;
  ListView_GetColumn(grid, column, &item);
  return Narrow(text);
}

TEST(Win32Window, ShowsTheSampleDiscAsTheOtherWindowDoes) {
  MountedImages drives({SamplePath("sample.disc"), SamplePath("session1.iso")});
  Window w;
  // The title names the selected image; each image's selector entry names its image.
  EXPECT_EQ(Text(w.form().hwnd()), std::string("Tarnwick ") + kProductVersion + " - sample.disc");
  const char* const images[] = {"sample.disc", "session1.iso"};
  for (int i = 0; i < 2; ++i) {
    wchar_t entry[256] = {};
    ::SendMessageW(w[win::kDrives], CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry));
    EXPECT_EQ(Narrow(entry), w.form().quarnb().DeviceList.at(i) + " - " + images[i]);
  }
  const std::pair<ControlId, const char*> captions[] = {
      {win::kDriveLabel, nullptr}, {win::kShow, "Show"},           {win::kHeading, " Number  Start   Size"},
      {win::kLabel1, "Medium  :"}, {win::kLabel2, "Disc Size  :"}, {win::kLabel3, "Used Space  :"},
      {win::kClose, "Close"},      {win::kMedium, ""},             {win::kDiscSize, ""},
      {win::kUsedSpace, ""}};
  for (const auto& [id, caption] : captions) {
    ASSERT_NE(w[id], nullptr) << id;
    if (caption != nullptr) {
      EXPECT_EQ(w.text(id), caption) << id;
    }
  }
  EXPECT_EQ(w.text(win::kDriveLabel), std::string("Drive ") + drives.Letter(0) + ":");
  const HWND grid = w[win::kGrid];
  EXPECT_EQ(HeadingOf(grid, 0), "File Name");
  EXPECT_EQ(HeadingOf(grid, 1), "File Size");
  EXPECT_EQ(HeadingOf(grid, 2), "   Date");
  // The session list, its heading and the grid line up their columns.
  for (ControlId id : {win::kSessions, win::kHeading, win::kGrid}) EXPECT_TRUE(FixedPitch(w[id])) << id;

  // Double-clicking before "Show": no line is selected.
  w.DoubleClickLine(-1);
  EXPECT_EQ(w.dialogs().messages, std::vector<std::string>{"Select session from list"});

  w.Click(win::kShow);
  EXPECT_EQ(w.SessionLines(), sample::kSessionLines);
  EXPECT_EQ(w.text(win::kMedium), sample::kMedium);
  EXPECT_EQ(w.text(win::kDiscSize), sample::kDiscSize);
  EXPECT_EQ(w.text(win::kUsedSpace), sample::kUsedSpace);

  for (std::size_t s = 0; s < sample::kSessions.size(); ++s) {
    SCOPED_TRACE("session " + std::to_string(s + 1));
    w.DoubleClickLine(static_cast<int>(s));
    EXPECT_EQ(w.TreePaths(), sample::kSessions[s].tree);
    EXPECT_EQ(w.GridRows(), sample::kSessions[s].root);
    for (int r = 0; r < static_cast<int>(w.GridRows().size()); ++r) {
      ASSERT_NE(w.EntryOfRow(r), nullptr);
      EXPECT_EQ(w.GridRows()[static_cast<std::size_t>(r)].first.substr(3), w.EntryOfRow(r)->LongName);
    }
  }
  // The free-space line imports nothing: the last session stays.
  w.DoubleClickLine(3);
  EXPECT_EQ(w.GridRows(), sample::kSessions[2].root);

  // Directories, the hidden one among them, and an empty one with its one empty row.
  const std::pair<const char*, sample::Rows> directories[] = {
      {"CD/docs", {{" 1 manual.txt", "     1575"}, {" 2 Release notes.txt", "     4200"}}},
      {"CD/photos", {{" 1 beach.raw", "     5000"}, {" 2 garden.raw", "    20480"}}},
      {"CD/private", {{" 1 diary.txt", "      744"}}},
      {"CD/archive", {{"", ""}}},
      {"CD", sample::kSessions[2].root}};
  for (const auto& [path, rows] : directories) {
    w.SelectNode(path);
    EXPECT_EQ(w.GridRows(), rows) << path;
  }
  EXPECT_EQ(w.dialogs().messages.size(), 1u);

  // Typed letters find a row by its name, not by the row number before it.
  for (const wchar_t key : std::wstring(L"ch")) ::PostMessageW(w[win::kGrid], WM_CHAR, key, 1);
  for (MSG message; ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) ::DispatchMessageW(&message);
  EXPECT_EQ(ListView_GetNextItem(w[win::kGrid], -1, LVNI_FOCUSED), w.RowOf("changes.txt"));

  // Dragging the gap after the list or after the tree widens that pane by as much;
  // the grid takes what is left.
  const struct {
    ControlId pane;
    ControlId next;
  } splitters[] = {{win::kSessions, win::kTree}, {win::kTree, win::kGrid}};
  for (const auto& [pane, next] : splitters) {
    const RECT before = ClientRectOf(w[pane]), after = ClientRectOf(w[next]);
    const int x = (before.right + after.left) / 2, y = (before.top + before.bottom) / 2;
    ::SendMessageW(w.form().hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    ::SendMessageW(w.form().hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + 30, y));
    ::SendMessageW(w.form().hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(x + 30, y));
    EXPECT_EQ(ClientRectOf(w[pane]).right - ClientRectOf(w[pane]).left, before.right - before.left + 30) << pane;
    EXPECT_EQ(ClientRectOf(w[next]).left, after.left + 30) << pane;
  }

  // Another drive: what the first one showed is gone.
  w.SelectDrive(1);
  EXPECT_EQ(w.text(win::kDriveLabel), std::string("Drive ") + drives.Letter(1) + ":");
  EXPECT_TRUE(w.SessionLines().empty());
  EXPECT_TRUE(w.TreePaths().empty());
  EXPECT_TRUE(w.GridRows().empty());
  EXPECT_EQ(w.text(win::kMedium), "");

  w.Click(win::kClose);
  EXPECT_FALSE(::IsWindowVisible(w.form().hwnd()));
}

// Closed maximized, the window opens maximized, and restored it takes the size and
// place it had before; closed so, it opens so.
TEST(Win32Window, OpensMaximizedWhenClosedMaximized) {
  // wine leaves maximizing to the display's window manager (with-window-manager.sh).
  if (std::getenv("TARNWICK_WINDOW_MANAGER") == nullptr) GTEST_SKIP() << "no window manager to maximize the window";
  MountedImages drives({SamplePath("sample.disc")});
  RECT normal{};
  {
    Window w;
    ::SetWindowPos(w.form().hwnd(), nullptr, 20, 10, 620, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    ::GetWindowRect(w.form().hwnd(), &normal);
    ::ShowWindow(w.form().hwnd(), SW_MAXIMIZE);
    w.Click(win::kClose);
  }
  for (const bool maximized : {true, false}) {
    win::TForm1 form(std::make_shared<FakeDialogs>());
    form.Show(SW_SHOWNORMAL);
    EXPECT_EQ(::IsZoomed(form.hwnd()) != 0, maximized);
    ::ShowWindow(form.hwnd(), SW_RESTORE);
    RECT restored{};
    ::GetWindowRect(form.hwnd(), &restored);
    EXPECT_TRUE(::EqualRect(&restored, &normal)) << restored.left << "," << restored.top << " " << restored.right;
    ::SendMessageW(form.hwnd(), WM_CLOSE, 0, 0);
  }
}

TEST(Win32Window, ExtractsFilesWithTheirDates) {
  MountedImages drives({SamplePath("sample.disc")});
  TempDir dir;
  Window w;
  w.Click(win::kShow);
  w.DoubleClickLine(0);
  w.dialogs().directory = dir.str();

  // Each file with its bytes and its date; a directory and the chooser's cancel
  // extract nothing.
  const struct {
    const char* name;
    std::size_t size;
    bool written;
    const char* message;
  } cases[] = {{"big.bin", 100000, true, nullptr},
               {"README.TXT", 3120, true, nullptr},
               {"empty.dat", 0, true, nullptr},
               {"docs", 0, false, "You can not extract directory, docs is a directory"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    w.dialogs().messages.clear();
    const int row = w.RowOf(c.name);
    ASSERT_GE(row, 0);
    const TFEntry* entry = w.EntryOfRow(row);
    ASSERT_NE(entry, nullptr);
    w.DoubleClickRow(row);
    EXPECT_EQ(fs::exists(dir / c.name), c.written);
    if (c.message != nullptr) {
      EXPECT_EQ(w.dialogs().messages, std::vector<std::string>{c.message});
    }
    if (!c.written) continue;
    EXPECT_TRUE(w.dialogs().messages.empty());
    EXPECT_EQ(fs::file_size(dir / c.name), c.size);
    const std::string hint = w.text(win::kHint);
    EXPECT_EQ(hint.rfind("Wrote ", 0), 0u) << hint;
    EXPECT_EQ(hint.substr(hint.size() - std::string(c.name).size()), c.name) << hint;
    platform::LocalDateTime date;
    ASSERT_TRUE(DecodeDateTime(entry->DateTime, date));
    const std::tm written = LocalBrokenDown(ModifiedTime(dir / c.name));
    EXPECT_EQ(written.tm_year + 1900, date.year);
    EXPECT_EQ(written.tm_mon + 1, date.month);
    EXPECT_EQ(written.tm_mday, date.day);
    EXPECT_EQ(written.tm_hour, date.hour);
    EXPECT_EQ(written.tm_min, date.minute);
    EXPECT_EQ(date.year, 2024);
  }
  EXPECT_EQ(ReadWholeFile(dir / "README.TXT").substr(0, 32), "First session read-me, line 0001");
  EXPECT_EQ(w.dialogs().titles.front(), "Choose a folder for big.bin");

  // A chosen folder that ends with a backslash (as a drive's root does) takes the name
  // directly.
  w.dialogs().directory = dir.str() + "\\";
  w.DoubleClickRow(w.RowOf("one.bin"));
  EXPECT_EQ(w.text(win::kHint), "Wrote " + dir.str() + "\\one.bin");
  EXPECT_EQ(fs::file_size(dir / "one.bin"), 1u);
  w.dialogs().directory = dir.str();

  // "Cancel" in the progress dialog stops the copy and leaves no partial file. The
  // file is small, so the dialog is looked for every millisecond, before it is done.
  fs::remove(dir / "big.bin");
  {
    const WindowWatch cancel(
        [](HWND window) {
          if (ClassOf(window) != win::kProgressClass) return false;
          ::SendMessageW(::GetDlgItem(window, IDCANCEL), BM_CLICK, 0, 0);
          return true;
        },
        1);
    w.DoubleClickRow(w.RowOf("big.bin"));
  }
  EXPECT_FALSE(fs::exists(dir / "big.bin"));
  EXPECT_TRUE(::IsWindowEnabled(w.form().hwnd()));

  w.dialogs().directory.clear();
  const std::size_t asked = w.dialogs().titles.size();
  w.DoubleClickRow(w.RowOf("big.bin"));
  EXPECT_EQ(w.dialogs().titles.size(), asked + 1);
  EXPECT_FALSE(fs::exists(dir / "big.bin"));
}

// The system's question about an existing file, found on screen over the progress
// dialog and answered through its own controls: a click on "Replace", or the Enter
// (default "Skip") and Escape keys sent to the control that has the focus, which must
// be the question's: the active window, above the progress dialog it belongs to. The
// question is looked at until it is all that (it shows before the system activates it,
// later on a busy machine), for ten seconds at most.
struct QuestionSeen {
  WPARAM key = 0;  // none: a click on "Replace"
  bool answered = false, ownedByProgress = false, progressDisabled = false, active = false, above = false;
};

bool AnswerQuestion(HWND window, QuestionSeen& seen, ULONGLONG deadline) {
  const HWND progress = ::FindWindowW(win::kProgressClass, nullptr);
  HWND replace = nullptr;
  const auto replaceButton = [](HWND control, LPARAM found) {
    if (Text(control) == "Replace") *reinterpret_cast<HWND*>(found) = control;
    return TRUE;
  };
  ::EnumChildWindows(window, replaceButton, reinterpret_cast<LPARAM>(&replace));
  if (seen.answered || progress == nullptr || window == progress || replace == nullptr) return false;
  seen.ownedByProgress = ::GetWindow(window, GW_OWNER) == progress;
  seen.progressDisabled = !::IsWindowEnabled(progress);
  seen.active = ::GetActiveWindow() == window && ::IsChild(window, ::GetFocus());
  seen.above = false;
  for (HWND over = ::GetWindow(progress, GW_HWNDPREV); over != nullptr; over = ::GetWindow(over, GW_HWNDPREV)) {
    seen.above = seen.above || over == window;
  }
  const bool ready = seen.ownedByProgress && seen.progressDisabled && seen.active && seen.above;
  if (!ready && ::GetTickCount64() < deadline) return true;
  seen.answered = true;
  if (seen.key == 0) {
    ::PostMessageW(replace, BM_CLICK, 0, 0);
  } else {
    ::PostMessageW(::GetFocus(), WM_KEYDOWN, seen.key, 0);
    ::PostMessageW(::GetFocus(), WM_KEYUP, seen.key, 0);
  }
  return true;
}

TEST(Win32Window, TheRealOverwriteQuestionIsAnsweredOverTheProgressDialog) {
  MountedImages drives({SamplePath("sample.disc")});
  const struct {
    WPARAM key;
    std::size_t size;
    bool cancelled;
  } cases[] = {{0, 4345, false}, {VK_RETURN, 4, false}, {VK_ESCAPE, 4, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    TempDir dir;
    std::ofstream(dir / "README.TXT", std::ios::binary) << "mine";
    Window w;
    w.dialogs().directory = dir.str();
    w.dialogs().realQuestion = true;
    w.Click(win::kShow);
    w.DoubleClickLine(2);
    QuestionSeen question{c.key};
    {
      const ULONGLONG deadline = ::GetTickCount64() + 10000;
      const WindowWatch answer([&](HWND window) { return AnswerQuestion(window, question, deadline); });
      w.DoubleClickRow(w.RowOf("README.TXT"));
    }
    EXPECT_TRUE(question.answered && question.ownedByProgress && question.progressDisabled);
    EXPECT_TRUE(question.active && question.above);
    EXPECT_EQ(fs::file_size(dir / "README.TXT"), c.size);
    const std::string hint = w.text(win::kHint);
    EXPECT_EQ(hint.rfind("Extraction cancelled; wrote no files to ", 0) == 0, c.cancelled) << hint;
    EXPECT_TRUE(::IsWindowEnabled(w.form().hwnd()));
  }
}

// A size of ten digits and more (1 GB on) widens the File Size column to at least the
// width the list view itself would give it; a directory of smaller sizes narrows it
// again, to the usual width where its sizes fit in it.
TEST(Win32Window, TheSizeColumnFitsTheLargestSizeShown) {
  TempDir dir;
  const CraftedIso iso = CraftedIso::BigFileAndOneSubdirectory();
  MountedImages drives({iso.Write(dir / "big.iso")});
  Window w;
  const HWND grid = w[win::kGrid];
  const int usual = ListView_GetColumnWidth(grid, 1);
  // The list view's own width for the column's texts, the shown width put back after.
  const auto listViewWidth = [grid] {
    const int shown = ListView_GetColumnWidth(grid, 1);
    ListView_SetColumnWidth(grid, 1, LVSCW_AUTOSIZE);
    const int fitted = ListView_GetColumnWidth(grid, 1);
    ListView_SetColumnWidth(grid, 1, shown);
    return fitted;
  };
  w.Click(win::kShow);
  w.DoubleClickLine(0);
  ASSERT_EQ(w.GridRows().at(0), (std::pair<std::string, std::string>{" 1 BIG.BIN", "4294967295"}));
  const int wide = ListView_GetColumnWidth(grid, 1);
  EXPECT_GT(wide, usual);
  EXPECT_GE(wide, listViewWidth());
  // Nine places fit the usual width where the font allows it (wine's fonts are wider).
  w.SelectNode("CD/SUB");
  EXPECT_LT(ListView_GetColumnWidth(grid, 1), wide);
  EXPECT_EQ(ListView_GetColumnWidth(grid, 1), std::max(usual, listViewWidth()));
}

TEST(Win32Window, NamesFromTheDiscKeepTheirCharacters) {
  // A Joliet tree whose names need more than one code page, and beyond the 16-bit
  // plane; the primary tree holds only one plain name.
  using R = CraftedRecord;
  TempDir dir;
  CraftedIso iso(40);
  iso.Descriptor(16, 1, 20, 2048, false);
  iso.Descriptor(17, 2, 22, 2048);
  iso.Terminator(18);
  iso.Directory(20, {R::Dot(20, 2048), R::DotDot(20, 2048), R::File("A.TXT;1", 30, 5)});
  iso.Directory(22, {R::Dot(22, 2048), R::DotDot(22, 2048), R::File(Ucs2Be(u"Ünïcødé.txt"), 30, 5),
                     R::Dir(Ucs2Be(u"Ελληνικά"), 24), R::File(Ucs2Be(u"😀 smile.txt"), 30, 5)});
  iso.Directory(24, {R::Dot(24, 2048), R::DotDot(22, 2048), R::File(Ucs2Be(u"日本語.txt"), 31, 6)});
  iso.Data(30, "hello");
  iso.Data(31, "sekai!");
  MountedImages drives({iso.Write(dir / "names.iso")});
  Window w;
  w.Click(win::kShow);
  w.DoubleClickLine(0);
  EXPECT_EQ(w.TreePaths(), (std::vector<std::string>{"CD", "CD/Ελληνικά"}));
  EXPECT_EQ(w.GridRows(), (sample::Rows{{" 1 Ünïcødé.txt", "        5"},
                                        {" 2 Ελληνικά", " < DIR > "},
                                        {" 3 😀 smile.txt", "        5"}}));

  // Extracted under the same name.
  w.dialogs().directory = dir.str();
  const struct {
    const char* node;
    const char* name;
    const char* bytes;
  } files[] = {{"CD", "😀 smile.txt", "hello"}, {"CD/Ελληνικά", "日本語.txt", "sekai!"}};
  for (const auto& f : files) {
    w.SelectNode(f.node);
    w.DoubleClickRow(w.RowOf(f.name));
    const fs::path written = dir.path() / fs::path(win::Wide(f.name));
    EXPECT_EQ(ReadWholeFile(written), f.bytes) << f.name;
  }
  EXPECT_TRUE(w.dialogs().messages.empty());
}

// The system's dialog boxes found on the screen while the window waits for them, each
// added to `seen` as its title and its controls' texts joined by " | ", and its answer
// button pressed (the first of the task dialog's own: "Keep a copy with zeros" in the
// question about unreadable data, "Create links" in the one about links; else OK).
BOOL CALLBACK AddText(HWND control, LPARAM texts) {
  *reinterpret_cast<std::string*>(texts) += " | " + Text(control);
  return TRUE;
}

WindowWatch AnsweringDialogs(std::vector<std::string>& seen) {
  return WindowWatch([&seen](HWND window) {
    if (ClassOf(window) != L"#32770" || !::IsWindowEnabled(window)) return false;
    HWND button = ::GetDlgItem(window, 100);
    if (button == nullptr) button = ::GetDlgItem(window, IDOK);
    if (button == nullptr) return false;
    std::string texts = Text(window);
    ::EnumChildWindows(window, &AddText, reinterpret_cast<LPARAM>(&texts));
    seen.push_back(texts);
    ::SendMessageW(button, BM_CLICK, 0, 0);
    return true;
  });
}

// A file with an unreadable sector: the system's task dialog asks, "Keep a copy with
// zeros" writes it whole with zeros there, and message boxes name the damaged bytes
// after the extraction and after "Check session".
TEST(Win32Window, UnreadableDataInTheSystemsDialogs) {
  using R = CraftedRecord;
  TempDir dir;
  const std::string data = PatternBytes(4 * 2048 + 100, 11);
  CraftedIso iso(40);
  iso.Descriptor(16, 1, 20, 2048, false);
  iso.Terminator(17);
  iso.Directory(20, {R::Dot(20, 2048), R::DotDot(20, 2048), R::File("A.BIN;1", 30, static_cast<std::uint32_t>(data.size())),
                     R::File("B.TXT;1", 35, 5)});
  iso.Data(30, data);
  iso.Data(35, "fine!");
  iso.Write(dir / "damaged.iso");
  std::ofstream(dir / "damaged.disc") << "session\ntrack start=0 length=40 file=damaged.iso\nfault read start=32\n";
  MountedImages drives({(dir / "damaged.disc").string()});
  Window w;
  w.ImportForSystemDialogs(dir / "out");
  std::vector<std::string> dialogs;
  {
    const WindowWatch answer = AnsweringDialogs(dialogs);
    w.DoubleClickRow(w.RowOf("A.BIN"));
    ::SendMessageW(w.form().hwnd(), WM_COMMAND, MAKEWPARAM(win::kCheckSession, 0), 0);
  }

  const std::string damage = "A.BIN (8292 bytes): bytes 4096-6143 (sector 32)";
  ASSERT_EQ(dialogs.size(), 3u);
  const std::pair<std::size_t, std::string> shown[] = {
      {0, kProductName}, {0, " | A.BIN\ncannot be read whole:\n"}, {0, " | Keep a copy with zeros | Skip the file | Stop"},
      {1, kProductName}, {1, " | Kept with zeros where the disc could not be read:\n" + damage},
      {2, kProductName}, {2, " | Checked 2 files: 1 damaged, 1 bad sector\n" + damage}};
  for (const auto& [dialog, text] : shown) EXPECT_NE(dialogs[dialog].find(text), std::string::npos) << dialogs[dialog];
  std::string expected = data;
  std::fill(expected.begin() + 4096, expected.begin() + 6144, '\0');
  EXPECT_TRUE(ReadWholeFile(dir / "out" / "A.BIN") == expected);
}

// A selection with symbolic links: the system's question asks once for all of them,
// and where links cannot be made (the Windows build makes none), one message says so
// and counts them; the file is written.
TEST(Win32Window, LinksThatCannotBeMadeAreToldOnceForTheSelection) {
  TempDir dir;
  MountedImages drives({CraftedIso::RockRidgeLinks().Write(dir / "links.iso")});
  Window w;
  w.ImportForSystemDialogs(dir / "out");
  ASSERT_EQ(w.GridRows().size(), 3u);
  ListView_SetItemState(w[win::kGrid], -1, LVIS_SELECTED, LVIS_SELECTED);
  std::vector<std::string> dialogs;
  {
    const WindowWatch answer = AnsweringDialogs(dialogs);
    ::SendMessageW(w.form().hwnd(), WM_COMMAND, MAKEWPARAM(win::kExtractRows, 0), 0);
  }
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_NE(dialogs[0].find("The selection holds 2 symbolic links, the first absolute -> /tmp/target.txt"),
            std::string::npos)
      << dialogs[0];
  EXPECT_NE(dialogs[0].find(" | Create links | Skip links"), std::string::npos) << dialogs[0];
  EXPECT_NE(dialogs[1].find("Symbolic links cannot be created in " + (dir / "out").string()), std::string::npos)
      << dialogs[1];
  EXPECT_NE(dialogs[1].find("2 symbolic links were not created"), std::string::npos) << dialogs[1];
  EXPECT_EQ(ReadWholeFile(dir / "out" / "target.txt"), "hello");
  EXPECT_FALSE(fs::exists(dir / "out" / "link") || fs::exists(dir / "out" / "absolute"));
  EXPECT_EQ(w.text(win::kHint), "Wrote " + (dir / "out").string() + "/target.txt; 2 symbolic links not created");
}

// The grid's context menu as the user opens it over its first row: a right click's
// WM_CONTEXTMENU, and while the menu is open, the item reached through the submenus
// named in `path` is read (its check mark) and chosen; the menu closes and the window
// runs the item's command. True when the item was there (and `checked` says whether
// it carried a check mark before).
bool PickFromGridMenu(Window& w, const std::vector<std::string>& path, bool* checked = nullptr) {
  const HWND grid = w[win::kGrid];
  ListView_SetItemState(grid, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  bool open = false, found = false, marked = false;
  {
    const WindowWatch pick([&](HWND popup) {
      if (open || ClassOf(popup) != L"#32768") return false;
      open = true;
      HMENU menu = reinterpret_cast<HMENU>(::SendMessageW(popup, MN_GETHMENU, 0, 0));
      for (std::size_t level = 0; menu != nullptr && level < path.size(); ++level) {
        HMENU next = nullptr;
        for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
          wchar_t text[128] = {};
          ::GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
          if (Narrow(text) != path[level]) continue;
          if (level + 1 < path.size()) {
            next = ::GetSubMenu(menu, i);
            break;
          }
          found = true;
          marked = (::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_CHECKED) != 0;
          ::PostMessageW(w.form().hwnd(), WM_COMMAND, MAKEWPARAM(::GetMenuItemID(menu, i), 0), 0);
        }
        menu = next;
      }
      ::EndMenu();
      return true;
    });
    POINT at{10, 10};
    ::ClientToScreen(grid, &at);
    ::SendMessageW(w.form().hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(grid), MAKELPARAM(at.x, at.y));
  }
  // The chosen command arrives after the menu has closed.
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
  if (checked != nullptr) *checked = marked;
  return found;
}

TEST(Win32Window, NamesAndDeletedFilesAreChosenInTheMenusAndKept) {
  TempDir dir;
  // Rock Ridge and Joliet names of one file: Joliet keeps 64 characters of its name.
  const std::string longName = "A name longer than the sixty-four characters that Joliet keeps of it.txt";
  IsoOptions both;
  both.joliet = both.rockRidge = true;
  const fs::path iso = MakeIso(dir, "both", {{longName, "long"}}, both);
  const UdfDisc udf = MakeUdfDisc(dir / "udf");
  // A session whose newest generation marks entries of its root deleted.
  const UdfGeneration* chosen = nullptr;
  std::vector<std::string> deletedRows;
  for (const UdfGeneration& g : udf.generations) {
    std::vector<std::string> root;
    for (const UdfListingRow& row : g.deleted)
      if (row.path.rfind('/') == 0) root.push_back(row.path.substr(1) + " (deleted)");
    if (!root.empty() && (&g == &udf.generations.back() || (&g + 1)->session != g.session)) chosen = &g, deletedRows = root;
  }
  ASSERT_NE(chosen, nullptr);
  MountedImages drives({iso.string(), udf.description.string()});
  win::WriteSetting(L"Names", "");
  win::WriteSetting(L"ShowDeleted", "");

  // Joliet keeps 64 characters, the extension among those cut off: the name shows a final ".".
  const std::string joliet = longName.substr(0, 64) + ".";
  for (const std::string names : {"auto", "joliet"}) {
    SCOPED_TRACE(names);
    Window w;
    w.Click(win::kShow);
    w.DoubleClickLine(0);
    // Automatic takes the Rock Ridge names; the choice holds for the next window.
    bool checked = false;
    const std::string shown = names == "auto" ? longName : joliet;
    EXPECT_EQ(w.RowOf(shown), 0) << w.GridRows().front().first;
    ASSERT_TRUE(PickFromGridMenu(w, {"Names", names == "auto" ? "Automatic" : "Joliet"}, &checked));
    EXPECT_TRUE(checked);
    if (names == "auto") {
      ASSERT_TRUE(PickFromGridMenu(w, {"Names", "Joliet"}, &checked));
      EXPECT_FALSE(checked);
      EXPECT_EQ(w.RowOf(joliet), 0);  // the shown session is read again
      EXPECT_EQ(win::ReadSetting(L"Names"), "joliet");
    }
  }
  win::WriteSetting(L"Names", "");

  // The rows marked deleted, checking that exactly they are grey and say why.
  auto deletedOf = [](Window& w) {
    std::vector<std::string> deleted;
    for (int r = 0; r < static_cast<int>(w.GridRows().size()); ++r) {
      const std::string name = w.GridRows()[static_cast<std::size_t>(r)].first;
      const bool marked = name.size() > 10 && name.compare(name.size() - 10, 10, " (deleted)") == 0;
      if (marked) deleted.push_back(name.substr(3));
      NMLVCUSTOMDRAW draw{};
      draw.nmcd.hdr = {w[win::kGrid], static_cast<UINT_PTR>(win::kGrid), static_cast<UINT>(NM_CUSTOMDRAW)};
      draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
      draw.nmcd.dwItemSpec = static_cast<DWORD_PTR>(r);
      draw.nmcd.lItemlParam = reinterpret_cast<LPARAM>(w.EntryOfRow(r));
      draw.clrText = RGB(0, 0, 0);
      ::SendMessageW(w.form().hwnd(), WM_NOTIFY, win::kGrid, reinterpret_cast<LPARAM>(&draw));
      EXPECT_EQ(draw.clrText == ::GetSysColor(COLOR_GRAYTEXT), marked) << name;
      EXPECT_EQ(w.RowTip(r).find(kDeletedTip) != std::string::npos, marked) << name;
    }
    std::sort(deleted.begin(), deleted.end());
    return deleted;
  };
  std::sort(deletedRows.begin(), deletedRows.end());
  for (const bool kept : {false, true}) {
    SCOPED_TRACE(kept ? "kept from the window before" : "chosen");
    Window w;
    w.SelectDrive(1);
    w.Click(win::kShow);
    w.DoubleClickLine(chosen->session - 1);
    EXPECT_EQ(deletedOf(w), kept ? deletedRows : std::vector<std::string>{});
    bool checked = !kept;
    ASSERT_TRUE(PickFromGridMenu(w, {kShowDeletedText}, &checked));
    EXPECT_EQ(checked, kept);
    EXPECT_EQ(win::ReadSetting(L"ShowDeleted"), kept ? "0" : "1");
    // The shown session is read again.
    EXPECT_EQ(deletedOf(w), kept ? std::vector<std::string>{} : deletedRows);
  }
}

// A directory or a root whose sector cannot be read: the warning says so, and after
// it the tree node and the grid row carry the mark and the system's warning icon (no
// other node or row does), and their tooltip the reason.
TEST(Win32Window, UnreadableDirectoriesAreMarkedAfterAWarning) {
  TempDir dir;
  CraftedIso::RootAndOneSubdirectory().Write(dir / "disc.iso");
  const struct {
    const char* fault;
    std::string heading;
    std::vector<std::string> tree;
  } cases[] = {
      {"21", "Part of session 1 could not be read. Everything that could be read is shown; this is missing:",
       {"CD", "CD/SUB (damaged) [!]"}},
      {"20", "The top directory of session 1 could not be read, so nothing of the session is shown.",
       {"CD (damaged) [!]"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    const fs::path desc = dir / (std::string("disc") + c.fault + ".disc");
    std::ofstream(desc) << "session\ntrack start=0 length=40 file=disc.iso\nfault read start=" << c.fault << "\n";
    MountedImages drives({desc.string()});
    Window w;
    w.Click(win::kShow);
    w.DoubleClickLine(0);
    ASSERT_EQ(w.dialogs().messages.size(), 1u);
    EXPECT_EQ(w.dialogs().messages.front().substr(0, c.heading.size()), c.heading);
    EXPECT_EQ(w.TreePaths(true), c.tree);
    const HIMAGELIST icons = TreeView_GetImageList(w[win::kTree], TVSIL_STATE);
    EXPECT_TRUE(icons != nullptr && icons == ListView_GetImageList(w[win::kGrid], LVSIL_STATE));
    EXPECT_EQ(ImageList_GetImageCount(icons), 2);
    if (c.tree.size() == 1) continue;
    EXPECT_EQ(w.GridRows(true), (sample::Rows{{" 1 SUB (damaged) [!]", " < DIR > "}, {" 2 A.TXT", "        1"}}));
    const int row = w.RowOf("SUB (damaged)");
    ASSERT_GE(row, 0);
    EXPECT_NE(w.RowTip(row).find("Sector 21 could not be read"), std::string::npos) << w.RowTip(row);
  }
}

}  // namespace
}  // namespace tarnwick::test
