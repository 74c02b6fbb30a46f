// "Show deleted files": the checkable command of both context menus, remembered
// between runs, and the grey rows and tree nodes of the entries it brings in.
#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QSettings>
#include <QTableWidget>
#include <QTreeWidget>

#include "app/EntryGrid.h"
#include "app/Form1.h"
#include "browse/DeletedEntries.h"

namespace tarnwick::app {
namespace {

const QString kShowDeletedKey = QStringLiteral("view/showDeleted");

}  // namespace

void TForm1::CreateDeletedAction() {
  ShowDeleted = TreeMenu->addAction(QString::fromLatin1(kShowDeletedText));  // owned by the menu
  ShowDeleted->setObjectName(QStringLiteral("ShowDeleted"));
  ShowDeleted->setCheckable(true);
  ShowDeleted->setChecked(QSettings().value(kShowDeletedKey, false).toBool());
  ChooseDeletedEntries(quarnb_, ShowDeleted->isChecked());
  GridMenu->addAction(ShowDeleted);
  connect(ShowDeleted, &QAction::toggled, this, [this](bool show) { ShowDeletedClick(show); });
}

void TForm1::ShowDeletedClick(bool show) {
  QSettings().setValue(kShowDeletedKey, show);
  ChooseDeletedEntries(quarnb_, show);
  // A session already shown is read again, with or without its deleted entries.
  ReimportShownSession();
}

void TForm1::MarkDeletedNode(QTreeWidgetItem* node, const TFEntry& entry) {
  if (!IsDeletedEntry(entry)) return;
  node->setForeground(0, Qt::gray);
  node->setToolTip(0, QString::fromStdString(entry.LongName) + "\n" + QString::fromLatin1(kDeletedTip));
}

void TForm1::MarkDeletedRow(int row, const TFEntry& entry) {
  if (!IsDeletedEntry(entry)) return;
  for (int column = 0; column < fl->columnCount(); ++column)
    if (QTableWidgetItem* item = fl->item(row, column)) item->setForeground(Qt::gray);
}

}  // namespace tarnwick::app
