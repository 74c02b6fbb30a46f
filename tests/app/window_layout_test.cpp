// The window's size and place: what grows with it, every control whole at its least
// size, and the size, place and panes it had when closed, on the screen it was on.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QTableWidget>
#include <QTreeWidget>
#include <string_view>

#include "AppTestKit.h"

namespace tarnwick::test {
namespace {

TEST(WindowLayout, GrowsItsGridKeepsEveryControlWholeAtItsLeastSizeAndOpensAsClosed) {
  QSettings().clear();
  ASSERT_EQ(QGuiApplication::screens().size(), 2);
  TestDrives drives({DiscFile(SamplePath("sample.disc"))});
  {
    Window w;
    w.Import(2);
    QTableWidget* grid = w.grid();
    EXPECT_EQ(w.form().size(), QSize(812, 511));
    EXPECT_EQ(w.form().pos(), QPoint((1920 - 820) / 2, (1080 - 542) / 2));  // centred, with the frame
    EXPECT_LE(grid->columnViewportPosition(2) + grid->columnWidth(2), grid->viewport()->width());  // the whole date
    const int list = w.sessions()->width(), tree = w.tree()->width(), gridWidth = grid->width();
    const int gridHeight = grid->height();
    w.form().resize(1112, 711);
    QApplication::processEvents();
    EXPECT_EQ(w.sessions()->width(), list);
    EXPECT_GT(w.tree()->width(), tree);
    EXPECT_GT(grid->width(), gridWidth + 150);
    EXPECT_EQ(grid->height(), gridHeight + 200);

    w.form().resize(100, 100);
    QApplication::processEvents();
    EXPECT_EQ(w.form().size(), QSize(595, 220));
    const auto place = [&](const char* name) {
      const QWidget* control = w.form().findChild<QWidget*>(QString::fromLatin1(name));
      return QRect(control->mapTo(&w.form(), QPoint(0, 0)), control->size());
    };
    // Every control inside the window, every text whole, nothing covering another.
    for (const char* name : {"lDrive", "cbDrives", "Button1", "Panel4", "Label1", "Label2", "Label3", "lMedium",
                             "lDiscSize", "lUsedSpace", "lb", "tvDir", "fl", "bClose", "bOpenImage", "lHint"}) {
      const QWidget* control = w.form().findChild<QWidget*>(QString::fromLatin1(name));
      EXPECT_TRUE(w.form().rect().contains(place(name))) << name;
      const int text = control->fontMetrics().horizontalAdvance(control->property("text").toString());
      EXPECT_LE(text, control->width()) << name;
      // The fixed labels' texts are right-aligned, clear of "Show".
      if (std::string_view(name).starts_with("Label")) {
        EXPECT_LT(place("Button1").right(), place(name).right() - text) << name;
      }
    }
    EXPECT_LT(place("cbDrives").right(), place("Button1").left());

    w.form().resize(900, 600);
    w.form().move(40, 30);
    QApplication::processEvents();
    auto* splitter = w.form().findChild<QSplitter*>(QStringLiteral("Splitter1"));
    splitter->setSizes({250, 200, splitter->width() - 450 - 2 * splitter->handleWidth()});
    QApplication::processEvents();
    ASSERT_EQ(w.tree()->width(), 200);
    w.form().close();
  }
  {
    Window again;
    EXPECT_EQ(QRect(again.form().pos(), again.form().size()), QRect(40, 30, 900, 600));
    EXPECT_EQ(again.sessions()->width(), 250);
    EXPECT_EQ(again.tree()->width(), 200);
    again.form().showMaximized();
    QApplication::processEvents();
    again.form().close();
  }
  {
    // Closed maximized, it opens maximized, and restored it has the size and place it
    // had before.
    Window maximized;
    EXPECT_TRUE(maximized.form().isMaximized());
    EXPECT_GT(maximized.form().width(), 900);
    maximized.form().showNormal();
    QApplication::processEvents();
    EXPECT_EQ(QRect(maximized.form().pos(), maximized.form().size()), QRect(40, 30, 900, 600));
    maximized.form().close();
  }
  // Closed on the small screen at a size it cannot hold there: it opens filling that screen.
  QSettings().setValue(QStringLiteral("window/geometry"), QStringLiteral("1950,10,1000,700"));
  Window small;
  EXPECT_EQ(QRect(small.form().pos(), small.form().size()), QRect(1920, 0, 800 - 8, 600 - 31));
}

}  // namespace
}  // namespace tarnwick::test
