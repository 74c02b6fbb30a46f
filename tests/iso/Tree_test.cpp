// The directory tree: paths, lists, names, limits and the indexes behind the lookups.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "iso/Dates.h"
#include "iso/QuarnBurner.h"

namespace tarnwick {
namespace {

EntryInfo Info(const std::string& name, std::uint32_t attr = 0, std::uint64_t size = 0) {
  EntryInfo info;
  info.LongName = name;
  info.Attributes = attr;
  info.Size = size;
  info.DateTime = EncodeDateTime(2001, 2, 3, 4, 5, 6);
  return info;
}

std::vector<std::string> Names(const TDEntry* dir) {
  std::vector<std::string> names;
  for (const TFEntry* e = dir->Files; e; e = e->Next) names.push_back(e->LongName);
  return names;
}

struct Messages {
  explicit Messages(TQuarnBurner& qb) {
    qb.OnDebugMessage = [this](TSCSIDevice*, const std::string& text, std::uint8_t type) {
      lines.push_back(std::to_string(type) + ":" + text);
    };
  }
  std::vector<std::string> lines;
};

TEST(Tree, ResetLeavesOnlyTheRoot) {
  TQuarnBurner qb;
  qb.AddDir(qb.Root(), Info("Data", faDirectory));
  ASSERT_TRUE(qb.ResetTree(65535, 8191));
  EXPECT_EQ(qb.DirCount(), 1u);
  EXPECT_EQ(qb.FileCount(), 0u);
  TDEntry* root = qb.Root();
  EXPECT_EQ(root->ShortName, "CD_ROOT");
  EXPECT_EQ(root->LongName, "CD Root Directory");
  EXPECT_EQ(root->Path, "\\");
  EXPECT_EQ(root->Parent, root);
  EXPECT_EQ(root->Files, nullptr);
  EXPECT_EQ(qb.FindDir(""), root);
  EXPECT_EQ(qb.FindDir("\\"), root);
  EXPECT_EQ(qb.FindDir("\\DATA"), nullptr);
  // A limit of 0 directories still leaves the root.
  qb.ResetTree(0, 0);
  EXPECT_NE(qb.Root(), nullptr);
}

TEST(Tree, DirectoriesArePathsInUpperCase) {
  TQuarnBurner qb;
  TDEntry* data = qb.AddDir(qb.Root(), Info("Data", faDirectory));
  TDEntry* docs = qb.AddDir(data, Info("Docs", faDirectory));
  ASSERT_NE(docs, nullptr);
  EXPECT_EQ(data->Path, "\\DATA");
  EXPECT_EQ(docs->Path, "\\DATA\\DOCS");
  EXPECT_EQ(docs->Parent, data);
  EXPECT_EQ(qb.DirPath(qb.Root()), "");
  EXPECT_EQ(qb.FindDir("\\data\\docs\\"), docs);
  EXPECT_EQ(qb.FindDir("\\data\\docs\\\\"), nullptr);  // only one separator is dropped
  // The same path again gives the first directory and adds nothing.
  EXPECT_EQ(qb.AddDir(qb.Root(), Info("DATA", faDirectory)), data);
  EXPECT_EQ(qb.DirCount(), 3u);
  EXPECT_EQ(qb.FileCount(), 2u);
  const TFEntry* entry = qb.Root()->Files;
  EXPECT_EQ(entry->Dir, data);
  EXPECT_EQ(entry->Attr, faDirectory);
  EXPECT_EQ(entry->Size, 0);
  EXPECT_EQ(entry->ShortName, "DATA");
}

TEST(Tree, FilesKeepOrderAndFirstOfAName) {
  TQuarnBurner qb;
  TDEntry* root = qb.Root();
  EXPECT_TRUE(qb.AddFile(root, Info("b.txt", 0, 10), 0, 100, ""));
  EXPECT_TRUE(qb.AddFile(root, Info("README"), 0, 0, ""));
  qb.AddDir(root, Info("README", faDirectory));  // a directory keeps its name
  EXPECT_TRUE(qb.AddFile(root, Info("a.txt", 0, 20), 0, 200, ""));
  EXPECT_FALSE(qb.AddFile(root, Info("B.TXT", 0, 99), 0, 300, ""));
  EXPECT_EQ(Names(root), (std::vector<std::string>{"b.txt", "README.", "README", "a.txt"}));

  const TFEntry* b = qb.FindFile(root, "B.txt");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->Size, 10);
  EXPECT_EQ(b->Extent, 100u);
  EXPECT_EQ(b->OnDisc, 1);
  EXPECT_EQ(b->ShortName, "B.TXT");
  EXPECT_EQ(qb.FindFile(root, "readme.")->ShortName, "README.");
  EXPECT_EQ(qb.FindFile(root, "readme.")->OnDisc, 0);
  EXPECT_EQ(qb.FindFile(root, "missing"), nullptr);

  qb.ReplaceFile = true;
  EXPECT_TRUE(qb.AddFile(root, Info("B.TXT", 0, 99), 0, 300, ""));
  EXPECT_EQ(Names(root), (std::vector<std::string>{"B.TXT", "README.", "README", "a.txt"}));
  EXPECT_EQ(qb.FindFile(root, "b.txt")->Size, 99);
  // The tail still points at the real end after a replacement.
  EXPECT_TRUE(qb.AddFile(root, Info("c.txt"), 0, 0, ""));
  EXPECT_EQ(Names(root).back(), "c.txt");

  // An import looks no names up; the first look-up in a directory finds the first of
  // equal names, and entries imported after it are found too.
  TDEntry* sub = qb.ImportDir(root, Info("SUB", faDirectory));
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(sub->Path, "\\SUB");
  EXPECT_EQ(qb.ImportDir(sub, Info("Deep", faDirectory))->Path, "\\SUB\\DEEP");
  EXPECT_EQ(qb.ImportFile(sub, Info("x.txt", 0, 1), {}), TQuarnBurner::TImportResult::Added);
  EXPECT_EQ(qb.ImportFile(sub, Info("X.TXT", 0, 2), {}), TQuarnBurner::TImportResult::Added);
  EXPECT_EQ(qb.FindFile(sub, "X.txt")->Size, 1);
  EXPECT_EQ(qb.ImportFile(sub, Info("late.txt"), {}), TQuarnBurner::TImportResult::Added);
  EXPECT_EQ(qb.FindFile(sub, "LATE.TXT")->LongName, "late.txt");
  EXPECT_EQ(qb.FindFile(sub, "deep")->Dir->Path, "\\SUB\\DEEP");
}

TEST(Tree, LongNameLimitCountsCharacters) {
  TQuarnBurner qb;
  const std::string stem(125, 'x');
  EXPECT_TRUE(qb.AddFile(qb.Root(), Info(stem + ".t"), 0, 0, ""));   // 127 with a dot
  EXPECT_FALSE(qb.AddFile(qb.Root(), Info(stem + "yz"), 0, 0, ""));  // 127 + "." = 128
  std::string umlauts;
  for (int i = 0; i < 126; ++i) umlauts += "\xC3\xA4";  // 126 characters, 252 bytes
  EXPECT_TRUE(qb.AddFile(qb.Root(), Info(umlauts), 0, 0, ""));
  EXPECT_EQ(qb.FileCount(), 2u);
}

TEST(Tree, AddFileEventMayRenameAndSkip) {
  TQuarnBurner qb;
  std::vector<std::string> seen;
  qb.OnAddFile = [&](TQuarnBurner*, const std::string& source, std::string& longName, std::string& shortName,
                     double&, std::uint32_t, std::int64_t size, bool& skip) {
    seen.push_back(source + "|" + longName + "|" + std::to_string(size));
    if (longName == "skip.me") skip = true;
    if (longName == "old.txt") {
      longName = "new.txt";
      shortName = "new.txt";
    }
  };
  EXPECT_FALSE(qb.AddFile(qb.Root(), Info("skip.me", 0, 5), 0, 0, "/src/skip.me"));
  EXPECT_TRUE(qb.AddFile(qb.Root(), Info("old.txt", 0, 7), 0, 0, "/src/old.txt"));
  EXPECT_EQ(seen, (std::vector<std::string>{"/src/skip.me|skip.me|5", "/src/old.txt|old.txt|7"}));
  EXPECT_EQ(qb.FindFile(qb.Root(), "old.txt"), nullptr);
  ASSERT_NE(qb.FindFile(qb.Root(), "NEW.TXT"), nullptr);
  EXPECT_EQ(qb.FindFile(qb.Root(), "NEW.TXT")->ShortName, "NEW.TXT");
  EXPECT_EQ(qb.FindFile(qb.Root(), "NEW.TXT")->SourcePath, "/src/old.txt");
}

TEST(Tree, LimitsSendTheirMessages) {
  TQuarnBurner qb;
  Messages log(qb);
  for (int i = 1; i < 8191; ++i) ASSERT_NE(qb.AddDir(qb.Root(), Info("D" + std::to_string(i), faDirectory)), nullptr);
  EXPECT_TRUE(log.lines.empty());
  EXPECT_EQ(qb.AddDir(qb.Root(), Info("ONE_MORE", faDirectory)), nullptr);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"3:>>> MAXIMUM DIRECTORIES CAN BE 8191"}));
  // Every directory is still found by its path, and by name in the root's list.
  EXPECT_EQ(qb.FindDir("\\d4711")->LongName, "D4711");
  EXPECT_EQ(qb.FindFile(qb.Root(), "d8190")->Dir->Path, "\\D8190");

  qb.ResetTree(2, 10);
  log.lines.clear();
  EXPECT_TRUE(qb.AddFile(qb.Root(), Info("a"), 0, 0, ""));
  EXPECT_NE(qb.AddDir(qb.Root(), Info("d", faDirectory)), nullptr);
  EXPECT_FALSE(qb.AddFile(qb.Root(), Info("c"), 0, 0, ""));
  EXPECT_EQ(qb.AddDir(qb.Root(), Info("e", faDirectory)), nullptr);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"3:MAXIMUM FILES CAN BE 2", "3:MAXIMUM FILES CAN BE 2"}));
  EXPECT_EQ(Names(qb.Root()), (std::vector<std::string>{"a.", "d"}));
}

TEST(Tree, ShortNamesAndSectors) {
  EntryInfo info;
  info.LongName = "read me first.txt";
  TQuarnBurner::MakeShortName(info);
  EXPECT_STREQ(info.ShortName, "READ_ME_FIRST");
  info.LongName = "\xC3\xA4{x}~";
  TQuarnBurner::MakeShortName(info);
  EXPECT_STREQ(info.ShortName, "__X__");  // one "_" per character, not per byte
  EXPECT_EQ(info.ShortName[13], 0);

  EXPECT_EQ(TQuarnBurner::SectorsFor(0), 0u);
  EXPECT_EQ(TQuarnBurner::SectorsFor(1), 1u);
  EXPECT_EQ(TQuarnBurner::SectorsFor(2048), 1u);
  EXPECT_EQ(TQuarnBurner::SectorsFor(2049), 2u);
  EXPECT_EQ(TQuarnBurner::SectorsFor(4294967296ull + 1), 2097153u);
}

TEST(Dates, CalendarValuesAndTheirPackedForm) {
  // 1 January 1900 is day 2; times are fractions, seconds rounded down to even.
  EXPECT_DOUBLE_EQ(EncodeDateTime(1900, 1, 1, 0, 0, 0), 2.0);
  EXPECT_DOUBLE_EQ(EncodeDateTime(1970, 1, 1, 12, 0, 1), 25569.5);
  EXPECT_FALSE(IsDate(EncodeDateTime(2001, 0, 0, 0, 0, 0)));
  EXPECT_FALSE(IsDate(EncodeDateTime(2001, 2, 29, 0, 0, 0)));
  EXPECT_FALSE(IsDate(EncodeDateTime(2000, 1, 1, 24, 0, 0)));
  EXPECT_TRUE(IsDate(EncodeDateTime(2000, 2, 29, 23, 59, 59)));

  const double d = EncodeDateTime(2024, 7, 31, 23, 59, 59);
  platform::LocalDateTime t;
  ASSERT_TRUE(DecodeDateTime(d, t));
  EXPECT_EQ(std::vector<int>({t.year, t.month, t.day, t.hour, t.minute, t.second}),
            std::vector<int>({2024, 7, 31, 23, 59, 58}));
  const std::uint32_t packed = PackDosDateTime(d);
  EXPECT_EQ(packed, (44u * 512 + 7 * 32 + 31) << 16 | (23u * 2048 + 59 * 32 + 29));
  EXPECT_DOUBLE_EQ(UnpackDosDateTime(packed), d);

  EXPECT_EQ(PackDosDateTime(EncodeDateTime(1979, 12, 31, 0, 0, 0)), 0u);
  EXPECT_EQ(PackDosDateTime(EncodeDateTime(2108, 1, 1, 0, 0, 0)), 0u);
  EXPECT_NE(PackDosDateTime(EncodeDateTime(2107, 12, 31, 0, 0, 0)), 0u);
  EXPECT_FALSE(IsDate(UnpackDosDateTime(0)));
}

TEST(Dates, EntriesKeepDatesOutsideThePackedRange) {
  TQuarnBurner qb;
  EntryInfo old = Info("old.txt");
  old.DateTime = EncodeDateTime(1970, 1, 1, 0, 0, 0);
  EntryInfo none = Info("none.txt");
  none.DateTime = NoDate;  // and TimeStamp 0
  EntryInfo packed = Info("packed.txt");
  packed.DateTime = NoDate;
  packed.TimeStamp = PackDosDateTime(EncodeDateTime(1999, 12, 31, 1, 2, 4));
  ASSERT_TRUE(qb.AddFile(qb.Root(), old, 0, 0, ""));
  ASSERT_TRUE(qb.AddFile(qb.Root(), none, 0, 0, ""));
  ASSERT_TRUE(qb.AddFile(qb.Root(), packed, 0, 0, ""));
  EXPECT_DOUBLE_EQ(qb.FindFile(qb.Root(), "old.txt")->DateTime, 25569.0);
  EXPECT_FALSE(qb.FindFile(qb.Root(), "none.txt")->HasDate());
  EXPECT_DOUBLE_EQ(qb.FindFile(qb.Root(), "packed.txt")->DateTime, EncodeDateTime(1999, 12, 31, 1, 2, 4));
}

}  // namespace
}  // namespace tarnwick
