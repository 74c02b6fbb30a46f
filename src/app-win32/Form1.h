// TForm1: the program's one window, drawn with the system's own controls. A drive
// selector with "Show" above, the session list, the directory tree and the entry grid
// (a report-style list view) side by side, and "Close" below. The window owns the
// drive component `quarnb` for its whole life; what it shows and decides comes from
// the browse layer, as for the other toolkit's window.
//
// Handlers (the names the window has always used):
//   FormCreate     scans the drives, fills the selector, selects the first drive
//   cbDrivesChange selects the chosen drive and clears what the previous one showed
//   Button1Click   "Show": lists the sessions and the disc's sizes
//   lbDblClick     imports the session of the double-clicked line
//   tvDirClick     lists the selected directory in the grid
//   Extract1Click  extracts the double-clicked file into a chosen directory
//   bCloseClick    closes the window
// and beside them "Open image..." (and images dropped on the window), and "Extract..."
// of the grid's and the tree's context menus.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app-win32/Dialogs.h"
#include "app-win32/Fonts.h"
#include "app-win32/MarkIcons.h"
#include "app-win32/Splitters.h"
#include "browse/DirectoryMarks.h"
#include "browse/SessionListing.h"
#include "browse/WindowGeometry.h"
#include "iso/QuarnBurner.h"

namespace tarnwick::win {

inline constexpr const wchar_t* kFormClass = L"TarnwickForm1";
inline constexpr DWORD kFormStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
inline constexpr DWORD kFormExStyle = WS_EX_ACCEPTFILES;

// Control identifiers (GetDlgItem on the window finds each control by them).
enum ControlId : int {
  kDriveLabel = 101,  // lDrive
  kDrives,            // cbDrives
  kShow,              // Button1
  kHeading,           // Panel4
  kLabel1,
  kLabel2,
  kLabel3,
  kMedium,     // lMedium
  kDiscSize,   // lDiscSize
  kUsedSpace,  // lUsedSpace
  kSessions,   // lb
  kTree,       // tvDir
  kGrid,       // fl
  kClose,      // bClose
  kOpenImage,  // bOpenImage
  kHint,       // lHint
  kExtractRows = 301,
  kExtractNode,
  kCheckSession,
  kShowDeleted = 310,  // "Show deleted files"
  kNamesFirst = 320,   // "Names": one command per choice, in NameChoices order
};

// Posted to the window to tell the window manager its size again.
inline constexpr UINT kRestateSize = WM_APP + 1;

class TForm1 {
 public:
  // Creates the window (not yet shown) and runs FormCreate. Without `dialogs` the
  // system's chooser and message boxes are used. `quitOnClose` ends the thread's
  // message loop when the window is closed (the program's window does).
  explicit TForm1(std::shared_ptr<IDialogs> dialogs = nullptr, bool quitOnClose = false);
  ~TForm1();
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  HWND hwnd() const { return hwnd_; }
  // Shows the window as `show` asks; a window closed maximized opens maximized, and
  // restored it takes the place it opened at.
  void Show(int show);
  HWND Control(ControlId id) const { return ::GetDlgItem(hwnd_, id); }
  TQuarnBurner& quarnb() { return quarnb_; }

  void FormCreate();
  void cbDrivesChange();
  void Button1Click();
  void lbDblClick();
  void BuildTree();
  void AddDirNodes(HTREEITEM node, TDEntry* dir);
  void tvDirClick();
  void Extract1Click();
  void bCloseClick();
  void OpenImageClick();
  // Mounts the image as a new drive and selects it; a failure is shown in a message.
  void OpenImage(const std::string& path);
  void ExtractSelectionClick();
  void ExtractNodeClick();
  // Unreadable data (Form1Damage.cpp): the tree menu's "Check session", which reads
  // every file and writes nothing, and the list of files kept with zeros.
  void CheckSessionClick();
  void ShowDamaged(const TExtractionOutcome& outcome);
  // The view's choices (Form1View.cpp): "Show deleted files" and "Names" in both
  // context menus, remembered between runs; a change imports the shown session again.
  void ShowDeletedClick();
  void NamesClick(std::size_t choice);

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Notify(const NMHDR& header);
  void Command(int id, int code);

  void CreateControls();
  void Layout();
  // Where the window opens, how small it may get, what it keeps for the next run, and
  // the grid's name column, which takes what the other columns leave (Form1Geometry.cpp).
  TRect OpeningPlace();
  TSize MinimumOuterSize() const;
  void KeepNormalRect();
  // A size below the minimum that the system refused, asked for by a window manager
  // that was not told the minimum, is answered with the size the window keeps.
  void WatchMinimum(const WINDOWPOS& change);
  void RestateSize();
  TPanes RememberedPanes() const;
  void SaveGeometry() const;
  void FitNameColumn();
  int Scaled(int pixels) const;
  void ClearViews();
  void ClearGrid();
  void ShowDirectory(const TDEntry* dir);
  void FillDrives();
  const TFEntry* EntryOfRow(int row) const;
  // Asks for the target directory (starting in the last one used) and extracts the
  // entries with a progress dialog; `oneFile` keeps the single file's progress text.
  void ExtractEntries(const std::vector<const TFEntry*>& entries, const std::string& title, bool oneFile);
  void PopupMenu(int command, POINT at);
  void LoadViewChoices();
  void AppendViewItems(HMENU menu) const;
  void ReimportShownSession();
  // Deleted entries' rows in the grid and nodes in the tree are drawn in grey.
  LRESULT DrawDeleted(NMCUSTOMDRAW& draw, bool tree) const;

  TQuarnBurner quarnb_;
  // The marks of the directories the imported tree does not show whole.
  TDirectoryMarks marks_;
  std::shared_ptr<IDialogs> dialogs_;
  bool quitOnClose_;
  HWND hwnd_ = nullptr;
  HWND tips_ = nullptr;
  double scale_ = 1.0;
  Fonts fonts_;
  // The warning icon of marked directories (the grid shares the list, the window owns it).
  MarkIcons markIcons_;
  Splitters splitters_;
  // The lines the session list shows, with the session each imports.
  std::vector<TSessionLine> sessionLines_;
  // The window's rectangle when last neither maximized nor minimized (screen
  // coordinates), kept for the next run; whether it was closed maximized last time.
  RECT normal_{};
  bool openMaximized_ = false;
  // Wide texts the grid's and tree's tooltips point into until the next request.
  std::wstring tipText_;
};

}  // namespace tarnwick::win
