#include "browse/ImportSummary.h"

#include <algorithm>

namespace tarnwick {

namespace {

std::string Counted(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string Heading(TProblemKind kind, std::size_t n) {
  switch (kind) {
    case TProblemKind::UnreadableSector:
      return Counted(n, "directory sector", "directory sectors") + " could not be read; what they hold is missing";
    case TProblemKind::OutsideSession:
      return Counted(n, "directory reaches", "directories reach") +
             " past the end of the session; the part beyond it is not read";
    case TProblemKind::Loop:
      return Counted(n, "directory refers", "directories refer") + " to a directory that contains it; not read again";
    case TProblemKind::SharedDirectory:
      return Counted(n, "directory shares", "directories share") + " sectors with another directory; not read again";
    case TProblemKind::TooDeep:
      return Counted(n, "directory is", "directories are") + " nested too deep; their contents are not read";
    case TProblemKind::DirectoryLimit:
      return "directory limit reached: " + Counted(n, "directory", "directories") +
             " not imported, with everything in them";
    case TProblemKind::FileLimit:
      return "entry limit reached: " + Counted(n, "entry", "entries") + " not imported";
    case TProblemKind::DroppedEntry:
      return Counted(n, "record", "records") + " could not be read as entries and are left out";
    case TProblemKind::IncompleteFile:
      return Counted(n, "file recorded", "files recorded") + " in several extents lack their last part";
    case TProblemKind::DamagedAttributes:
      return Counted(n, "entry has", "entries have") +
             " damaged Rock Ridge attributes; what could be read is shown";
    case TProblemKind::BadDescriptor:
      return Counted(n, "descriptor fails its", "descriptors fail their") + " checks; what they describe is left out";
    case TProblemKind::Fallback:
      return "the tree the disc names first could not be read; another tree of the session was imported";
  }
  return "import problem";
}

std::string Place(const TImportProblem& p) {
  std::string text = p.path;
  if (p.sector) text += " at sector " + std::to_string(*p.sector);
  if (!p.why.empty()) text += " (" + p.why + ")";
  return text;
}

}  // namespace

std::vector<std::string> ImportProblemLines(const TImportProblems& problems, std::size_t places) {
  std::vector<TProblemKind> kinds;
  for (const TImportProblem& p : problems.All())
    if (std::find(kinds.begin(), kinds.end(), p.kind) == kinds.end()) kinds.push_back(p.kind);

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

std::string ImportProblemSummary(const TImportProblems& problems, std::size_t places) {
  if (problems.empty()) return {};
  std::string text = "The session was imported, but not all of it could be read:";
  for (const std::string& line : ImportProblemLines(problems, places)) text += "\n\n- " + line;
  return text;
}

}  // namespace tarnwick
