// The window's size and place: what grows with it, every control whole at its least
// size, and the size, place and panes it had when closed, on the screen it was on.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QTableWidget>
#include <QTreeWidget>

#include "AppTestKit.h"

namespace tarnwick::test {
namespace {

QRect InForm(Window& w, const char* name) {
  auto* control = w.form().findChild<QWidget*>(QString::fromLatin1(name));
  if (control == nullptr) throw std::runtime_error(std::string("no control ") + name);
  return {control->mapTo(&w.form(), QPoint(0, 0)), control->size()};
}

// Where a label's or button's text is drawn, in the window.
QRect TextIn(Window& w, const char* name) {
  auto* control = w.form().findChild<QWidget*>(QString::fromLatin1(name));
  const QString text = control->property("text").toString();
  const int width = control->fontMetrics().horizontalAdvance(text);
  const QRect box = InForm(w, name);
  const auto* label = qobject_cast<QLabel*>(control);
  const bool right = label != nullptr && (label->alignment() & Qt::AlignRight);
  return {right ? box.right() + 1 - width : box.left(), box.top(), width, box.height()};
}

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

    const QSize gridWas = grid->size(), treeWas = w.tree()->size(), listWas = w.sessions()->size();
    w.form().resize(1112, 711);
    QApplication::processEvents();
    EXPECT_EQ(w.sessions()->width(), listWas.width());
    EXPECT_GT(w.tree()->width(), treeWas.width());
    EXPECT_GT(grid->width(), gridWas.width() + 150);
    EXPECT_EQ(grid->height(), gridWas.height() + 200);
    EXPECT_EQ(InForm(w, "lUsedSpace").right(), 1112 - 8 - 1);  // the labels keep to the right edge

    w.form().resize(100, 100);
    QApplication::processEvents();
    EXPECT_EQ(w.form().size(), QSize(595, 220));
    const QRect form = w.form().rect();
    for (const char* name : {"lDrive", "cbDrives", "Button1", "Panel4", "Label1", "Label2", "Label3", "lMedium",
                             "lDiscSize", "lUsedSpace", "lb", "tvDir", "fl", "bClose", "bOpenImage", "lHint"}) {
      EXPECT_TRUE(form.contains(InForm(w, name))) << name;
    }
    // Texts are whole and nothing covers another: selector, "Show", then the labels.
    for (const char* name : {"Button1", "Label1", "Label2", "Label3", "lMedium", "lDiscSize", "lUsedSpace", "bClose",
                             "bOpenImage"}) {
      EXPECT_TRUE(InForm(w, name).contains(TextIn(w, name))) << name;
    }
    EXPECT_LT(InForm(w, "cbDrives").right(), InForm(w, "Button1").left());
    for (const char* name : {"Label1", "Label2", "Label3"}) EXPECT_LT(InForm(w, "Button1").right(), TextIn(w, name).left());
    EXPECT_GE(InForm(w, "cbDrives").width(), 120);

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
    EXPECT_EQ(again.form().geometry().size(), QSize(900, 600));
    EXPECT_EQ(again.form().pos(), QPoint(40, 30));
    EXPECT_EQ(again.sessions()->width(), 250);
    EXPECT_EQ(again.tree()->width(), 200);
  }
  // Closed on the small screen at a size it cannot hold there, then off every screen.
  const struct {
    const char* remembered;
    QRect opens;
  } cases[] = {{"1950,10,1000,700", {1920, 0, 800 - 8, 600 - 31}}, {"9000,9000,700,500", {606, 274, 700, 500}}};
  for (const auto& c : cases) {
    QSettings().setValue(QStringLiteral("window/geometry"), QString::fromLatin1(c.remembered));
    Window w;
    EXPECT_EQ(QRect(w.form().pos(), w.form().size()), c.opens) << c.remembered;
  }
}

}  // namespace
}  // namespace tarnwick::test
