#include "browse/DirectoryMarks.h"

#include <utility>
#include <vector>

#include "platform/Plural.h"

namespace tarnwick {

namespace {

// Reasons a tooltip names at most; the summary after the import names the rest.
constexpr std::size_t kTipReasons = 3;

std::string WithDetail(std::string text, const std::string& detail) {
  return detail.empty() ? text : text + " (" + detail + ")";
}

// Why the directory is not shown whole, as one sentence of its tooltip (without its
// full stop). `count` problems
// of the same kind met in the directory stand behind it.
std::string Reason(const TImportProblem& p, std::size_t count) {
  switch (p.kind) {
    case TProblemKind::UnreadableSector:
      return p.sector ? WithDetail("Sector " + std::to_string(*p.sector) + " could not be read", p.why)
                      : WithDetail("Its data could not be read", p.why);
    case TProblemKind::OutsideSession:
      return "It is recorded as larger than the session; the part beyond the session is not read";
    case TProblemKind::SharedDirectory:
      return "It runs into the sectors of another directory, which are not read twice";
    case TProblemKind::Loop:
      return "It refers back to a directory that contains it, so it is not read again";
    case TProblemKind::TooDeep:
      return "It lies more than " + std::to_string(TQuarnBurner::MaxDepth) +
             " directories deep, so what it holds is not read";
    case TProblemKind::DroppedEntry:
      return WithDetail(CountOf(count, "entry is", "entries are") + " damaged on the disc and left out", p.why);
    case TProblemKind::BadDescriptor:
      return WithDetail("A damaged record ends it", p.why);
    default:
      return WithDetail("Part of it could not be read", p.why);
  }
}

bool IsLimit(TProblemKind kind) { return kind == TProblemKind::FileLimit || kind == TProblemKind::DirectoryLimit; }

}  // namespace

TDirectoryMarks::TDirectoryMarks(const TQuarnBurner& burner) {
  // Per directory, its problems' kinds in the order first met, each with how many.
  std::unordered_map<const TDEntry*, std::vector<std::pair<const TImportProblem*, std::size_t>>> found;
  std::vector<const TDEntry*> order;
  for (const TImportProblem& p : burner.ImportProblems().All()) {
    if (p.dir == nullptr || IsLimit(p.kind)) continue;
    auto& kinds = found[p.dir];
    if (kinds.empty()) order.push_back(p.dir);
    bool counted = false;
    for (auto& [first, count] : kinds) {
      if (first->kind == p.kind && p.kind == TProblemKind::DroppedEntry) {
        ++count;
        counted = true;
      }
    }
    if (!counted) kinds.emplace_back(&p, 1);
  }
  for (const TDEntry* dir : order) {
    const auto& kinds = found[dir];
    std::string tip = "Not read whole; files and directories it holds may be missing here:";
    for (std::size_t i = 0; i < kinds.size() && i < kTipReasons; ++i)
      tip += "\n" + Reason(*kinds[i].first, kinds[i].second) + ".";
    if (kinds.size() > kTipReasons)
      tip += "\n" + CountOf(kinds.size() - kTipReasons, "more problem", "more problems") + ".";
    marks_[dir] = {kDamagedMark, tip};
  }

  const std::string limitTip = "Not all shown: the window shows at most " +
                               CountOf(burner.MaxFiles(), "entry", "entries") + " and " +
                               CountOf(burner.MaxDirs(), "directory", "directories") +
                               " of a session.\n\"tarnwick-cli ls -R\" lists the whole tree.";
  for (const TDEntry* dir : burner.ImportProblems().CutDirectories()) {
    auto [it, added] = marks_.try_emplace(dir, TDirectoryMark{kNotAllShownMark, limitTip});
    // A damaged directory keeps its mark; the limit adds to its reasons once.
    if (!added && it->second.suffix == kDamagedMark && it->second.tip.find(limitTip) == std::string::npos)
      it->second.tip += "\n" + limitTip;
  }
}

const TDirectoryMark* TDirectoryMarks::Of(const TDEntry* dir) const {
  const auto it = marks_.find(dir);
  return it == marks_.end() ? nullptr : &it->second;
}

std::string MarkedText(const std::string& text, const TDirectoryMark* mark) {
  return mark ? text + mark->suffix : text;
}

std::string MarkedTip(const std::string& tip, const TDirectoryMark* mark) {
  return mark ? tip + "\n" + mark->tip : tip;
}

}  // namespace tarnwick
