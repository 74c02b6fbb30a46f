// What the window says and marks after an import that could not show everything:
// directories whose sectors cannot be read, a root that cannot be read, and the
// window's limits, whose count of what is not shown must add up to the whole disc.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "browse/DirectoryMarks.h"
#include "browse/ImportSummary.h"
#include "browse/WindowCommands.h"
#include "iso/ServedDisc.h"

namespace tarnwick::test {
namespace {

using R = CraftedRecord;

// Root at 20: D1 {F1, F2, E1 {G1, G2, G3}}, D2 {H1, E2 {}}, T1, T2: twelve entries,
// four of them directories.
CraftedIso Nested() {
  CraftedIso iso(64);
  iso.Descriptor(16, 1, 20, 2048);
  iso.Terminator(17);
  iso.Directory(20,
                WithDots(20, 20, {R::Dir("D1", 21), R::Dir("D2", 22), R::File("T1;1", 60, 1), R::File("T2;1", 60, 2)}));
  iso.Directory(21, WithDots(21, 20, {R::File("F1;1", 60, 1), R::File("F2;1", 60, 1), R::Dir("E1", 23)}));
  iso.Directory(22, WithDots(22, 20, {R::File("H1;1", 60, 1), R::Dir("E2", 24)}));
  iso.Directory(23, WithDots(23, 21, {R::File("G1;1", 60, 1), R::File("G2;1", 60, 1), R::File("G3;1", 60, 1)}));
  iso.Directory(24, WithDots(24, 22, {}));
  return iso;
}

// The marked directories' paths ("/" for the root) with their marks, and the entries
// and directories the tree shows.
struct Shown {
  std::set<std::string> marked;
  std::size_t entries = 0, directories = 0;
};
Shown Walk(const TQuarnBurner& qb) {
  const TDirectoryMarks marks(qb);
  Shown shown;
  std::function<void(const TDEntry*)> walk = [&](const TDEntry* dir) {
    if (const TDirectoryMark* mark = marks.Of(dir)) shown.marked.insert(qb.DisplayPath(dir) + mark->suffix);
    for (const TFEntry* e = dir->Files; e; e = e->Next, ++shown.entries)
      if (e->Dir) ++shown.directories, walk(e->Dir);
  };
  walk(qb.Root());
  return shown;
}

TEST(ImportSummary, DamagedDirectoriesAreMarkedAndSaidInPlainWords) {
  const std::string kSomeMissing =
      "Part of session 1 could not be read. Everything that could be read is shown; this is missing:";
  const struct {
    const char* name;
    std::string faults;
    std::string heading;                // the summary's first line; "" for no summary
    std::vector<std::string> says;      // parts the summary holds
    std::set<std::string> marked;
  } cases[] = {
      {"Sound", "", "", {}, {}},
      {"UnreadableDirectory", "fault read start=21 count=1\n", kSomeMissing,
       {"- 1 directory could not be read whole, so some of what it holds is missing: /D1 (sector 21: ",
        "marked \"(damaged)\" in the tree and the list",
        "Another session of the disc may hold an older copy",
        "\"tarnwick-cli extract --session 1 -R --on-error=fill --to FOLDER /\"",
        "\"tarnwick-cli image --session 1 --to FILE\""},
       {"/D1 (damaged)"}},
      {"TwoUnreadableDirectories", "fault read start=22 count=2\n", kSomeMissing,
       {"- 2 directories could not be read whole, so some of what they hold is missing: /D1/E1 (sector 23: "},
       {"/D1/E1 (damaged)", "/D2 (damaged)"}},
      {"UnreadableRoot", "fault read start=20 count=1\n",
       "The top directory of session 1 could not be read, so nothing of the session is shown.",
       {"- 1 directory could not be read whole", "What you can try:"}, {"/ (damaged)"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ServedDisc disc;
    Nested().Write(disc.dir / "disc.iso");
    disc.ServeDescription("medium profile=CD-ROM\nsession number=1\ntrack number=1 type=data start=0 length=64 "
                          "file=disc.iso\n" + c.faults);
    const std::string text = ImportIntoFreshTree(disc.qb, 1);
    EXPECT_EQ(text.substr(0, text.find('\n')), c.heading);
    for (const std::string& part : c.says) EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
    EXPECT_EQ(text.find("The session was imported"), std::string::npos);
    EXPECT_EQ(Walk(disc.qb).marked, c.marked);
  }
}

// With any limits, what is shown and what the limit message counts add up to the
// disc's twelve entries and four directories, however deep the cut falls.
TEST(ImportSummary, TheLimitMessageCountsEveryEntryNotShown) {
  const struct {
    std::uint32_t maxFiles, maxDirs;
    std::string says;  // the count and the first places named
    std::set<std::string> marked;
  } cases[] = {
      {1, 1, "11 entries of this session are not shown, 4 directories among them; the first of them: /D1, /T2.",
       {"/ (not all shown)"}},
      {3, 8191, "9 entries of this session are not shown, 3 directories among them; the first of them: /D1/E1, /D2.",
       {"/ (not all shown)", "/D1 (not all shown)"}},
      {100, 2, "7 entries of this session are not shown, 3 directories among them; the first of them: /D1/E1, /D2.",
       {"/ (not all shown)", "/D1 (not all shown)"}},
      {11, 4, "1 entry of this session is not shown, a directory: /D2/E2.", {"/D2 (not all shown)"}},
      {11, 5, "1 entry of this session is not shown: /T2.", {"/ (not all shown)"}},
      {10, 5, "2 entries of this session are not shown; the first of them: /T1.", {"/ (not all shown)"}},
      {12, 5, "", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.maxFiles) + "/" + std::to_string(c.maxDirs));
    ServedDisc disc;
    disc.Serve(Nested());
    disc.qb.ResetTree(c.maxFiles, c.maxDirs);
    ASSERT_TRUE(disc.qb.ImportSession(1));
    const Shown shown = Walk(disc.qb);
    std::size_t hidden = 0, hiddenDirs = 0;
    for (const TImportProblem& p : disc.qb.ImportProblems().All()) hidden += p.count, hiddenDirs += p.directories;
    EXPECT_EQ(shown.entries + hidden, 12u);
    EXPECT_EQ(shown.directories + hiddenDirs, 4u);
    const std::string text = ImportProblemSummary(disc.qb, 1);
    if (c.says.empty()) {
      EXPECT_EQ(text, "");
    } else {
      EXPECT_EQ(text.substr(0, text.find('\n')), "Session 1 holds more than the window can show.");
      EXPECT_NE(text.find("The window shows at most " + std::to_string(c.maxFiles)), std::string::npos) << text;
      EXPECT_NE(text.find(c.says), std::string::npos) << text;
      EXPECT_NE(text.find("\"tarnwick-cli ls -R --session 1\" lists the whole tree."), std::string::npos) << text;
      EXPECT_EQ(text.find("could not be read"), std::string::npos) << text;
    }
    EXPECT_EQ(shown.marked, c.marked);
  }
}

}  // namespace
}  // namespace tarnwick::test
