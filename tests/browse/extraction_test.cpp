// Extracting a selection: names that meet locally, directory dates, and what becomes
// of files that exist.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>

#include "browse/Extraction.h"
#include "browse/WindowCommands.h"
#include "iso/ServedDisc.h"
#include "platform/ByteOrder.h"
#include "vdrive/VirtualDrive.h"
#include "support/TestFiles.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;
using R = CraftedRecord;

// The root holds "DATA.;1" and "DATA;1", whose local names are both "DATA", and the
// directory SUB with X.TXT; every record dated 2001-06-15 12:30:44.
struct CollidingDisc : ServedDisc {
  CollidingDisc() {
    CraftedIso iso(44);
    iso.Descriptor(16, 1, 20, 2048);
    iso.Terminator(17);
    iso.Data(40, "first");
    iso.Data(41, "second");
    iso.Data(42, "xyz");
    iso.Directory(20, {R::Dot(20, 2048), R::DotDot(20, 2048), R::File("DATA.;1", 40, 5), R::File("DATA;1", 41, 6),
                       R::Dir("SUB", 21)});
    iso.Directory(21, {R::Dot(21, 2048), R::DotDot(20, 2048), R::File("X.TXT;1", 42, 3)});
    Serve(iso.Write(dir / "disc.iso"));
    qb.ImportSession(1);
  }
  std::vector<const TFEntry*> RootEntries() {
    std::vector<const TFEntry*> entries;
    for (const TFEntry* e = qb.Root()->Files; e != nullptr; e = e->Next) entries.push_back(e);
    return entries;
  }
};

TEST(Extraction, LocalNamesThatMeetAreNumberedDirectoriesKeepTheirDateExistingFilesFollowThePolicy) {
  CollidingDisc disc;
  TempDir out;
  const std::vector<const TFEntry*> entries = disc.RootEntries();
  ASSERT_EQ(entries.size(), 3u);

  TExtraction first(disc.qb, TExistingFiles::Ask);
  int asked = 0;
  first.onExisting = [&](const std::string&) {
    ++asked;
    return TOverwriteAnswer::Cancel;
  };
  disc.scope->Drive(0).ClearLog();
  const TExtractionOutcome written = first.Run(entries, out.str());
  int descriptorReads = 0;  // the disc is checked once for the selection, not per file
  for (const auto& cdb : disc.scope->Drive(0).CommandLog())
    if (cdb.at(0) == 0x28 && GetBE32(&cdb.at(2)) == 16) ++descriptorReads;
  EXPECT_EQ(descriptorReads, 1);
  EXPECT_EQ(asked, 0);  // nothing existed: the second DATA is not the first one's
  EXPECT_TRUE(written.errors.empty()) << ErrorsText(written.errors);
  EXPECT_EQ(written.written.size(), 3u);
  EXPECT_EQ(ReadWholeFile(out / "DATA"), "first");
  EXPECT_EQ(ReadWholeFile(out / "DATA~2"), "second");
  EXPECT_EQ(ReadWholeFile(out / "SUB" / "X.TXT"), "xyz");
  std::tm t{};
  t.tm_year = 101, t.tm_mon = 5, t.tm_mday = 15, t.tm_hour = 12, t.tm_min = 30, t.tm_sec = 44, t.tm_isdst = -1;
  EXPECT_EQ(ModifiedTime(out / "SUB"), std::mktime(&t));
  EXPECT_EQ(ExtractionSummary(written, out.str()), "Wrote 3 files to " + out.str());

  std::ofstream(out / "DATA", std::ios::binary) << "mine";
  const struct {
    TExistingFiles policy;
    std::size_t written, kept, replaced;
    const char* data;
  } cases[] = {{TExistingFiles::Keep, 0, 3, 0, "mine"}, {TExistingFiles::Replace, 3, 0, 3, "first"}};
  for (const auto& c : cases) {
    TExtraction again(disc.qb, c.policy);
    const TExtractionOutcome outcome = again.Run(entries, out.str());
    EXPECT_EQ(outcome.written.size(), c.written);
    EXPECT_EQ(outcome.kept.size(), c.kept);
    EXPECT_EQ(outcome.replaced.size(), c.replaced);
    EXPECT_EQ(ReadWholeFile(out / "DATA"), c.data);
    EXPECT_EQ(ReadWholeFile(out / "DATA~2"), "second");
  }
}

// Memory running out during an extraction ends it with the message first among the
// errors; the files written before stay, and no temporary file is left of the one
// being written (the progress comes after each write to it).
TEST(Extraction, RunningOutOfMemoryEndsTheExtractionAndRemovesItsTemporaryFile) {
  CollidingDisc disc;
  const struct {
    int call;  // the progress call that finds memory gone: one per file here
    std::size_t written;
  } cases[] = {{1, 0}, {3, 2}};
  for (const auto& c : cases) {
    TempDir out;
    TExtraction extraction(disc.qb, TExistingFiles::Ask);
    int calls = 0;
    extraction.onProgress = [&](const TExtractionStep& step) {
      if (++calls == c.call && step.fileDone > 0) throw std::bad_alloc();
      return true;
    };
    const TExtractionOutcome outcome = extraction.Run(disc.RootEntries(), out.str());
    EXPECT_EQ(outcome.errors, std::vector<std::string>{kExtractionOutOfMemoryText});
    EXPECT_EQ(outcome.written.size(), c.written) << c.call;
    std::size_t files = 0;
    for (const auto& item : fs::recursive_directory_iterator(out.path())) files += item.is_regular_file();
    EXPECT_EQ(files, c.written) << c.call;
  }
  TempDir out;  // the disc and its tree serve the next extraction as before
  EXPECT_EQ(TExtraction(disc.qb, TExistingFiles::Ask).Run(disc.RootEntries(), out.str()).written.size(), 3u);
}

// Memory running out during an import ends it with a message for a message box and
// a tree the window can show: the root alone, with nothing half-added.
TEST(Extraction, AnImportThatRunsOutOfMemoryLeavesTheRootAlone) {
  CollidingDisc disc;
  disc.qb.OnDebugMessage = [](TSCSIDevice*, const std::string&, std::uint8_t) { throw std::bad_alloc(); };
  EXPECT_EQ(ImportIntoFreshTree(disc.qb, 1), kOutOfMemoryText);
  EXPECT_EQ(disc.qb.Root()->Files, nullptr);
  disc.qb.OnDebugMessage = nullptr;
  EXPECT_EQ(ImportIntoFreshTree(disc.qb, 1), "");
  EXPECT_EQ(disc.RootEntries().size(), 3u);
}

}  // namespace
}  // namespace tarnwick::test
