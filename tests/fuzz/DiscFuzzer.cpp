// Fuzz target: one input is a disc (an image, or a sheet or description with its data,
// held in memory as FuzzSupport.h lays out), served as a virtual drive the way
// `tarnwick-cli --image` serves it, and taken through the tool's own commands:
// `show`, then for every session `ls -R --json`, `ls -l -R` and `extract -R --to DIR
// /` (with --symlinks and --keep-modes as the input's last byte chooses), and the
// import's problem lines. Extraction goes into a private directory beside a sentinel
// directory, with links planted at likely destinations; afterwards nothing may exist
// outside the target, no planted link may have been written through, and no file may
// carry a set-user-ID, set-group-ID or sticky bit. One input may not need more than
// 256 MB at once. A broken rule aborts.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "FuzzSupport.h"
#include "cli/Commands.h"
#include "cli/TreePath.h"
#include "iso/EntryData.h"
#include "platform/Platform.h"
#include "transport/Transport.h"

namespace fs = std::filesystem;
using namespace tarnwick;
using namespace tarnwick::cli;

namespace {

// The largest image taken; larger inputs are skipped.
constexpr std::size_t kMaxImageBytes = 4u << 20;
// Extraction of a session is skipped when its files could make it write more than
// this (many entries may share one extent, so a small image can name a lot of data).
constexpr std::uint64_t kMaxExtractBytes = 64u << 20;
constexpr std::uint64_t kBlockBytes = 2048;

constexpr const char* kVictimText = "sentinel data\n";

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "disc fuzzer: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const void* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out) Fail("cannot write " + path.string());
}

// The process's own work directory, removed at exit.
fs::path& WorkDir() {
  static fs::path dir;
  return dir;
}

void RemoveWorkDir() {
  std::error_code ec;
  if (!WorkDir().empty()) fs::remove_all(WorkDir(), ec);
}

// The extraction area of one input:
//   play/sentinel/victim, play/sentinel/hardvictim, play/sentinel/dir/
//   play/a/b/t/                 the target root; session N extracts into t/sN
// Each session directory holds links named like entries of the seed images:
//   LINK.TXT -> sentinel/victim, LINKDIR -> sentinel/dir (symbolic links)
//   HARD.TXT  = sentinel/hardvictim (a hard link)
class Playground {
 public:
  explicit Playground(const fs::path& work)
      : root(work / "play"), sentinel(root / "sentinel"), target(root / "a" / "b" / "t") {
    std::error_code ec;
    fs::remove_all(root, ec);
    fs::create_directories(sentinel / "dir");
    fs::create_directories(target);
    WriteAll(sentinel / "victim", kVictimText, std::char_traits<char>::length(kVictimText));
    WriteAll(sentinel / "hardvictim", kVictimText, std::char_traits<char>::length(kVictimText));
    fixed_ = {sentinel, sentinel / "victim", sentinel / "hardvictim", sentinel / "dir", root / "a", root / "a" / "b",
              target};
  }

  fs::path SessionTarget(int session) {
    const fs::path dir = target / ("s" + std::to_string(session));
    fs::create_directories(dir);
    fixed_.insert(dir);
    fs::create_symlink(sentinel / "victim", dir / "LINK.TXT");
    fs::create_directory_symlink(sentinel / "dir", dir / "LINKDIR");
    fs::create_hard_link(sentinel / "hardvictim", dir / "HARD.TXT");
    return dir;
  }

  // Everything in the playground is the sentinel as made, the directories leading to
  // the target, or lies inside a session's target directory.
  void Check() const {
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, fs::directory_options::none, ec), end; it != end;
         it.increment(ec)) {
      if (ec) Fail("cannot walk " + root.string() + ": " + ec.message());
      const fs::path& path = it->path();
      if (fixed_.count(path)) continue;
      const fs::path relative = path.lexically_relative(target);
      if (!relative.empty() && *relative.begin() != ".." && std::distance(relative.begin(), relative.end()) >= 2)
        continue;
      Fail("extraction left " + path.string() + " outside its target directory");
    }
    for (fs::recursive_directory_iterator it(target, fs::directory_options::none, ec), end; it != end;
         it.increment(ec)) {
      struct stat st {};
      if (!ec && ::lstat(it->path().c_str(), &st) == 0 && !S_ISLNK(st.st_mode) && (st.st_mode & 07000) != 0)
        Fail("extraction gave " + it->path().string() + " a set-ID or sticky bit");
    }
    for (const char* name : {"victim", "hardvictim"}) {
      if (fs::is_symlink(sentinel / name) || ReadAll(sentinel / name) != kVictimText)
        Fail("extraction wrote through a link into " + (sentinel / name).string());
    }
    const std::set<fs::path> workFiles = {root};
    for (const fs::directory_entry& entry : fs::directory_iterator(WorkDir())) {
      if (!workFiles.count(entry.path())) Fail("extraction left " + entry.path().string() + " beside its playground");
    }
  }

 private:
  const fs::path root, sentinel, target;
  std::set<fs::path> fixed_;  // what the playground made itself
};

// Bytes that extracting every file under `dir` can read: each run cut at the end of
// the disc. Walks without recursion and visits each directory once, so a damaged
// tree cannot hang this check (the commands themselves must cope on their own).
std::uint64_t ExtractableBytes(const TDEntry* root, std::uint64_t discBytes) {
  std::uint64_t total = 0;
  std::set<const TDEntry*> seen;
  std::vector<const TDEntry*> pending{root};
  while (!pending.empty()) {
    const TDEntry* dir = pending.back();
    pending.pop_back();
    if (dir == nullptr || !seen.insert(dir).second) continue;
    for (const TFEntry* entry = dir->Files; entry; entry = entry->Next) {
      if (entry->IsDirectory()) {
        pending.push_back(entry->Dir);
        continue;
      }
      for (const TExtent& run : EntryDataRuns(*entry)) {
        const std::uint64_t start = std::uint64_t{run.Lba} * kBlockBytes;
        if (start < discBytes) total += std::min<std::uint64_t>(run.Bytes, discBytes - start);
      }
      if (total > kMaxExtractBytes) return total;
    }
  }
  return total;
}

// Every file the extraction reported (one line each, its destination) is still there:
// two disc entries written to one local name would leave fewer files than reports.
// Lines are counted by their start, so a name holding a line break counts once.
void CheckReportedFiles(const std::string& report, const fs::path& dir) {
  const std::string prefix = dir.string() + "/";
  std::size_t reported = 0;
  std::istringstream lines(report);
  for (std::string line; std::getline(lines, line);)
    if (line.compare(0, prefix.size(), prefix) == 0) ++reported;
  std::size_t files = 0;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(dir, fs::directory_options::none, ec), end; it != end; it.increment(ec)) {
    if (ec) Fail("cannot walk " + dir.string() + ": " + ec.message());
    // Links made with --symlinks are reported too; the two planted ones only make
    // the count larger.
    if (it->is_symlink() || it->is_regular_file()) ++files;
  }
  if (files < reported) {
    Fail("extraction reported " + std::to_string(reported) + " files written but " + dir.string() + " holds " +
         std::to_string(files));
  }
}

// Runs one command; a CliError is the command's ordinary way to fail.
template <typename Command>
void Run(Command command) {
  try {
    command();
  } catch (const CliError&) {
  }
}

// With --keep-modes a directory may have become unreadable or unwritable: the owner
// gets every right back on all of them, so that the checks can walk and remove them.
void MakeWalkable(const fs::path& root) {
  std::vector<fs::path> pending{root};
  std::error_code ec;
  while (!pending.empty()) {
    const fs::path dir = pending.back();
    pending.pop_back();
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
      if (it->is_directory() && !it->is_symlink()) pending.push_back(it->path());
  }
}

void TakeDiscThroughCommands(const fs::path& image, std::uint64_t discBytes, bool symlinks, bool keepModes) {
  GlobalOptions global;
  global.images.push_back(image.string());
  std::ostringstream out, err;
  try {
    CliDrive drive(global, err);
    drive.Select();
    Run([&] { CmdShow(drive, false, out, err); });
    Run([&] { CmdShow(drive, true, out, err); });
    const int last = drive.Burner().DiscInfo.LastSession;
    Playground playground(WorkDir());
    for (int session = 1; session <= last; ++session) {
      ListOptions list;
      list.session = session;
      list.recursive = true;
      list.json = true;
      bool listed = false;
      Run([&] {
        CmdList(drive, list, out);
        listed = true;
      });
      out.str({});
      if (!listed) continue;
      list.json = false;
      list.longFormat = true;
      Run([&] { CmdList(drive, list, out); });
      out.str({});
      const std::optional<TreeItem> root = ResolvePath(drive.Burner(), "/");
      if (!root || ExtractableBytes(root->dir, discBytes) > kMaxExtractBytes) continue;

      ExtractOptions extract;
      extract.session = session;
      extract.recursive = true;
      extract.to = playground.SessionTarget(session).string();
      extract.paths = {"/"};
      extract.symlinks = symlinks;
      extract.keepModes = keepModes;
      Run([&] { CmdExtract(drive, extract, out, err); });
      CheckReportedFiles(out.str(), extract.to);
      out.str({});
      err.str({});
    }
    drive.ReportImportProblems(kExitOk);
    MakeWalkable(WorkDir() / "play");
    playground.Check();
  } catch (const CliError&) {
  } catch (const std::bad_alloc&) {
    // Memory refused: the memory limit around the input says whether that is a finding.
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Only the virtual drive is scanned, never a drive of this machine.
  ::setenv("TARNWICK_NO_REAL_DRIVES", "1", 1);
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarnwick-fuzz.XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) Fail("cannot create a work directory under " + pattern);
  WorkDir() = pattern;
  std::atexit(RemoveWorkDir);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxImageBytes) return 0;
  const std::uint8_t choice = size > 0 ? data[size - 1] : 0;
  {
    const FuzzFiles files(data, size);
    const FuzzMemoryLimit limit;
    // A sheet's data may be any file's: every block of the larger part may be read.
    TakeDiscThroughCommands(kDiscPath, std::max<std::uint64_t>(size, files.DiscBytes()) / kBlockBytes * kBlockBytes,
                            (choice & 1) != 0, (choice & 2) != 0);
  }
  // As the tool does at exit, then back to the state of a fresh process.
  FreeASPI();
  CloseSPTIDrives();
  ResetTransportForTesting();
  platform::Current().RemoveVirtualDrives();
  std::error_code ec;
  MakeWalkable(WorkDir() / "play");
  fs::remove_all(WorkDir() / "play", ec);
  return 0;
}
