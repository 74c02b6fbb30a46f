// Extraction from the grid, drive changes, and a picture of the window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPixmap>
#include <QProgressDialog>
#include <QScreen>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "AppTestKit.h"
#include "support/IsoMaker.h"
#include "support/TempDir.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;

// Watches the extraction's progress dialog while it is open, noting its texts, and
// presses Cancel when asked to.
class ProgressWatch {
 public:
  ProgressWatch(app::TForm1& form, bool cancel) : form_(form), cancel_(cancel) {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
    timer_.start();
  }
  QStringList texts;
  bool cancelled = false;

 private:
  void Look() {
    auto* dialog = form_.findChild<QProgressDialog*>(QStringLiteral("ExtractProgress"));
    if (dialog == nullptr) return;
    if (texts.isEmpty() || texts.back() != dialog->labelText()) texts << dialog->labelText();
    if (cancel_ && !cancelled) {
      dialog->cancel();
      cancelled = true;
    }
  }
  app::TForm1& form_;
  bool cancel_;
  QTimer timer_;
};

TEST(WindowExtract, CopiesTheFileIntoTheChosenDirectoryWithProgress) {
  TestDrives drives({DiscFile(SamplePath("sample.disc"))});
  TempDir dir;
  Window w;
  w.dialogs().directory = QString::fromStdString(dir.str());
  w.Import(0);

  ProgressWatch watch(w.form(), false);
  w.DoubleClickRow(w.RowOf("big.bin"));
  EXPECT_EQ(w.dialogs().chooserCalls, 1);
  EXPECT_TRUE(w.dialogs().messages.isEmpty());
  EXPECT_EQ(ReadAll((dir / "big.bin").string()), GeneratedBytes(100000, 1));
  // Progress is reported in sizes and percent (after each batch of reads written).
  EXPECT_TRUE(watch.texts.contains("big.bin\n97.66 KB of 97.66 KB (100%)")) << watch.texts.join('|').toStdString();

  // The first session's read-me, not the one that replaced it later; and an empty file.
  w.DoubleClickRow(w.RowOf("README.TXT"));
  const std::vector<char> readme = ReadAll((dir / "README.TXT").string());
  ASSERT_EQ(readme.size(), 3120u);
  EXPECT_EQ(std::string(readme.begin(), readme.begin() + 32), "First session read-me, line 0001");
  w.DoubleClickRow(w.RowOf("empty.dat"));
  EXPECT_TRUE(fs::exists(dir / "empty.dat"));
  EXPECT_EQ(fs::file_size(dir / "empty.dat"), 0u);

  // A directory path that ends in a separator takes the name directly.
  w.dialogs().directory = QString::fromStdString(dir.str()) + "/";
  w.Import(2, "CD/private");
  w.DoubleClickRow(w.RowOf("diary.txt"));
  EXPECT_EQ(fs::file_size(dir / "diary.txt"), 744u);
  EXPECT_TRUE(w.dialogs().messages.isEmpty());
}

TEST(WindowExtract, CancelRemovesThePartialFile) {
  TestDrives drives({DiscFile(SamplePath("sample.disc"))});
  TempDir dir;
  Window w;
  w.dialogs().directory = QString::fromStdString(dir.str());
  w.Import(0);
  ProgressWatch watch(w.form(), true);
  w.DoubleClickRow(w.RowOf("big.bin"));
  EXPECT_TRUE(watch.cancelled);
  EXPECT_FALSE(fs::exists(dir / "big.bin"));
  EXPECT_TRUE(w.dialogs().messages.isEmpty());
}

TEST(WindowExtract, DirectoriesCancelledChoosersAndFailuresAreReported) {
  TempDir dir;
  // The data blocks of session 1 after its directories cannot be read.
  TestDrives drives({DiscText("medium profile=CD-R\ndisc status=incomplete capacity=359849\n"
                              "session\ntrack start=0 length=89 file=session1.iso\n"
                              "fault read start=33 count=56\n")});
  Window w;
  w.Import(0);

  w.DoubleClickRow(w.RowOf("docs"));
  EXPECT_EQ(w.dialogs().messages, QStringList{"You can not extract directory, docs is a directory"});
  EXPECT_EQ(w.dialogs().chooserCalls, 0);

  // The user cancels the chooser: nothing happens.
  w.dialogs().messages.clear();
  w.dialogs().directory.clear();
  w.DoubleClickRow(w.RowOf("one.bin"));
  EXPECT_EQ(w.dialogs().chooserCalls, 1);
  EXPECT_TRUE(w.dialogs().messages.isEmpty());

  // A directory that does not exist.
  const QString missing = QString::fromStdString((dir / "missing").string());
  w.dialogs().directory = missing;
  w.DoubleClickRow(w.RowOf("one.bin"));
  EXPECT_EQ(w.dialogs().messages, QStringList{"Cannot create file " + missing + "/one.bin: No such file or directory"});

  // A sector that cannot be read: the reader's message, and no file left behind.
  w.dialogs().messages.clear();
  w.dialogs().directory = QString::fromStdString(dir.str());
  const int row = w.RowOf("big.bin");
  ASSERT_NE(w.EntryOfRow(row), nullptr);
  ASSERT_GE(w.EntryOfRow(row)->Extent, 33u);
  w.DoubleClickRow(row);
  ASSERT_EQ(w.dialogs().messages.size(), 1);
  EXPECT_TRUE(w.dialogs().messages.front().startsWith("Cannot read file big.bin at sector "))
      << w.dialogs().messages.front().toStdString();
  EXPECT_FALSE(fs::exists(dir / "big.bin"));
}

TEST(WindowExtract, ChangingDrivesClearsWhatThePreviousDriveShowed) {
  TestDrives drives({DiscFile(SamplePath("sample.disc")), DiscFile(SamplePath("session1.iso"))});
  Window w;
  w.dialogs().directory = "/tmp";
  w.Import(2);
  ASSERT_EQ(w.grid()->rowCount(), 9);
  ASSERT_FALSE(w.label("lMedium")->text().isEmpty());

  w.drives()->setCurrentIndex(1);
  EXPECT_EQ(w.sessions()->count(), 0);
  EXPECT_EQ(w.label("lMedium")->text(), QString());
  EXPECT_EQ(w.label("lDiscSize")->text(), QString());
  EXPECT_EQ(w.label("lUsedSpace")->text(), QString());
  EXPECT_EQ(w.tree()->topLevelItemCount(), 0);
  EXPECT_EQ(w.GridRows(), (std::vector<std::pair<QString, QString>>{{"", ""}}));
  // Nothing left to extract from at the old disc's addresses.
  w.DoubleClickRow(0);
  EXPECT_EQ(w.dialogs().chooserCalls, 0);

  // The new drive works from scratch.
  w.Import(0);
  EXPECT_EQ(w.grid()->rowCount(), 5);
}

TEST(WindowPicture, SavesTheWindowAfterAnImport) {
  TestDrives drives({DiscFile(SamplePath("sample.disc"))});
  Window w;
  w.Import(2);
  w.sessions()->setCurrentRow(2);
  w.tree()->expandAll();
  const QImage picture = w.form().grab().toImage();
  ASSERT_FALSE(picture.isNull());
  EXPECT_GE(picture.width(), 800);
  const QString path = QStringLiteral(TARNWICK_APP_TEST_OUTPUT) + "/window.png";
  QDir().remove(path);
  EXPECT_TRUE(picture.save(path));
  EXPECT_EQ(QImage(path).size(), picture.size());

  // Two rows selected and the grid's menu open on them: the screen holds both windows.
  QTableWidget* grid = w.grid();
  const QPoint first = grid->visualRect(grid->model()->index(w.RowOf("README.TXT"), 0)).center();
  const QPoint second = grid->visualRect(grid->model()->index(w.RowOf("docs"), 0)).center();
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, first);
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, second);
  QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, second, grid->viewport()->mapToGlobal(second));
  QApplication::sendEvent(grid->viewport(), &menuEvent);
  auto* menu = w.form().findChild<QMenu*>(QStringLiteral("GridMenu"));
  ASSERT_NE(menu, nullptr);
  ASSERT_TRUE(menu->isVisible());
  QApplication::processEvents();
  const QImage withMenu =
      QGuiApplication::primaryScreen()->grabWindow(0, w.form().x(), w.form().y(), w.form().width(), w.form().height())
          .toImage();
  ASSERT_FALSE(withMenu.isNull());
  const QString menuPath = QStringLiteral(TARNWICK_APP_TEST_OUTPUT) + "/window-menu.png";
  QDir().remove(menuPath);
  EXPECT_TRUE(withMenu.save(menuPath));
  menu->hide();
}

}  // namespace
}  // namespace tarnwick::test

namespace tarnwick::test {
namespace {

TEST(WindowExtract, RockRidgeOnlyDiscShowsItsNamesAndOffersItsLinks) {
  TempDir dir;
  const fs::path root = dir / "tree";
  fs::create_directories(root);
  { std::ofstream(root / "Mixed Case.txt") << "mixed"; }
  fs::create_symlink("Mixed Case.txt", root / "link");
  const std::string image = (dir / "rr.iso").string();
  ASSERT_EQ(RunProgram({"genisoimage", "-quiet", "-R", "-o", image, root.string()}, dir / "log"), 0);
  TestDrives drives({DiscFile(image)});
  Window w;
  w.Import(0);

  const std::vector<std::pair<QString, QString>> rows{{" 1 link -> Mixed Case.txt", " < LNK > "},
                                                      {" 2 Mixed Case.txt", "        5"}};
  EXPECT_EQ(w.GridRows(), rows);
  const int link = 0;
  // A link is extracted like a file, once the user agrees to make links.
  w.dialogs().directory = QString::fromStdString((dir / "to").string());
  fs::create_directories(dir / "to");
  w.DoubleClickRow(link);
  EXPECT_EQ(w.dialogs().chooserCalls, 1);
  EXPECT_EQ(w.dialogs().askedLinks.size(), 1);
  EXPECT_TRUE(w.dialogs().messages.isEmpty());
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "to" / "link")));
  // Created as recorded when the user agrees: one question for the selection's links.
  w.dialogs().linksAnswer = TLinksAnswer::Create;
  w.DoubleClickRow(link);
  EXPECT_EQ(w.dialogs().askedLinks.back(),
            "The selection holds a symbolic link: link -> Mixed Case.txt.\nCreate it as the disc records it, or skip it?");
  EXPECT_EQ(fs::read_symlink(dir / "to" / "link"), "Mixed Case.txt");
  EXPECT_TRUE(w.dialogs().messages.isEmpty());
}

}  // namespace
}  // namespace tarnwick::test
