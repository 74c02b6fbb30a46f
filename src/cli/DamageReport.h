// What became of every file a command read: one line on standard error for each file
// that lacks data, totals, and the whole as a JSON document (--report FILE).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "iso/RecoveringRead.h"

namespace tarnwick::cli {

// The read policy and report options that extract, cat and check share.
struct RecoveryOptions {
  TReadPolicy policy;
  double timeLimitSeconds = 0;  // 0: none
  std::string reportPath;
  // The policy with the time limit turned into a deadline from now.
  TReadPolicy Started() const;
};

class TDamageReport {
 public:
  explicit TDamageReport(std::ostream& err) : err_(err) {}

  // Records a file's outcome; a damaged file gets its line on standard error.
  void Add(const std::string& path, std::uint64_t size, const TFileDamage& damage);
  // Writes the JSON document; false (with a message) when the file cannot be written.
  bool Write(const std::string& path) const;
  // "checked 12 files: 10 ok, 1 damaged (3 bad sectors), 1 unreadable, 0 skipped"
  std::string Totals(const std::string& verb) const;

  bool AnyDamaged() const { return counts_[1] != 0; }
  bool AnyLost() const { return counts_[2] + counts_[3] != 0; }
  std::uint64_t BadSectors() const { return badSectors_; }

 private:
  struct File {
    std::string path;
    std::uint64_t size;
    TFileStatus status;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> bad;
  };
  std::ostream& err_;
  std::vector<File> files_;
  std::uint64_t counts_[4] = {};
  std::uint64_t badSectors_ = 0;
};

}  // namespace tarnwick::cli
