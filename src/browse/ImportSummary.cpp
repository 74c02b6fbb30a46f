#include "browse/ImportSummary.h"

#include <algorithm>
#include <cctype>

#include "browse/DirectoryMarks.h"
#include "platform/Plural.h"

namespace tarnwick {

namespace {

bool IsLimit(TProblemKind kind) { return kind == TProblemKind::FileLimit || kind == TProblemKind::DirectoryLimit; }

// What the problems of one kind mean, for `n` of them, in plain words.
std::string Heading(TProblemKind kind, std::size_t n) {
  switch (kind) {
    case TProblemKind::UnreadableSector:
      return CountOf(n, "directory", "directories") + " could not be read whole, so some of what " +
             std::string(OneOrMany(n, "it holds", "they hold")) + " is missing";
    case TProblemKind::OutsideSession:
      return CountOf(n, "directory is", "directories are") +
             " recorded as larger than the session; the part beyond the session is not read";
    case TProblemKind::Loop:
      return CountOf(n, "directory refers", "directories refer") + " back to a directory that contains " +
             std::string(OneOrMany(n, "it, so it is", "them, so they are")) + " not read again";
    case TProblemKind::SharedDirectory:
      return CountOf(n, "directory runs", "directories run") +
             " into the sectors of another directory, which are not read twice";
    case TProblemKind::TooDeep:
      return CountOf(n, "directory lies", "directories lie") + " more than " + std::to_string(TQuarnBurner::MaxDepth) +
             " directories deep, so what " + std::string(OneOrMany(n, "it holds", "they hold")) + " is not read";
    case TProblemKind::DirectoryLimit:
    case TProblemKind::FileLimit:
      return CountOf(n, "entry is", "entries are") + " left out because the tree holds no more";
    case TProblemKind::DroppedEntry:
      return CountOf(n, "entry is", "entries are") + " damaged on the disc and left out";
    case TProblemKind::IncompleteFile:
      return CountOf(n, "file is", "files are") + " recorded in several parts and " +
             std::string(OneOrMany(n, "lacks its", "lack their")) + " last part";
    case TProblemKind::DamagedAttributes:
      return CountOf(n, "entry has", "entries have") +
             " damaged Unix attributes (Rock Ridge); what could be read of them is used";
    case TProblemKind::BadDescriptor:
      return CountOf(n, "record", "records") + " of the file system " + std::string(OneOrMany(n, "is", "are")) +
             " damaged; what " + std::string(OneOrMany(n, "it describes", "they describe")) + " is left out";
    case TProblemKind::Fallback:
      return "the names the disc gives first could not be read, so its other names for the same files are shown";
  }
  return "a problem with the session";
}

// "/SUB (sector 21: UNRECOVERED READ ERROR)".
std::string Place(const TImportProblem& p) {
  std::string detail = p.sector ? "sector " + std::to_string(*p.sector) : std::string();
  if (!p.why.empty()) detail += (detail.empty() ? "" : ": ") + p.why;
  return detail.empty() ? p.path : p.path + " (" + detail + ")";
}

std::vector<std::string> Lines(const TImportProblems& problems, std::size_t places, bool limits) {
  std::vector<TProblemKind> kinds;
  for (const TImportProblem& p : problems.All())
    if (IsLimit(p.kind) == limits && std::find(kinds.begin(), kinds.end(), p.kind) == kinds.end())
      kinds.push_back(p.kind);

  std::vector<std::string> lines;
  for (TProblemKind kind : kinds) {
    std::size_t count = 0;
    std::size_t records = 0;
    std::string named;
    for (const TImportProblem& p : problems.All()) {
      if (p.kind != kind) continue;
      count += p.count;
      if (records++ < places) named += (named.empty() ? "" : "; ") + Place(p);
    }
    std::string line = Heading(kind, count) + ": " + named;
    if (records > places) line += "; and " + std::to_string(records - places) + " more";
    lines.push_back(std::move(line));
  }
  return lines;
}

// What the window's limits leave out: how much, where it starts, and where to see all.
std::string LimitText(const TQuarnBurner& burner, std::uint8_t session, std::size_t places) {
  std::size_t entries = 0, directories = 0, named = 0;
  bool incomplete = false;
  std::string first;
  for (const TImportProblem& p : burner.ImportProblems().All()) {
    if (!IsLimit(p.kind)) continue;
    entries += p.count;
    directories += p.directories;
    incomplete = incomplete || p.countIncomplete;
    if (named++ < places) first += (first.empty() ? "" : ", ") + p.path;
  }
  if (entries == 0) return {};
  std::string text = "The window shows at most " + CountOf(burner.MaxFiles(), "entry", "entries") + " and " +
                     CountOf(burner.MaxDirs(), "directory", "directories") + " of a session. ";
  text += (incomplete ? "At least " : "") + CountOf(entries, "entry", "entries") + " of this session " +
          std::string(OneOrMany(entries, "is", "are")) + " not shown";
  if (directories == entries) text += entries == 1 ? ", a directory" : ", all of them directories";
  else if (directories > 0) text += ", " + CountOf(directories, "directory", "directories") + " among them";
  // Each place named is one entry cut off, with whatever it holds.
  text += entries == 1 ? ": " : named == entries && !incomplete ? "; they are " : "; the first of them: ";
  text += first + ".";
  text += "\n\nDirectories that are not shown whole are marked \"" + std::string(kNotAllShownMark).substr(1) +
          "\". \"tarnwick-cli ls -R --session " + std::to_string(session) + "\" lists the whole tree.";
  return text;
}

std::string WhatToTry(std::uint8_t session) {
  const std::string s = std::to_string(session);
  return "What you can try:"
         "\n- Another session of the disc may hold an older copy of the same files: double-click it in the "
         "session list."
         "\n- Clean the disc, or put it in another drive, and import the session again."
         "\n- \"tarnwick-cli extract --session " + s + " -R --on-error=fill --to FOLDER /\" copies every file "
         "that can be found, with zeros where the disc cannot be read, and lists what it could not read."
         "\n- \"tarnwick-cli image --session " + s + " --to FILE\" saves the session with a map of what could "
         "not be read; running it again, in this drive or another, reads only what is still missing. The "
         "image opens in this window like a disc.";
}

// The root could not be read at all: nothing of the session is shown.
bool RootLost(const TQuarnBurner& burner) {
  const TDEntry* root = burner.Root();
  if (root == nullptr || root->Files != nullptr) return false;
  for (const TImportProblem& p : burner.ImportProblems().All())
    if (p.dir == root && !IsLimit(p.kind)) return true;
  return false;
}

}  // namespace

std::vector<std::string> ImportProblemLines(const TImportProblems& problems, std::size_t places) {
  std::vector<std::string> lines = Lines(problems, places, false);
  for (std::string& line : Lines(problems, places, true)) lines.push_back(std::move(line));
  return lines;
}

std::string ImportProblemSummary(const TQuarnBurner& burner, std::uint8_t session, std::size_t places) {
  const TImportProblems& problems = burner.ImportProblems();
  if (problems.empty()) return {};
  const std::vector<std::string> damage = Lines(problems, places, false);
  const std::string number = std::to_string(session);
  std::string text;
  if (RootLost(burner)) {
    text = "The top directory of session " + number + " could not be read, so nothing of the session is shown.";
  } else if (!damage.empty()) {
    text = "Part of session " + number + " could not be read. Everything that could be read is shown; this is missing:";
  } else {
    text = "Session " + number + " holds more than the window can show.";
  }
  for (const std::string& line : damage) {
    std::string sentence = line;
    sentence.front() = static_cast<char>(std::toupper(static_cast<unsigned char>(sentence.front())));
    text += "\n\n- " + sentence + ".";
  }
  const std::string limit = LimitText(burner, session, places);
  if (!limit.empty()) text += "\n\n" + limit;
  if (damage.empty()) return text;
  if (!RootLost(burner) && !TDirectoryMarks(burner).empty())
    text += "\n\nDirectories that could not be read whole are marked \"" + std::string(kDamagedMark).substr(1) +
            "\" in the tree and the list; their tooltips say why.";
  return text + "\n\n" + WhatToTry(session);
}

}  // namespace tarnwick
