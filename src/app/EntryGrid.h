// The entry grid: a table whose type-ahead finds rows by the entries' names (the first
// column starts with the row number, which the table's own search would match).
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTableWidget>

namespace tarnwick::app {

class TEntryGrid : public QTableWidget {
 public:
  TEntryGrid(int rows, int columns) : QTableWidget(rows, columns) {}
  void keyboardSearch(const QString& search) override;

 private:
  QString typed_;
  QElapsedTimer sinceLastKey_;
};

}  // namespace tarnwick::app
