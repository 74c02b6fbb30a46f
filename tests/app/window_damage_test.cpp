// Unreadable data in the window: the user's choice for a file that cannot be read
// whole, the list of files kept with zeros, and "Check session", which writes nothing.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <filesystem>

#include "AppTestKit.h"
#include "support/IsoMaker.h"
#include "support/TempDir.h"
#include "support/TestFiles.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;

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

}  // namespace
}  // namespace tarnwick::test
