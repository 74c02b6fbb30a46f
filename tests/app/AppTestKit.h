// Support for the window tests: replaceable dialogs, virtual drives at addresses of
// the test's choosing (optionally refusing the table of contents of one track), and
// a window driven through mouse clicks on its real controls.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "app/Dialogs.h"
#include "app/Form1.h"
#include "platform/Platform.h"

// Readable QStrings in test failures.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

class QComboBox;
class QLabel;
class QListWidget;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace tarnwick::test {

class FakeDialogs : public app::IDialogs {
 public:
  QString ChooseDirectory(QWidget*, const QString& title, const QString& start) override {
    ++chooserCalls;
    chooserTitles << title;
    chooserStarts << start;
    return directory;
  }
  QString ChooseImage(QWidget*, const QString& filter, const QString& start) override {
    imageFilters << filter;
    imageStarts << start;
    return image;
  }
  // The next queued answer; Cancel when none is left. With realQuestion the toolkit's
  // own message box asks.
  TOverwriteAnswer AskOverwrite(QWidget* parent, const QString& path) override {
    asked << path;
    if (realQuestion) return app::QtDialogs().AskOverwrite(parent, path);
    if (answers.empty()) return TOverwriteAnswer::Cancel;
    const TOverwriteAnswer answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  }
  void ShowMessage(QWidget*, const QString& text) override { messages.push_back(text); }
  // A warning is a message too; with realMessages the toolkit's own box shows it.
  void ShowWarning(QWidget* parent, const QString& text) override {
    messages.push_back(text);
    if (realMessages) app::QtDialogs().ShowWarning(parent, text);
  }
  bool realMessages = false;
  TUnreadableAnswer AskUnreadable(QWidget*, const QString& name, const QString&) override {
    askedUnreadable << name;
    return unreadableAnswer;
  }
  TUnreadableAnswer unreadableAnswer = TUnreadableAnswer::Skip;
  QStringList askedUnreadable;
  TLinksAnswer AskLinks(QWidget*, const QString& question) override {
    askedLinks << question;
    return linksAnswer;
  }
  TLinksAnswer linksAnswer = TLinksAnswer::Skip;
  QStringList askedLinks;

  QString directory;  // the chooser's answer; empty: the user cancels
  int chooserCalls = 0;
  QStringList chooserTitles, chooserStarts;
  QString image;  // the image chooser's answer
  QStringList imageFilters, imageStarts;
  std::vector<TOverwriteAnswer> answers;
  bool realQuestion = false;
  QStringList asked;  // the paths asked about
  QStringList messages;
};

// A disc from a description or image file, or from description text whose file names
// are taken from the samples folder. With failTocTrack, READ TOC format 0 starting
// at that track and READ TRACK INFORMATION of it fail with ILLEGAL REQUEST: the drive
// tells nothing of where the track starts.
std::shared_ptr<platform::IScsiTarget> DiscFile(const std::string& path, std::uint8_t failTocTrack = 0);
std::shared_ptr<platform::IScsiTarget> DiscText(const std::string& text);

std::string SamplePath(const std::string& name);

// The drives the window finds, in order, each on its own host adapter; no real drive.
// Everything is undone at the end.
class TestDrives {
 public:
  explicit TestDrives(const std::vector<std::shared_ptr<platform::IScsiTarget>>& discs);
  ~TestDrives();
  TestDrives(const TestDrives&) = delete;
  TestDrives& operator=(const TestDrives&) = delete;
  char Letter(std::size_t i) const { return letters_.at(i); }

 private:
  std::vector<char> letters_;
};

// The window with fake dialogs, shown offscreen.
class Window {
 public:
  Window();
  ~Window();

  app::TForm1& form() { return *form_; }
  FakeDialogs& dialogs() { return *dialogs_; }
  QComboBox* drives() const;
  QLabel* label(const char* name) const;
  QListWidget* sessions() const;
  QTreeWidget* tree() const;
  QTableWidget* grid() const;

  void ClickShow();
  QStringList SessionLines() const;
  // Clicks the line, then double-clicks it.
  void DoubleClickLine(int index);
  // Double-clicks below the last line.
  void DoubleClickEmptyList();
  // The texts of the top-level nodes and their descendants, as "CD", "CD/docs", ...
  QStringList TreePaths() const;
  QTreeWidgetItem* Node(const QString& path) const;
  void ClickNode(const QString& path);
  // (column 0, column 1) of every grid row.
  std::vector<std::pair<QString, QString>> GridRows() const;
  // The row whose column 0 ends with " " + name; -1 when none.
  int RowOf(const QString& name) const;
  const TFEntry* EntryOfRow(int row) const;
  void DoubleClickRow(int row);
  // Shows the session list, imports the session of line `index`, clicks the node.
  void Import(int index, const QString& path = QStringLiteral("CD"));

 private:
  std::shared_ptr<FakeDialogs> dialogs_;
  std::unique_ptr<app::TForm1> form_;
};

// Bytes of a file, or an empty vector when it cannot be read.
std::vector<char> ReadAll(const std::string& path);
// The sample disc's generated binary contents: `count` bytes of the fixed linear
// congruential sequence started at `seed`.
std::vector<char> GeneratedBytes(std::size_t count, std::uint32_t seed);

}  // namespace tarnwick::test
