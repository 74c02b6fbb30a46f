// Reading without writing: check (every file of a session, with --all every block of
// it) and cat under a policy for unreadable sectors.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ostream>

#include "browse/ProgressPace.h"
#include "cli/Commands.h"
#include "cli/Interruption.h"
#include "cli/Messages.h"
#include "cli/TreePath.h"
#include "iso/SessionBlocks.h"
#include "iso/TerminalText.h"

namespace tarnwick::cli {

namespace {

std::uint64_t SizeOf(const TFEntry& entry) { return static_cast<std::uint64_t>(std::max<std::int64_t>(entry.Size, 0)); }

class Checker {
 public:
  Checker(CliDrive& drive, const CheckOptions& options, std::ostream& err)
      : drive_(drive), policy_(options.recovery.Started()), err_(err), report_(err) {
    policy_.onError = TOnError::Fill;
  }

  void Directory(const TDEntry& dir, const std::string& path) {
    for (const TFEntry* entry = dir.Files; entry && !ended_; entry = entry->Next) {
      const std::string child = ChildPath(path, entry->LongName);
      if (entry->IsDirectory()) {
        if (entry->Dir) Directory(*entry->Dir, child);
      } else if (!entry->IsSymlink()) {
        File(*entry, child);
      }
    }
  }

  // Reads every block of the session; a bad block is counted, not reported by file.
  void Blocks(const TSectorSpan& span, std::ostream& out) {
    TRescuePolicy policy;
    policy.retries = policy_.retries;
    policy.deadlineMs = policy_.deadlineMs;
    TSectorRescue rescue(drive_.Burner(), policy);
    const auto keepGoing = [](std::uint32_t, const std::uint8_t*, std::uint32_t) {
      return !InterruptionScope::Interrupted();
    };
    TRescueEnd end = rescue.Forward(span, keepGoing);
    if (end == TRescueEnd::Complete) end = rescue.Return(keepGoing);
    std::uint64_t bad = 0, untried = 0;
    for (const TSectorSpan& s : rescue.Bad()) bad += s.count;
    for (const TSectorSpan& s : rescue.Untried()) untried += s.count;
    out << "blocks " << span.first << "-" << span.end() - 1 << ": " << span.count - bad - untried << " good, " << bad
        << " bad, " << untried << " not read\n";
    blocksLost_ = bad + untried != 0;
    if (end != TRescueEnd::Complete) Ended(end, rescue.EndLba(), "the session's blocks");
  }

  const TDamageReport& Report() const { return report_; }
  bool Failed() const { return ended_; }
  bool BlocksLost() const { return blocksLost_; }

 private:
  void File(const TFEntry& entry, const std::string& path) {
    TFileDamage damage;
    std::uint32_t failedLba = 0;
    const TDataSink discard = [](const std::uint8_t*, std::size_t) { return !InterruptionScope::Interrupted(); };
    const TPatchSink patched = [](std::uint64_t, const std::uint8_t*, std::size_t) { return true; };
    const TRecoverResult result =
        RecoverEntryData(drive_.Burner(), entry, policy_, discard, patched, damage, &failedLba);
    report_.Add(path, SizeOf(entry), damage);
    switch (result) {
      case TRecoverResult::Complete:
        break;
      case TRecoverResult::TimeUp:
        Ended(TRescueEnd::TimeUp, failedLba, path);
        break;
      case TRecoverResult::Stopped:
        Ended(TRescueEnd::Stopped, failedLba, path);
        break;
      case TRecoverResult::MediumChanged:
        Ended(TRescueEnd::MediumChanged, failedLba, path);
        break;
      case TRecoverResult::NotOnDisc:
      case TRecoverResult::Skipped:
        PrintMessage(err_, "unreadable: " + path + ": sector " + std::to_string(failedLba) + " lies outside the disc's data");
        break;
    }
  }

  void Ended(TRescueEnd end, std::uint32_t lba, const std::string& what) {
    ended_ = true;
    if (end == TRescueEnd::TimeUp) PrintMessage(err_, "time limit reached at " + what + "; the rest was not checked");
    else if (end == TRescueEnd::Stopped) PrintMessage(err_, "interrupted at " + what);
    else
      PrintMessage(err_, "cannot read " + what + " at sector " + std::to_string(lba) + ": " + DriveErrorText(drive_.Burner()));
  }

  CliDrive& drive_;
  TReadPolicy policy_;
  std::ostream& err_;
  TDamageReport report_;
  bool ended_ = false;
  bool blocksLost_ = false;
};

}  // namespace

int CmdCheck(CliDrive& drive, const CheckOptions& options, std::ostream& out, std::ostream& err) {
  const std::uint8_t session = drive.Import(options.session);
  const InterruptionScope interruption;
  Checker checker(drive, options, err);
  if (const TDEntry* root = drive.Burner().Root()) checker.Directory(*root, "/");
  if (options.all && !InterruptionScope::Interrupted()) {
    const std::optional<TSectorSpan> span = SessionBlocks(drive.Burner(), session);
    if (!span) throw CliError{kExitFailure, "cannot find the blocks of session " + std::to_string(session)};
    checker.Blocks(*span, out);
  }
  const TDamageReport& report = checker.Report();
  out << report.Totals("checked") << '\n';
  if (!options.recovery.reportPath.empty() && !report.Write(options.recovery.reportPath)) return kExitFailure;
  if (checker.Failed() || report.AnyLost()) return kExitFailure;
  return report.AnyDamaged() || checker.BlocksLost() ? kExitDamaged : kExitOk;
}

int CatRecovering(CliDrive& drive, const TreeItem& item, const CatOptions& options, std::FILE* out, std::ostream& err) {
  TFileDamage damage;
  std::uint32_t failedLba = 0;
  bool writeFailed = false;
  const TDataSink write = [&](const std::uint8_t* data, std::size_t length) {
    writeFailed = std::fwrite(data, 1, length, out) != length;
    return !writeFailed;
  };
  // Standard output cannot go back: every sector is tried in order, nothing skipped.
  const TRecoverResult result =
      RecoverEntryData(drive.Burner(), *item.entry, options.recovery.Started(), write, nullptr, damage, &failedLba);
  if (std::fflush(out) != 0) writeFailed = true;
  TDamageReport report(err);
  report.Add(item.path, SizeOf(*item.entry), damage);
  if (!options.recovery.reportPath.empty() && !report.Write(options.recovery.reportPath)) return kExitFailure;
  if (writeFailed) {
    PrintMessage(err, std::string("cannot write to standard output: ") + std::strerror(errno));
    return kExitFailure;
  }
  if (result == TRecoverResult::TimeUp) PrintMessage(err, "time limit reached; the rest of " + item.path + " is zeros");
  if (result != TRecoverResult::Complete && result != TRecoverResult::TimeUp) {
    PrintMessage(err, "cannot read " + item.path + " at sector " + std::to_string(failedLba) + ": " +
                          DriveErrorText(drive.Burner()));
    return kExitFailure;
  }
  return damage.Damaged() ? kExitDamaged : kExitOk;
}

}  // namespace tarnwick::cli
