// Start-up, drive selection, "Show", the session list, the directory tree and the
// entry grid.
#include <exception>

#include "app-win32/Form1.h"
#include "app-win32/Settings.h"
#include "app-win32/WaitCursor.h"
#include "app-win32/WinText.h"
#include "browse/Formatting.h"
#include "browse/GridRows.h"
#include "browse/GridSizeColumn.h"
#include "browse/MountImages.h"
#include "browse/WindowCommands.h"

namespace tarnwick::win {

namespace {

// Where the image chooser starts: the folder of the last image opened, kept between runs.
constexpr const wchar_t* kImageFolderKey = L"ImageFolder";

void SetText(HWND control, const std::string& text) { ::SetWindowTextW(control, Wide(text).c_str()); }

// The state of a node or row: the warning icon for a marked directory, else none.
UINT MarkState(const TDirectoryMark* mark) { return mark ? INDEXTOSTATEIMAGEMASK(MarkIcons::kWarning) : 0; }

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

void TForm1::FormCreate() {
  {
    WaitCursor wait;
    quarnb_.InitializeDevices(true);
  }
  if (quarnb_.DeviceList.empty()) return;
  FillDrives();
  ::SendMessageW(Control(kDrives), CB_SETCURSEL, 0, 0);
  cbDrivesChange();
}

void TForm1::FillDrives() {
  const HWND drives = Control(kDrives);
  ::SendMessageW(drives, CB_RESETCONTENT, 0, 0);
  for (const std::string& line : quarnb_.DeviceList) {
    ::SendMessageW(drives, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(DriveEntryText(line)).c_str()));
  }
}

void TForm1::cbDrivesChange() {
  // What the window shows belongs to the previous drive; extracting from its grid
  // would read the new drive at the old disc's addresses.
  ClearViews();
  const int index = static_cast<int>(::SendMessageW(Control(kDrives), CB_GETCURSEL, 0, 0));
  if (index < 0 || static_cast<std::size_t>(index) >= quarnb_.DeviceList.size()) return;
  {
    WaitCursor wait;
    quarnb_.SelectDevice(quarnb_.DeviceList[static_cast<std::size_t>(index)]);
  }
  SetText(Control(kDriveLabel), DriveLabelText(quarnb_.GetDriveLetter()));
  SetText(hwnd_, WindowTitleText(quarnb_.GetDriveLetter()));
}

void TForm1::OpenImageClick() {
  const std::string path = dialogs_->ChooseImage(hwnd_, ReadSetting(kImageFolderKey));
  if (path.empty()) return;
  WriteSetting(kImageFolderKey, FolderOf(path));
  OpenImage(path);
}

void TForm1::OpenImage(const std::string& path) {
  int line = -1;
  try {
    WaitCursor wait;
    line = OpenImageDrive(quarnb_, path);
  } catch (const std::exception& e) {
    dialogs_->ShowMessage(hwnd_, e.what());
    return;
  }
  // The scan lists every drive again, the new one among them.
  FillDrives();
  if (line < 0) {
    dialogs_->ShowMessage(hwnd_, path + ": the drive scan does not list its drive");
    line = 0;
  }
  ::SendMessageW(Control(kDrives), CB_SETCURSEL, static_cast<WPARAM>(line), 0);
  cbDrivesChange();
}

void TForm1::Button1Click() {
  const HWND lb = Control(kSessions);
  ::SendMessageW(lb, LB_RESETCONTENT, 0, 0);
  sessionLines_.clear();
  TSessionListing listing;
  {
    WaitCursor wait;
    SetText(Control(kHint), kAskingDriveText);
    ::UpdateWindow(Control(kHint));
    listing = ListSessions(quarnb_);
  }
  SetText(Control(kHint), ListingStatusText(listing));
  sessionLines_ = listing.lines;
  for (const TSessionLine& line : listing.lines) {
    const LRESULT at = ::SendMessageW(lb, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(line.text).c_str()));
    if (at >= 0) ::SendMessageW(lb, LB_SETITEMDATA, static_cast<WPARAM>(at), line.session);
  }
  if (!listing.labelsValid) return;
  const std::string separator = DecimalSeparator();
  SetText(Control(kMedium), listing.mediumName);
  SetText(Control(kDiscSize), FormatMegabytes(listing.discBlocks, separator));
  SetText(Control(kUsedSpace), FormatMegabytes(listing.usedBlocks, separator));
}

void TForm1::bCloseClick() { ::SendMessageW(hwnd_, WM_CLOSE, 0, 0); }

void TForm1::ClearViews() {
  ::SendMessageW(Control(kSessions), LB_RESETCONTENT, 0, 0);
  sessionLines_.clear();
  for (int id : {kMedium, kDiscSize, kUsedSpace}) SetText(Control(static_cast<ControlId>(id)), "");
  TreeView_DeleteAllItems(Control(kTree));
  marks_ = {};
  ClearGrid();
}

void TForm1::ClearGrid() {
  const HWND grid = Control(kGrid);
  ListView_DeleteAllItems(grid);
}

void TForm1::lbDblClick() {
  const HWND lb = Control(kSessions);
  const LRESULT selected = ::SendMessageW(lb, LB_GETCURSEL, 0, 0);
  if (selected == LB_ERR) {
    dialogs_->ShowMessage(hwnd_, kSelectSessionMessage);
    return;
  }
  const std::uint8_t session = SessionOfLine(sessionLines_, static_cast<std::size_t>(selected));
  if (session == 0) return;

  // The reset releases every record the tree nodes and grid rows refer to.
  TreeView_DeleteAllItems(Control(kTree));
  marks_ = {};
  ClearGrid();
  std::string problems;
  {
    WaitCursor wait;
    problems = ImportIntoFreshTree(quarnb_, session);
  }
  BuildTree();
  // The tree shows what could be read; say once what could not.
  if (!problems.empty()) dialogs_->ShowWarning(hwnd_, problems);
}

void TForm1::BuildTree() {
  const HWND tree = Control(kTree);
  TreeView_DeleteAllItems(tree);
  marks_ = TDirectoryMarks(quarnb_);
  TVINSERTSTRUCTW insert{};
  insert.hParent = TVI_ROOT;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE;
  const TDirectoryMark* mark = marks_.Of(quarnb_.Root());
  insert.item.state = MarkState(mark);
  insert.item.stateMask = TVIS_STATEIMAGEMASK;
  std::wstring text = Wide(MarkedText("CD", mark));
  insert.item.pszText = text.data();
  insert.item.lParam = reinterpret_cast<LPARAM>(quarnb_.Root());
  const HTREEITEM root = TreeView_InsertItem(tree, &insert);
  if (root == nullptr) return;
  AddDirNodes(root, quarnb_.Root());
  // Selecting the node lists it in the grid (tvDirClick); once more in case it was
  // already the selection.
  TreeView_SelectItem(tree, root);
  tvDirClick();
}

void TForm1::AddDirNodes(HTREEITEM node, TDEntry* dir) {
  if (dir == nullptr) return;
  const HWND tree = Control(kTree);
  for (TFEntry* entry = dir->Files; entry != nullptr; entry = entry->Next) {
    // Every directory gets a node, hidden ones (attributes 12h) included.
    if (!entry->IsDirectory()) continue;
    TVINSERTSTRUCTW insert{};
    insert.hParent = node;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE;
    // A directory that is not shown whole carries its mark and icon (the tooltip says why).
    const TDirectoryMark* mark = marks_.Of(*entry);
    insert.item.state = MarkState(mark);
    insert.item.stateMask = TVIS_STATEIMAGEMASK;
    std::wstring text = Wide(MarkedText(entry->LongName, mark));
    insert.item.pszText = text.data();
    insert.item.lParam = reinterpret_cast<LPARAM>(entry->Dir);
    const HTREEITEM child = TreeView_InsertItem(tree, &insert);
    if (child == nullptr) return;
    // The tree starts collapsed; a marked directory is not left hidden inside it.
    if (mark) TreeView_EnsureVisible(tree, child);
    AddDirNodes(child, entry->Dir);
  }
}

void TForm1::tvDirClick() {
  const HWND tree = Control(kTree);
  const HTREEITEM node = TreeView_GetSelection(tree);
  if (node == nullptr) return;
  TVITEMW item{};
  item.mask = TVIF_PARAM;
  item.hItem = node;
  if (!TreeView_GetItem(tree, &item)) return;
  ShowDirectory(reinterpret_cast<const TDEntry*>(item.lParam));
}

void TForm1::ShowDirectory(const TDEntry* dir) {
  const HWND grid = Control(kGrid);
  ::SendMessageW(grid, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(grid);
  const std::vector<TGridRow> rows = GridRows(dir);
  // A subitem's text keeps six pixels on each side.
  ListView_SetColumnWidth(grid, 1,
                          GridSizeColumnWidth(
                              rows,
                              [grid](const std::string& text) {
                                const std::wstring wide = Wide(text);
                                return ListView_GetStringWidth(grid, wide.c_str());
                              },
                              Scaled(12), Scaled(kGridSizeColumnWidth)));
  FitNameColumn();
  if (rows.empty()) {
    // An empty directory: the headings and one empty row, which refers to nothing.
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.pszText = const_cast<wchar_t*>(L"");
    item.lParam = 0;
    ListView_InsertItem(grid, &item);
  }
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const TDirectoryMark* mark = marks_.Of(*rows[r].entry);
    std::wstring name = Wide(MarkedText(rows[r].name, mark));
    std::wstring size = Wide(rows[r].size);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
    item.state = MarkState(mark);
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.iItem = static_cast<int>(r);
    item.pszText = name.data();
    item.lParam = reinterpret_cast<LPARAM>(rows[r].entry);
    const int at = ListView_InsertItem(grid, &item);
    if (at >= 0) ListView_SetItemText(grid, at, 1, size.data());
  }
  ::SendMessageW(grid, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(grid, nullptr, TRUE);
}

const TFEntry* TForm1::EntryOfRow(int row) const {
  if (row < 0) return nullptr;
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!ListView_GetItem(Control(kGrid), &item)) return nullptr;
  return reinterpret_cast<const TFEntry*>(item.lParam);
}

}  // namespace tarnwick::win
