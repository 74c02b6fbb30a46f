// TForm1: the one window of the program. A drive selector with "Show" above, the
// session list, the directory tree and the entry grid side by side, and "Close" below.
// The window owns the drive component `quarnb` for its whole life.
//
// Handlers (the names the window has always used):
//   FormCreate     scans the drives, fills the selector, selects the first drive
//   cbDrivesChange selects the chosen drive and clears what the previous one showed
//   Button1Click   "Show": lists the sessions and the disc's sizes
//   lbDblClick     imports the session of the double-clicked line
//   tvDirClick     lists the clicked directory in the grid
//   Extract1Click  extracts the double-clicked file into a chosen directory
//   bCloseClick    closes the window
// and beside them:
//   OpenImageClick     "Open image...": an image file becomes a new drive, selected
//   OpenImage          the same for an image dropped on the window
//   ExtractSelectionClick  "Extract..." of the grid's menu: the selected rows
//   ExtractNodeClick       "Extract..." of the tree's menu: the node's directory
#pragma once

#include <QMainWindow>
#include <memory>
#include <vector>

#include "browse/DirectoryMarks.h"
#include "browse/SessionListing.h"
#include "iso/QuarnBurner.h"

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QSplitter;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace tarnwick {
class TExtraction;
struct TExtractionOutcome;
}  // namespace tarnwick

namespace tarnwick::app {

class IDialogs;
class TEntryGrid;

// Item data: the session number of a session-list line (0 for the free-space and
// error lines), the TDEntry of a tree node, the TFEntry of a grid row (column 1).
inline constexpr int kSessionRole = Qt::UserRole;
inline constexpr int kDirRole = Qt::UserRole;
inline constexpr int kEntryRole = Qt::UserRole;

// The record an item's data refers to, and the data that refers to a record.
template <class Record>
Record* RecordOf(const QVariant& data) {
  return reinterpret_cast<Record*>(data.value<quintptr>());
}

template <class Record>
QVariant DataOf(Record* record) {
  return QVariant::fromValue(reinterpret_cast<quintptr>(record));
}

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  // Builds the controls and runs FormCreate. Without `dialogs` the toolkit's own
  // directory chooser and message boxes are used.
  explicit TForm1(std::shared_ptr<IDialogs> dialogs = nullptr, QWidget* parent = nullptr);
  ~TForm1() override;

  void FormCreate();
  void cbDrivesChange();
  void Button1Click();
  void lbDblClick();
  void BuildTree();
  void AddDirNodes(QTreeWidgetItem* node, TDEntry* dir);
  void tvDirClick();
  void Extract1Click();
  void bCloseClick();
  void OpenImageClick();
  // Mounts the image as a new drive and selects it; a failure is shown in a message.
  void OpenImage(const QString& path);
  void ExtractSelectionClick();
  void ExtractNodeClick();

  TQuarnBurner& quarnb() { return quarnb_; }

 protected:
  // Double clicks in the session list (on a line or not) and on the grid's rows;
  // Enter on a session line or a grid row.
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Image files dragged onto the window.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // Keeps the window's size and place and the panes' widths for the next run.
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateControls();
  // Where the window opens and how small it may get, and the top and bottom strips'
  // controls that follow its width (Form1Geometry.cpp).
  void PlaceOnScreen();
  void PlaceStrips();
  // Session list, value labels, tree and grid as at start.
  void ClearViews();
  void ClearGrid();
  // The grid's rows for a directory (its entries, or one empty row).
  void ShowDirectory(const TDEntry* dir);
  // Fills the selector from the device list without selecting anything.
  void FillDrives();
  // Asks for the target directory (starting in the last one used) and extracts the
  // entries with a progress dialog; `oneFile` keeps the single file's progress text.
  void ExtractEntries(const std::vector<const TFEntry*>& entries, const QString& title, bool oneFile);
  int Scaled(int pixels) const;
  // "Show deleted files" in both context menus: checked as last chosen; a change
  // imports the shown session again. Rows of deleted entries are grey.
  void CreateDeletedAction();
  void ShowDeletedClick(bool show);
  void MarkDeletedRow(int row, const TFEntry& entry);
  void MarkDeletedNode(QTreeWidgetItem* node, const TFEntry& entry);
  // "Names" in both context menus (Form1Names.cpp): which names an import shows,
  // checked as last chosen; a change imports the shown session again.
  void CreateNamesMenu();
  void NamesClick(const QAction* chosen);
  // Imports the session whose line is selected again, when its tree is shown.
  void ReimportShownSession();
  // Unreadable data (Form1Damage.cpp): the tree menu's "Check session", the question
  // an extraction asks about a file it cannot read whole, and the list of the files
  // kept with zeros shown after it.
  void AddCheckSessionAction();
  void CheckSessionClick();
  void AskAboutUnreadable(TExtraction& extraction);
  void ShowDamaged(const TExtractionOutcome& outcome);
  // Gives a tree node of a directory that is not shown whole its mark, its reason in
  // the tooltip, and expands the nodes above it.
  void MarkDirectory(QTreeWidgetItem* node, const TDEntry* dir, const std::string& name);

  TQuarnBurner quarnb_;
  // The marks of the directories the imported tree does not show whole.
  TDirectoryMarks marks_;
  // The lines the session list shows, with the session each imports.
  std::vector<TSessionLine> sessionLines_;
  std::shared_ptr<IDialogs> dialogs_;
  double scale_ = 1.0;

  QFrame* Panel3 = nullptr;
  QLabel* lDrive = nullptr;
  QComboBox* cbDrives = nullptr;
  QPushButton* Button1 = nullptr;
  QLabel* Panel4 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* lMedium = nullptr;
  QLabel* lDiscSize = nullptr;
  QLabel* lUsedSpace = nullptr;
  QFrame* Panel1 = nullptr;
  QListWidget* lb = nullptr;
  QTreeWidget* tvDir = nullptr;
  TEntryGrid* fl = nullptr;
  QSplitter* Splitter1 = nullptr;
  QMenu* GridMenu = nullptr;
  QMenu* TreeMenu = nullptr;
  QAction* ShowDeleted = nullptr;
  QMenu* NamesMenu = nullptr;
  QFrame* Panel2 = nullptr;
  QPushButton* bClose = nullptr;
  QPushButton* bOpenImage = nullptr;
  QLabel* lHint = nullptr;
};

}  // namespace tarnwick::app
