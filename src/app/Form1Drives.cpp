// Start-up, drive selection, "Show" and "Close".
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTreeWidget>
#include <memory>

#include "app/Form1.h"
#include "app/WaitCursor.h"
#include "browse/Formatting.h"
#include "browse/SessionListing.h"
#include "platform/Platform.h"

namespace tarnwick::app {

void TForm1::FormCreate() {
  {
    WaitCursor wait;
    quarnb_.InitializeDevices(true);
  }
  if (quarnb_.DeviceList.empty()) return;
  {
    const QSignalBlocker quiet(cbDrives);
    for (const std::string& line : quarnb_.DeviceList) cbDrives->addItem(QString::fromStdString(line));
    cbDrives->setCurrentIndex(0);
  }
  cbDrivesChange();
}

void TForm1::cbDrivesChange() {
  // What the window shows belongs to the previous drive; extracting from its grid
  // would read the new drive at the old disc's addresses.
  ClearViews();
  const QString line = cbDrives->currentText();
  {
    WaitCursor wait;
    quarnb_.SelectDevice(line.toStdString());
  }
  const char letter = quarnb_.GetDriveLetter();
  QString hint = line;
  if (letter != 0) {
    const std::string device = platform::Current().DescribeDrive(letter);
    if (!device.empty()) hint += "\n" + QString::fromStdString(device);
  }
  cbDrives->setToolTip(hint);
  lDrive->setText(letter != 0 ? QStringLiteral("Drive %1:").arg(QChar::fromLatin1(letter))
                              : QStringLiteral("  Drive :"));
}

void TForm1::Button1Click() {
  lb->clear();
  TSessionListing listing;
  {
    WaitCursor wait;
    listing = ListSessions(quarnb_);
  }
  for (const TSessionLine& line : listing.lines) {
    auto item = std::make_unique<QListWidgetItem>(QString::fromStdString(line.text));
    item->setData(kSessionRole, static_cast<unsigned>(line.session));
    item->setSizeHint(QSize(Scaled(192), Scaled(15)));
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
  lMedium->clear();
  lDiscSize->clear();
  lUsedSpace->clear();
  tvDir->clear();
  ClearGrid();
}

void TForm1::ClearGrid() {
  fl->clearContents();
  fl->setRowCount(1);
}

}  // namespace tarnwick::app
