// Extracting from the grid and the tree into a directory the user chooses: the
// double-clicked file (or Enter on its row), the selected rows, or a node's
// directory, with a progress dialog that can cancel.
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QProgressDialog>
#include <QSettings>
#include <QTableWidget>
#include <QTreeWidget>
#include <algorithm>

#include "app/Dialogs.h"
#include "app/EntryGrid.h"
#include "app/Form1.h"
#include "browse/Extraction.h"

namespace tarnwick::app {

namespace {

// Where the directory chooser starts: the last directory extracted into, kept
// between runs.
const QString kExtractFolderKey = QStringLiteral("extract/lastFolder");

int Percent(std::uint64_t done, std::uint64_t total) {
  return total == 0 ? 100 : static_cast<int>(done * 100 / total);
}

}  // namespace

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
  ExtractEntries({entry}, "Extract " + name + " to", true);
}

void TForm1::ExtractSelectionClick() {
  QList<int> rows;
  for (const QModelIndex& index : fl->selectionModel()->selectedRows()) rows << index.row();
  std::sort(rows.begin(), rows.end());
  std::vector<const TFEntry*> entries;
  for (int row : rows) {
    const QTableWidgetItem* cell = fl->item(row, 1);
    const TFEntry* entry = cell ? RecordOf<const TFEntry>(cell->data(kEntryRole)) : nullptr;
    if (entry != nullptr) entries.push_back(entry);
  }
  if (entries.empty()) return;
  const QString title = entries.size() == 1 ? "Extract " + QString::fromStdString(entries.front()->LongName) + " to"
                                            : QStringLiteral("Extract %1 entries to").arg(entries.size());
  ExtractEntries(entries, title, false);
}

void TForm1::ExtractNodeClick() {
  const QTreeWidgetItem* node = tvDir->currentItem();
  if (node == nullptr) return;
  const TDEntry* dir = RecordOf<const TDEntry>(node->data(0, kDirRole));
  if (dir == nullptr) return;
  std::vector<const TFEntry*> entries;
  if (const TFEntry* entry = EntryOfDirectory(dir)) {
    entries.push_back(entry);
  } else {
    // The root has no entry of its own: its contents go into the chosen directory.
    for (const TFEntry* entry = dir->Files; entry != nullptr; entry = entry->Next) entries.push_back(entry);
  }
  if (entries.empty()) return;
  ExtractEntries(entries, "Extract " + node->text(0) + " to", false);
}

void TForm1::ExtractEntries(const std::vector<const TFEntry*>& entries, const QString& title, bool oneFile) {
  QSettings settings;
  const QString directory = dialogs_->ChooseDirectory(this, title, settings.value(kExtractFolderKey).toString());
  if (directory.isEmpty()) return;
  settings.setValue(kExtractFolderKey, directory);

  QProgressDialog progress(this);
  progress.setObjectName(QStringLiteral("ExtractProgress"));
  progress.setWindowTitle(QStringLiteral("Extracting"));
  progress.setWindowModality(Qt::WindowModal);
  progress.setCancelButtonText(QStringLiteral("Cancel"));
  progress.setRange(0, 100);
  progress.setMinimumDuration(0);
  progress.setAutoClose(false);
  progress.setAutoReset(false);
  progress.setLabelText(QString::fromStdString(entries.front()->LongName));
  progress.setValue(0);

  bool cancelled = false;
  TExtraction extraction(quarnb_, TExistingFiles::Ask);
  extraction.onExisting = [&](const std::string& path) {
    return dialogs_->AskOverwrite(this, QFile::decodeName(path.c_str()));
  };
  extraction.onProgress = [&](const TExtractionStep& step) {
    const QString name = QString::fromStdString(step.name);
    if (oneFile) {
      const int percent = Percent(step.fileDone, step.fileTotal);
      progress.setLabelText(QStringLiteral("%1\n%2 of %3 bytes (%4%)").arg(name).arg(step.fileDone).arg(step.fileTotal).arg(percent));
      progress.setValue(percent);
    } else {
      const int percent = Percent(step.allDone, step.allTotal);
      progress.setLabelText(QStringLiteral("%1\n%2 of %3 bytes\n%4 of %5 bytes in all (%6%)")
                                .arg(name)
                                .arg(step.fileDone)
                                .arg(step.fileTotal)
                                .arg(step.allDone)
                                .arg(step.allTotal)
                                .arg(percent));
      progress.setValue(percent);
    }
    QCoreApplication::processEvents();
    cancelled = progress.wasCanceled();
    return !cancelled;
  };
  const TExtractionOutcome outcome = extraction.Run(entries, QFile::encodeName(directory).toStdString());
  progress.close();

  lHint->setText(QString::fromStdString(ExtractionSummary(outcome, QFile::encodeName(directory).toStdString())));
  lHint->setToolTip(lHint->text());
  if (!outcome.errors.empty()) dialogs_->ShowMessage(this, QString::fromStdString(ErrorsText(outcome.errors)));
}

}  // namespace tarnwick::app
