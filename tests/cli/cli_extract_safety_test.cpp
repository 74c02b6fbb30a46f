// Extraction never harms a local file, never lets two disc entries share one local
// name, and every message names the real cause in text that is safe for a terminal.
// All cases run tarnwick-cli on one crafted disc, with and without unreadable sectors.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#if !defined(_WIN32)
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#else
#include <chrono>
#include <future>
#include <sstream>
#include <thread>

#include "cli/CliDrive.h"
#include "cli/Commands.h"
#include "cli/Interruption.h"
#include "platform/win32/ConsoleEvents.h"
#endif

#include "CliRun.h"
#include "support/CraftedIso.h"
#include "support/Environment.h"
#include "support/TempDir.h"
#include "support/TestFiles.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;
using R = CraftedRecord;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Sectors of the crafted disc that the faulty description makes unreadable: one in the
// middle of BIG.BIN's second 31-sector read, and the whole of F<ESC>G.
constexpr std::uint32_t kBigLba = 60;
constexpr std::uint32_t kBigFault = kBigLba + 40;
constexpr std::uint32_t kEscFileLba = 40;

// Names that map to one local name ("A/B" and "A_B"; "README." and "README";
// directories "SUB" and "SUB."; a file "D" and a directory "D."), names with
// control characters, a large file and a small one.
struct SafetyDisc {
  TempDir dir;
  std::string image;
  std::string faulty;  // the same image with unreadable sectors
  std::string links;   // a Rock Ridge disc holding one symbolic link, LINK -> target
  std::string big = PatternBytes(100000, 7);

  SafetyDisc() {
    CraftedIso iso(40);
    iso.Descriptor(16, 1, 20, 2048);
    iso.Terminator(17);
    iso.Directory(20, {R::Dot(20, 2048), R::DotDot(20, 2048), R::File("A/B;1", 30, 3), R::File("A_B;1", 31, 3),
                       R::File("README.;1", 32, 5), R::File("README;1", 33, 4), R::Dir("SUB", 21), R::Dir("SUB.", 22),
                       R::File("D;1", 34, 5), R::Dir("D.", 23), R::File("E\x1b[2JVIL;1", 35, 4),
                       R::Dir("C\aD", 24), R::File("BIG.BIN;1", kBigLba, 100000), R::File("KEEP.TXT;1", 36, 5)});
    iso.Directory(21, {R::Dot(21, 2048), R::DotDot(20, 2048), R::File("X.TXT;1", 37, 4)});
    iso.Directory(22, {R::Dot(22, 2048), R::DotDot(20, 2048), R::File("X.TXT;1", 38, 3)});
    iso.Directory(23, {R::Dot(23, 2048), R::DotDot(20, 2048), R::File("Y;1", 39, 5)});
    iso.Directory(24, {R::Dot(24, 2048), R::DotDot(20, 2048), R::File("F\x1bG;1", kEscFileLba, 3)});
    const std::vector<std::pair<std::uint32_t, std::string>> data = {
        {30, "one"}, {31, "two"}, {32, "three"}, {33, "four"},  {34, "seven"}, {35, "nine"},
        {36, "fresh"}, {37, "five"}, {38, "six"}, {39, "eight"}, {kEscFileLba, "ten"}};
    for (const auto& [lba, text] : data) iso.Data(lba, text);
    iso.Data(kBigLba, big);
    image = iso.Write(dir / "safety.iso");
    faulty = (dir / "faulty.desc").string();
    std::ofstream(faulty) << "image file=safety.iso\nsession number=1\ntrack type=data start=0 length="
                          << iso.Sectors() << "\nfault read start=" << kBigFault << " count=1\nfault read start="
                          << kEscFileLba << " count=1\n";

    R link = R::File("LINK;1", 0, 0);
    link.systemUse = SuspEntry("NM", std::string(1, '\0') + "LINK") +
                     SuspEntry("SL", std::string("\0\0\x06", 3) + "target");
    links = CraftedIso::RockRidgeRoot({link}).Write(dir / "links.iso");
  }
};

// Every regular file under `root`, by its path relative to it, with its contents.
std::map<std::string, std::string> FilesUnder(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& item : fs::recursive_directory_iterator(root))
    if (item.is_regular_file()) files[fs::relative(item.path(), root).generic_string()] = ReadWholeFile(item.path());
  return files;
}

// True when the text holds a control character other than a line end.
bool HasRawControl(const std::string& text) {
  for (unsigned char c : text)
    if ((c < 0x20 && c != '\n') || c == 0x7F) return true;
  return false;
}

TEST(ExtractSafety, LocalFilesAreNeverDestroyedOrRedirected) {
  const SafetyDisc disc;
  enum class Before { File, HardLink, SymLink, Directory };
  struct Case {
    const char* what;
    const char* entry;  // BIG.BIN cannot be read whole; KEEP.TXT can; LINK is a link
    Before before;
    int status;
    const char* after;  // what the destination then holds; nullptr: the disc's data
    const char* message;
  };
  const std::vector<Case> cases = {
      {"read error over a file", "BIG.BIN", Before::File, 1, "mine", "at sector"},
      {"read error over a hard link", "BIG.BIN", Before::HardLink, 1, "outside", "at sector"},
      {"read error over a symbolic link", "BIG.BIN", Before::SymLink, 1, "outside", "at sector"},
      {"a file replaced", "KEEP.TXT", Before::File, 0, nullptr, ""},
      {"a hard link replaced", "KEEP.TXT", Before::HardLink, 0, nullptr, ""},
      {"a symbolic link replaced", "KEEP.TXT", Before::SymLink, 0, nullptr, ""},
      {"a directory in the way", "KEEP.TXT", Before::Directory, 1, nullptr, "Cannot create file "},
      // Not the disc's link: what stands there is named as the local thing it is.
      {"a symbolic link where a link goes", "LINK", Before::SymLink, 1, "outside",
       "LINK already exists and was left alone"},
      {"a hard link where a link goes", "LINK", Before::HardLink, 1, "outside", "LINK already exists and was left alone"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
#if defined(_WIN32)
    if (c.before == Before::SymLink) continue;  // making symbolic links needs a privilege on Windows
#endif
    TempDir out, elsewhere;
    const fs::path outside = elsewhere / "outside.txt";
    std::ofstream(outside) << "outside";
    const fs::path destination = out / c.entry;
    switch (c.before) {
      case Before::File: std::ofstream(destination) << "mine"; break;
      case Before::HardLink: fs::create_hard_link(outside, destination); break;
      case Before::SymLink: fs::create_symlink(outside, destination); break;
      case Before::Directory: fs::create_directory(destination); break;
    }
    const CliResult r =
        c.entry == std::string("LINK")
            ? RunCli({"--image", disc.links, "extract", "--symlinks", "--to", out.str(), c.entry})
            : RunCli({"--image", disc.faulty, "extract", "--to", out.str(), c.entry});
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_TRUE(Contains(r.err, c.message)) << r.err;
    EXPECT_EQ(ReadWholeFile(outside), "outside");
    if (c.before == Before::Directory) {
      EXPECT_TRUE(fs::is_directory(destination));
    } else if (c.after != nullptr) {
      EXPECT_EQ(ReadWholeFile(destination), c.after);
      EXPECT_EQ(fs::is_symlink(destination), c.before == Before::SymLink);
    } else {
      EXPECT_EQ(ReadWholeFile(destination), std::string("fresh"));
      EXPECT_FALSE(fs::is_symlink(destination));
      EXPECT_EQ(fs::hard_link_count(destination), 1u);
    }
    // No temporary file is left behind, whatever happened.
    std::size_t names = 0;
    for (const auto& item : fs::directory_iterator(out.path())) {
      ++names;
      EXPECT_EQ(item.path().extension(), fs::path(c.entry).extension()) << item.path();
    }
    EXPECT_EQ(names, 1u);
  }
}

#if defined(_WIN32)
// Where no link can be made at all (this build cannot make them), the links are
// counted and said once, the files still come out, and the status says something is
// missing.
TEST(ExtractSafety, LinksThatCannotBeMadeAreSaidOnce) {
  TempDir dir, out;
  const std::string image = CraftedIso::RockRidgeLinks().Write(dir / "links.iso");
  const CliResult r = RunCli({"--image", image, "extract", "-R", "--symlinks", "--to", out.str(), "/"});
  EXPECT_EQ(r.status, 1) << r.err;
  const std::string said = "symbolic links cannot be created in " + out.str();
  EXPECT_EQ(r.err.find(said), r.err.rfind(said)) << r.err;
  EXPECT_TRUE(Contains(r.err, "): 2 symbolic links were not created")) << r.err;
  EXPECT_EQ(ReadWholeFile(out / "target.txt"), "hello");
}
#endif

TEST(ExtractSafety, EntriesThatMapToOneLocalNameAllSurvive) {
  const SafetyDisc disc;
  struct Case {
    std::vector<std::string> paths;
    std::map<std::string, std::string> expected;  // some of the files written
    std::size_t files;                            // how many files in all
    std::vector<std::string> renamings;           // "disc path extracted as local path" on stderr
  };
  const std::vector<Case> cases = {
      {{"/"},
       {{"A_B", "one"}, {"A_B~2", "two"}, {"README", "three"}, {"README~2", "four"}, {"SUB/X.TXT", "five"},
        {"SUB~2/X.TXT", "six"}, {"D", "seven"}, {"D~2/Y", "eight"}},
       12,
       {"/A_B. extracted as %/A_B~2", "/README. extracted as %/README~2", "/SUB. extracted as %/SUB~2",
        "/D. extracted as %/D~2"}},
      {{"SUB/X.TXT", "SUB./X.TXT"}, {{"X.TXT", "five"}, {"X~2.TXT", "six"}}, 2, {"/SUB./X.TXT extracted as %/X~2.TXT"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.paths.front());
    TempDir out;
    std::vector<std::string> args = {"--image", disc.image, "extract", "-R", "--to", out.str()};
    args.insert(args.end(), c.paths.begin(), c.paths.end());
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::map<std::string, std::string> files = FilesUnder(out.path());
    EXPECT_EQ(files.size(), c.files) << r.out;
    for (const auto& [path, contents] : c.expected) {
      ASSERT_TRUE(files.count(path)) << path << "\n" << r.out;
      EXPECT_EQ(files.at(path), contents) << path;
    }
    for (std::string renaming : c.renamings) {
      renaming.replace(renaming.find('%'), 1, out.str());
      EXPECT_TRUE(Contains(r.err, "tarnwick-cli: " + renaming + ": ")) << renaming << "\n" << r.err;
    }
  }
}

TEST(ExtractSafety, MessagesNameTheCauseInTextSafeForATerminal) {
  const SafetyDisc disc;
  TempDir out;
  const std::string bigSector = "at sector " + std::to_string(kBigFault) + ": ";
  struct Case {
    std::vector<std::string> args;
    int status;
    std::vector<std::string> out;  // parts of standard output
    std::vector<std::string> err;  // parts of standard error
  };
  const std::vector<Case> cases = {
      {{"ls"}, 0, {" E\\x1b[2JVIL.  ", " C\\x07D  "}, {}},
      {{"ls", "-R"}, 0, {"/C\\x07D:\n 1 F\\x1bG.  "}, {}},
      {{"ls", "-l", "-R"}, 0, {" E\\x1b[2JVIL.\n", "/C\\x07D:\n", " F\\x1bG.\n"}, {}},
      {{"extract", "--to", out.str(), "BIG.BIN"}, 1, {}, {"Cannot read file BIG.BIN " + bigSector}},
      {{"cat", "BIG.BIN"}, 1, {}, {"cannot read /BIG.BIN " + bigSector}},
      {{"extract", "-R", "--to", out.str(), "C\aD"},
       1,
       {},
       {"Cannot read file F\\x1bG. at sector " + std::to_string(kEscFileLba) + ": "}},
#if defined(_WIN32)  // control characters are not allowed in Windows names
      {{"--debug", "extract", "--to", out.str(), "E\x1b[2JVIL"}, 0, {"/E_[2JVIL\n"}, {"EXTRACTING FILE E\\x1b"}},
#else
      {{"--debug", "extract", "--to", out.str(), "E\x1b[2JVIL"}, 0, {"/E\\x1b[2JVIL\n"}, {"EXTRACTING FILE E\\x1b"}},
#endif
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"--image", disc.faulty};
    args.insert(args.end(), c.args.begin(), c.args.end());
    SCOPED_TRACE(testing::PrintToString(args));
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, c.status) << r.err;
    const bool data = c.args.front() == "cat";  // the file's bytes, whatever they are
    for (const std::string& part : c.out) EXPECT_TRUE(Contains(r.out, part)) << part << "\n" << r.out;
    for (const std::string& part : c.err) EXPECT_TRUE(Contains(r.err, part)) << part << "\n" << r.err;
    if (c.status != 0) {
      EXPECT_TRUE(Contains(r.err, "UNRECOVERED READ ERROR")) << r.err;
    }
    if (!data) {
      EXPECT_FALSE(HasRawControl(r.out)) << r.out;
    }
    EXPECT_FALSE(HasRawControl(r.err)) << r.err;
  }

  // JSON keeps the names as they are, escaped the JSON way.
  const CliResult json = RunCli({"--image", disc.image, "ls", "-R", "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_FALSE(HasRawControl(json.out));
  std::vector<std::string> names;
  const nlohmann::json document = nlohmann::json::parse(json.out);
  for (const auto& entry : document["entries"]) names.push_back(entry["name"].get<std::string>());
  EXPECT_NE(std::find(names.begin(), names.end(), "E\x1b[2JVIL."), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "F\x1bG."), names.end());

#if !defined(_WIN32)
  // A FIFO at the destination is neither opened nor said to be replaced.
  TempDir withFifo;
  ASSERT_EQ(::mkfifo((withFifo / "KEEP.TXT").c_str(), 0600), 0);
  const CliResult fifo = RunCli({"--image", disc.image, "extract", "--to", withFifo.str(), "KEEP.TXT"});
  EXPECT_EQ(fifo.status, 1);
  EXPECT_TRUE(Contains(fifo.err, "KEEP.TXT: it exists and is not a regular file")) << fifo.err;
  EXPECT_FALSE(Contains(fifo.err, "replacing")) << fifo.err;
#endif

  // A file that cannot be created says why, in the system's words.
  if (DirectoryPermissionsApply()) {
    TempDir locked;
    fs::permissions(locked.path(), fs::perms::owner_read | fs::perms::owner_exec);
    const CliResult denied = RunCli({"--image", disc.image, "extract", "--to", locked.str(), "KEEP.TXT"});
    EXPECT_EQ(denied.status, 1);
    EXPECT_TRUE(Contains(denied.err, "Cannot create file " + (locked / "KEEP.TXT").string() + ": Permission denied"))
        << denied.err;
  }
}

// A disc holding BIG.BIN, 2 GiB of holes: an extraction of it lasts long enough to be
// stopped midway.
static std::string LongExtractionImage(const TempDir& dir) {
  CraftedIso iso(41);
  iso.Descriptor(16, 1, 20, 2048);
  iso.Terminator(17);
  constexpr std::uint32_t kSize = 0x7FFFF800;
  iso.Directory(20, {R::Dot(20, 2048), R::DotDot(20, 2048), R::File("BIG.BIN;1", 40, kSize)});
  const std::string image = iso.Write(dir / "big.iso");
  fs::resize_file(image, 40 * 2048 + std::uint64_t{kSize});
  return image;
}

#if !defined(_WIN32)
// A closed terminal, Ctrl-\\ and a closed pipe stop an extraction as Ctrl-C does: the
// file being written goes with it, and the status says the run did not finish.
TEST(ExtractSafety, StopSignalsLeaveNoPartialFile) {
  TempDir dir;
  const std::string image = LongExtractionImage(dir);
  for (const int signal : {SIGHUP, SIGQUIT, SIGPIPE, SIGINT}) {
    TempDir out;
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::freopen("/dev/null", "w", stdout);
      ::freopen("/dev/null", "w", stderr);
      ::setenv("TARNWICK_NO_REAL_DRIVES", "1", 1);
      ::execl(TARNWICK_CLI_PATH, TARNWICK_CLI_PATH, "--image", image.c_str(), "extract", "--to", out.str().c_str(),
              "BIG.BIN", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    // Once the file is being written, the run is stopped.
    for (int i = 0; i < 2000 && (fs::is_empty(out.path()) || fs::file_size(fs::directory_iterator(out.path())->path()) == 0); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::kill(pid, signal);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0) << signal << ": " << status;
    EXPECT_TRUE(fs::is_empty(out.path())) << signal;
  }
}
#else
// Every console event (each delivered as the system does, from a thread of its own,
// to the handler the extraction installed) stops it as Ctrl-C does on other systems:
// the file being written goes with it, the same message and status. The first Ctrl-C
// or Ctrl-Break only asks; a second is left to the system, which ends the process.
TEST(ExtractSafety, ConsoleEventsLeaveNoPartialFile) {
  TempDir dir;
  const std::string image = LongExtractionImage(dir);
  using platform::ConsoleEventAnswer;
  const struct {
    DWORD event;
    ConsoleEventAnswer answer;
  } cases[] = {
      {CTRL_C_EVENT, ConsoleEventAnswer::Stopping},
      {CTRL_BREAK_EVENT, ConsoleEventAnswer::Stopping},
      {CTRL_CLOSE_EVENT, ConsoleEventAnswer::StoppingBeforeTheEnd},
      {CTRL_LOGOFF_EVENT, ConsoleEventAnswer::StoppingBeforeTheEnd},
      {CTRL_SHUTDOWN_EVENT, ConsoleEventAnswer::StoppingBeforeTheEnd},
  };
  SetEnv("TARNWICK_NO_REAL_DRIVES", "1");
  cli::GlobalOptions global;
  global.images = {image};
  std::ostringstream opening;
  cli::CliDrive drive(global, opening);
  for (const auto& c : cases) {
    TempDir out;
    std::ostringstream messages;
    cli::ExtractOptions options;
    options.to = out.str();
    options.paths = {"BIG.BIN"};
    std::future<int> status = std::async(std::launch::async, [&] {
      try {
        drive.Select();
        return cli::CmdExtract(drive, options, messages, messages);
      } catch (const cli::CliError& e) {
        messages << e.message;
        return e.status;
      }
    });
    // Once the file is being written, the event comes.
    for (int i = 0; i < 2000 && (fs::is_empty(out.path()) || fs::file_size(fs::directory_iterator(out.path())->path()) == 0); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(std::async(std::launch::async, platform::AnswerConsoleEvent, c.event).get(), c.answer) << c.event;
    EXPECT_EQ(status.get(), 1) << c.event;
    EXPECT_TRUE(Contains(messages.str(), "interrupted; the file being written when it came was not kept")) << messages.str();
    EXPECT_TRUE(fs::is_empty(out.path())) << c.event;
    // Once the extraction is over, no event is the program's any more.
    EXPECT_EQ(platform::AnswerConsoleEvent(c.event), ConsoleEventAnswer::PassedOn) << c.event;
  }
  UnsetEnv("TARNWICK_NO_REAL_DRIVES");
  for (const DWORD key : {CTRL_C_EVENT, CTRL_BREAK_EVENT}) {
    const cli::InterruptionScope scope;
    EXPECT_EQ(platform::AnswerConsoleEvent(key), ConsoleEventAnswer::Stopping) << key;
    EXPECT_EQ(platform::AnswerConsoleEvent(key), ConsoleEventAnswer::PassedOn) << key;
    EXPECT_TRUE(cli::InterruptionScope::Interrupted()) << key;
  }
}
#endif

}  // namespace
}  // namespace tarnwick::test
