// UDF discs with several sessions and VAT generations, written at test time by
// tools/make-udf-disc.py (checked against udfinfo, udfclient and the kernel's UDF
// driver by tools/udf-crosscheck.sh), with what each generation holds.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tarnwick::test {

// One entry of a listing in the format of tools/udf-listing.sh.
struct UdfListingRow {
  char type = 'f';          // 'f' file, 'd' directory, 'l' symbolic link
  std::int64_t size = -1;   // files only
  std::int64_t mtime = 0;   // seconds since 1970, UTC
  std::string md5OrTarget;  // the md5 of a file's contents, a link's target, "-"
  std::string path;         // "/docs/a.txt"
  bool operator==(const UdfListingRow&) const = default;
};

struct UdfGeneration {
  int number = 0;  // 1 is the oldest VAT of the disc
  int session = 0;
  std::uint32_t sessionStart = 0;
  std::uint32_t vatBlock = 0;
  std::vector<UdfListingRow> live;     // what this generation shows
  std::vector<UdfListingRow> deleted;  // entries it marks deleted, their file entries intact
};

struct UdfDisc {
  std::filesystem::path image;        // flat: block n at byte n * 2048
  std::filesystem::path description;  // the disc description: one track a session
  std::vector<UdfGeneration> generations;
};

// Writes a disc into `dir` with the writer's options ({"--rev", "1.50"}, {"--hostile",
// "icb-loop"}, ...). Throws std::runtime_error with the writer's output when it fails.
UdfDisc MakeUdfDisc(const std::filesystem::path& dir, const std::vector<std::string>& options = {});

// A listing file; throws std::runtime_error on a malformed line.
std::vector<UdfListingRow> ReadUdfListing(const std::filesystem::path& file);

}  // namespace tarnwick::test
