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
#pragma once

#include <QMainWindow>
#include <memory>

#include "iso/QuarnBurner.h"

class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace tarnwick::app {

class IDialogs;

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

  TQuarnBurner& quarnb() { return quarnb_; }

 protected:
  // Double clicks anywhere in the session list or the grid (on a line or not).
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void ConfigureDrive();
  // Session list, value labels, tree and grid as at start.
  void ClearViews();
  void ClearGrid();
  // The grid's rows for a directory (its entries, or one empty row).
  void ShowDirectory(const TDEntry* dir);
  int Scaled(int pixels) const;

  TQuarnBurner quarnb_;
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
  QTableWidget* fl = nullptr;
  QFrame* Panel2 = nullptr;
  QPushButton* bClose = nullptr;
};

}  // namespace tarnwick::app
