// What an import keeps and what it reports, over crafted images: unreadable
// directory sectors, a Joliet root that cannot be read, names that differ only in
// case or repeat, long names, loops, shared and overlapping directories, nesting,
// limits, malformed records and directories that claim more than the session holds.
#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "iso/ServedDisc.h"
#include "platform/ByteOrder.h"
#include "vdrive/VirtualDrive.h"

namespace tarnwick::test {
namespace {

using R = CraftedRecord;

const char* KindName(TProblemKind kind) {
  switch (kind) {
    case TProblemKind::UnreadableSector: return "unreadable";
    case TProblemKind::OutsideSession: return "outside";
    case TProblemKind::Loop: return "loop";
    case TProblemKind::SharedDirectory: return "shared";
    case TProblemKind::TooDeep: return "deep";
    case TProblemKind::DirectoryLimit: return "dir-limit";
    case TProblemKind::FileLimit: return "file-limit";
    case TProblemKind::DroppedEntry: return "dropped";
    case TProblemKind::IncompleteFile: return "incomplete";
    case TProblemKind::Fallback: return "fallback";
    case TProblemKind::DamagedAttributes: return "attributes";
    case TProblemKind::BadDescriptor: return "descriptor";
  }
  return "?";
}

// "kind path @sector xcount", one line per problem.
std::string DumpProblems(const TImportProblems& problems) {
  std::string out;
  for (const TImportProblem& p : problems.All()) {
    out += std::string(KindName(p.kind)) + " " + p.path;
    if (p.sector) out += " @" + std::to_string(*p.sector);
    if (p.count != 1) out += " x" + std::to_string(p.count);
    out += "\n";
  }
  return out;
}

std::string Repeat(const std::string& part, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += part;
  return s;
}

// Files that fill a directory sector up to its last 150 bytes or so.
constexpr int kFillers = 35;
std::string FillerName(int i) { return "FILL" + std::to_string(100 + i) + ".TXT"; }
std::string Fillers() {
  std::string tree;
  for (int i = 0; i < kFillers; ++i) tree += FillerName(i) + " 1 0\n";
  return tree;
}

struct Case {
  const char* name;
  std::function<CraftedIso()> image;
  std::string faults;  // description lines; empty: the bare image is served
  std::uint32_t maxFiles = TQuarnBurner::Unlimited;
  std::uint32_t maxDirs = TQuarnBurner::Unlimited;
  std::string tree;      // DumpTree of the root; "*" leaves the tree to `check`
  std::string problems;  // DumpProblems
  std::function<void(ServedDisc&)> check = {};
};

// Root at 20 (primary) or 30 (Joliet); sub-directories from 21 on, file data at 60.
CraftedIso Primary(const std::vector<R>& root, std::uint32_t sectors = 64) {
  CraftedIso iso(sectors);
  iso.Descriptor(16, 1, 20, CraftedIso::DirectoryLength(WithDots(20, 20, root)));
  iso.Terminator(17);
  iso.Directory(20, WithDots(20, 20, root));
  return iso;
}

std::vector<Case> Cases() {
  std::vector<Case> cases;

  cases.push_back({"UnreadableSubDirectoryAndSecondRootSector",
                   [] {
                     std::vector<R> root{R::Dir("SUB", 24)};
                     for (int i = 0; i < 60; ++i) root.push_back(R::File("F" + std::to_string(100 + i) + ".TXT;1", 60, 1));
                     CraftedIso iso = Primary(root);
                     iso.Directory(24, WithDots(24, 20, {R::File("IN.TXT;1", 60, 1)}));
                     return iso;
                   },
                   "fault read start=21 count=1\nfault read start=24 count=1\n", TQuarnBurner::Unlimited,
                   TQuarnBurner::Unlimited, "*", "unreadable /SUB @24\nunreadable / @21\n",
                   [](ServedDisc& d) {
                     // Every record of the first root sector is kept, nothing of the second.
                     EXPECT_NE(d.qb.FindDir("\\SUB"), nullptr);
                     EXPECT_EQ(d.qb.FindDir("\\SUB")->Files, nullptr);
                     EXPECT_GT(d.qb.FileCount(), 20u);
                     EXPECT_LT(d.qb.FileCount(), 61u);
                   }});

  cases.push_back({"JolietRootUnreadableFallsBackToThePrimaryTree",
                   [] {
                     CraftedIso iso(64);
                     iso.Descriptor(16, 1, 20, 2048);
                     iso.Descriptor(17, 2, 30, 2048);
                     iso.Terminator(18);
                     iso.Directory(20, WithDots(20, 20, {R::File("README.TXT;1", 60, 5), R::Dir("DOCS", 21)}));
                     iso.Directory(21, WithDots(21, 20, {R::File("A.TXT;1", 61, 3)}));
                     iso.Directory(30, WithDots(30, 30, {R::File(Ucs2Be(u"Read Me.txt"), 60, 5)}));
                     return iso;
                   },
                   "fault read start=30 count=1\n", TQuarnBurner::Unlimited, TQuarnBurner::Unlimited,
                   "README.TXT 5 0\nDOCS 0 16\n  A.TXT 3 0\n", "unreadable / @30\nfallback / @30\n"});

  cases.push_back({"EveryRecordIsItsOwnEntry",
                   [] {
                     // Joliet: names that differ only in case, a name recorded twice, two
                     // directories whose names differ only in case, and a name as long as a
                     // record holds (110 characters).
                     const std::u16string longName = u"L" + std::u16string(109, u'n');
                     CraftedIso iso(64);
                     iso.Descriptor(16, 2, 30, 2048);
                     iso.Terminator(17);
                     iso.Directory(30, WithDots(30, 30,
                                                {R::File(Ucs2Be(u"README.TXT"), 60, 1), R::File(Ucs2Be(u"readme.txt"), 61, 2),
                                                 R::File(Ucs2Be(u"twice.txt"), 62, 3), R::File(Ucs2Be(u"twice.txt"), 63, 4),
                                                 R::Dir(Ucs2Be(u"Docs"), 31), R::Dir(Ucs2Be(u"DOCS"), 32),
                                                 R::File(Ucs2Be(longName), 64, 5)}));
                     iso.Directory(31, WithDots(31, 30, {R::File(Ucs2Be(u"one.txt"), 60, 1)}));
                     iso.Directory(32, WithDots(32, 30, {R::File(Ucs2Be(u"two.txt"), 61, 2)}));
                     return iso;
                   },
                   "", TQuarnBurner::Unlimited, TQuarnBurner::Unlimited,
                   "README.TXT 1 0\nreadme.txt 2 0\ntwice.txt 3 0\ntwice.txt 4 0\nDocs 0 16\n  one.txt 1 0\n"
                   "DOCS 0 16\n  two.txt 2 0\nL" + std::string(109, 'n') + ". 5 0\n",
                   ""});

  cases.push_back({"PrimaryNamesOfAnyLengthAreKept",
                   [] {
                     // A 154-character name, as the deepest mastering level writes it.
                     const std::string name = "N" + std::string(149, 'X') + ".TXT";
                     return Primary({R::File(name + ";1", 60, 7), R::File(name + ";1", 61, 8)});
                   },
                   "", TQuarnBurner::Unlimited, TQuarnBurner::Unlimited,
                   "N" + std::string(149, 'X') + ".TXT 7 0\nN" + std::string(149, 'X') + ".TXT 8 0\n", ""});

  cases.push_back({"LoopsSharedDirectoriesAndNesting",
                   [] {
                     CraftedIso iso = Primary({R::Dir("LOOP", 21), R::Dir("SHARE1", 22), R::Dir("SHARE2", 22),
                                               R::Dir("OVERLAP", 22, 2 * 2048), R::Dir("DEEP", 100)},
                                              250);
                     iso.Directory(21, WithDots(21, 20, {R::Dir("BACK", 20), R::Dir("SELF", 21), R::File("F;1", 60, 1)}));
                     iso.Directory(22, WithDots(22, 20, {R::File("S;1", 60, 1)}));
                     for (std::uint32_t i = 100; i < 240; ++i) iso.Directory(i, WithDots(i, i - 1, {R::Dir("D", i + 1)}));
                     return iso;
                   },
                   "", TQuarnBurner::Unlimited, TQuarnBurner::Unlimited, "*",
                   "loop /LOOP/BACK @20\nloop /LOOP/SELF @21\nshared /SHARE2 @22\nshared /OVERLAP @22\ndeep /DEEP" +
                       Repeat("/D", static_cast<int>(TQuarnBurner::MaxDepth) - 1) + " @" +
                       std::to_string(100 + TQuarnBurner::MaxDepth - 1) + "\n",
                   [](ServedDisc& d) {
                     EXPECT_NE(d.qb.FindFile(d.qb.FindDir("\\SHARE1"), "S."), nullptr);
                     EXPECT_EQ(d.qb.FindDir("\\SHARE2")->Files, nullptr);
                   }});

  cases.push_back({"ADirectoryRunningIntoAnotherEndsThere",
                   [] {
                     // A's data length covers B's sector: what the disc holds there is read
                     // once, and B, met second, is reported instead of read again.
                     CraftedIso iso = Primary({R::Dir("A", 21, 3 * 2048), R::Dir("B", 22)});
                     iso.Directory(21, WithDots(21, 20, {R::File("IN_A;1", 60, 1)}));
                     iso.Directory(22, WithDots(22, 20, {R::File("IN_B;1", 60, 2)}));
                     return iso;
                   },
                   "", TQuarnBurner::Unlimited, TQuarnBurner::Unlimited, "*", "shared /B @22\n",
                   [](ServedDisc& d) {
                     EXPECT_NE(d.qb.FindFile(d.qb.FindDir("\\A"), "IN_A."), nullptr);
                     EXPECT_EQ(d.qb.FindDir("\\B")->Files, nullptr);
                   }});

  cases.push_back({"LimitsNameTheirFirstCutsAndCountWhatTheyHold",
                   [] {
                     CraftedIso iso = Primary({R::Dir("A", 21), R::Dir("B", 22), R::File("T1;1", 60, 1),
                                               R::File("T2;1", 60, 1), R::File("T3;1", 60, 1)});
                     iso.Directory(21, WithDots(21, 20, {R::File("IN_A;1", 60, 1)}));
                     iso.Directory(22, WithDots(22, 20, {R::File("IN_B;1", 60, 1)}));
                     return iso;
                   },
                   "", 3, 2, "A 0 16\n  IN_A. 1 0\nT1. 1 0\n", "dir-limit /B x2\nfile-limit /T2 x2\n"});

  cases.push_back({"MalformedRecordsAreLeftOutAndSaidSo",
                   [] {
                     R bad = R::File("BAD;1", 60, 1);
                     bad.nameLength = 100;  // its name runs past the record
                     R part = R::File("HALF.DAT;1", 61, 2048);
                     part.flags = 0x80;  // a file in several extents whose last part never comes
                     std::vector<R> records =
                         WithDots(20, 20, {R::File("A.TXT;1", 60, 1), R::File(";1", 60, 1), part, R::File("B.TXT;1", 60, 2)});
                     for (int i = 0; i < kFillers; ++i) records.push_back(R::File(FillerName(i) + ";1", 60, 1));
                     records.push_back(bad);
                     CraftedIso iso(64);
                     iso.Descriptor(16, 1, 20, 2048);
                     iso.Terminator(17);
                     iso.Directory(20, records);
                     // Right after them, a record running past the end of its sector.
                     std::size_t end = 0;
                     for (const R& r : records) end += r.Bytes().size();
                     std::vector<std::uint8_t> tail = R::File("TAIL;1", 60, 1).Bytes();
                     tail[0] = static_cast<std::uint8_t>(2048 - end + 10);
                     iso.Raw(20, end, tail);
                     return iso;
                   },
                   "", TQuarnBurner::Unlimited, TQuarnBurner::Unlimited, "A.TXT 1 0\nHALF.DAT 2048 0\nB.TXT 2 0\n" + Fillers(),
                   "dropped / @20\nincomplete /HALF.DAT @61\ndropped / @20\ndropped / @20\n",
                   [](ServedDisc& d) {
                     std::vector<std::string> why;
                     for (const TImportProblem& p : d.qb.ImportProblems().All()) why.push_back(p.why);
                     EXPECT_EQ(why[0], "a record whose name is empty");
                     EXPECT_EQ(why[2], "a record whose name runs past the record");
                     EXPECT_EQ(why[3], "a record runs past the end of its sector");
                   }});

  cases.push_back({"DirectoriesAreReadOnlyWithinTheSession",
                   [] {
                     // A directory claiming 4 GiB and one that starts past the disc's end.
                     // The volume space size (40 blocks) ends the session before the disc.
                     CraftedIso iso = Primary({R::Dir("HUGE", 21, 0xFFFFF800u), R::Dir("AWAY", 5000), R::File("OK;1", 60, 1)});
                     iso.Directory(21, WithDots(21, 20, {R::File("IN;1", 60, 1)}));
                     iso.Raw(16, 80, {40, 0, 0, 0, 0, 0, 0, 40});
                     return iso;
                   },
                   "", TQuarnBurner::Unlimited, TQuarnBurner::Unlimited, "HUGE 0 16\n  IN. 1 0\nAWAY 0 16\nOK. 1 0\n",
                   "outside /HUGE @21\noutside /AWAY @5000\n",
                   [](ServedDisc& d) {
                     EXPECT_NE(d.qb.ImportProblems().All()[0].why.find("last sector 39"), std::string::npos);
                   }});
  return cases;
}

TEST(ImportProblems, EachCaseKeepsWhatItCanAndSaysWhatItCannot) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    ServedDisc disc;
    const CraftedIso iso = c.image();
    if (c.faults.empty()) {
      disc.Serve(iso);
    } else {
      iso.Write(disc.dir / "disc.iso");
      disc.ServeDescription("medium profile=CD-ROM\nsession number=1\ntrack number=1 type=data start=0 length=" +
                            std::to_string(iso.Sectors()) + " file=disc.iso\n" + c.faults);
    }
    disc.qb.ResetTree(c.maxFiles, c.maxDirs);
    ASSERT_TRUE(disc.qb.ImportSession(1));
    if (c.tree != "*") {
      EXPECT_EQ(DumpTree(disc.qb.Root()), c.tree);
    }
    EXPECT_EQ(DumpProblems(disc.qb.ImportProblems()), c.problems);
    if (c.check) c.check(disc);
    // A reset starts a new tree with no problems.
    disc.qb.ResetTree(1, 1);
    EXPECT_TRUE(disc.qb.ImportProblems().empty());
  }
}

TEST(ImportProblems, HostileDirectoriesCostNoMoreThanTheSessionHolds) {
  // A 1 MB image: 200 directories, each claiming 4 GiB and starting one sector after
  // the previous one, and each listing all of them again.
  constexpr std::uint32_t kDirs = 200;
  std::vector<R> all;
  for (std::uint32_t i = 0; i < kDirs; ++i) all.push_back(R::Dir("D" + std::to_string(i), 100 + i, 0xFFFFF800u));
  CraftedIso iso = Primary(all, 512);
  for (std::uint32_t i = 0; i < kDirs; ++i) iso.Directory(100 + i, WithDots(100 + i, 20, all));
  ServedDisc disc;
  disc.Serve(iso);
  const std::size_t before = disc.scope->Drive(0).CommandCount();
  ASSERT_TRUE(disc.qb.ImportSession(1));
  const std::size_t commands = disc.scope->Drive(0).CommandCount() - before;
  EXPECT_LT(commands, 1000u) << commands;
  EXPECT_FALSE(disc.qb.ImportProblems().empty());
  EXPECT_LT(disc.qb.FileCount(), 2u * kDirs * kDirs);
}

// A directory is read in runs of up to 31 sectors per READ(10); a run the drive
// refuses is read again sector by sector, so the sector reported is the one that
// cannot be read and the records before it are kept. Runs stop where the session ends.
TEST(ImportProblems, DirectoriesAreReadInRunsAndAFailedRunSectorBySector) {
  // A root of exactly 70 sectors (20..89): 43 files in its first sector, 44 in each other.
  std::vector<R> root;
  for (int i = 0; i < 43 + 69 * 44; ++i) root.push_back(R::File("F" + std::to_string(10000 + i) + ".TXT;1", 100, 1));
  ASSERT_EQ(CraftedIso::DirectoryLength(WithDots(20, 20, root)), 70u * 2048);
  const CraftedIso iso = Primary(root, 128);
  using Reads = std::vector<std::pair<std::uint32_t, std::uint32_t>>;  // (first sector, count)
  // Without a Joliet tree, the root's first sector is read once on its own first, to
  // see whether the primary tree carries POSIX entries.
  const Reads retry53{{20, 1}, {20, 31}, {51, 31}, {51, 1}, {52, 1}, {53, 1}};
  const Reads retry89{{20, 1}, {20, 31}, {51, 31}, {82, 8}, {82, 1}, {83, 1}, {84, 1}, {85, 1}, {86, 1}, {87, 1}, {88, 1}, {89, 1}};
  const struct {
    const char* name;
    std::uint32_t trackLength;
    std::string faults;
    Reads reads;  // READ(10) of directory sectors, in order
    std::size_t files;
    std::string problems;
  } cases[] = {
      {"Whole", 128, "", {{20, 1}, {20, 31}, {51, 31}, {82, 8}}, 43 + 69 * 44, ""},
      {"FaultInARun", 128, "fault read start=53\n", retry53, 43 + 32 * 44, "unreadable / @53\n"},
      {"FaultInTheLastShortRun", 128, "fault read start=89\n", retry89, 43 + 68 * 44, "unreadable / @89\n"},
      {"SessionEndsInside", 60, "", {{20, 1}, {20, 31}, {51, 9}}, 43 + 39 * 44, "outside / @20\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ServedDisc disc;
    iso.Write(disc.dir / "disc.iso");
    disc.ServeDescription("medium profile=CD-ROM\nsession number=1\ntrack number=1 type=data start=0 length=" +
                          std::to_string(c.trackLength) + " file=disc.iso\n" + c.faults);
    disc.scope->Drive(0).ClearLog();
    ASSERT_TRUE(disc.qb.ImportSession(1));
    Reads reads;
    for (const auto& cdb : disc.scope->Drive(0).CommandLog())
      if (cdb.at(0) == 0x28 && GetBE32(&cdb.at(2)) >= 20) reads.emplace_back(GetBE32(&cdb.at(2)), GetBE16(&cdb.at(7)));
    EXPECT_EQ(reads, c.reads);
    EXPECT_EQ(disc.qb.FileCount(), c.files);
    EXPECT_EQ(DumpProblems(disc.qb.ImportProblems()), c.problems);
  }
}

}  // namespace
}  // namespace tarnwick::test
