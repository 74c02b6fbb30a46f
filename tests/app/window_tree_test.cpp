// Importing sessions from the session list, the directory tree and the entry grid.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>

#include <QListWidget>
#include <QTableWidget>
#include <QTreeWidget>

#include <fstream>

#include "AppTestKit.h"
#include "support/SampleWindowTexts.h"
#include "support/CraftedIso.h"
#include "support/TempDir.h"

namespace tarnwick::test {
namespace {

using Rows = std::vector<std::pair<QString, QString>>;

// The texts both windows show for the sample disc.
Rows QtRows(const sample::Rows& rows) {
  Rows out;
  for (const auto& [name, size] : rows) out.emplace_back(QString::fromStdString(name), QString::fromStdString(size));
  return out;
}
const Rows kSession1Root = QtRows(sample::kSessions[0].root);
const Rows kSession2Root = QtRows(sample::kSessions[1].root);
const Rows kSession3Root = QtRows(sample::kSessions[2].root);
const QStringList kLaterTree = {"CD", "CD/archive", "CD/docs", "CD/photos", "CD/private"};

TEST(WindowTree, EachSessionOfTheSampleDiscShowsItsOwnTreeAndRows) {
  TestDrives drives({DiscFile(SamplePath("sample.disc"))});
  Window w;

  w.Import(0);
  EXPECT_EQ(w.TreePaths(), (QStringList{"CD", "CD/docs"}));
  ASSERT_NE(w.tree()->currentItem(), nullptr);
  EXPECT_EQ(w.tree()->currentItem()->text(0), QStringLiteral("CD"));
  EXPECT_FALSE(w.tree()->topLevelItem(0)->isExpanded());
  EXPECT_EQ(w.GridRows(), kSession1Root);

  w.Import(1);
  EXPECT_EQ(w.TreePaths(), kLaterTree);
  EXPECT_EQ(w.GridRows(), kSession2Root);

  w.Import(2);
  EXPECT_EQ(w.TreePaths(), kLaterTree);
  EXPECT_EQ(w.GridRows(), kSession3Root);
  // Each row refers to its own entry.
  for (int r = 0; r < w.grid()->rowCount(); ++r) {
    ASSERT_NE(w.EntryOfRow(r), nullptr);
    EXPECT_TRUE(w.GridRows()[static_cast<std::size_t>(r)].first.endsWith(
        " " + QString::fromStdString(w.EntryOfRow(r)->LongName)));
  }

  w.ClickNode("CD/docs");
  EXPECT_EQ(w.GridRows(), (Rows{{" 1 manual.txt", "     1575"}, {" 2 Release notes.txt", "     4200"}}));
  w.ClickNode("CD/photos");
  EXPECT_EQ(w.GridRows(), (Rows{{" 1 beach.raw", "     5000"}, {" 2 garden.raw", "    20480"}}));
  w.ClickNode("CD");
  EXPECT_EQ(w.GridRows(), kSession3Root);
}

// A size of ten digits and more (1 GB on) widens the File Size column until Qt's own
// measure of the cells fits; a directory of smaller sizes has the usual width again.
TEST(WindowTree, TheSizeColumnFitsTheLargestSizeShown) {
  TempDir dir;
  const CraftedIso iso = CraftedIso::BigFileAndOneSubdirectory();
  TestDrives drives({DiscFile(iso.Write(dir / "big.iso"))});
  Window w;
  w.form().show();
  // Qt's measure of the cells (public in the base class only).
  const auto cellsNeed = [&] { return static_cast<QAbstractItemView*>(w.grid())->sizeHintForColumn(1); };
  const int usual = w.grid()->columnWidth(1);
  w.Import(0);
  ASSERT_EQ(w.GridRows().at(0), (std::pair<QString, QString>{" 1 BIG.BIN", "4294967295"}));
  EXPECT_GT(w.grid()->columnWidth(1), usual);
  EXPECT_GE(w.grid()->columnWidth(1), cellsNeed());
  w.ClickNode("CD/SUB");
  EXPECT_EQ(w.grid()->columnWidth(1), usual);
  EXPECT_GE(usual, cellsNeed());
}

TEST(WindowTree, HiddenAndEmptyDirectories) {
  TestDrives drives({DiscFile(SamplePath("sample.disc"))});
  Window w;
  w.Import(1);
  // private/ is recorded hidden: attributes 12h, and still a node of its own.
  const int row = w.RowOf("private");
  ASSERT_GE(row, 0);
  ASSERT_NE(w.EntryOfRow(row), nullptr);
  EXPECT_EQ(w.EntryOfRow(row)->Attr, 0x12u);
  ASSERT_NE(w.Node("CD/private"), nullptr);
  w.ClickNode("CD/private");
  EXPECT_EQ(w.GridRows(), (Rows{{" 1 diary.txt", "      744"}}));

  // An empty directory: the headings and one empty row that extracts nothing.
  w.ClickNode("CD/archive");
  EXPECT_EQ(w.grid()->rowCount(), 1);
  EXPECT_EQ(w.GridRows(), (Rows{{"", ""}}));
  EXPECT_EQ(w.EntryOfRow(0), nullptr);
  w.dialogs().directory = "/tmp";
  w.DoubleClickRow(0);
  EXPECT_EQ(w.dialogs().chooserCalls, 0);
  EXPECT_TRUE(w.dialogs().messages.isEmpty());
}

TEST(WindowTree, SessionLinesImportTheirOwnSessionWhenOneSessionHasNoLine) {
  // The start of session 2 cannot be read: it gets no line, and the line after the
  // first stands for session 3.
  TestDrives drives({DiscFile(SamplePath("sample.disc"), 2)});
  Window w;
  w.ClickShow();
  ASSERT_EQ(w.SessionLines(),
            (QStringList{"   001 000:02:00    0 MB", "   003 004:07:70    0 MB", " Free  004:08:36  653 MB"}));
  EXPECT_EQ(w.sessions()->item(1)->data(app::kSessionRole).toInt(), 3);
  w.DoubleClickLine(1);
  EXPECT_EQ(w.GridRows(), kSession3Root);
}

TEST(WindowTree, LinesThatImportNothing) {
  TestDrives drives({DiscFile(SamplePath("sample.disc"))});
  Window w;
  w.ClickShow();
  // Nothing selected yet.
  w.DoubleClickEmptyList();
  EXPECT_EQ(w.dialogs().messages, QStringList{"Select session from list"});
  EXPECT_EQ(w.tree()->topLevelItemCount(), 0);

  // The free-space line.
  w.DoubleClickLine(3);
  EXPECT_EQ(w.tree()->topLevelItemCount(), 0);
  EXPECT_EQ(w.dialogs().messages.size(), 1);

  // A previous import stays when the free-space line is double-clicked.
  w.DoubleClickLine(0);
  EXPECT_EQ(w.GridRows(), kSession1Root);
  w.DoubleClickLine(3);
  EXPECT_EQ(w.GridRows(), kSession1Root);
}

TEST(WindowTree, ALoneErrorLineImportsNothing) {
  TestDrives drives({DiscText("medium absent\n")});
  Window w;
  w.ClickShow();
  ASSERT_EQ(w.SessionLines().size(), 1);
  w.DoubleClickLine(0);
  EXPECT_EQ(w.tree()->topLevelItemCount(), 0);
  EXPECT_TRUE(w.dialogs().messages.isEmpty());
}

TEST(WindowTree, ASessionThatImportsNothingAndADriveWithoutDiscSayWhy) {
  TestDrives drives({DiscText("medium profile=CD-R\ndisc status=incomplete capacity=359849\nsession\n"
                              "track start=0 length=89 file=session1.iso\nfault read start=16 count=8\n"),
                     DiscText("medium profile=CD-ROM\nsession\ntrack type=audio start=0 length=3000\n"
                              "session\ntrack start=14400 length=89 file=session1.iso\n"),
                     DiscText("medium absent\n")});
  const struct {
    const char *says, *alsoSays;
  } cases[] = {{"The sectors where its file system begins could not be read. The drive says: ", "READ ERROR"},
               {"It is an audio session: it holds music tracks and no file system.", "audio"}};
  Window w;
  for (int drive = 0; drive < 2; ++drive) {
    w.drives()->setCurrentIndex(drive);
    w.ClickShow();
    w.dialogs().messages.clear();
    w.DoubleClickLine(0);
    ASSERT_EQ(w.dialogs().messages.size(), 1);
    const QString& message = w.dialogs().messages.front();
    EXPECT_TRUE(message.startsWith("Session 1 could not be imported, so nothing of it is shown.\n\n")) << message.toStdString();
    EXPECT_TRUE(message.contains(cases[drive].says) && message.contains(cases[drive].alsoSays)) << message.toStdString();
  }
  w.drives()->setCurrentIndex(2);
  w.ClickShow();
  const QString status = w.label("lHint")->text();
  EXPECT_TRUE(status.startsWith("There is no disc in the drive (the drive says: ")) << status.toStdString();
  EXPECT_TRUE(status.contains("MEDIUM NOT PRESENT")) << status.toStdString();
}

TEST(WindowTree, WhatAnImportCouldNotReadIsSaidInOneMessage) {
  // A directory that refers back to the root, and one whose sector cannot be read.
  using R = CraftedRecord;
  TempDir dir;
  CraftedIso iso(40);
  iso.Descriptor(16, 1, 20, 2048);
  iso.Terminator(17);
  iso.Directory(20, {R::Dot(20, 2048), R::DotDot(20, 2048), R::Dir("BACK", 20), R::Dir("SUB", 21),
                     R::File("A.TXT;1", 30, 1)});
  iso.Write(dir / "disc.iso");
  std::ofstream(dir / "disc.desc") << "medium profile=CD-ROM\nsession number=1\n"
                                      "track number=1 type=data start=0 length=40 file=disc.iso\n"
                                      "fault read start=21 count=1\n";
  TestDrives drives({DiscFile((dir / "disc.desc").string())});
  Window w;
  w.Import(0);
  // Neither directory passes for an empty one.
  EXPECT_EQ(w.TreePaths(), (QStringList{"CD", "CD/BACK (damaged)", "CD/SUB (damaged)"}));
  EXPECT_EQ(w.GridRows(),
            (Rows{{" 1 BACK (damaged)", " < DIR > "}, {" 2 SUB (damaged)", " < DIR > "}, {" 3 A.TXT", "        1"}}));
  ASSERT_EQ(w.dialogs().messages.size(), 1);
  const QString text = w.dialogs().messages.front();
  EXPECT_TRUE(text.contains("1 directory refers back to a directory that contains it, so it is not read again: /BACK "
                            "(sector 20: "))
      << text.toStdString();
  EXPECT_TRUE(
      text.contains("1 directory could not be read whole, so some of what it holds is missing: /SUB (sector 21: "))
      << text.toStdString();
}

}  // namespace
}  // namespace tarnwick::test
