// tarnwick-cli and what an import could not read: it prints what it could, then one
// line per kind of problem on standard error, and fails; trees of any size list whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>

#include "CliRun.h"
#include "support/CraftedIso.h"
#include "support/IsoMaker.h"

// AddressSanitizer reserves more address space than any limit a test could set.
#if defined(__SANITIZE_ADDRESS__)
#define TW_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TW_ADDRESS_SANITIZER 1
#endif
#endif

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;
using R = CraftedRecord;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::size_t Lines(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

std::uintmax_t BytesUnder(const fs::path& dir) {
  std::uintmax_t total = 0;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file()) total += e.file_size();
  return total;
}

struct Case {
  const char* name;
  std::function<CraftedIso()> image;
  std::string faults;              // description lines; empty: the bare image is served
  std::vector<std::string> args;   // "{to}" stands for a fresh target directory
  int status;
  std::vector<std::string> out;    // parts standard output holds
  std::vector<std::string> err;    // parts standard error holds, one line each
  std::uintmax_t maxWritten = 0;   // bytes the target may receive at most
  std::size_t errLines = 1;        // lines standard error holds when `err` is not empty
  unsigned addressSpaceMb = 0;     // the address space the tool may use; 0: no limit
};

TEST(CliImportProblems, WhatCouldNotBeReadIsSaidOnceAndFails) {
  const auto unreadableSub = [] {
    CraftedIso iso(40);
    iso.Descriptor(16, 1, 20, 2048);
    iso.Terminator(17);
    iso.Directory(20, WithDots(20, 20, {R::File("A.TXT;1", 30, 3), R::Dir("SUB", 21), R::File("Z.TXT;1", 30, 3)}));
    iso.Directory(21, WithDots(21, 20, {R::File("B.TXT;1", 30, 3)}));
    return iso;
  };
  const std::vector<Case> cases = {
      {"Sound",
       [] {
         CraftedIso iso(40);
         iso.Descriptor(16, 1, 20, 2048);
         iso.Terminator(17);
         iso.Directory(20, WithDots(20, 20, {R::File("A.TXT;1", 30, 3), R::Dir("SUB", 21)}));
         iso.Directory(21, WithDots(21, 20, {R::File("B.TXT;1", 30, 3)}));
         return iso;
       },
       "", {"ls", "-R"}, 0, {"A.TXT", "/SUB:", "B.TXT"}, {}},
      {"UnreadableDirectory", unreadableSub, "fault read start=21 count=1 sense=03/11/00\n", {"ls", "-R"}, 1,
       {"A.TXT", "/SUB:", "Z.TXT"},
       {"1 directory could not be read whole, so some of what it holds is missing: /SUB (sector 21: ", "UNRECOVERED READ ERROR"}},
      // A file the lost sector held is not said to be missing from the disc.
      {"FileInAnUnreadableDirectory", unreadableSub, "fault read start=21 count=1 sense=03/11/00\n",
       {"cat", "SUB/B.TXT"}, 1, {},
       {"tarnwick-cli: cannot read file in session 1: SUB/B.TXT (the disc's directory /SUB could not be read whole)",
        "1 directory could not be read whole"}, 0, 2},
      {"FileMissingElsewhere", unreadableSub, "fault read start=21 count=1 sense=03/11/00\n", {"cat", "NOPE.TXT"}, 1,
       {}, {"tarnwick-cli: no such file in session 1: NOPE.TXT", "1 directory could not be read whole"}, 0, 2},
      {"ManyRecordsLeftOutAreOneLine",
       [] {
         std::vector<R> records;
         for (int i = 0; i < 300; ++i) records.push_back(R::File(";1", 30, 1));
         records.push_back(R::File("KEPT.TXT;1", 30, 4));
         CraftedIso iso(40);
         const std::vector<R> root = WithDots(20, 20, records);
         iso.Descriptor(16, 1, 20, CraftedIso::DirectoryLength(root));
         iso.Terminator(17);
         iso.Directory(20, root);
         return iso;
       },
       "", {"ls"}, 1, {"KEPT.TXT"},
       {"300 entries are damaged on the disc and left out: / (sector 20: a record whose name is empty); "
        "/ (sector 20: a record whose name is empty); / (sector 20: a record whose name is empty); and 297 more"}},
      {"SharedDirectoriesAreExtractedOnce",
       [] {
         // Ten levels, each naming the next one eight times, each level with a file of
         // the whole image: walking every reference would write 8^10 copies.
         constexpr std::uint32_t kLevels = 10;
         CraftedIso iso(68);
         iso.Descriptor(16, 1, 20, 2048);
         iso.Terminator(17);
         for (std::uint32_t level = 0; level < kLevels; ++level) {
           std::vector<R> records{R::File("ALL.BIN;1", 0, 68 * 2048)};
           for (int copy = 0; copy < 8 && level + 1 < kLevels; ++copy)
             records.push_back(R::Dir("D" + std::to_string(copy), 21 + level));
           iso.Directory(20 + level, WithDots(20 + level, level ? 19 + level : 20, records));
         }
         return iso;
       },
       "", {"extract", "-R", "--to", "{to}", "/"}, 1, {"ALL.BIN"},
       {"63 directories run into the sectors of another directory, which are not read twice: "
        "/D0/D0/D0/D0/D0/D0/D0/D0/D1 (sector 29: "}, 20 * 68 * 2048},
      // 60000 records of 100-character names need about 50 MB; a disc of one file
      // lists in 8 MB. Running out is a message and a failure, not an abort.
      {"OutOfMemory",
       [] {
         std::vector<R> records;
         for (int i = 0; i < 60000; ++i) {
           char number[8];
           std::snprintf(number, sizeof number, "F%05d", i);
           records.push_back(R::File(number + std::string(90, 'N') + ".TXT;1", 18, 0));
         }
         CraftedIso iso(40);
         const std::vector<R> root = WithDots(20, 20, records);
         iso.Descriptor(16, 1, 20, CraftedIso::DirectoryLength(root));
         iso.Terminator(17);
         iso.Directory(20, root);
         return iso;
       },
       "", {"ls"}, 1, {}, {"out of memory: the disc's records need more memory than the system gives"}, 0, 1, 24},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    TempDir target;
    const CraftedIso iso = c.image();
    std::string served = iso.Write(dir / "disc.iso");
    if (!c.faults.empty()) {
      served = (dir / "disc.desc").string();
      std::ofstream(served) << "medium profile=CD-ROM\nsession number=1\ntrack number=1 type=data start=0 length="
                            << iso.Sectors() << " file=disc.iso\n"
                            << c.faults;
    }
    std::vector<std::string> args{"--image", served};
    for (const std::string& a : c.args) args.push_back(a == "{to}" ? target.str() : a);
    CliResult r;
    if (c.addressSpaceMb == 0) {
      r = RunCli(args);
    } else {
#if defined(_WIN32) || defined(TW_ADDRESS_SANITIZER)
      continue;  // no address-space limit on Windows; none AddressSanitizer runs under
#else
      args.insert(args.begin(), {"sh", "-c", "ulimit -v " + std::to_string(c.addressSpaceMb * 1024) + " && exec \"$0\" \"$@\"",
                                 TARNWICK_CLI_PATH});
      r = RunCaptured(args);
#endif
    }
    EXPECT_EQ(r.status, c.status) << r.err;
    for (const std::string& part : c.out) EXPECT_TRUE(Contains(r.out, part)) << part << " in\n" << r.out;
    EXPECT_EQ(Lines(r.err), c.err.empty() ? 0u : c.errLines) << r.err;
    for (const std::string& part : c.err) EXPECT_TRUE(Contains(r.err, part)) << part << " in\n" << r.err;
    if (c.maxWritten) {
      EXPECT_LE(BytesUnder(target.path()), c.maxWritten);
    }
  }
}

TEST(CliImportProblems, SeventyThousandFilesInNineThousandDirectoriesListWhole) {
  // 90 directories of 100 each (9090 directories), 70000 files spread over the
  // deepest ones: more than the window's tree holds. Every entry is grafted from one
  // empty file or directory, so that no tree of 79090 files has to be written first.
  constexpr int kTop = 90, kSub = 100, kFiles = 70000;
  TempDir dir;
  fs::create_directory(dir / "emptydir");
  std::ofstream(dir / "empty").close();
  {
    std::ofstream paths(dir / "paths", std::ios::binary);  // no "\r" before newlines on Windows
    char line[64];
    for (int n = 0; n < kTop * kSub; ++n) {
      std::snprintf(line, sizeof line, "D%02d/S%03d/=emptydir\n", n / kSub, n % kSub);
      paths << line;
    }
    for (int f = 0; f < kFiles; ++f) {
      const int n = f % (kTop * kSub);
      std::snprintf(line, sizeof line, "D%02d/S%03d/F%05d.TXT=empty\n", n / kSub, n % kSub, f);
      paths << line;
    }
  }
  const fs::path image = dir / "many.iso";
  ASSERT_EQ(RunCaptured({"sh", "-c",
                         "cd '" + HostToolPath(dir.path()) + "' && genisoimage -quiet -graft-points -path-list paths -o many.iso"})
                .status,
            0);

  const CliResult r = RunCli({"--image", image.string(), "ls", "-R"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  std::size_t files = 0, dirs = 0;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);) {
    if (Contains(line, "< DIR >")) ++dirs;
    if (Contains(line, ".TXT  ")) ++files;
  }
  EXPECT_EQ(files, static_cast<std::size_t>(kFiles));
  EXPECT_EQ(dirs, static_cast<std::size_t>(kTop + kTop * kSub));
}

}  // namespace
}  // namespace tarnwick::test

namespace tarnwick::test {
namespace {

// One DVD+R session of a crafted image whose blocks lie at `start` on the disc: a
// root with one file holding `text`.
CraftedIso SessionAt(std::uint32_t start, const std::string& name, const std::string& text) {
  CraftedIso iso(40);
  iso.Descriptor(16, 1, start + 20, 2048);
  iso.Raw(16, 80, std::vector<std::uint8_t>{static_cast<std::uint8_t>((start + 40) & 0xFF),
                                            static_cast<std::uint8_t>(((start + 40) >> 8) & 0xFF),
                                            static_cast<std::uint8_t>(((start + 40) >> 16) & 0xFF), 0});
  iso.Terminator(17);
  iso.Directory(20, WithDots(start + 20, start + 20, {R::File(name + ";1", start + 30, static_cast<std::uint32_t>(text.size()))}));
  iso.Data(30, text);
  return iso;
}

TEST(CliShow, SessionsAnywhereOnADvdAndListingsThatFail) {
  TempDir dir;
  SessionAt(0, "EARLY.TXT", "early").Write(dir / "s1.iso");
  SessionAt(1200000, "LATE.TXT", "late").Write(dir / "s2.iso");
  const std::string dvd =
      "medium profile=DVD+R\ndisc status=incomplete\nsession number=1\n"
      "track number=1 type=data start=0 length=40 file=s1.iso\nsession number=2\n"
      "track number=2 type=data start=1200000 length=40 file=s2.iso\n";
  struct ShowCase {
    const char* name;
    std::string description;
    std::vector<std::string> args;
    int status;
    std::vector<std::string> out;
    std::string err;  // a part of standard error; empty: nothing there
  };
  const std::vector<ShowCase> cases = {
      // Past 255:59:74 (block 1151849) the start keeps its layout with its own minutes.
      {"LateDvdSession", dvd, {"show"}, 0, {"   001 000:02:00    0 MB", "   002 266:42:00    0 MB"}, ""},
      {"LateDvdSessionImports", dvd, {"cat", "--session", "2", "LATE.TXT"}, 0, {"late"}, ""},
      {"TableOfContentsRefused", dvd + "fault command=43\n", {"show"}, 1, {" Free  ", "Medium  : DVD+R"},
       "the sessions could not be listed"},
      {"Blank", "medium profile=CD-R\n", {"show"}, 0, {" Free  "}, ""},
  };
  for (const ShowCase& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path description = dir / "disc.desc";
    std::ofstream(description) << c.description;
    std::vector<std::string> args{"--image", description.string()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, c.status) << r.out << r.err;
    for (const std::string& part : c.out) EXPECT_TRUE(Contains(r.out, part)) << part << " in\n" << r.out;
    if (c.err.empty()) {
      EXPECT_EQ(r.err, "");
    } else {
      EXPECT_TRUE(Contains(r.err, c.err)) << r.err;
    }
  }
}

}  // namespace
}  // namespace tarnwick::test
