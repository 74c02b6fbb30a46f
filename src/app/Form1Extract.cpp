// Extracting the double-clicked file of the grid into a directory the user chooses,
// with a progress dialog that can cancel.
#include <QCoreApplication>
#include <QFile>
#include <QProgressDialog>
#include <QTableWidget>

#include "app/Dialogs.h"
#include "app/Form1.h"
#include "iso/LocalName.h"

namespace tarnwick::app {

void TForm1::Extract1Click() {
  const int row = fl->currentRow();
  if (row < 0) return;
  const QTableWidgetItem* cell = fl->item(row, 1);
  if (cell == nullptr) return;  // the empty row of an empty directory
  const TFEntry* entry = RecordOf<const TFEntry>(cell->data(kEntryRole));
  if (entry == nullptr) return;
  const QString name = QString::fromStdString(entry->LongName);
  if (entry->IsDirectory()) {
    dialogs_->ShowMessage(this, "You can not extract directory, " + name + " is a directory");
    return;
  }
  const QString directory = dialogs_->ChooseDirectory(this);
  if (directory.isEmpty()) return;
  // The name comes from the disc: the destination is formed so that it stays inside
  // the chosen directory whatever the name holds.
  const std::string destination = LocalDestination(QFile::encodeName(directory).toStdString(), entry->LongName);

  QProgressDialog progress(this);
  progress.setObjectName(QStringLiteral("ExtractProgress"));
  progress.setWindowTitle(QStringLiteral("Extracting"));
  progress.setWindowModality(Qt::WindowModal);
  progress.setCancelButtonText(QStringLiteral("Cancel"));
  progress.setRange(0, 100);
  progress.setMinimumDuration(0);
  progress.setAutoClose(false);
  progress.setAutoReset(false);
  progress.setLabelText(name);
  progress.setValue(0);

  bool cancelled = false;
  const bool extracted = quarnb_.ExtractFile(entry, destination, [&](std::uint64_t done, std::uint64_t total) {
    const int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
    progress.setLabelText(QStringLiteral("%1\n%2 of %3 bytes (%4%)").arg(name).arg(done).arg(total).arg(percent));
    progress.setValue(percent);
    QCoreApplication::processEvents();
    cancelled = progress.wasCanceled();
    return !cancelled;
  });
  progress.close();
  // A cancelled extraction has removed its partial file; nothing to report.
  if (!extracted && !cancelled)
    dialogs_->ShowMessage(this, QString::fromStdString(quarnb_.LastExtractError()));
}

}  // namespace tarnwick::app
