// "Names" in the context menus: Automatic shows a Rock Ridge and Joliet disc's Rock
// Ridge names, another choice reads the shown session again with its names and holds
// for the next window.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSettings>
#include <QTableWidget>
#include <QTest>
#include <filesystem>

#include "AppTestKit.h"
#include "browse/NameChoice.h"
#include "support/IsoMaker.h"
#include "support/TempDir.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;

const std::string kLong = "A name longer than the sixty-four characters that Joliet keeps of it.txt";

// Right-clicks the grid's first row, opens "Names" and clicks the choice's item;
// returns the submenu.
QMenu* ChooseNames(Window& w, const char* word) {
  QTableWidget* grid = w.grid();
  const QPoint at = grid->visualRect(grid->model()->index(0, 0)).center();
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
  QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at));
  QApplication::sendEvent(grid->viewport(), &menuEvent);
  auto* menu = w.form().findChild<QMenu*>(QStringLiteral("GridMenu"));
  auto* names = w.form().findChild<QMenu*>(QStringLiteral("NamesMenu"));
  if (menu == nullptr || names == nullptr || !menu->isVisible()) return nullptr;
  // The submenu opens from the keyboard at once (the mouse opens it after a pause).
  menu->setActiveAction(names->menuAction());
  QTest::keyClick(menu, Qt::Key_Right);
  if (!names->isVisible()) return nullptr;
  QAction* item = names->findChild<QAction*>(QStringLiteral("Names_") + word);
  if (item == nullptr) return nullptr;
  QTest::mouseClick(names, Qt::LeftButton, {}, names->actionGeometry(item).center());
  return names;
}

TEST(WindowNames, TheChosenNamesShowAndAreKept) {
  TempDir dir;
  IsoOptions both;
  both.joliet = both.rockRidge = true;
  const fs::path image = MakeIso(dir, "both", {{kLong, "long"}, {"short.txt", "short"}}, both);
  TestDrives drives({DiscFile(image.string())});
  QSettings().remove(QStringLiteral("view/names"));

  // Joliet keeps 64 characters, the extension among those cut off: the name shows a final ".".
  const QString whole = QString::fromStdString(kLong), cut = whole.left(64) + ".";
  const struct {
    const char* choose;
    QString before, after;  // the first row's name before and after the choice
  } steps[] = {{"joliet", whole, cut}, {"rockridge", cut, whole}, {"iso", whole, "A_NAME_L.TXT"}, {"auto", "A_NAME_L.TXT", whole}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.choose);
    Window w;  // each window starts with the choice the one before made
    w.Import(0);
    EXPECT_EQ(w.GridRows().front().first, " 1 " + step.before);
    QMenu* names = ChooseNames(w, step.choose);
    ASSERT_NE(names, nullptr);
    EXPECT_EQ(w.GridRows().front().first, " 1 " + step.after);
    for (const TNameChoice& choice : NameChoices()) {
      const QAction* item = names->findChild<QAction*>(QStringLiteral("Names_") + choice.word);
      ASSERT_NE(item, nullptr);
      EXPECT_EQ(item->text(), QString::fromLatin1(choice.label));
      EXPECT_EQ(item->isChecked(), std::string(choice.word) == step.choose) << choice.word;
    }
    EXPECT_EQ(QSettings().value(QStringLiteral("view/names")).toString(), step.choose);
  }

}

}  // namespace
}  // namespace tarnwick::test
