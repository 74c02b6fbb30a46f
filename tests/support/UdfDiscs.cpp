#include "support/UdfDiscs.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "support/IsoMaker.h"

namespace tarnwick::test {

namespace fs = std::filesystem;

std::vector<UdfListingRow> ReadUdfListing(const fs::path& file) {
  std::ifstream in(file);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  std::vector<UdfListingRow> rows;
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> cols;
    std::istringstream fields(line);
    for (std::string col; std::getline(fields, col, '\t');) cols.push_back(col);
    if (cols.size() != 5 || cols[0].size() != 1) throw std::runtime_error(file.string() + ": bad line: " + line);
    UdfListingRow row;
    row.type = cols[0][0];
    row.size = cols[1] == "-" ? -1 : std::stoll(cols[1]);
    row.mtime = std::stoll(cols[2]);
    row.md5OrTarget = cols[3];
    row.path = cols[4];
    rows.push_back(std::move(row));
  }
  return rows;
}

UdfDisc MakeUdfDisc(const fs::path& dir, const std::vector<std::string>& options) {
  std::vector<std::string> argv{"/usr/bin/python3", TARNWICK_SOURCE_DIR "/tools/make-udf-disc.py"};
  argv.insert(argv.end(), options.begin(), options.end());
  argv.push_back(HostToolPath(dir));
  const fs::path log = dir.string() + ".log";
  if (RunProgram(argv, log) != 0) {
    std::ifstream text(log);
    throw std::runtime_error("make-udf-disc.py failed: " + std::string(std::istreambuf_iterator<char>(text), {}));
  }
  UdfDisc disc{dir / "disc.img", dir / "disc.txt", {}};
  std::ifstream list(dir / "generations.txt");
  UdfGeneration g;
  while (list >> g.number >> g.session >> g.sessionStart >> g.vatBlock) {
    const std::string stem = "g" + std::to_string(g.number);
    g.live = ReadUdfListing(dir / (stem + ".txt"));
    g.deleted = ReadUdfListing(dir / (stem + "-deleted.txt"));
    disc.generations.push_back(g);
  }
  return disc;
}

}  // namespace tarnwick::test
