// Importing a session from the session list, the directory tree and the entry grid.
#include <QListWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <memory>

#include "app/Dialogs.h"
#include "app/Form1.h"
#include "app/WaitCursor.h"
#include "app/EntryGrid.h"
#include "browse/EntryTip.h"
#include "browse/GridRows.h"
#include "browse/WindowCommands.h"

namespace tarnwick::app {

void TForm1::lbDblClick() {
  QListWidgetItem* line = lb->currentItem();
  if (line == nullptr || !line->isSelected()) {
    dialogs_->ShowMessage(this, QString::fromLatin1(kSelectSessionMessage));
    return;
  }
  const std::uint8_t session = SessionOfLine(sessionLines_, static_cast<std::size_t>(lb->row(line)));
  if (session == 0) return;

  // The reset releases every record the tree nodes and grid rows refer to.
  tvDir->clear();
  ClearGrid();
  std::string problems;
  {
    WaitCursor wait;
    problems = ImportIntoFreshTree(quarnb_, session);
  }
  BuildTree();
  // The tree shows what could be read; say once what could not.
  if (!problems.empty()) dialogs_->ShowMessage(this, QString::fromStdString(problems));
}

void TForm1::BuildTree() {
  tvDir->clear();
  auto root = std::make_unique<QTreeWidgetItem>(QStringList{QStringLiteral("CD")});
  root->setData(0, kDirRole, DataOf(quarnb_.Root()));
  QTreeWidgetItem* node = root.get();
  tvDir->addTopLevelItem(root.release());
  AddDirNodes(node, quarnb_.Root());
  tvDir->setCurrentItem(node);
  tvDirClick();
}

void TForm1::AddDirNodes(QTreeWidgetItem* node, TDEntry* dir) {
  if (dir == nullptr) return;
  for (TFEntry* entry = dir->Files; entry != nullptr; entry = entry->Next) {
    // Every directory gets a node, hidden ones (attributes 12h) included.
    if (!entry->IsDirectory()) continue;
    auto child = std::make_unique<QTreeWidgetItem>(QStringList{QString::fromStdString(entry->LongName)});
    child->setData(0, kDirRole, DataOf(entry->Dir));
    // The whole name, which the tree's width may cut.
    child->setToolTip(0, QString::fromStdString(entry->LongName));
    MarkDeletedNode(child.get(), *entry);
    QTreeWidgetItem* added = child.get();
    node->addChild(child.release());
    AddDirNodes(added, entry->Dir);
  }
}

void TForm1::tvDirClick() {
  QTreeWidgetItem* node = tvDir->currentItem();
  if (node == nullptr || !node->isSelected()) return;
  ShowDirectory(RecordOf<TDEntry>(node->data(0, kDirRole)));
}

void TForm1::ShowDirectory(const TDEntry* dir) {
  const std::vector<TGridRow> rows = GridRows(dir);
  fl->clearContents();
  if (rows.empty()) {
    // An empty directory: the headings and one empty row.
    fl->setRowCount(1);
    return;
  }
  fl->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const TGridRow& row = rows[static_cast<std::size_t>(r)];
    // The whole name (the column may cut it), the date and time, the attributes and
    // the size in bytes.
    const QString tip = QString::fromStdString(EntryTip(*row.entry));
    auto name = std::make_unique<QTableWidgetItem>(QString::fromStdString(row.name));
    name->setToolTip(tip);
    fl->setItem(r, 0, name.release());
    auto size = std::make_unique<QTableWidgetItem>(QString::fromStdString(row.size));
    size->setData(kEntryRole, DataOf(row.entry));
    size->setToolTip(tip);
    fl->setItem(r, 1, size.release());
    MarkDeletedRow(r, *row.entry);
  }
}

}  // namespace tarnwick::app
