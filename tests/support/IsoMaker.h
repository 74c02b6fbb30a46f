// Builds ISO 9660 images with the system's mastering tool (genisoimage, or xorriso in
// its mkisofs mode) from a list of files, and multi-session CD-R discs made the way a
// burning program appends sessions, with a disc description for the virtual drive.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/TempDir.h"

namespace tarnwick::test {

// One file or directory of an image. `path` uses '/' ("docs/a.txt"); parent
// directories are created as needed.
struct IsoEntry {
  std::string path;
  std::string content;
  std::time_t mtime = 1'000'000'000;  // 2001-09-09
  bool directory = false;
};

struct IsoOptions {
  bool joliet = false;
  bool rockRidge = false;
  std::string volumeId;
  // A next session: -C "lastSessionStart,nextSessionStart" and -M previousImage, where
  // the previous image holds every earlier block at its address (block n at n*2048).
  std::optional<std::pair<std::uint32_t, std::uint32_t>> multiSession;
  std::filesystem::path previousImage;
  std::vector<std::string> extraArgs;
};

// Writes the entries under dir/<name>.tree and masters dir/<name>.iso from them;
// returns the image path. Throws std::runtime_error with the tool's output on failure.
std::filesystem::path MakeIso(const TempDir& dir, const std::string& name, const std::vector<IsoEntry>& entries,
                              const IsoOptions& options = {});

struct SessionContent {
  std::vector<IsoEntry> entries;
  IsoOptions options;  // the builder fills in the multi-session fields
};

struct CdrOptions {
  bool closed = false;                // disc status complete instead of incomplete
  std::string profile = "CD-R";
  std::uint32_t capacity = 359849;    // 80-minute disc
  std::string extraLines;             // appended to the description (drive, fault lines)
};

struct MultiSessionDisc {
  std::filesystem::path description;      // dir/disc.desc
  std::string text;                       // its text
  std::vector<std::filesystem::path> images;  // per session: its first block at byte 0
  std::vector<std::uint32_t> starts;      // first block of each session
  std::vector<std::uint32_t> lengths;     // blocks of each session
  std::filesystem::path flatImage;        // every session at its block address (sparse)
};

// Masters one image per session, each later one referring to the earlier sessions
// (-C/-M), placed as a CD recorder places them: session 1 at block 0, session 2
// 11400 blocks after the end of session 1 (lead-out, lead-in, pre-gap), later ones
// 6900 blocks after the previous end. Writes the disc description dir/disc.desc.
MultiSessionDisc MakeMultiSessionCdr(const TempDir& dir, const std::vector<SessionContent>& sessions,
                                     const CdrOptions& options = {});

// The path a host program (the mastering tool, isoinfo, sh) is given for a local file:
// the path itself, or under wine the host path behind drive Z:.
std::string HostToolPath(const std::filesystem::path& path);

// Runs a program (looked up in PATH) and waits; returns its exit status (127 when it
// could not be started). Its standard output and error go to `log`.
int RunProgram(const std::vector<std::string>& argv, const std::filesystem::path& log);

}  // namespace tarnwick::test
