// Unreadable data in the window: the user's choice for a file that cannot be read
// whole, the list of files kept with zeros, and "Check session", which writes nothing.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "AppTestKit.h"
#include "support/CraftedIso.h"
#include "support/IsoMaker.h"
#include "support/TempDir.h"
#include "support/TestFiles.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;

// Where the grid's delegate puts the text of a row's name cell, by the style's layout.
int NameTextLeft(QTableWidget* grid, int row) {
  struct Probe : QStyledItemDelegate {
    using QStyledItemDelegate::initStyleOption;
  } probe;
  const QModelIndex index = grid->model()->index(row, 0);
  QStyleOptionViewItem option;
  option.initFrom(grid->viewport());
  option.rect = grid->visualRect(index);
  const int small = grid->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, grid);
  option.decorationSize = grid->iconSize().isValid() ? grid->iconSize() : QSize(small, small);
  probe.initStyleOption(&option, index);
  return grid->style()->subElementRect(QStyle::SE_ItemViewItemText, &option, grid).left();
}

TEST(WindowDamage, UnreadableDataIsKeptWithZerosSkippedOrStopsAsTheUserChooses) {
  TempDir dir;
  const std::string data = PatternBytes(40 * 2048, 9);
  const fs::path image = MakeIso(dir, "d", {{"A.BIN", data}, {"B.TXT", "fine"}});
  const std::string bytes = ReadWholeFile(image);
  const std::size_t lba = bytes.find(data.substr(0, 2048)) / 2048;
  TestDrives drives({DiscText("image file=" + image.string() + "\nsession number=1\ntrack type=data start=0 length=" +
                              std::to_string(bytes.size() / 2048) + "\nfault read start=" + std::to_string(lba + 5) +
                              " count=2\n")});
  const QString damage = "A.BIN (81920 bytes): bytes 10240-14335 (sectors " + QString::number(lba + 5) + "-" +
                         QString::number(lba + 6) + ")";
  struct Case {
    TUnreadableAnswer answer;
    bool written;
    QString message;  // the start of the first message shown; empty: none shown
  };
  const Case cases[] = {
      {TUnreadableAnswer::KeepFilled, true, "Kept with zeros where the disc could not be read:\n" + damage},
      {TUnreadableAnswer::Skip, false, "Cannot read file A.BIN at sector "},
      {TUnreadableAnswer::Stop, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.answer));
    TempDir out;
    Window w;
    w.dialogs().directory = QString::fromStdString(out.str());
    w.dialogs().unreadableAnswer = c.answer;
    w.Import(0);
    w.DoubleClickRow(w.RowOf("A.BIN"));
    EXPECT_EQ(w.dialogs().askedUnreadable, QStringList{"A.BIN"});
    EXPECT_EQ(fs::exists(out / "A.BIN"), c.written);
    if (c.written) {
      std::string expected = data;
      std::fill(expected.begin() + 5 * 2048, expected.begin() + 7 * 2048, '\0');
      EXPECT_EQ(ReadWholeFile(out / "A.BIN"), expected);
    }
    const QString first = w.dialogs().messages.isEmpty() ? QString() : w.dialogs().messages.front();
    if (c.message.isEmpty()) EXPECT_TRUE(w.dialogs().messages.isEmpty());  // stopped: nothing to say
    else EXPECT_TRUE(first.startsWith(c.message)) << first.toStdString();
  }

  // "Check session" lists the damaged file and writes nothing.
  Window w;
  w.Import(0);
  auto* check = w.form().findChild<QAction*>(QStringLiteral("CheckSession"));
  ASSERT_NE(check, nullptr);
  check->trigger();
  ASSERT_EQ(w.dialogs().messages.size(), 1);
  EXPECT_EQ(w.dialogs().messages.front(), "Checked 2 files: 1 damaged, 2 bad sectors\n" + damage);

  // The list as the real message box shows it, for the documentation.
  QMessageBox box(QMessageBox::Information, "Tarnwick", w.dialogs().messages.front(), QMessageBox::Ok, &w.form());
  box.show();
  QApplication::processEvents();
  const QString path = QStringLiteral(TARNWICK_APP_TEST_OUTPUT) + "/damaged-files.png";
  QDir().remove(path);
  EXPECT_TRUE(box.grab().toImage().save(path));
}

// A directory whose sector cannot be read, or a root that cannot be read: the real
// warning box says so, and after it is closed the tree node and the grid row of the
// directory carry the mark and the reason, so it does not pass for an empty one.
TEST(WindowDamage, UnreadableDirectoriesAreMarkedAfterAWarning) {
  TempDir dir;
  CraftedIso::RootAndOneSubdirectory().Write(dir / "disc.iso");
  const struct {
    const char* fault;
    QString heading;
    QStringList tree;
    QString marked;  // the marked node
    QString row;     // the marked grid row of the root, "" for none
  } cases[] = {
      {"21", "Part of session 1 could not be read. Everything that could be read is shown; this is missing:",
       {"CD", "CD/SUB (damaged)"}, "CD/SUB (damaged)", " 1 SUB (damaged)"},
      {"20", "The top directory of session 1 could not be read, so nothing of the session is shown.",
       {"CD (damaged)"}, "CD (damaged)", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    const fs::path desc = dir / (std::string("disc") + c.fault + ".desc");
    std::ofstream(desc) << "medium profile=CD-ROM\nsession number=1\n"
                           "track number=1 type=data start=0 length=40 file=disc.iso\nfault read start="
                        << c.fault << " count=1\n";
    TestDrives drives({DiscFile(desc.string())});
    Window w;
    w.dialogs().realMessages = true;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString shown;
    QTimer close;
    close.setInterval(20);
    QObject::connect(&close, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      icon = box->icon();
      shown = box->text();
      box->accept();
    });
    close.start();
    w.Import(0);
    close.stop();
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_EQ(shown.section('\n', 0, 0), c.heading);
    EXPECT_EQ(w.TreePaths(), c.tree);
    const QTreeWidgetItem* node = w.Node(c.marked);
    ASSERT_NE(node, nullptr);
    EXPECT_FALSE(node->icon(0).isNull());
    const QString reason = "Sector " + QString::fromLatin1(c.fault) + " could not be read";
    EXPECT_TRUE(node->toolTip(0).contains(reason)) << node->toolTip(0).toStdString();
    if (c.row.isEmpty()) continue;
    const int row = w.RowOf("SUB (damaged)");
    ASSERT_GE(row, 0);
    EXPECT_EQ(w.GridRows().at(static_cast<std::size_t>(row)).first, c.row);
    EXPECT_FALSE(w.grid()->item(row, 0)->icon().isNull());
    EXPECT_TRUE(w.grid()->item(row, 0)->toolTip().contains(reason));
    EXPECT_FALSE(w.grid()->item(w.RowOf("A.TXT"), 0)->toolTip().contains("Not read whole"));
    // The icon does not push the marked row's name out of line with the others'.
    EXPECT_EQ(NameTextLeft(w.grid(), row), NameTextLeft(w.grid(), w.RowOf("A.TXT")));
  }
}

}  // namespace
}  // namespace tarnwick::test
