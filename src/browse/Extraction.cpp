#include "browse/Extraction.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <new>
#include <utility>
#include <system_error>

#include "browse/RecordedLink.h"
#include "iso/Dates.h"
#include "iso/EntryData.h"
#include "platform/DirectoryDate.h"
#include "platform/LocalPath.h"
#include "platform/Plural.h"

namespace tarnwick {

namespace {

namespace fs = std::filesystem;

std::uint64_t FileBytes(const TFEntry& entry) {
  std::uint64_t bytes = 0;
  for (const TExtent& run : EntryDataRuns(entry)) bytes += run.Bytes;
  return bytes;
}

// Calls visit(entry, path below the selection) for every entry that is not a
// directory, in the order the extraction meets them.
template <class Visit>
void ForEachFile(const std::vector<const TFEntry*>& entries, Visit visit) {
  std::vector<std::pair<const TFEntry*, std::string>> pending;
  for (auto it = entries.rbegin(); it != entries.rend(); ++it)
    if (*it != nullptr) pending.emplace_back(*it, (*it)->LongName);
  while (!pending.empty()) {
    const auto [entry, path] = pending.back();
    pending.pop_back();
    if (!entry->IsDirectory()) {
      visit(*entry, path);
      continue;
    }
    if (entry->Dir == nullptr) continue;
    const std::size_t first = pending.size();
    for (const TFEntry* child = entry->Dir->Files; child != nullptr; child = child->Next)
      pending.emplace_back(child, path + "/" + child->LongName);
    std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(first), pending.end());
  }
}

}  // namespace

std::uint64_t SelectionBytes(const std::vector<const TFEntry*>& entries) {
  std::uint64_t bytes = 0;
  ForEachFile(entries, [&bytes](const TFEntry& entry, const std::string&) {
    if (!entry.IsSymlink()) bytes += FileBytes(entry);
  });
  return bytes;
}

std::string LinksQuestionText(const std::vector<const TFEntry*>& entries) {
  std::size_t count = 0;
  std::string first;
  ForEachFile(entries, [&](const TFEntry& entry, const std::string& path) {
    if (!entry.IsSymlink()) return;
    if (count++ == 0) first = path + " -> " + entry.Posix->LinkTarget;
  });
  if (count == 0) return {};
  if (count == 1)
    return "The selection holds a symbolic link: " + first + ".\nCreate it as the disc records it, or skip it?";
  return "The selection holds " + std::to_string(count) + " symbolic links, the first " + first +
         ".\nCreate them as the disc records them, or skip them?";
}

const TFEntry* EntryOfDirectory(const TDEntry* dir) {
  if (dir == nullptr || dir->Parent == nullptr || dir->Parent == dir) return nullptr;
  for (const TFEntry* entry = dir->Parent->Files; entry != nullptr; entry = entry->Next)
    if (entry->Dir == dir) return entry;
  return nullptr;
}

bool SetDirectoryDate(const std::string& path, const TFEntry& entry) {
  platform::LocalDateTime when;
  if (!EntryLocalTime(entry, when)) return false;
  return platform::SetDirectoryLastWrite(path, when);
}

std::string ExtractionSummary(const TExtractionOutcome& outcome, const std::string& directory) {
  auto files = [](std::size_t count) {
    return (count == 0 ? std::string("no") : std::to_string(count)) + (count == 1 ? " file" : " files");
  };
  const std::string wrote = outcome.cancelled ? "Extraction cancelled; wrote " : "Wrote ";
  std::string text;
  if (outcome.written.size() == 1)
    text = wrote + outcome.written.front();
  else
    text = wrote + files(outcome.written.size()) + " to " + directory;
  auto links = [](std::size_t count) { return CountOf(count, "symbolic link", "symbolic links"); };
  if (!outcome.links.empty()) text += "; made " + links(outcome.links.size());
  if (!outcome.skippedLinks.empty()) text += "; skipped " + links(outcome.skippedLinks.size());
  if (!outcome.kept.empty()) text += "; kept " + files(outcome.kept.size()) + " that existed";
  // The links the system refused share one error, and are counted apart.
  const std::size_t failed = outcome.errors.size() - (outcome.linksNotMade > 0 ? 1 : 0);
  if (outcome.linksNotMade > 0) text += "; " + links(outcome.linksNotMade) + " not created";
  if (failed > 0) text += "; " + std::to_string(failed) + " failed";
  if (!outcome.damaged.empty())
    text += "; " + std::to_string(outcome.damaged.size()) + " damaged, with zeros for unreadable data";
  return text;
}

std::string ErrorsText(const std::vector<std::string>& errors) {
  constexpr std::size_t kShown = 10;
  std::string text;
  for (std::size_t i = 0; i < errors.size() && i < kShown; ++i) text += (i == 0 ? "" : "\n") + errors[i];
  if (errors.size() > kShown) text += "\n... and " + std::to_string(errors.size() - kShown) + " more";
  return text;
}

TExtractionOutcome TExtraction::Run(const std::vector<const TFEntry*>& entries, const std::string& directory) {
  outcome_ = TExtractionOutcome{};
  step_ = TExtractionStep{};
  destinations_ = TDistinctDestinations{};
  step_.allTotal = SelectionBytes(entries);
  createLinks_ = false;
  linksRefused_.clear();
  refusedLinks_ = 0;
  if (const std::string question = LinksQuestionText(entries); !question.empty())
    createLinks_ = onLinks && onLinks(question) == TLinksAnswer::Create;
  // The disc is checked against the imported tree once for the whole selection.
  const TExtractBatch batch(burner_);
  try {
    for (const TFEntry* entry : entries) {
      if (entry == nullptr) continue;
      if (!Entry(*entry, directory, entry->LongName)) break;
    }
  } catch (const std::bad_alloc&) {
    // The temporary file of the file being written went with the unwinding; the
    // files written before stay, and are listed.
    outcome_.errors.insert(outcome_.errors.begin(), kExtractionOutOfMemoryText);
  }
  if (refusedLinks_ > 0) {
    outcome_.linksNotMade = refusedLinks_;
    std::string text = RefusedLinksText(directory, linksRefused_, refusedLinks_);
    text[0] = 'S';  // a message box's sentence
    outcome_.errors.push_back(std::move(text));
  }
  return outcome_;
}

bool TExtraction::Entry(const TFEntry& entry, const std::string& directory, const std::string& shown) {
  if (entry.IsSymlink()) {
    Link(entry, directory, shown);
    return true;
  }
  return entry.IsDirectory() ? Directory(entry, directory, shown) : File(entry, directory, shown);
}

void TExtraction::Link(const TFEntry& entry, const std::string& directory, const std::string& shown) {
  if (!createLinks_) {
    outcome_.skippedLinks.push_back(shown);
    return;
  }
  if (!linksRefused_.empty()) {
    ++refusedLinks_;
    return;
  }
  const std::string destination = entry.Posix->LinkTarget.empty() ? std::string() : UniqueDestination(entry, directory, shown);
  TLinkOutcome made = CreateRecordedLink(entry, destination, shown);
  switch (made.result) {
    case TLinkResult::Created:
      outcome_.links.push_back(destination);
      return;
    case TLinkResult::Refused:
      linksRefused_ = made.reason;
      ++refusedLinks_;
      return;
    case TLinkResult::NoTarget:
    case TLinkResult::Occupied:
    case TLinkResult::Failed:
      made.message[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(made.message[0])));
      outcome_.errors.push_back(made.message);
      return;
  }
}

std::string TExtraction::UniqueDestination(const TFEntry& entry, const std::string& directory,
                                           const std::string& shown) {
  return destinations_.Claim(directory, entry.LongName, entry.IsDirectory(), shown).path;
}

bool TExtraction::File(const TFEntry& entry, const std::string& directory, const std::string& shown) {
  const std::string destination = UniqueDestination(entry, directory, shown);
  const std::uint64_t bytes = FileBytes(entry);
  const std::uint64_t before = step_.allDone;
  step_.name = shown;
  step_.fileDone = 0;
  step_.fileTotal = bytes;

  std::error_code ec;
  const fs::file_status status = fs::symlink_status(platform::LocalPath(destination), ec);
  // A directory in the way is not replaced: the extraction below fails on it.
  const bool exists = fs::exists(status) && !fs::is_directory(status);
  if (exists) {
    TExistingFiles decision = existing_;
    if (decision == TExistingFiles::Ask) {
      switch (onExisting ? onExisting(destination) : TOverwriteAnswer::Skip) {
        case TOverwriteAnswer::Replace:
          decision = TExistingFiles::Replace;
          break;
        case TOverwriteAnswer::ReplaceAll:
          decision = existing_ = TExistingFiles::Replace;
          break;
        case TOverwriteAnswer::Skip:
          decision = TExistingFiles::Keep;
          break;
        case TOverwriteAnswer::Cancel:
          outcome_.cancelled = true;
          return false;
      }
    }
    if (decision == TExistingFiles::Keep) {
      outcome_.kept.push_back(destination);
      step_.allDone = before + bytes;
      if (onProgress && !onProgress(step_)) {
        outcome_.cancelled = true;
        return false;
      }
      return true;
    }
  }

  bool stopped = false;
  const TExtractProgress progress = [&](std::uint64_t done, std::uint64_t total) {
    step_.fileDone = done;
    step_.fileTotal = total;
    step_.allDone = before + done;
    if (onProgress && !onProgress(step_)) {
      stopped = true;
      return false;
    }
    return true;
  };
  bool ok = burner_.ExtractFile(&entry, destination, progress);
  if (!ok && !stopped) ok = FileFailed(entry, destination, shown, progress);
  step_.allDone = before + bytes;
  if (stopped || outcome_.cancelled) {
    // The extraction has removed its temporary file; the destination is as it was.
    outcome_.cancelled = true;
    return false;
  }
  if (!ok) return true;  // FileFailed said why
  outcome_.written.push_back(destination);
  if (exists) outcome_.replaced.push_back(destination);
  return true;
}

bool TExtraction::Directory(const TFEntry& entry, const std::string& directory, const std::string& shown) {
  // A directory whose local name an earlier entry of this run took gets a numbered one.
  const std::string destination = UniqueDestination(entry, directory, shown);
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(platform::LocalPath(destination), ec);
  if (fs::is_symlink(status)) {
    outcome_.errors.push_back(destination + " is a symbolic link; not extracting into it");
    return true;
  }
  if (fs::exists(status) && !fs::is_directory(status)) {
    outcome_.errors.push_back("Cannot create directory " + destination + ": a file of that name exists");
    return true;
  }
  if (!fs::exists(status) && !fs::create_directory(platform::LocalPath(destination), ec)) {
    outcome_.errors.push_back("Cannot create directory " + destination + ": " +
                              (ec ? ec.message() : std::string("something else of that name exists")));
    return true;
  }
  if (entry.Dir != nullptr) {
    for (const TFEntry* child = entry.Dir->Files; child != nullptr; child = child->Next)
      if (!Entry(*child, destination, shown + "/" + child->LongName)) return false;
  }
  // After the contents, whose creation changed the directory's time.
  SetDirectoryDate(destination, entry);
  return true;
}

}  // namespace tarnwick
