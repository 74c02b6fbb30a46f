// Extracting from the grid and the tree into a directory the user chooses: the
// double-clicked file (or Enter on its row), the selected rows, or a node's
// directory, with a progress dialog that can cancel.
#include "app-win32/Form1.h"
#include "app-win32/ProgressDialog.h"
#include "app-win32/Settings.h"
#include "app-win32/WinText.h"
#include "browse/ExtractRefusal.h"
#include "browse/Extraction.h"
#include "browse/ProgressPace.h"
#include "browse/WindowCommands.h"

namespace tarnwick::win {

namespace {

// Where the directory chooser starts: the last directory extracted into, kept
// between runs.
constexpr const wchar_t* kExtractFolderKey = L"ExtractFolder";

}  // namespace

void TForm1::Extract1Click() {
  const HWND grid = Control(kGrid);
  const int row = ListView_GetNextItem(grid, -1, LVNI_FOCUSED);
  // The empty row of an empty directory refers to no entry.
  const TFEntry* entry = EntryOfRow(row);
  if (entry == nullptr) return;
  if (const std::string refusal = ExtractRefusal(*entry); !refusal.empty()) {
    dialogs_->ShowMessage(hwnd_, refusal);
    return;
  }
  ExtractEntries({entry}, ExtractTitle({entry}), true);
}

void TForm1::ExtractSelectionClick() {
  const HWND grid = Control(kGrid);
  std::vector<const TFEntry*> entries;
  for (int row = ListView_GetNextItem(grid, -1, LVNI_SELECTED); row >= 0;
       row = ListView_GetNextItem(grid, row, LVNI_SELECTED)) {
    if (const TFEntry* entry = EntryOfRow(row)) entries.push_back(entry);
  }
  if (entries.empty()) return;
  ExtractEntries(entries, ExtractTitle(entries), false);
}

void TForm1::ExtractNodeClick() {
  const HWND tree = Control(kTree);
  const HTREEITEM node = TreeView_GetSelection(tree);
  if (node == nullptr) return;
  TVITEMW item{};
  item.mask = TVIF_PARAM;
  item.hItem = node;
  if (!TreeView_GetItem(tree, &item)) return;
  const auto* dir = reinterpret_cast<const TDEntry*>(item.lParam);
  const std::vector<const TFEntry*> entries = EntriesOfNode(dir);
  if (entries.empty()) return;
  ExtractEntries(entries, ExtractNodeTitle(dir), false);
}

void TForm1::ExtractEntries(const std::vector<const TFEntry*>& entries, const std::string& title, bool oneFile) {
  const std::string directory = dialogs_->ChooseDirectory(hwnd_, title, ReadSetting(kExtractFolderKey));
  if (directory.empty()) return;
  WriteSetting(kExtractFolderKey, directory);

  TExtractionOutcome outcome;
  {
    ProgressDialog progress(hwnd_, kExtractingTitle, entries.front()->LongName);
    TExtraction extraction(quarnb_, TExistingFiles::Ask);
    // The rate counts reading time only: a question's time is left out.
    TProgressRate rate;
    TProgressPace redraw;
    const std::string separator = DecimalSeparator();
    extraction.onExisting = [&](const std::string& path) {
      const TOverwriteAnswer answer = dialogs_->AskOverwrite(progress.hwnd(), path);
      rate.Restart();
      return answer;
    };
    extraction.onLinks = [&](const std::string& question) {
      const auto answer = dialogs_->AskLinks(progress.hwnd(), question);
      rate.Restart();
      return answer;
    };
    extraction.onUnreadable = [&](const std::string& name, const std::string& error) {
      const TUnreadableAnswer answer = dialogs_->AskUnreadable(progress.hwnd(), name, error);
      rate.Restart();
      return answer;
    };
    extraction.onProgress = [&](const TExtractionStep& step) {
      rate.Add(step.allDone);
      if (!redraw.Due(step.allDone, step.allTotal)) return progress.Update();
      const std::string pace = PaceText(rate, step.allTotal - step.allDone, separator);
      return progress.Update(ProgressText(step, oneFile, separator, pace), ProgressPercent(step, oneFile));
    };
    outcome = extraction.Run(entries, directory);
  }

  ::SetWindowTextW(Control(kHint), Wide(ExtractionSummary(outcome, directory)).c_str());
  ShowDamaged(outcome);
  if (!outcome.errors.empty()) dialogs_->ShowMessage(hwnd_, ErrorsText(outcome.errors));
}

}  // namespace tarnwick::win
