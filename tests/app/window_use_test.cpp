// The window as people use it: images opened with the button or dropped on it,
// extraction of a selection from the context menus, the question about existing
// files, the keyboard, empty space, splitters and tooltips.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QWindow>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "AppTestKit.h"
#include "browse/ImageFiles.h"
#include "support/TempDir.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;

template <class Widget>
Widget* Named(Window& w, const char* name) {
  auto* widget = w.form().findChild<Widget*>(QString::fromLatin1(name));
  if (widget == nullptr) throw std::runtime_error(std::string("no control ") + name);
  return widget;
}

void WriteText(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
std::string ReadText(const fs::path& path) {
  const std::vector<char> bytes = ReadAll(path.string());
  return std::string(bytes.begin(), bytes.end());
}
time_t ModifiedAt(const fs::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_mtime : 0;
}

// Selects the rows of the named entries with Ctrl-clicks, right-clicks the last one and
// chooses "Extract..." in the menu that opens.
void ExtractRowsFromMenu(Window& w, const QStringList& names) {
  QTableWidget* grid = w.grid();
  QPoint at;
  for (int i = 0; i < names.size(); ++i) {
    const int row = w.RowOf(names[i]);
    if (row < 0) throw std::runtime_error("no row " + names[i].toStdString());
    at = grid->visualRect(grid->model()->index(row, 0)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, i == 0 ? Qt::NoModifier : Qt::ControlModifier, at);
  }
  QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at));
  QApplication::sendEvent(grid->viewport(), &menuEvent);
  auto* menu = Named<QMenu>(w, "GridMenu");
  if (!menu->isVisible()) throw std::runtime_error("the grid's menu did not open");
  QAction* extract = menu->findChild<QAction*>(QStringLiteral("ExtractRows"));
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(extract).center());
}

void ExtractNodeFromMenu(Window& w, const QString& path) {
  QTreeWidgetItem* node = w.Node(path);
  for (QTreeWidgetItem* up = node->parent(); up != nullptr; up = up->parent()) up->setExpanded(true);
  const QPoint at = w.tree()->visualItemRect(node).center();
  QTest::mouseClick(w.tree()->viewport(), Qt::RightButton, {}, at);
  QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, w.tree()->viewport()->mapToGlobal(at));
  QApplication::sendEvent(w.tree()->viewport(), &menuEvent);
  auto* menu = Named<QMenu>(w, "TreeMenu");
  if (!menu->isVisible()) throw std::runtime_error("the tree's menu did not open");
  QAction* extract = menu->findChild<QAction*>(QStringLiteral("ExtractNode"));
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(extract).center());
}

// Notes every text of the progress dialog while it is open.
class ProgressTexts {
 public:
  explicit ProgressTexts(app::TForm1& form) : form_(form) {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* dialog = form_.findChild<QProgressDialog*>(QStringLiteral("ExtractProgress"));
      if (dialog != nullptr && (texts.isEmpty() || texts.back() != dialog->labelText())) texts << dialog->labelText();
    });
    timer_.start();
  }
  QStringList texts;

 private:
  app::TForm1& form_;
  QTimer timer_;
};

class WindowUse : public ::testing::Test {
 protected:
  void SetUp() override { QSettings().clear(); }
};

TEST_F(WindowUse, ImagesOpenFromTheButtonAndFromADropAsNewSelectedDrives) {
  TestDrives drives({DiscFile(SamplePath("sample.disc"))});
  Window w;
  ASSERT_EQ(w.drives()->count(), 1);
  auto* open = Named<QPushButton>(w, "bOpenImage");
  EXPECT_EQ(open->text(), QStringLiteral("Open image..."));
  EXPECT_EQ(open->height(), Named<QPushButton>(w, "bClose")->height());

  // The chooser offers the image types from the one table; cancelling opens nothing.
  QTest::mouseClick(open, Qt::LeftButton);
  EXPECT_EQ(w.dialogs().imageFilters, QStringList{QString::fromStdString(ImageFileFilters())});
  EXPECT_EQ(w.drives()->count(), 1);

  w.dialogs().image = QString::fromStdString(SamplePath("session1.iso"));
  QTest::mouseClick(open, Qt::LeftButton);
  ASSERT_EQ(w.drives()->count(), 2);
  EXPECT_EQ(w.drives()->currentIndex(), 1);
  // The second image's own host adapter, as the command line gives it.
  EXPECT_TRUE(w.drives()->currentText().startsWith("1:0:0,E: ")) << w.drives()->currentText().toStdString();
  EXPECT_EQ(w.label("lDrive")->text(), QStringLiteral("Drive E:"));
  w.Import(0);
  EXPECT_EQ(w.grid()->rowCount(), 5);

  // A dragged file that is not an image is refused; an image is taken and opened.
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(SamplePath("make-sample.sh")))});
  QDragEnterEvent refused(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&w.form(), &refused);
  EXPECT_FALSE(refused.isAccepted());

  // The same image again is one more drive of its own.
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(SamplePath("session1.iso")))});
  QDragEnterEvent taken(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&w.form(), &taken);
  EXPECT_TRUE(taken.isAccepted());
  QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&w.form(), &drop);
  ASSERT_EQ(w.drives()->count(), 3);
  EXPECT_EQ(w.drives()->currentIndex(), 2);
  EXPECT_EQ(w.label("lDrive")->text(), QStringLiteral("Drive F:"));
  w.Import(0);
  EXPECT_EQ(w.grid()->rowCount(), 5);

  // The chooser starts in the folder of the image opened last; one that cannot be
  // opened is named in a message, and no drive is added.
  TempDir dir;
  WriteText(dir / "broken.iso", "not a disc");
  w.dialogs().image = QString::fromStdString((dir / "broken.iso").string());
  QTest::mouseClick(open, Qt::LeftButton);
  EXPECT_EQ(w.dialogs().imageStarts.back(), QString::fromStdString(SamplePath("")).chopped(1));
  EXPECT_EQ(w.drives()->count(), 3);
  ASSERT_EQ(w.dialogs().messages.size(), 1);
  EXPECT_TRUE(w.dialogs().messages.front().contains("broken.iso")) << w.dialogs().messages.front().toStdString();
}

TEST_F(WindowUse, ContextMenusExtractTwoFilesAndADirectoryWithDatesAndOverallProgress) {
  TestDrives drives({DiscFile(SamplePath("sample.disc"))});
  TempDir dir;
  Window w;
  w.dialogs().directory = QString::fromStdString(dir.str());
  w.Import(2);

  ProgressTexts progress(w.form());
  ExtractRowsFromMenu(w, {"README.TXT", "changes.txt", "docs"});
  EXPECT_EQ(w.dialogs().chooserTitles, QStringList{"Choose a folder for 2 files and 1 directory"});
  EXPECT_EQ(w.dialogs().chooserStarts, QStringList{QString()});
  EXPECT_TRUE(w.dialogs().messages.isEmpty()) << w.dialogs().messages.join('|').toStdString();
  EXPECT_EQ(fs::file_size(dir / "README.TXT"), 4345u);
  EXPECT_EQ(fs::file_size(dir / "changes.txt"), 512u);
  EXPECT_EQ(fs::file_size(dir / "docs" / "Release notes.txt"), 4200u);
  EXPECT_EQ(fs::file_size(dir / "docs" / "manual.txt"), 1575u);
  // The directory gets its date after its files were written into it.
  EXPECT_EQ(ModifiedAt(dir / "docs"), ModifiedAt(dir / "docs" / "manual.txt"));
  EXPECT_NE(ModifiedAt(dir / "docs"), 0);
  EXPECT_TRUE(progress.texts.contains("README.TXT\n4.24 KB of 4.24 KB\n10.38 KB of 10.38 KB in all (100%)"))
      << progress.texts.join('|').toStdString();
  EXPECT_EQ(Named<QLabel>(w, "lHint")->text(), "Wrote 4 files to " + QString::fromStdString(dir.str()));

  // The tree's menu extracts a node's directory; the chooser starts where the last
  // extraction went, and says what it is for.
  ExtractNodeFromMenu(w, "CD/photos");
  EXPECT_EQ(w.dialogs().chooserTitles.back(), QStringLiteral("Choose a folder for photos"));
  EXPECT_EQ(w.dialogs().chooserStarts.back(), QString::fromStdString(dir.str()));
  EXPECT_EQ(fs::file_size(dir / "photos" / "garden.raw"), 20480u);
  EXPECT_EQ(fs::file_size(dir / "photos" / "beach.raw"), 5000u);

  // A double click still extracts the one file, and says where it went; the folder is
  // remembered from one run to the next.
  w.DoubleClickRow(w.RowOf("one.bin"));
  EXPECT_EQ(w.dialogs().chooserTitles.back(), QStringLiteral("Choose a folder for one.bin"));
  EXPECT_EQ(Named<QLabel>(w, "lHint")->text(), "Wrote " + QString::fromStdString((dir / "one.bin").string()));
  Window later;
  later.dialogs().directory = QString::fromStdString(dir.str());
  later.Import(0);
  later.DoubleClickRow(later.RowOf("empty.dat"));
  EXPECT_EQ(later.dialogs().chooserStarts, QStringList{QString::fromStdString(dir.str())});
}

TEST_F(WindowUse, AnExistingFileIsReplacedSkippedOrStopsTheExtractionAsAnswered) {
  using A = TOverwriteAnswer;
  const struct {
    std::vector<A> answers;
    int asked;
    bool readmeNew, changesNew, oneWritten;
  } cases[] = {
      // changes.txt is asked about first: the rows follow the primary tree's records.
      {{A::Replace, A::Skip}, 2, false, true, true},
      {{A::Skip, A::Replace}, 2, true, false, true},
      {{A::ReplaceAll}, 1, true, true, true},
      {{A::Cancel}, 1, false, false, false},
  };
  TestDrives drives({DiscFile(SamplePath("sample.disc"))});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.asked * 10 + static_cast<int>(c.answers.front()));
    TempDir dir;
    WriteText(dir / "README.TXT", "mine");
    WriteText(dir / "changes.txt", "mine too");
    Window w;
    w.dialogs().directory = QString::fromStdString(dir.str());
    w.dialogs().answers = c.answers;
    w.Import(2);
    ExtractRowsFromMenu(w, {"README.TXT", "changes.txt", "one.bin"});
    EXPECT_EQ(w.dialogs().asked.size(), c.asked);
    EXPECT_EQ(w.dialogs().asked.front(), QString::fromStdString((dir / "changes.txt").string()));
    EXPECT_EQ(ReadText(dir / "README.TXT").size(), c.readmeNew ? 4345u : 4u);
    EXPECT_EQ(ReadText(dir / "changes.txt").size(), c.changesNew ? 512u : 8u);
    EXPECT_EQ(fs::exists(dir / "one.bin"), c.oneWritten);
    EXPECT_TRUE(w.dialogs().messages.isEmpty());
  }
}

// The toolkit's own question, shown over the running extraction's progress dialog,
// takes the mouse and the keyboard: it belongs to the progress dialog, and input goes
// to it through the window system's event path (where blocked windows lose it).
TEST_F(WindowUse, TheRealOverwriteQuestionIsAnsweredOverTheProgressDialog) {
  enum class How { ClickReplace, PressEnter, PressEscape };
  const struct {
    How how;
    std::size_t readmeSize;
    bool cancelled;
  } cases[] = {{How::ClickReplace, 4345u, false}, {How::PressEnter, 4u, false}, {How::PressEscape, 4u, true}};
  TestDrives drives({DiscFile(SamplePath("sample.disc"))});
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.how));
    TempDir dir;
    WriteText(dir / "README.TXT", "mine");
    Window w;
    w.dialogs().directory = QString::fromStdString(dir.str());
    w.dialogs().realQuestion = true;
    w.Import(2);
    QString questionParent;  // the object name of the question's parent
    bool transientOfProgress = false, answered = false, ignored = false;
    QTimer answer;
    answer.setInterval(20);
    QObject::connect(&answer, &QTimer::timeout, [&] {
      QMessageBox* box = nullptr;
      for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* b = qobject_cast<QMessageBox*>(top); b != nullptr && b->isVisible()) box = b;
      }
      if (box == nullptr) return;
      if (answered) {
        // The answer did not reach it: close it so that the test ends.
        ignored = true;
        box->reject();
        return;
      }
      answered = true;
      QWidget* parent = box->parentWidget();
      QWindow* window = box->windowHandle();
      if (parent != nullptr) questionParent = parent->objectName();
      transientOfProgress = window != nullptr && parent != nullptr && window->transientParent() == parent->windowHandle();
      if (c.how == How::ClickReplace) {
        QAbstractButton* replace = nullptr;
        for (QAbstractButton* button : box->buttons()) {
          if (button->text() == "Replace") replace = button;
        }
        QTest::mouseClick(window, Qt::LeftButton, {}, replace->mapTo(box, replace->rect().center()));
      } else {
        QTest::keyClick(window, c.how == How::PressEnter ? Qt::Key_Return : Qt::Key_Escape);
      }
    });
    answer.start();
    w.DoubleClickRow(w.RowOf("README.TXT"));
    answer.stop();
    ASSERT_TRUE(answered);
    EXPECT_FALSE(ignored);
    EXPECT_EQ(questionParent, "ExtractProgress");
    EXPECT_TRUE(transientOfProgress);
    EXPECT_EQ(ReadText(dir / "README.TXT").size(), c.readmeSize);
    EXPECT_EQ(Named<QLabel>(w, "lHint")->text().startsWith("Extraction cancelled; wrote no files to "), c.cancelled)
        << Named<QLabel>(w, "lHint")->text().toStdString();
  }
}

TEST_F(WindowUse, KeyboardEnterImportsAndExtractsTheGridFollowsTheTreeAndTypeAheadFindsNames) {
  TestDrives drives({DiscFile(SamplePath("sample.disc"))});
  TempDir dir;
  Window w;
  w.dialogs().directory = QString::fromStdString(dir.str());
  w.ClickShow();

  // Enter on a session line imports it.
  w.sessions()->setCurrentRow(2);
  QTest::keyClick(w.sessions(), Qt::Key_Return);
  ASSERT_EQ(w.grid()->rowCount(), 9);

  // The arrow keys move through the tree, and the grid follows.
  w.tree()->expandAll();
  w.tree()->setFocus();
  QTest::keyClick(w.tree(), Qt::Key_Down);
  EXPECT_EQ(w.tree()->currentItem()->text(0), QStringLiteral("archive"));
  QTest::keyClick(w.tree(), Qt::Key_Down);
  EXPECT_EQ(w.tree()->currentItem()->text(0), QStringLiteral("docs"));
  EXPECT_EQ(w.GridRows(), (std::vector<std::pair<QString, QString>>{{" 1 manual.txt", "     1575"},
                                                                    {" 2 Release notes.txt", "     4200"}}));
  QTest::keyClick(w.tree(), Qt::Key_Home);
  ASSERT_EQ(w.grid()->rowCount(), 9);

  // Type-ahead matches names, not row numbers; Enter extracts the row found.
  w.grid()->setFocus();
  w.grid()->setCurrentCell(0, 0);
  QTest::keyClicks(w.grid(), "ch");
  EXPECT_EQ(w.grid()->currentRow(), w.RowOf("changes.txt"));
  QTest::qWait(QApplication::keyboardInputInterval() + 50);
  QTest::keyClicks(w.grid(), "b");
  EXPECT_EQ(w.grid()->currentRow(), w.RowOf("big.bin"));
  QTest::keyClick(w.grid(), Qt::Key_Return);
  EXPECT_EQ(w.dialogs().chooserTitles, QStringList{"Choose a folder for big.bin"});
  EXPECT_EQ(fs::file_size(dir / "big.bin"), 100000u);

  // Tab leaves the grid.
  w.form().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w.form()));
  w.grid()->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), w.grid());
  QTest::keyClick(w.grid(), Qt::Key_Tab);
  EXPECT_EQ(w.grid()->currentRow(), w.RowOf("big.bin"));
  EXPECT_NE(QApplication::focusWidget(), w.grid());
  EXPECT_NE(QApplication::focusWidget(), nullptr);
}

TEST_F(WindowUse, ADoubleClickBelowTheRowsDoesNothing) {
  TestDrives drives({DiscFile(SamplePath("sample.disc"))});
  TempDir dir;
  Window w;
  w.dialogs().directory = QString::fromStdString(dir.str());
  w.Import(0);
  const int row = w.RowOf("big.bin");
  QTest::mouseClick(w.grid()->viewport(), Qt::LeftButton, {},
                    w.grid()->visualRect(w.grid()->model()->index(row, 0)).center());
  const QPoint below(20, w.grid()->viewport()->height() - 4);
  ASSERT_FALSE(w.grid()->indexAt(below).isValid());
  QTest::mouseDClick(w.grid()->viewport(), Qt::LeftButton, {}, below);
  EXPECT_EQ(w.dialogs().chooserCalls, 0);
  EXPECT_TRUE(w.dialogs().messages.isEmpty());
  EXPECT_FALSE(fs::exists(dir / "big.bin"));
}

TEST_F(WindowUse, SplittersGiveRoomAndTooltipsShowWholeNamesDatesAttributesAndSizes) {
  TestDrives drives({DiscFile(SamplePath("sample.disc"))});
  Window w;
  w.Import(2);
  auto* splitter = Named<QSplitter>(w, "Splitter1");
  ASSERT_EQ(splitter->count(), 3);
  EXPECT_EQ(splitter->widget(0), w.sessions());
  EXPECT_EQ(splitter->widget(1), w.tree());
  EXPECT_EQ(splitter->widget(2), w.grid());
  const int listWidth = w.sessions()->width();
  int treeWidth = w.tree()->width();
  int gridWidth = w.grid()->width();
  // A wider window gives the room to the tree and the grid; the splitter to the tree.
  w.form().resize(w.form().width() + 200, w.form().height());
  QApplication::processEvents();
  EXPECT_EQ(w.sessions()->width(), listWidth);
  EXPECT_GT(w.tree()->width(), treeWidth);
  EXPECT_GT(w.grid()->width(), gridWidth + 100);
  EXPECT_EQ(w.tree()->width() + w.grid()->width(), treeWidth + gridWidth + 200);
  treeWidth = w.tree()->width();
  gridWidth = w.grid()->width();
  splitter->setSizes({listWidth, treeWidth + 100, gridWidth - 100});
  EXPECT_EQ(w.tree()->width(), treeWidth + 100);

  const QString tip = w.grid()->item(w.RowOf("big.bin"), 0)->toolTip();
  const QStringList lines = tip.split('\n');
  ASSERT_EQ(lines.size(), 3) << tip.toStdString();
  EXPECT_EQ(lines[0], QStringLiteral("big.bin"));
  EXPECT_TRUE(lines[1].startsWith("Date: 2024-")) << lines[1].toStdString();
  EXPECT_EQ(lines[2], QStringLiteral("Size: 100000 bytes"));
  EXPECT_EQ(w.grid()->item(w.RowOf("big.bin"), 1)->toolTip(), tip);
  const QString hidden = w.grid()->item(w.RowOf("private"), 0)->toolTip();
  EXPECT_TRUE(hidden.endsWith("\nHidden directory")) << hidden.toStdString();
  w.tree()->expandAll();
  EXPECT_EQ(w.Node("CD/docs")->toolTip(0), QStringLiteral("docs"));
}

}  // namespace
}  // namespace tarnwick::test
