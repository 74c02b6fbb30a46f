// Extraction from crafted images: byte-exact files of awkward sizes, read sizes,
// file times, and every way an extraction can fail leaving no partial file.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "iso/Dates.h"
#include "platform/ByteOrder.h"
#include "iso/LocalName.h"
#include "iso/ServedDisc.h"
#include "vdrive/VirtualDrive.h"
#include "support/TestFiles.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;
using R = CraftedRecord;

std::time_t LocalTime(int y, int mo, int d, int h, int mi, int s) {
  std::tm t{};
  t.tm_year = y - 1900;
  t.tm_mon = mo - 1;
  t.tm_mday = d;
  t.tm_hour = h;
  t.tm_min = mi;
  t.tm_sec = s;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

std::time_t ModTime(const fs::path& path) { return ModifiedTime(path); }

const std::vector<std::size_t> kSizes = {0, 1, 2047, 2048, 2049, 63488, 63489, 100000, 8 * 63488 + 1};

// One file per size (FILE<size>), laid out one after another from sector 40, plus
// a file kept in three extents out of order and two files with other dates.
struct ExtractDisc : ServedDisc {
  std::map<std::string, std::string> contents;
  std::uint32_t sectors = 0;

  explicit ExtractDisc(const std::string& descriptionExtra = "") {
    CraftedIso iso(40);
    iso.Descriptor(16, 1, 20, 2048);
    iso.Terminator(17);
    std::vector<R> records = {R::Dot(20, 2048), R::DotDot(20, 2048)};
    std::uint32_t lba = 40;
    for (std::size_t size : kSizes) {
      const std::string name = "FILE" + std::to_string(size);
      contents[name + "."] = test::PatternBytes(size, static_cast<unsigned>(size));
      iso.Data(lba, contents[name + "."]);
      records.push_back(R::File(name + ";1", lba, static_cast<std::uint32_t>(size)));
      lba += static_cast<std::uint32_t>(TQuarnBurner::SectorsFor(size)) + 1;
    }
    const std::string a = test::PatternBytes(4096, 1), b = test::PatternBytes(2048, 2), c = test::PatternBytes(777, 3);
    contents["SPLIT.BIN"] = a + b + c;
    iso.Data(lba + 10, a);
    iso.Data(lba, b);
    iso.Data(lba + 5, c);
    R p1 = R::File("SPLIT.BIN;1", lba + 10, 4096), p2 = R::File("SPLIT.BIN;1", lba, 2048),
      p3 = R::File("SPLIT.BIN;1", lba + 5, 777);
    p1.flags = p2.flags = 0x80;
    records.insert(records.end(), {p1, p2, p3});
    R old = R::File("OLD.TXT;1", lba + 20, 3), none = R::File("NODATE.TXT;1", lba + 20, 3);
    old.date = {70, 1, 1, 0, 0, 0, 0};
    none.date = {};
    iso.Data(lba + 20, "old");
    records.insert(records.end(), {old, none});
    iso.Directory(20, records);
    sectors = iso.Sectors();
    const std::string image = iso.Write(dir / "disc.iso");
    if (descriptionExtra.empty()) {
      Serve(image);
    } else {
      ServeDescription("image file=disc.iso\nsession number=1\ntrack type=data start=0 length=" +
                       std::to_string(sectors) + "\n" + descriptionExtra);
    }
    qb.ImportSession(1);
  }
  const TFEntry* Entry(const std::string& name) { return qb.FindFile(qb.Root(), name); }
  const TFEntry* Sized(std::size_t size) { return Entry("FILE" + std::to_string(size) + "."); }
};

TEST(Extract, FilesAreByteExactAndCarryTheirDate) {
  ExtractDisc disc;
  TempDir out;
  for (std::size_t size : kSizes) {
    const TFEntry* e = disc.Sized(size);
    ASSERT_NE(e, nullptr) << size;
    const std::string dest = LocalDestination(out.str(), e->LongName);
    ASSERT_TRUE(disc.qb.ExtractFile(e, dest)) << disc.qb.LastExtractError();
    EXPECT_EQ(test::ReadWholeFile(dest), disc.contents[e->LongName]) << size;
    EXPECT_EQ(ModTime(dest), LocalTime(2001, 6, 15, 12, 30, 44)) << size;
  }
  EXPECT_EQ(fs::path(LocalDestination(out.str(), "FILE0.")).filename(), "FILE0");
  EXPECT_TRUE(disc.Logged("1:>>> EXTRACTING FILE FILE1. TO " + LocalDestination(out.str(), "FILE1.")));

  ASSERT_TRUE(disc.qb.ExtractFile(disc.Entry("SPLIT.BIN"), (out / "split").string()));
  EXPECT_EQ(test::ReadWholeFile(out / "split"), disc.contents["SPLIT.BIN"]);

  ASSERT_TRUE(disc.qb.ExtractFile(disc.Entry("OLD.TXT"), (out / "old").string()));
  EXPECT_EQ(ModTime(out / "old"), LocalTime(1970, 1, 1, 0, 0, 0));
  const std::time_t before = std::time(nullptr);
  ASSERT_TRUE(disc.qb.ExtractFile(disc.Entry("NODATE.TXT"), (out / "nodate").string()));
  EXPECT_GE(ModTime(out / "nodate"), before - 1);  // left at the time of writing
}

TEST(Extract, ReadsAtMost31SectorsAndNoExtraSector) {
  ExtractDisc disc;
  TempDir out;
  auto counts = [&](std::size_t size) {
    disc.scope->Drive(0).ClearLog();
    EXPECT_TRUE(disc.qb.ExtractFile(disc.Sized(size), (out / "f").string()));
    std::vector<int> blocks;
    // Reads below sector 18 re-read the volume descriptor to check the disc.
    for (const auto& cdb : disc.scope->Drive(0).CommandLog())
      if (cdb.at(0) == 0x28 && GetBE32(&cdb.at(2)) >= 18) blocks.push_back(cdb.at(7) << 8 | cdb.at(8));
    return blocks;
  };
  EXPECT_EQ(counts(2048), std::vector<int>{1});
  EXPECT_EQ(counts(63489), (std::vector<int>{31, 1}));
  EXPECT_EQ(counts(100000), (std::vector<int>{31, 18}));
  EXPECT_EQ(counts(0), std::vector<int>{});
}

TEST(Extract, AnotherDiscInTheDriveIsRefusedBeforeAnythingIsWritten) {
  ExtractDisc disc;
  TempDir out;
  const std::string original = (disc.dir / "disc.iso").string();
  CraftedIso other(30);
  other.Descriptor(16, 1, 21, 2048);
  other.Terminator(17);
  other.Directory(21, {R::Dot(21, 2048), R::DotDot(21, 2048)});
  disc.Serve(other.Write(disc.dir / "other.iso"));

  std::ofstream(out / "f") << "mine";
  EXPECT_FALSE(disc.qb.ExtractFile(disc.Sized(2049), (out / "f").string()));
  EXPECT_EQ(disc.qb.LastExtractError(),
            "Cannot extract file FILE2049.: the disc in the drive has changed since its session was loaded; load the "
            "session again");
  EXPECT_EQ(test::ReadWholeFile(out / "f"), "mine");

  disc.Serve(original);  // the same disc again
  ASSERT_TRUE(disc.qb.ExtractFile(disc.Sized(2049), (out / "f").string())) << disc.qb.LastExtractError();
  EXPECT_EQ(test::ReadWholeFile(out / "f"), disc.contents["FILE2049."]);
}

// In a batch the disc is checked once, not before every file; a drive that reports a
// changed medium makes the next extraction check again, and another disc is refused.
TEST(Extract, OneDiscCheckPerBatchAndAgainAfterTheDriveReportsAChange) {
  ExtractDisc disc;
  TempDir out;
  auto descriptorReads = [&] {
    int reads = 0;
    for (const auto& cdb : disc.scope->Drive(0).CommandLog())
      if (cdb.at(0) == 0x28 && GetBE32(&cdb.at(2)) < 18) ++reads;
    return reads;
  };
  auto extract = [&](std::size_t size) { return disc.qb.ExtractFile(disc.Sized(size), (out / "f").string()); };
  {
    TExtractBatch batch(disc.qb);
    disc.scope->Drive(0).ClearLog();
    for (std::size_t size : kSizes) EXPECT_TRUE(extract(size)) << disc.qb.LastExtractError();
    EXPECT_EQ(descriptorReads(), 1);
  }
  disc.scope->Drive(0).ClearLog();
  EXPECT_TRUE(extract(1));
  EXPECT_TRUE(extract(2047));
  EXPECT_EQ(descriptorReads(), 2);  // outside a batch, every extraction checks

  TExtractBatch batch(disc.qb);
  EXPECT_TRUE(extract(1));
  // Another disc goes in; the drive reports the change at the next command.
  CraftedIso other(60);
  other.Descriptor(16, 1, 21, 2048);
  other.Terminator(17);
  other.Directory(21, {R::Dot(21, 2048), R::DotDot(21, 2048)});
  other.Write(disc.dir / "other.iso");
  disc.ServeDescription("medium changed=yes\nimage file=other.iso\nsession number=1\ntrack type=data start=0 length=" +
                        std::to_string(other.Sectors()) + "\n");
  // Its read meets the unit attention; the file is not filled from the other disc.
  EXPECT_FALSE(extract(2049));
  EXPECT_EQ(test::ReadWholeFile(out / "f"), disc.contents["FILE1."]);
  EXPECT_FALSE(extract(2049));
  EXPECT_NE(disc.qb.LastExtractError().find("the disc in the drive has changed"), std::string::npos)
      << disc.qb.LastExtractError();
}

TEST(Extract, ExistingFilesAndLinksAreReplaced) {
  ExtractDisc disc;
  TempDir out;
  const fs::path victim = out / "victim";
  std::ofstream(victim) << "keep me";
#if !defined(_WIN32)  // making symbolic links needs a privilege on Windows
  fs::create_symlink(victim, out / "link");
  ASSERT_TRUE(disc.qb.ExtractFile(disc.Sized(2049), (out / "link").string()));
  EXPECT_EQ(test::ReadWholeFile(victim), "keep me");
  EXPECT_FALSE(fs::is_symlink(out / "link"));
  EXPECT_EQ(test::ReadWholeFile(out / "link"), disc.contents["FILE2049."]);
#endif

  std::ofstream(out / "old") << std::string(300000, 'x');
  ASSERT_TRUE(disc.qb.ExtractFile(disc.Sized(1), (out / "old").string()));
  EXPECT_EQ(test::ReadWholeFile(out / "old"), disc.contents["FILE1."]);
}

TEST(Extract, FailuresLeaveNoPartialFile) {
  TempDir out;
  {
    std::uint32_t failing = 0;
    {
      ExtractDisc probe;  // where the file lies: the fault goes on its second read
      failing = probe.Sized(100000)->Extent + 31;
    }
    ExtractDisc disc("fault read start=" + std::to_string(failing) + " count=1\n");
    const fs::path dest = out / "big";
    EXPECT_FALSE(disc.qb.ExtractFile(disc.Sized(100000), dest.string()));
    EXPECT_FALSE(fs::exists(dest));
    EXPECT_FALSE(disc.qb.LastErrorText.empty());
    EXPECT_EQ(disc.qb.LastExtractError(),
              "Cannot read file FILE100000. at sector " + std::to_string(failing) + ": " + disc.qb.LastErrorText);
  }
  ExtractDisc disc;
  const std::string missing = (out / "no" / "such" / "dir" / "f").string();
  EXPECT_FALSE(disc.qb.ExtractFile(disc.Sized(1), missing));
  EXPECT_EQ(disc.qb.LastExtractError(), "Cannot create file " + missing + ": No such file or directory");
  fs::create_directory(out / "adir");
  EXPECT_FALSE(disc.qb.ExtractFile(disc.Sized(1), (out / "adir").string()));
  EXPECT_TRUE(fs::is_directory(out / "adir"));

  // Progress comes after every batch of eight transfer units handed to the file.
  constexpr std::uint64_t kBatch = 8 * 63488, kBatched = kBatch + 1;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
  auto stopAfterFirst = [&](std::uint64_t done, std::uint64_t total) {
    calls.emplace_back(done, total);
    return false;
  };
  EXPECT_FALSE(disc.qb.ExtractFile(disc.Sized(kBatched), (out / "stopped").string(), stopAfterFirst));
  EXPECT_FALSE(fs::exists(out / "stopped"));
  EXPECT_EQ(calls, (std::vector<std::pair<std::uint64_t, std::uint64_t>>{{kBatch, kBatched}}));
  EXPECT_EQ(disc.qb.LastExtractError(), "Extraction of FILE" + std::to_string(kBatched) + ". stopped");
  std::ofstream(out / "kept") << "mine";
  EXPECT_FALSE(disc.qb.ExtractFile(disc.Sized(kBatched), (out / "kept").string(), stopAfterFirst));
  EXPECT_EQ(test::ReadWholeFile(out / "kept"), "mine");

  calls.clear();
  auto keepGoing = [&](std::uint64_t done, std::uint64_t total) {
    calls.emplace_back(done, total);
    return true;
  };
  EXPECT_TRUE(disc.qb.ExtractFile(disc.Sized(kBatched), (out / "whole").string(), keepGoing));
  EXPECT_EQ(calls, (std::vector<std::pair<std::uint64_t, std::uint64_t>>{{kBatch, kBatched}, {kBatched, kBatched}}));
  EXPECT_EQ(disc.qb.LastExtractError(), "");
}

}  // namespace
}  // namespace tarnwick::test
