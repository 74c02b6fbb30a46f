// Importing a session from the session list, the directory tree and the entry grid.
#include <QListWidget>
#include <QPixmap>
#include <QStyle>
#include <QTableWidget>
#include <QTreeWidget>
#include <algorithm>
#include <memory>

#include "app/Dialogs.h"
#include "app/Form1.h"
#include "app/WaitCursor.h"
#include "app/EntryGrid.h"
#include "browse/DirectoryMarks.h"
#include "browse/EntryTip.h"
#include "browse/GridRows.h"
#include "browse/GridSizeColumn.h"
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
  marks_ = {};
  ClearGrid();
  std::string problems;
  {
    WaitCursor wait;
    problems = ImportIntoFreshTree(quarnb_, session);
  }
  BuildTree();
  // The tree shows what could be read; say once what could not.
  if (!problems.empty()) dialogs_->ShowWarning(this, QString::fromStdString(problems));
}

void TForm1::BuildTree() {
  tvDir->clear();
  marks_ = TDirectoryMarks(quarnb_);
  auto root = std::make_unique<QTreeWidgetItem>(QStringList{QStringLiteral("CD")});
  root->setData(0, kDirRole, DataOf(quarnb_.Root()));
  QTreeWidgetItem* node = root.get();
  tvDir->addTopLevelItem(root.release());
  MarkDirectory(node, quarnb_.Root(), "CD");
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
    MarkDirectory(added, entry->Dir, entry->LongName);
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
  // A cell's text keeps the focus frame's margin and one pixel on each side; the grid
  // line takes one more, and the laid-out text one more than its advance.
  const int margins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, fl) + 1) + 2;
  const QFontMetrics metrics = fl->fontMetrics();
  fl->SetSizeColumnWidth(GridSizeColumnWidth(
      rows, [&](const std::string& text) { return metrics.horizontalAdvance(QString::fromStdString(text)); }, margins,
      Scaled(kGridSizeColumnWidth)));
  if (rows.empty()) {
    // An empty directory: the headings and one empty row.
    fl->setRowCount(1);
    return;
  }
  fl->setRowCount(static_cast<int>(rows.size()));
  // Where a row carries the warning icon, the other rows get a blank one of its size,
  // so that every name starts at the same place.
  const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning);
  QIcon blank;
  if (std::any_of(rows.begin(), rows.end(), [this](const TGridRow& row) { return marks_.Of(*row.entry) != nullptr; })) {
    const int small = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, fl);
    QPixmap room(warning.actualSize(fl->iconSize().isValid() ? fl->iconSize() : QSize(small, small)));
    room.fill(Qt::transparent);
    blank = QIcon(room);
  }
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const TGridRow& row = rows[static_cast<std::size_t>(r)];
    // The whole name (the column may cut it), the date and time, the attributes and
    // the size in bytes.
    // A directory that is not shown whole carries its mark and says why.
    const TDirectoryMark* mark = marks_.Of(*row.entry);
    const QString tip = QString::fromStdString(MarkedTip(EntryTip(*row.entry), mark));
    auto name = std::make_unique<QTableWidgetItem>(QString::fromStdString(MarkedText(row.name, mark)));
    name->setIcon(mark ? warning : blank);
    name->setToolTip(tip);
    fl->setItem(r, 0, name.release());
    auto size = std::make_unique<QTableWidgetItem>(QString::fromStdString(row.size));
    size->setData(kEntryRole, DataOf(row.entry));
    size->setToolTip(tip);
    fl->setItem(r, 1, size.release());
    MarkDeletedRow(r, *row.entry);
  }
}

void TForm1::MarkDirectory(QTreeWidgetItem* node, const TDEntry* dir, const std::string& name) {
  const TDirectoryMark* mark = marks_.Of(dir);
  if (mark == nullptr) return;
  node->setText(0, QString::fromStdString(MarkedText(name, mark)));
  node->setIcon(0, style()->standardIcon(QStyle::SP_MessageBoxWarning));
  node->setToolTip(0, QString::fromStdString(MarkedTip(name, mark)));
  // The tree starts collapsed; a marked directory is not left hidden inside it.
  for (QTreeWidgetItem* above = node->parent(); above != nullptr; above = above->parent()) above->setExpanded(true);
}

}  // namespace tarnwick::app
