#include "app/EntryGrid.h"

#include <QApplication>
#include <string>
#include <vector>

#include "app/Form1.h"
#include "browse/GridSearch.h"
#include "browse/WindowGeometry.h"

namespace tarnwick::app {

void TEntryGrid::keyboardSearch(const QString& search) {
  if (search.isEmpty()) {
    typed_.clear();
    return;
  }
  // Keys typed in quick succession add up to one name; a pause starts a new one.
  const bool fresh = !sinceLastKey_.isValid() || sinceLastKey_.elapsed() > QApplication::keyboardInputInterval();
  sinceLastKey_.start();
  typed_ = fresh ? search : typed_ + search;

  std::vector<std::string> names;
  for (int r = 0; r < rowCount(); ++r) {
    const QTableWidgetItem* cell = item(r, 1);
    const TFEntry* entry = cell ? RecordOf<const TFEntry>(cell->data(kEntryRole)) : nullptr;
    names.push_back(entry ? entry->LongName : std::string());
  }
  // A new name starts after the current row, so the same key steps through the rows
  // starting with it; a longer name may still match the current row.
  const int from = currentRow() + (typed_.size() == 1 ? 1 : 0);
  const int row = RowStartingWith(names, typed_.toStdString(), from);
  if (row < 0) return;
  setCurrentCell(row, 0);
  scrollToItem(item(row, 0));
}

void TEntryGrid::resizeEvent(QResizeEvent* event) {
  QTableWidget::resizeEvent(event);
  FitNameColumn();
}

void TEntryGrid::SetSizeColumnWidth(int width) {
  setColumnWidth(1, width);
  FitNameColumn();
}

void TEntryGrid::FitNameColumn() {
  if (columnCount() < 3) return;
  const int least = logicalDpiX() * 60 / 96;
  setColumnWidth(0, NameColumnWidth(viewport()->width(), columnWidth(1), columnWidth(2), least));
}

}  // namespace tarnwick::app
