// "Show deleted files": off at first; when chosen the shown session is read again with
// the entries its disc marks deleted, in grey with the tooltip that says so, and the
// choice holds for the next window.
#include <gtest/gtest.h>

#include <QAction>
#include <QListWidget>
#include <QSettings>
#include <QTableWidget>

#include "AppTestKit.h"
#include "browse/DeletedEntries.h"
#include "support/TempDir.h"
#include "support/UdfDiscs.h"

namespace tarnwick::test {
namespace {

TEST(WindowDeleted, ChosenDeletedEntriesShowGreyAndTheChoiceIsKept) {
  TempDir tmp;
  const UdfDisc disc = MakeUdfDisc(tmp / "disc");
  // The newest generation of a session whose root holds deleted entries, and their rows.
  const UdfGeneration* chosen = nullptr;
  QStringList wanted;
  for (const UdfGeneration& g : disc.generations) {
    QStringList root;
    for (const UdfListingRow& row : g.deleted)
      if (row.path.rfind('/') == 0) root << QString::fromStdString(row.path.substr(1) + " (deleted)");
    if (!root.empty() && (&g == &disc.generations.back() || (&g + 1)->session != g.session)) chosen = &g, wanted = root;
  }
  ASSERT_NE(chosen, nullptr);

  TestDrives drives({DiscFile(disc.description.string())});
  QSettings().remove(QStringLiteral("view/showDeleted"));
  for (const bool show : {false, true, true}) {
    SCOPED_TRACE(show ? "shown" : "not shown");
    Window w;
    auto* action = w.form().findChild<QAction*>(QStringLiteral("ShowDeleted"));
    ASSERT_TRUE(action && action->isCheckable() && action->text() == QString::fromLatin1(kShowDeletedText));
    w.Import(chosen->session - 1);
    if (show && !action->isChecked()) action->trigger();  // the window reads the session again
    EXPECT_EQ(action->isChecked(), show);
    QStringList deleted;
    for (int r = 0; r < w.grid()->rowCount(); ++r) {
      const QTableWidgetItem* name = w.grid()->item(r, 0);
      ASSERT_NE(name, nullptr);
      const bool marked = name->text().endsWith(QStringLiteral(" (deleted)"));
      if (marked) deleted << name->text().mid(3);
      EXPECT_EQ(name->foreground().color() == QColor(Qt::gray), marked) << name->text().toStdString();
      EXPECT_EQ(name->toolTip().endsWith(QString::fromLatin1(kDeletedTip)), marked) << name->text().toStdString();
    }
    deleted.sort(), wanted.sort();
    EXPECT_EQ(deleted, show ? wanted : QStringList{});
  }
}

}  // namespace
}  // namespace tarnwick::test
