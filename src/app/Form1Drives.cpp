// Start-up, drive selection, "Show" and "Close".
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QSettings>
#include <QUrl>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTreeWidget>
#include <exception>
#include <memory>

#include "app/Form1.h"
#include "app/WaitCursor.h"
#include "app/Dialogs.h"
#include "app/EntryGrid.h"
#include "browse/Formatting.h"
#include "browse/ImageFiles.h"
#include "browse/MountImages.h"
#include "browse/SessionListing.h"
#include "browse/WindowCommands.h"

namespace tarnwick::app {

namespace {

// Where the image chooser starts: the folder of the last image opened, kept between runs.
const QString kImageFolderKey = QStringLiteral("images/lastFolder");

}  // namespace

void TForm1::FormCreate() {
  {
    WaitCursor wait;
    quarnb_.InitializeDevices(true);
  }
  if (quarnb_.DeviceList.empty()) return;
  FillDrives();
  {
    const QSignalBlocker quiet(cbDrives);
    cbDrives->setCurrentIndex(0);
  }
  cbDrivesChange();
}

void TForm1::FillDrives() {
  const QSignalBlocker quiet(cbDrives);
  cbDrives->clear();
  for (const std::string& line : quarnb_.DeviceList) cbDrives->addItem(QString::fromStdString(DriveEntryText(line)));
}

void TForm1::OpenImageClick() {
  QSettings settings;
  const QString path = dialogs_->ChooseImage(this, QString::fromStdString(ImageFileFilters()),
                                             settings.value(kImageFolderKey).toString());
  if (path.isEmpty()) return;
  settings.setValue(kImageFolderKey, QFileInfo(path).absolutePath());
  OpenImage(path);
}

void TForm1::OpenImage(const QString& path) {
  int line = -1;
  try {
    WaitCursor wait;
    line = OpenImageDrive(quarnb_, QFile::encodeName(path).toStdString());
  } catch (const std::exception& e) {
    dialogs_->ShowMessage(this, QString::fromStdString(e.what()));
    return;
  }
  // The scan lists every drive again, the new one among them.
  FillDrives();
  if (line < 0) {
    dialogs_->ShowMessage(this, path + ": the drive scan does not list its drive");
    line = 0;
  }
  {
    const QSignalBlocker quiet(cbDrives);
    cbDrives->setCurrentIndex(line);
  }
  cbDrivesChange();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile() && IsImageFileName(QFile::encodeName(url.toLocalFile()).toStdString())) {
      event->acceptProposedAction();
      return;
    }
  }
}

void TForm1::dropEvent(QDropEvent* event) {
  bool opened = false;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (!url.isLocalFile() || !IsImageFileName(QFile::encodeName(url.toLocalFile()).toStdString())) continue;
    OpenImage(url.toLocalFile());
    opened = true;
  }
  if (opened) event->acceptProposedAction();
}

void TForm1::cbDrivesChange() {
  // What the window shows belongs to the previous drive; extracting from its grid
  // would read the new drive at the old disc's addresses.
  ClearViews();
  // The entry may name the image after the device-list line; the drive is selected by its line.
  const int index = cbDrives->currentIndex();
  const std::string line = index >= 0 && static_cast<std::size_t>(index) < quarnb_.DeviceList.size()
                               ? quarnb_.DeviceList[static_cast<std::size_t>(index)]
                               : cbDrives->currentText().toStdString();
  {
    WaitCursor wait;
    quarnb_.SelectDevice(line);
  }
  const char letter = quarnb_.GetDriveLetter();
  cbDrives->setToolTip(QString::fromStdString(DriveHintText(line, letter)));
  lDrive->setText(QString::fromStdString(DriveLabelText(letter)));
  setWindowTitle(QString::fromStdString(WindowTitleText(letter)));
}

void TForm1::Button1Click() {
  lb->clear();
  TSessionListing listing;
  {
    WaitCursor wait;
    lHint->setText(QString::fromLatin1(kAskingDriveText));
    lHint->repaint();
    listing = ListSessions(quarnb_);
  }
  lHint->setText(QString::fromStdString(ListingStatusText(listing)));
  lHint->setToolTip(lHint->text());
  sessionLines_ = listing.lines;
  for (const TSessionLine& line : listing.lines) {
    auto item = std::make_unique<QListWidgetItem>(QString::fromStdString(line.text));
    item->setData(kSessionRole, static_cast<unsigned>(line.session));
    item->setSizeHint(QSize(Scaled(192), Scaled(15)));
    // The error line is cut by the list's width; the status line below says why.
    if (line.kind == TSessionLine::Kind::Error) item->setToolTip(lHint->text());
    lb->addItem(item.release());
  }
  if (!listing.labelsValid) return;
  const std::string separator = QLocale().decimalPoint().toStdString();
  lMedium->setText(QString::fromStdString(listing.mediumName));
  lDiscSize->setText(QString::fromStdString(FormatMegabytes(listing.discBlocks, separator)));
  lUsedSpace->setText(QString::fromStdString(FormatMegabytes(listing.usedBlocks, separator)));
}

void TForm1::bCloseClick() { close(); }

void TForm1::ClearViews() {
  lb->clear();
  sessionLines_.clear();
  lMedium->clear();
  lDiscSize->clear();
  lUsedSpace->clear();
  tvDir->clear();
  marks_ = {};
  ClearGrid();
}

void TForm1::ClearGrid() {
  fl->clearContents();
  fl->setRowCount(1);
}

}  // namespace tarnwick::app
