#include "support/IsoMaker.h"

#include "platform/LocalPath.h"
#include "support/HostProgram.h"
#include "support/TestFiles.h"

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tarnwick::test {

namespace fs = std::filesystem;

namespace {

#if defined(_WIN32)
// Under wine the mastering tool is the host's own program, started by its Unix path;
// the paths handed to it are the host paths behind drive Z: (the host's root).
std::vector<std::string> MasteringTool() {
  for (const char* dir : {"/usr/bin/", "/bin/"}) {
    if (fs::exists(std::string("Z:") + dir + "genisoimage")) return {std::string(dir) + "genisoimage"};
    if (fs::exists(std::string("Z:") + dir + "xorriso")) return {std::string(dir) + "xorriso", "-as", "mkisofs"};
  }
  throw std::runtime_error("neither genisoimage nor xorriso is installed on the host");
}

}  // namespace

std::string HostToolPath(const fs::path& path) {
  std::string text = platform::Utf8Text(fs::absolute(path));
  std::replace(text.begin(), text.end(), '\\', '/');
  if (text.size() >= 2 && (text[0] == 'Z' || text[0] == 'z') && text[1] == ':') return text.substr(2);
  throw std::runtime_error("the host tool cannot reach " + text + " (set TEMP to a folder on Z:)");
}

namespace {
#else
bool InPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':'))
    if (!dir.empty() && ::access((fs::path(dir) / program).c_str(), X_OK) == 0) return true;
  return false;
}

std::vector<std::string> MasteringTool() {
  if (InPath("genisoimage")) return {"genisoimage"};
  if (InPath("xorriso")) return {"xorriso", "-as", "mkisofs"};
  throw std::runtime_error("neither genisoimage nor xorriso is installed");
}

}  // namespace

std::string HostToolPath(const fs::path& path) { return path.string(); }

namespace {
#endif

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void SetMtime(const fs::path& path, std::time_t mtime) {
#if defined(_WIN32)
  // Seconds since 1970 as a Windows file time (100 ns units since 1601).
  const std::uint64_t ticks = (static_cast<std::uint64_t>(mtime) + 11644473600ULL) * 10000000ULL;
  FILETIME when{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
  const HANDLE file = ::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  const bool ok = file != INVALID_HANDLE_VALUE && ::SetFileTime(file, nullptr, &when, &when);
  if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
  if (!ok) throw std::runtime_error("cannot set the time of " + path.string());
#else
  const struct timespec times[2] = {{mtime, 0}, {mtime, 0}};
  if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
    throw std::runtime_error("cannot set the time of " + path.string());
#endif
}

void WriteTree(const fs::path& root, const std::vector<IsoEntry>& entries) {
  fs::create_directories(root);
  for (const IsoEntry& e : entries) {
    const fs::path path = root / Utf8Path(e.path);
    if (e.directory) {
      fs::create_directories(path);
      continue;
    }
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(e.content.data(), static_cast<std::streamsize>(e.content.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
  }
  // Times last, deepest first, so that writing a file does not move its directory's time.
  std::vector<const IsoEntry*> order;
  for (const IsoEntry& e : entries) order.push_back(&e);
  std::stable_sort(order.begin(), order.end(), [](const IsoEntry* a, const IsoEntry* b) {
    return std::count(a->path.begin(), a->path.end(), '/') > std::count(b->path.begin(), b->path.end(), '/');
  });
  for (const IsoEntry* e : order) SetMtime(root / Utf8Path(e->path), e->mtime);
}

void CopyInto(const fs::path& source, const fs::path& target, std::uint64_t offset) {
  std::ifstream in(source, std::ios::binary);
  std::fstream out(target, std::ios::binary | std::ios::in | std::ios::out);
  if (!in || !out) throw std::runtime_error("cannot copy " + source.string() + " into " + target.string());
  out.seekp(static_cast<std::streamoff>(offset));
  out << in.rdbuf();
  if (!out) throw std::runtime_error("cannot write " + target.string());
}

}  // namespace

#if defined(_WIN32)
int RunProgram(const std::vector<std::string>& argv, const fs::path& log) {
  const HostResult run = RunHostProgram(argv);
  std::ofstream(log, std::ios::binary) << run.out << run.err;
  return run.status;
}
#else
int RunProgram(const std::vector<std::string>& argv, const fs::path& log) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return 127;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return 127;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}
#endif

fs::path MakeIso(const TempDir& dir, const std::string& name, const std::vector<IsoEntry>& entries,
                 const IsoOptions& options) {
  const fs::path tree = dir / (name + ".tree");
  const fs::path image = dir / (name + ".iso");
  const fs::path log = dir / (name + ".log");
  WriteTree(tree, entries);
  std::vector<std::string> argv = MasteringTool();
  argv.insert(argv.end(), {"-quiet", "-o", HostToolPath(image)});
  if (options.joliet) argv.push_back("-J");
  if (options.rockRidge) argv.push_back("-R");
  if (!options.volumeId.empty()) argv.insert(argv.end(), {"-V", options.volumeId});
  if (options.multiSession) {
    argv.insert(argv.end(), {"-C", std::to_string(options.multiSession->first) + "," +
                                       std::to_string(options.multiSession->second)});
    argv.insert(argv.end(), {"-M", HostToolPath(options.previousImage)});
  }
  argv.insert(argv.end(), options.extraArgs.begin(), options.extraArgs.end());
  argv.push_back(HostToolPath(tree));
  if (RunProgram(argv, log) != 0 || !fs::exists(image))
    throw std::runtime_error("mastering " + name + " failed: " + ReadText(log));
  return image;
}

MultiSessionDisc MakeMultiSessionCdr(const TempDir& dir, const std::vector<SessionContent>& sessions,
                                     const CdrOptions& options) {
  MultiSessionDisc disc;
  disc.flatImage = dir / "disc-flat.img";
  std::ofstream(disc.flatImage, std::ios::binary | std::ios::trunc).close();
  for (std::size_t i = 0; i < sessions.size(); ++i) {
    IsoOptions iso = sessions[i].options;
    std::uint32_t start = 0;
    if (i > 0) {
      const std::uint32_t previousEnd = disc.starts.back() + disc.lengths.back();
      start = previousEnd + (i == 1 ? 11400u : 6900u);
      iso.multiSession = std::make_pair(disc.starts.back(), start);
      iso.previousImage = disc.flatImage;
    }
    const fs::path image = MakeIso(dir, "s" + std::to_string(i + 1), sessions[i].entries, iso);
    const auto bytes = fs::file_size(image);
    if (bytes == 0 || bytes % 2048 != 0) throw std::runtime_error(image.string() + " is not a whole number of blocks");
    CopyInto(image, disc.flatImage, std::uint64_t{start} * 2048);
    disc.images.push_back(image);
    disc.starts.push_back(start);
    disc.lengths.push_back(static_cast<std::uint32_t>(bytes / 2048));
  }

  std::ostringstream text;
  text << "# " << sessions.size() << "-session disc made with -C/-M\n"
       << "medium profile=" << options.profile << "\n"
       << "disc   status=" << (options.closed ? "complete" : "incomplete") << " capacity=" << options.capacity
       << "\n";
  for (std::size_t i = 0; i < sessions.size(); ++i) {
    text << "session number=" << i + 1 << "\n"
         << "track  number=" << i + 1 << " type=data start=" << disc.starts[i] << " length=" << disc.lengths[i]
         << " file=" << disc.images[i].filename().string() << " offset=0\n";
  }
  text << options.extraLines;
  disc.text = text.str();
  disc.description = dir / "disc.desc";
  std::ofstream(disc.description, std::ios::binary | std::ios::trunc) << disc.text;
  return disc;
}

}  // namespace tarnwick::test
