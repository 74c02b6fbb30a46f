// The entry grid: a table whose type-ahead finds rows by the entries' names (the first
// column starts with the row number, which the table's own search would match), and
// whose name column takes the width the size and date columns leave.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTableWidget>

namespace tarnwick::app {

class TEntryGrid : public QTableWidget {
 public:
  TEntryGrid(int rows, int columns) : QTableWidget(rows, columns) {}
  void keyboardSearch(const QString& search) override;
  // The File Size column's width; the name column takes what is left as before.
  void SetSizeColumnWidth(int width);

 protected:
  // Also called when the visible part changes (a scroll bar comes or goes).
  void resizeEvent(QResizeEvent* event) override;

 private:
  void FitNameColumn();
  QString typed_;
  QElapsedTimer sinceLastKey_;
};

}  // namespace tarnwick::app
