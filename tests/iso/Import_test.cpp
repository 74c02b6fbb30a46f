// Session import from crafted images served by a virtual drive: both trees, record
// stepping, dates, descriptor passes and hostile directory structures.
#include <gtest/gtest.h>

#include "iso/Dates.h"
#include "iso/ServedDisc.h"

namespace tarnwick::test {
namespace {

using R = CraftedRecord;

// Primary tree at 20/21, Joliet tree at 30/31, file data at 40.
CraftedIso BothTrees(bool jolietEscape = true) {
  CraftedIso iso(48);
  iso.Descriptor(16, 1, 20, 2048);
  iso.Descriptor(17, 2, 30, 2048, jolietEscape);
  iso.Terminator(18);
  iso.Directory(20, WithDots(20, 20, {R::File("README.TXT;1", 40, 5), R::Dir("DOCS", 21)}));
  iso.Directory(21, WithDots(21, 20, {R::File("A.TXT;1", 41, 3)}));
  iso.Directory(30, WithDots(30, 30, {R::File(Ucs2Be(u"Read Me.txt;1"), 40, 5), R::Dir(Ucs2Be(u"Docs"), 31)}));
  iso.Directory(31, WithDots(31, 30, {R::File(Ucs2Be(u"a long name.txt"), 41, 3)}));
  return iso;
}

TEST(Import, JolietNamesWinOverPrimaryNames) {
  ServedDisc disc;
  disc.Serve(BothTrees());
  ASSERT_TRUE(disc.qb.ImportSession(7));  // above the last session: the last one
  EXPECT_TRUE(disc.Logged("1:>>> IMPORTING SESSION # 1"));
  EXPECT_EQ(DumpTree(disc.qb.Root()), "Read Me.txt 5 0\nDocs 0 16\n  a long name.txt 3 0\n");
  const TFEntry* readMe = disc.qb.FindFile(disc.qb.Root(), "read me.txt");
  ASSERT_NE(readMe, nullptr);
  EXPECT_EQ(readMe->Extent, 40u);
  EXPECT_EQ(readMe->ShortName, "READ_ME.TXT");
  EXPECT_DOUBLE_EQ(readMe->DateTime, EncodeDateTime(2001, 6, 15, 12, 30, 44));
  EXPECT_EQ(disc.qb.FindDir("\\DOCS")->LongName, "Docs");

  // A supplementary descriptor without a Joliet escape sequence holds no UCS-2
  // names: the primary tree is read instead.
  ServedDisc plain;
  plain.Serve(BothTrees(false));
  ASSERT_TRUE(plain.qb.ImportSession(255));
  EXPECT_EQ(DumpTree(plain.qb.Root()), "README.TXT 5 0\nDOCS 0 16\n  A.TXT 3 0\n");
}

TEST(Import, AnyNumberAboveTheLastSessionMeansTheLast) {
  // Session numbers are unsigned: 128 and up are above the last session too, not
  // negative numbers sent to the drive.
  for (const int requested : {2, 127, 128, 200, 254}) {
    ServedDisc disc;
    disc.Serve(BothTrees());
    ASSERT_TRUE(disc.qb.ImportSession(static_cast<std::uint8_t>(requested))) << requested;
    EXPECT_TRUE(disc.Logged("1:>>> IMPORTING SESSION # 1")) << requested;
    EXPECT_EQ(DumpTree(disc.qb.Root()), "Read Me.txt 5 0\nDocs 0 16\n  a long name.txt 3 0\n") << requested;
  }
}

TEST(Import, RecordsAreSteppedByTheirLength) {
  // System-use data after each name, longest in the directory's own record, as
  // extension-writing mastering tools lay them out. Its bytes look like records.
  std::string su(60, '\0');
  su[0] = 40;
  su[32] = 5;
  su.replace(33, 5, "EVIL1");
  CraftedIso iso(40);
  iso.Descriptor(16, 1, 20, 2048);
  iso.Terminator(17);
  std::vector<R> records = WithDots(20, 20, {R::File("FIRST.TXT;1", 30, 10), R::Dir("SUB", 21), R::File("LAST.BIN;1", 31, 20)});
  for (R& r : records) r.systemUse = su;
  records[0].systemUse += std::string(20, '\x21');
  iso.Directory(20, records);
  R inner = R::File("INNER.TXT;1", 32, 7);
  inner.systemUse = su;
  iso.Directory(21, WithDots(21, 20, {inner}));

  ServedDisc disc;
  disc.Serve(iso);
  ASSERT_TRUE(disc.qb.ImportSession(1));
  EXPECT_EQ(DumpTree(disc.qb.Root()), "FIRST.TXT 10 0\nSUB 0 16\n  INNER.TXT 7 0\nLAST.BIN 20 0\n");
  EXPECT_EQ(disc.qb.FindFile(disc.qb.Root(), "LAST.BIN")->Extent, 31u);
}

TEST(Import, DirectoriesOverSeveralSectorsHiddenEntriesAndDates) {
  std::vector<R> files;
  for (int i = 0; i < 120; ++i) files.push_back(R::File("FILE" + std::to_string(1000 + i) + ".TXT;1", 30, 1));
  R hidden = R::Dir("HIDDEN", 23);
  hidden.flags = 3;
  R old = R::File("OLD.TXT;1", 30, 1);
  old.date = {70, 1, 1, 0, 0, 0, 0};
  R future = R::File("FUTURE.TXT;1", 30, 1);
  future.date = {210, 12, 31, 23, 59, 59, 0};
  R broken = R::File("NODATE.TXT;1", 30, 1);
  broken.date = {0, 0, 0, 0, 0, 0, 0};
  files.insert(files.end(), {hidden, old, future, broken});
  const std::vector<R> root = WithDots(20, 20, files);
  const std::uint32_t length = CraftedIso::DirectoryLength(root);
  ASSERT_EQ(length, 3u * 2048);

  CraftedIso iso(40);
  iso.Descriptor(16, 1, 20, length);
  iso.Terminator(17);
  iso.Directory(20, root);
  iso.Directory(23, WithDots(23, 20, {R::File("INSIDE;1", 30, 1)}));
  ServedDisc disc;
  disc.Serve(iso);
  ASSERT_TRUE(disc.qb.ImportSession(1));
  // 120 files over the sectors, then the hidden directory and the dated files,
  // none of which ends the import.
  EXPECT_EQ(disc.qb.FileCount(), 120u + 5u);
  EXPECT_NE(disc.qb.FindFile(disc.qb.Root(), "FILE1119.TXT"), nullptr);
  EXPECT_EQ(disc.qb.FindFile(disc.qb.Root(), "HIDDEN")->Attr, 0x12u);
  EXPECT_NE(disc.qb.FindFile(disc.qb.FindDir("\\HIDDEN"), "INSIDE."), nullptr);
  EXPECT_DOUBLE_EQ(disc.qb.FindFile(disc.qb.Root(), "OLD.TXT")->DateTime, EncodeDateTime(1970, 1, 1, 0, 0, 0));
  EXPECT_DOUBLE_EQ(disc.qb.FindFile(disc.qb.Root(), "FUTURE.TXT")->DateTime,
                   EncodeDateTime(2110, 12, 31, 23, 59, 58));
  EXPECT_FALSE(disc.qb.FindFile(disc.qb.Root(), "NODATE.TXT")->HasDate());
}

TEST(Import, DescriptorPasses) {
  ServedDisc hidden;  // a terminator at +17 hides the primary descriptor at +18
  CraftedIso iso(40);
  iso.Terminator(17);
  iso.Descriptor(18, 1, 20, 2048);
  iso.Directory(20, WithDots(20, 20, {R::File("A;1", 30, 1)}));
  hidden.Serve(iso);
  EXPECT_FALSE(hidden.qb.ImportSession(1));
  EXPECT_TRUE(hidden.Logged("4:>>> ERROR IMPORTING SESSION 1 (ISO IMAGE NOT FOUND)"));
  EXPECT_EQ(hidden.qb.FileCount(), 0u);
  EXPECT_FALSE(hidden.qb.ImportSession(0));

  ServedDisc late;  // descriptors that start after +36 are not looked for
  CraftedIso lateIso(60);
  lateIso.Descriptor(37, 1, 50, 2048);
  lateIso.Directory(50, WithDots(50, 50, {R::File("A;1", 30, 1)}));
  late.Serve(lateIso);
  EXPECT_FALSE(late.qb.ImportSession(1));
  EXPECT_TRUE(late.Logged("4:>>> ERROR IMPORTING SESSION 1 (ISO IMAGE NOT FOUND)"));
}

TEST(Import, MalformedRecordsAreSkipped) {
  R overrun = R::File("OVERRUN;1", 30, 1);
  overrun.recordLength = 40;  // the name runs past its record
  R tooLong = R::File(Ucs2Be(u"x"), 30, 1);
  tooLong.nameLength = 216;   // more than the work area holds
  CraftedIso iso(40);
  iso.Descriptor(16, 2, 20, 2048);
  iso.Terminator(17);
  std::vector<R> records = WithDots(20, 20, {R::File(Ucs2Be(u"good.txt"), 30, 1), tooLong, R::File(Ucs2Be(u"after.txt"), 30, 2)});
  iso.Directory(20, records);
  // A record at the end of the sector whose length runs past it.
  std::vector<std::uint8_t> tail = R::File(Ucs2Be(u"tail.txt"), 30, 1).Bytes();
  tail[0] = 60;
  iso.Raw(20, 2048 - 40, std::vector<std::uint8_t>(tail.begin(), tail.begin() + 40));
  ServedDisc disc;
  disc.Serve(iso);
  ASSERT_TRUE(disc.qb.ImportSession(1));
  EXPECT_EQ(DumpTree(disc.qb.Root()), "good.txt 1 0\nafter.txt 2 0\n");
  EXPECT_TRUE(disc.Logged("4:ERROR IMPORTING SESSION, FILE NAME LENGTH EXCEEDS 120 CHARS\n\rgood.txt"));

  CraftedIso primary(40);
  primary.Descriptor(16, 1, 20, 2048);
  primary.Terminator(17);
  primary.Directory(20, WithDots(20, 20, {R::File("A.TXT;1", 30, 1), overrun, R::File("B.TXT;1", 30, 1)}));
  ServedDisc second;
  second.Serve(primary);
  ASSERT_TRUE(second.qb.ImportSession(1));
  EXPECT_EQ(DumpTree(second.qb.Root()), "A.TXT 1 0\n");  // the bad record's length leaves B out of step
}

TEST(Import, ASeparatorInADirectoryNameDoesNotJoinAnotherDirectory) {
  CraftedIso iso(40);
  iso.Descriptor(16, 1, 20, 2048);
  iso.Terminator(17);
  iso.Directory(20, WithDots(20, 20, {R::Dir("A", 21), R::Dir("A\\B", 23)}));
  iso.Directory(21, WithDots(21, 20, {R::Dir("B", 22)}));
  iso.Directory(22, WithDots(22, 21, {R::File("REAL.TXT;1", 30, 1)}));
  iso.Directory(23, WithDots(23, 20, {R::File("FAKE.TXT;1", 30, 2)}));
  ServedDisc disc;
  disc.Serve(iso);
  ASSERT_TRUE(disc.qb.ImportSession(1));
  EXPECT_EQ(DumpTree(disc.qb.Root()), "A 0 16\n  B 0 16\n    REAL.TXT 1 0\nA_B 0 16\n  FAKE.TXT 2 0\n");
}

TEST(Import, NamesThatAreOnlyAVersionAreSkipped) {
  // Cut at its ";", such a name is empty: a file would have no name to show or
  // extract, and a directory would stand for its own parent (its path is the
  // parent's), pouring its entries into the parent.
  CraftedIso iso(40);
  iso.Descriptor(16, 1, 20, 2048);
  iso.Terminator(17);
  iso.Directory(20, WithDots(20, 20, {R::File("A.TXT;1", 30, 1), R::File(";1", 30, 2), R::Dir(";1", 21),
                                      R::Dir("SUB", 22), R::File("B.TXT;1", 30, 3)}));
  iso.Directory(21, WithDots(21, 20, {R::File("INNER.TXT;1", 30, 4)}));
  iso.Directory(22, WithDots(22, 20, {R::Dir(";1", 21)}));
  ServedDisc disc;
  disc.Serve(iso);
  ASSERT_TRUE(disc.qb.ImportSession(1));
  EXPECT_EQ(DumpTree(disc.qb.Root()), "A.TXT 1 0\nSUB 0 16\nB.TXT 3 0\n");
  EXPECT_EQ(disc.qb.DirCount(), 2u);
}

TEST(Import, HostileDirectoryStructuresEnd) {
  CraftedIso iso(400);
  iso.Descriptor(16, 1, 20, 2048);
  iso.Terminator(17);
  // A loop back to the root, a directory that is its own child, and a chain of
  // directories nested deeper than any sane disc.
  iso.Directory(20, WithDots(20, 20, {R::Dir("LOOP", 21), R::Dir("DEEP", 100), R::Dir("FORK", 300)}));
  iso.Directory(21, WithDots(21, 20, {R::Dir("BACK", 20), R::Dir("SELF", 21), R::File("F;1", 30, 1)}));
  for (std::uint32_t i = 100; i < 250; ++i) iso.Directory(i, WithDots(i, i - 1, {R::Dir("D", i + 1)}));
  // Each level names the next one twice: walking every record would take 2^40 walks.
  for (std::uint32_t i = 300; i < 340; ++i)
    iso.Directory(i, WithDots(i, i - 1, {R::Dir("X", i + 1), R::Dir("X", i + 1), R::File("F;1", 30, 1)}));

  ServedDisc disc;
  disc.Serve(iso);
  ASSERT_TRUE(disc.qb.ImportSession(1));
  EXPECT_TRUE(disc.Logged("4:>>> ERROR IMPORTING SESSION, DIRECTORY LOOP AT \\LOOP\\BACK"));
  EXPECT_TRUE(disc.Logged("4:>>> ERROR IMPORTING SESSION, DIRECTORY LOOP AT \\LOOP\\SELF"));
  int depth = 0;
  for (const TDEntry* d = disc.qb.FindDir("\\DEEP"); d && d->Files; d = d->Files->Dir) ++depth;
  EXPECT_EQ(depth, static_cast<int>(TQuarnBurner::MaxDepth) - 1);
  bool tooDeep = false;
  for (const std::string& line : disc.log) tooDeep |= line.starts_with("4:>>> ERROR IMPORTING SESSION, DIRECTORIES NESTED TOO DEEP AT \\DEEP\\D\\D");
  EXPECT_TRUE(tooDeep);
  EXPECT_NE(disc.qb.FindFile(disc.qb.FindDir("\\FORK" + [] { std::string p; for (int i = 0; i < 39; ++i) p += "\\X"; return p; }()), "F."), nullptr);
}

TEST(Import, DirectoriesOverTheLimitAreSkipped) {
  CraftedIso iso(40);
  iso.Descriptor(16, 1, 20, 2048);
  iso.Terminator(17);
  iso.Directory(20, WithDots(20, 20, {R::Dir("A", 21), R::Dir("B", 22), R::File("TOP;1", 30, 1)}));
  iso.Directory(21, WithDots(21, 20, {R::File("IN_A;1", 30, 1)}));
  iso.Directory(22, WithDots(22, 20, {R::File("IN_B;1", 30, 1)}));
  ServedDisc disc;
  disc.Serve(iso);
  disc.qb.ResetTree(100, 2);
  ASSERT_TRUE(disc.qb.ImportSession(1));
  EXPECT_EQ(DumpTree(disc.qb.Root()), "A 0 16\n  IN_A. 1 0\nTOP. 1 0\n");
  EXPECT_TRUE(disc.Logged("3:>>> MAXIMUM DIRECTORIES CAN BE 2"));
}

TEST(Import, FilesInSeveralExtentsBecomeOneEntry) {
  CraftedIso iso(80);
  iso.Descriptor(16, 1, 20, 2048);
  iso.Terminator(17);
  R part1 = R::File("BIG.DAT;1", 50, 2048), part2 = R::File("BIG.DAT;1", 60, 4096), part3 = R::File("BIG.DAT;1", 45, 100);
  part1.flags = part2.flags = 0x80;
  R lonely = R::File("HALF.DAT;1", 70, 2048);  // a group whose last record never comes
  lonely.flags = 0x80;
  iso.Directory(20, WithDots(20, 20, {part1, part2, part3, lonely, R::File("NEXT.TXT;1", 71, 9)}));
  ServedDisc disc;
  disc.Serve(iso);
  ASSERT_TRUE(disc.qb.ImportSession(1));
  EXPECT_EQ(DumpTree(disc.qb.Root()), "BIG.DAT 6244 0\nHALF.DAT 2048 0\nNEXT.TXT 9 0\n");
  const TFEntry* big = disc.qb.FindFile(disc.qb.Root(), "BIG.DAT");
  EXPECT_EQ(big->Extent, 50u);
  EXPECT_EQ(big->Extents, (std::vector<TExtent>{{50, 2048}, {60, 4096}, {45, 100}}));
}

}  // namespace
}  // namespace tarnwick::test
