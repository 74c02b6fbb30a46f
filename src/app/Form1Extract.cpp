// Extracting from the grid and the tree into a directory the user chooses: the
// double-clicked file (or Enter on its row), the selected rows, or a node's
// directory, with a progress dialog that can cancel.
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QProgressDialog>
#include <QSettings>
#include <QTableWidget>
#include <QTreeWidget>
#include <algorithm>

#include "app/Dialogs.h"
#include "app/EntryGrid.h"
#include "app/Form1.h"
#include "browse/Extraction.h"
#include "browse/ExtractRefusal.h"
#include "browse/ProgressPace.h"
#include "browse/WindowCommands.h"

namespace tarnwick::app {

namespace {

// Where the directory chooser starts: the last directory extracted into, kept
// between runs.
const QString kExtractFolderKey = QStringLiteral("extract/lastFolder");

}  // namespace

void TForm1::Extract1Click() {
  const int row = fl->currentRow();
  if (row < 0) return;
  const QTableWidgetItem* cell = fl->item(row, 1);
  if (cell == nullptr) return;  // the empty row of an empty directory
  const TFEntry* entry = RecordOf<const TFEntry>(cell->data(kEntryRole));
  if (entry == nullptr) return;
  if (const std::string refusal = ExtractRefusal(*entry); !refusal.empty()) {
    dialogs_->ShowMessage(this, QString::fromStdString(refusal));
    return;
  }
  ExtractEntries({entry}, QString::fromStdString(ExtractTitle({entry})), true);
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
  ExtractEntries(entries, QString::fromStdString(ExtractTitle(entries)), false);
}

void TForm1::ExtractNodeClick() {
  const QTreeWidgetItem* node = tvDir->currentItem();
  if (node == nullptr) return;
  const TDEntry* dir = RecordOf<const TDEntry>(node->data(0, kDirRole));
  const std::vector<const TFEntry*> entries = EntriesOfNode(dir);
  if (entries.empty()) return;
  ExtractEntries(entries, QString::fromStdString(ExtractNodeTitle(dir)), false);
}

void TForm1::ExtractEntries(const std::vector<const TFEntry*>& entries, const QString& title, bool oneFile) {
  QSettings settings;
  const QString directory = dialogs_->ChooseDirectory(this, title, settings.value(kExtractFolderKey).toString());
  if (directory.isEmpty()) return;
  settings.setValue(kExtractFolderKey, directory);

  QProgressDialog progress(this);
  progress.setObjectName(QStringLiteral("ExtractProgress"));
  progress.setWindowTitle(QString::fromLatin1(kExtractingTitle));
  progress.setWindowModality(Qt::WindowModal);
  progress.setCancelButtonText(QStringLiteral("Cancel"));
  progress.setRange(0, 100);
  progress.setMinimumDuration(0);
  // Wide enough for the sizes, the rate and the time left without growing as they do.
  progress.setMinimumWidth(Scaled(420));
  progress.setAutoClose(false);
  progress.setAutoReset(false);
  progress.setLabelText(QString::fromStdString(entries.front()->LongName));
  progress.setValue(0);
  // On screen before anything is asked: shown later, it would cover the question.
  progress.show();

  bool cancelled = false;
  TExtraction extraction(quarnb_, TExistingFiles::Ask);
  // The rate counts reading time only: a question's time is left out.
  TProgressRate rate;
  TProgressPace redraw;
  const std::string separator = QLocale().decimalPoint().toStdString();
  // The question belongs to the progress dialog: asked on behalf of the window, it
  // would sit under the window-modal progress dialog, which window managers keep
  // above the window's other dialogs and give the keyboard to.
  extraction.onExisting = [&](const std::string& path) {
    const TOverwriteAnswer answer = dialogs_->AskOverwrite(&progress, QFile::decodeName(path.c_str()));
    rate.Restart();
    return answer;
  };
  extraction.onProgress = [&](const TExtractionStep& step) {
    rate.Add(step.allDone);
    if (redraw.Due(step.allDone, step.allTotal)) {
      const std::string pace = PaceText(rate, step.allTotal - step.allDone, separator);
      progress.setLabelText(QString::fromStdString(ProgressText(step, oneFile, separator, pace)));
      progress.setValue(ProgressPercent(step, oneFile));
    }
    QCoreApplication::processEvents();
    cancelled = progress.wasCanceled();
    return !cancelled;
  };
  extraction.onLinks = [&](const std::string& question) {
    const auto answer = dialogs_->AskLinks(&progress, QString::fromStdString(question));
    rate.Restart();
    return answer;
  };
  AskAboutUnreadable(extraction);
  if (const auto ask = extraction.onUnreadable) {
    extraction.onUnreadable = [&rate, ask](const std::string& name, const std::string& error) {
      const TUnreadableAnswer answer = ask(name, error);
      rate.Restart();
      return answer;
    };
  }
  const TExtractionOutcome outcome = extraction.Run(entries, QFile::encodeName(directory).toStdString());
  progress.close();
  ShowDamaged(outcome);

  lHint->setText(QString::fromStdString(ExtractionSummary(outcome, QFile::encodeName(directory).toStdString())));
  lHint->setToolTip(lHint->text());
  if (!outcome.errors.empty()) dialogs_->ShowMessage(this, QString::fromStdString(ErrorsText(outcome.errors)));
}

}  // namespace tarnwick::app
