#include "cli/DamageReport.h"

#include <fstream>
#include <nlohmann/json.hpp>

#include "cli/Messages.h"
#include "platform/LocalPath.h"
#include "platform/Platform.h"
#include "platform/Plural.h"

namespace tarnwick::cli {

namespace {
const char* const kStatusNames[] = {"ok", "damaged", "unreadable", "skipped"};
}  // namespace

TReadPolicy RecoveryOptions::Started() const {
  TReadPolicy started = policy;
  if (timeLimitSeconds > 0)
    started.deadlineMs = platform::Clock().NowMs() + static_cast<std::uint64_t>(timeLimitSeconds * 1000) + 1;
  return started;
}

void TDamageReport::Add(const std::string& path, std::uint64_t size, const TFileDamage& damage) {
  files_.push_back({path, size, damage.status, damage.bytes});
  ++counts_[static_cast<int>(damage.status)];
  badSectors_ += damage.badSectors;
  if (damage.status == TFileStatus::Damaged)
    PrintMessage(err_, "damaged: " + path + " (" + CountOf(size, "byte", "bytes") + "): " + DamageText(damage) +
                           " filled with zeros");
}

bool TDamageReport::Write(const std::string& path) const {
  nlohmann::ordered_json files = nlohmann::ordered_json::array();
  for (const File& f : files_) {
    nlohmann::ordered_json bad = nlohmann::ordered_json::array();
    for (const auto& [first, last] : f.bad) bad.push_back({first, last});
    files.push_back({{"path", f.path}, {"size", f.size}, {"status", kStatusNames[static_cast<int>(f.status)]},
                     {"bad", std::move(bad)}});
  }
  nlohmann::ordered_json totals = {{"files", files_.size()},     {"ok", counts_[0]},      {"damaged", counts_[1]},
                                   {"unreadable", counts_[2]}, {"skipped", counts_[3]}, {"bad_sectors", badSectors_}};
  std::ofstream out(platform::LocalPath(path), std::ios::binary | std::ios::trunc);
  if (out) out << nlohmann::ordered_json{{"files", std::move(files)}, {"totals", std::move(totals)}}.dump(
                      2, ' ', false, nlohmann::json::error_handler_t::replace)
               << '\n';
  if (out.flush()) return true;
  PrintMessage(err_, "cannot write the report " + path);
  return false;
}

std::string TDamageReport::Totals(const std::string& verb) const {
  return verb + " " + CountOf(files_.size(), "file", "files") + ": " + std::to_string(counts_[0]) + " ok, " +
         std::to_string(counts_[1]) + " damaged (" + CountOf(badSectors_, "bad sector", "bad sectors") + "), " +
         std::to_string(counts_[2]) + " unreadable, " +
         std::to_string(counts_[3]) + " skipped";
}

}  // namespace tarnwick::cli
