// Importing a primary tree whose records carry POSIX entries that lie: each damaged
// system-use area is reported and the entry still listed from what could be read.
#include <gtest/gtest.h>

#include "iso/ServedDisc.h"
#include "platform/ByteOrder.h"

namespace tarnwick::test {
namespace {

using R = CraftedRecord;

const auto& Entry = SuspEntry;
std::string Both32(std::uint32_t v) {
  std::string b(8, '\0');
  PutBoth32(reinterpret_cast<std::uint8_t*>(b.data()), v);
  return b;
}
std::string CE(std::uint32_t block, std::uint32_t offset, std::uint32_t length) {
  return Entry("CE", Both32(block) + Both32(offset) + Both32(length));
}
std::string NM(char flags, const std::string& name) { return Entry("NM", flags + name); }

TEST(RockRidgeImport, DamagedSystemUseAreasAreReportedAndTheEntryKept) {
  struct Case {
    const char* what;
    std::string systemUse;                                 // of the one file record
    std::vector<std::pair<std::uint32_t, std::string>> areas;  // continuation areas at offset 0
    std::string listed;                                    // the tree as imported
    std::string problem;                                   // the problem reported
  };
  const Case cases[] = {
      {"continuation area past the session", NM(0, "kept name.txt") + CE(5000, 0, 50), {},
       "kept name.txt 3 0\n", "continuation area at sector 5000 lies outside the session"},
      {"continuation areas in a loop", CE(25, 0, 9 + 28),
       {{25, NM(1, "loop") + CE(26, 0, 7 + 28)}, {26, NM(0, "ed") + CE(25, 0, 9 + 28)}}, "looped 3 0\n",
       "continuation areas loop at sector 25"},
      {"name continued without end", NM(1, "unended"), {}, "unended 3 0\n", "name continues past its last entry"},
      {"NUL inside a link target", Entry("SL", std::string("\0\0\x0e" "victim\0ignored", 17)), {}, "KEPT.TXT 0 0\n",
       "symbolic link target holds a NUL byte"},
      {"name through a continuation area, longer than a name can be", NM(1, "") + CE(25, 0, 255 * 24),
       {{25, [] {
          std::string area;
          for (int i = 0; i < 24; ++i) area += NM(i < 23 ? 1 : 0, std::string(250, 'n'));
          return area;
        }()}},
       std::string(4096, 'n') + " 3 0\n", "name longer than 4096 bytes; the rest is dropped"},
      {"link component longer than its entry", Entry("SL", std::string("\0\0\x28", 3) + "abc"), {},
       "KEPT.TXT 3 0\n", "symbolic link component of 40 bytes is longer than its entry"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    R file = R::File("KEPT.TXT;1", 30, 3);
    file.systemUse = c.systemUse;
    CraftedIso iso = CraftedIso::RockRidgeRoot({file});
    for (const auto& [lba, bytes] : c.areas) iso.Raw(lba, 0, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    iso.Data(30, "abc");

    ServedDisc disc;
    disc.Serve(iso);
    ASSERT_TRUE(disc.qb.ImportSession(1));
    EXPECT_EQ(disc.qb.ImportedTree(), TTreeKind::RockRidge);
    EXPECT_EQ(DumpTree(disc.qb.Root()), c.listed);
    const auto& problems = disc.qb.ImportProblems().All();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].kind, TProblemKind::DamagedAttributes);
    EXPECT_EQ(problems[0].path, "/KEPT.TXT");
    EXPECT_EQ(problems[0].why, c.problem);
  }
}

}  // namespace
}  // namespace tarnwick::test
