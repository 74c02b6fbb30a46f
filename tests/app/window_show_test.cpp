// Start-up, drive selection and "Show" through the real controls.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFontInfo>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include "AppTestKit.h"
#include "Version.h"
#include "support/SampleWindowTexts.h"
#include "app/Arguments.h"
#include "vdrive/VirtualDrive.h"

namespace tarnwick::test {
namespace {

// The lines both windows show for the sample disc.
const QStringList kSampleLines = [] {
  QStringList lines;
  for (const std::string& line : sample::kSessionLines) lines << QString::fromStdString(line);
  return lines;
}();

TEST(WindowStart, SelectsTheFirstDriveAndShowsItsLetterDeviceAndImage) {
  TestDrives drives({DiscFile(SamplePath("sample.disc")), DiscFile(SamplePath("session1.iso"))});
  Window w;
  ASSERT_EQ(w.drives()->count(), 2);
  EXPECT_EQ(w.drives()->currentIndex(), 0);
  const QString program = QStringLiteral("Tarnwick ") + QString::fromLatin1(kProductVersion);
  // Each image's drive: its entry adds the image's name to the device-list line, the
  // title names it after the program, the hint gives the line and the whole path.
  const struct {
    const char* image;
  } kDrives[] = {{"sample.disc"}, {"session1.iso"}};
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(kDrives[i].image);
    const QString image = QString::fromLatin1(kDrives[i].image);
    w.drives()->setCurrentIndex(i);
    const QString line = QString::fromStdString(w.form().quarnb().DeviceList.at(static_cast<std::size_t>(i)));
    EXPECT_EQ(w.drives()->currentText(), line + " - " + image);
    EXPECT_EQ(w.form().windowTitle(), program + " - " + image);
    EXPECT_EQ(w.label("lDrive")->text(), QStringLiteral("Drive %1:").arg(drives.Letter(i)));
    EXPECT_EQ(w.form().quarnb().GetDriveLetter(), drives.Letter(i));
    EXPECT_EQ(w.drives()->toolTip(), line + "\n" + QString::fromStdString(SamplePath(kDrives[i].image)));
  }
}

TEST(WindowStart, ADriveWithoutALetterShowsTheBlankDriveLabel) {
  // A drive that reports no SCSI address gets a made-up one, and no letter is found for it.
  TestDrives drives({vdrive::OpenVirtualDrive(SamplePath("sample.disc"))});
  Window w;
  ASSERT_EQ(w.drives()->count(), 1);
  EXPECT_TRUE(w.drives()->currentText().contains(QStringLiteral(",?: "))) << w.drives()->currentText().toStdString();
  EXPECT_EQ(w.label("lDrive")->text(), QStringLiteral("  Drive :"));
}

TEST(WindowStart, WithoutDrivesTheSelectorStaysEmptyAndShowReportsTheError) {
  TestDrives drives({});
  Window w;
  EXPECT_EQ(w.drives()->count(), 0);
  EXPECT_EQ(w.label("lDrive")->text(), QStringLiteral("Drive"));
  w.ClickShow();
  EXPECT_EQ(w.SessionLines(), QStringList{"     Error getting session information"});
  EXPECT_EQ(w.label("lMedium")->text(), QString());
}

TEST(WindowStart, ControlsCaptionsAndFonts) {
  TestDrives drives({});
  Window w;
  // The caption names the version (1.01, with the commit outside a release); F1 gives
  // the About text under the same name.
  const QString title = QStringLiteral("Tarnwick ") + QString::fromLatin1(kProductVersion);
  EXPECT_EQ(w.form().windowTitle(), title);
  EXPECT_TRUE(title.startsWith(QStringLiteral("Tarnwick 1.01"))) << title.toStdString();
  QTest::keyClick(&w.form(), Qt::Key_F1);
  ASSERT_EQ(w.dialogs().messages.size(), 1);
  EXPECT_TRUE(w.dialogs().messages[0].startsWith(title + "\n")) << w.dialogs().messages[0].toStdString();
  EXPECT_EQ(w.label("Panel4")->text(), QStringLiteral(" Number  Start   Size"));
  EXPECT_EQ(w.label("Label1")->text(), QStringLiteral("Medium  :"));
  EXPECT_EQ(w.label("Label2")->text(), QStringLiteral("Disc Size  :"));
  EXPECT_EQ(w.label("Label3")->text(), QStringLiteral("Used Space  :"));
  for (const char* name : {"Panel3", "Panel1", "Panel2", "Button1", "bClose", "lMedium", "lDiscSize", "lUsedSpace"})
    EXPECT_NE(w.form().findChild<QWidget*>(name), nullptr) << name;
  EXPECT_EQ(w.form().findChild<QWidget*>("Button1")->property("text").toString(), QStringLiteral("Show"));
  EXPECT_EQ(w.form().findChild<QWidget*>("bClose")->property("text").toString(), QStringLiteral("Close"));
  QTableWidget* grid = w.grid();
  ASSERT_EQ(grid->columnCount(), 3);
  EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), QStringLiteral("File Name"));
  EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), QStringLiteral("File Size"));
  EXPECT_EQ(grid->horizontalHeaderItem(2)->text(), QStringLiteral("   Date"));
  EXPECT_EQ(grid->rowCount(), 1);
  EXPECT_EQ(grid->toolTip(), QStringLiteral("Double click on a file name to extract"));
  // The session list, its heading and the grid line up their columns.
  EXPECT_TRUE(QFontInfo(w.sessions()->font()).fixedPitch());
  EXPECT_TRUE(QFontInfo(w.label("Panel4")->font()).fixedPitch());
  EXPECT_TRUE(QFontInfo(grid->font()).fixedPitch());
  // The three regions sit side by side, the grid taking what is left.
  EXPECT_LT(w.sessions()->geometry().right(), w.tree()->geometry().left());
  EXPECT_LT(w.tree()->geometry().right(), grid->geometry().left());
  EXPECT_GT(grid->width(), w.tree()->width());

  QTest::mouseClick(w.form().findChild<QWidget*>("bClose"), Qt::LeftButton);
  EXPECT_FALSE(w.form().isVisible());
}

TEST(WindowShow, SampleDiscLinesSessionNumbersAndLabels) {
  TestDrives drives({DiscFile(SamplePath("sample.disc"))});
  Window w;
  w.ClickShow();
  EXPECT_EQ(w.SessionLines(), kSampleLines);
  const QListWidget* list = w.sessions();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(list->item(i)->data(app::kSessionRole).toInt(), i + 1);
  EXPECT_EQ(list->item(3)->data(app::kSessionRole).toInt(), 0);
  EXPECT_EQ(w.label("lMedium")->text(), QStringLiteral("CD-R"));
  EXPECT_EQ(w.label("lDiscSize")->text(), QStringLiteral("703.12 MB"));
  EXPECT_EQ(w.label("lUsedSpace")->text(), QStringLiteral("49.58 MB"));

  // A second press lists the same lines once, not twice.
  w.ClickShow();
  EXPECT_EQ(w.SessionLines(), kSampleLines);
}

TEST(WindowShow, SizesUseTheLocalesDecimalSeparator) {
  TestDrives drives({DiscFile(SamplePath("sample.disc"))});
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  Window w;
  w.ClickShow();
  QLocale::setDefault(QLocale::c());
  EXPECT_EQ(w.label("lDiscSize")->text(), QStringLiteral("703,12 MB"));
  EXPECT_EQ(w.label("lUsedSpace")->text(), QStringLiteral("49,58 MB"));
}

TEST(WindowShow, BlankDiscNoMediumAndRefusedTableOfContents) {
  TestDrives drives({DiscText("medium profile=CD-R\ndisc status=empty\n"), DiscText("medium absent\n"),
                     DiscText("fault command=43\n"
                              "medium profile=CD-R\ndisc status=incomplete capacity=359849\n"
                              "session\ntrack start=0 length=89 file=session1.iso\n")});
  Window w;
  w.ClickShow();
  EXPECT_EQ(w.SessionLines(), QStringList{" Free  00:00:00  703 MB"});
  EXPECT_EQ(w.label("lMedium")->text(), QStringLiteral("CD-R"));
  // The disc size is the ATIP lead-out start counted in frames: 79:59:74.
  EXPECT_EQ(w.label("lDiscSize")->text(), QStringLiteral("703.12 MB"));
  EXPECT_EQ(w.label("lUsedSpace")->text(), QStringLiteral("0.00 MB"));

  w.drives()->setCurrentIndex(1);
  w.ClickShow();
  EXPECT_EQ(w.SessionLines(), QStringList{"     Error getting session information"});
  EXPECT_EQ(w.label("lMedium")->text(), QString());

  // No start address for the session: no session line, and the free line carries
  // no lead-out address.
  w.drives()->setCurrentIndex(2);
  w.ClickShow();
  ASSERT_EQ(w.SessionLines().size(), 1);
  EXPECT_TRUE(w.SessionLines().front().startsWith(" Free  00:00:00 "));
}

TEST(WindowArguments, EachReadableArgumentBecomesADriveAndOthersAreReported) {
  TestDrives drives({});
  FakeDialogs dialogs;
  const int added = app::MountArguments(
      {QString::fromStdString(SamplePath("sample.disc")), "/nonexistent/disc.iso",
       QString::fromStdString(SamplePath("session1.iso"))},
      dialogs);
  EXPECT_EQ(added, 2);
  ASSERT_EQ(dialogs.messages.size(), 1);
  EXPECT_TRUE(dialogs.messages.front().contains("/nonexistent/disc.iso"));
  Window w;
  ASSERT_EQ(w.drives()->count(), 2);
  w.ClickShow();
  EXPECT_EQ(w.SessionLines(), kSampleLines);
  w.drives()->setCurrentIndex(1);
  w.ClickShow();
  EXPECT_EQ(w.SessionLines().size(), 2);
  EXPECT_TRUE(w.SessionLines().front().startsWith("   001 000:02:00 "));
}

}  // namespace
}  // namespace tarnwick::test
