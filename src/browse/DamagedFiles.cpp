#include "browse/DamagedFiles.h"

#include <algorithm>

#include "browse/Extraction.h"
#include "platform/Platform.h"
#include "platform/Plural.h"

namespace tarnwick {

namespace {

constexpr std::size_t kShown = 10;

std::uint64_t SizeOf(const TFEntry& entry) { return static_cast<std::uint64_t>(std::max<std::int64_t>(entry.Size, 0)); }

void CountFiles(const TDEntry* dir, std::uint64_t& count) {
  for (const TFEntry* entry = dir ? dir->Files : nullptr; entry; entry = entry->Next) {
    if (entry->IsDirectory()) CountFiles(entry->Dir, count);
    else if (!entry->IsSymlink()) ++count;
  }
}

}  // namespace

std::string DamagedFilesText(const std::vector<TDamagedFile>& files) {
  std::string text;
  for (std::size_t i = 0; i < files.size() && i < kShown; ++i)
    text += (i ? "\n" : "") + files[i].path + " (" + CountOf(files[i].size, "byte", "bytes") + "): " +
            DamageText(files[i].damage);
  if (files.size() > kShown) text += "\n... and " + std::to_string(files.size() - kShown) + " more";
  return text;
}

TCheckOutcome CheckSession(TQuarnBurner& burner, const std::function<bool(const TCheckProgress&)>& progress) {
  TCheckOutcome outcome;
  TCheckProgress step;
  CountFiles(burner.Root(), step.filesTotal);
  TReadPolicy policy;
  policy.onError = TOnError::Fill;
  const TDataSink discard = [](const std::uint8_t*, std::size_t) { return true; };
  const TPatchSink patched = [](std::uint64_t, const std::uint8_t*, std::size_t) { return true; };
  std::function<bool(const TDEntry*, const std::string&)> walk = [&](const TDEntry* dir, const std::string& path) {
    for (const TFEntry* entry = dir ? dir->Files : nullptr; entry; entry = entry->Next) {
      const std::string name = path.empty() ? entry->LongName : path + "/" + entry->LongName;
      if (entry->IsDirectory()) {
        if (!walk(entry->Dir, name)) return false;
        continue;
      }
      if (entry->IsSymlink()) continue;
      step.name = name;
      if (progress && !progress(step)) return false;
      TFileDamage damage;
      std::uint32_t failedLba = 0;
      const TRecoverResult result = RecoverEntryData(burner, *entry, policy, discard, patched, damage, &failedLba);
      ++step.filesDone;
      ++outcome.files;
      step.badSectors += damage.badSectors;
      if (result == TRecoverResult::Complete && damage.Damaged()) outcome.damaged.push_back({name, SizeOf(*entry), damage});
      if (result == TRecoverResult::MediumChanged || result == TRecoverResult::NotOnDisc) {
        outcome.errors.push_back("Cannot read file " + name + " at sector " + std::to_string(failedLba) + ": " +
                                 burner.LastErrorText);
        if (result == TRecoverResult::MediumChanged) return false;
      }
    }
    return true;
  };
  outcome.cancelled = !walk(burner.Root(), "");
  return outcome;
}

std::string CheckProgressText(const TCheckProgress& step) {
  return step.name + "\n" + CountOf(step.badSectors, "unreadable sector", "unreadable sectors");
}

std::string CheckSummary(const TCheckOutcome& outcome) {
  std::uint64_t bad = 0;
  for (const TDamagedFile& f : outcome.damaged) bad += f.damage.badSectors;
  std::string text = (outcome.cancelled ? "Stopped after checking " : "Checked ") +
                     CountOf(outcome.files, "file", "files") + ": " + std::to_string(outcome.damaged.size()) +
                     " damaged, " + CountOf(bad, "bad sector", "bad sectors");
  if (!outcome.errors.empty()) text += ", " + std::to_string(outcome.errors.size()) + " unreadable";
  if (!outcome.damaged.empty()) text += "\n" + DamagedFilesText(outcome.damaged);
  if (!outcome.errors.empty()) text += "\n" + ErrorsText(outcome.errors);
  return text;
}

}  // namespace tarnwick

namespace tarnwick {

bool TExtraction::FileFailed(const TFEntry& entry, const std::string& destination, const std::string& shown,
                             const TExtractProgress& progress) {
  const std::string error = burner_.LastExtractError();
  if (!onUnreadable || !burner_.LastUnreadableSector()) {
    outcome_.errors.push_back(error);
    return false;
  }
  step_.badSectors += 1;
  switch (onUnreadable(shown, error)) {
    case TUnreadableAnswer::Stop:
      outcome_.cancelled = true;
      return false;
    case TUnreadableAnswer::Skip:
      outcome_.errors.push_back(error);  // the file is left out, as any that fails
      return false;
    case TUnreadableAnswer::KeepFilled:
      break;
  }
  TReadPolicy policy;
  policy.onError = TOnError::Fill;
  TFileDamage damage;
  step_.badSectors -= 1;  // counted again, exactly, by the filled read
  const std::uint64_t badBefore = step_.badSectors;
  const bool written = burner_.ExtractFile(&entry, destination, progress, policy, &damage);
  step_.badSectors = badBefore + damage.badSectors;
  if (!written) {
    outcome_.errors.push_back(burner_.LastExtractError());
    return false;
  }
  if (damage.Damaged()) outcome_.damaged.push_back({shown, SizeOf(entry), damage});
  return true;
}

}  // namespace tarnwick
