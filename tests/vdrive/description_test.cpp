// Disc descriptions (errors with line numbers, recognition) and bare images.
#include <gtest/gtest.h>
#if defined(_WIN32)
#include <functional>
#include <future>
#include <thread>

#include "platform/win32/OwnedHandle.h"
#else
#include <sys/stat.h>
#endif

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "support/IsoMaker.h"
#include "support/TempDir.h"
#include "vdrive/DriveTestHelpers.h"

namespace tarnwick::test {
namespace {

// Seconds since 1970 of a broken-down UTC time.
std::time_t UtcSeconds(std::tm date) {
#if defined(_WIN32)
  return ::_mkgmtime(&date);
#else
  return ::timegm(&date);
#endif
}

using vdrive::DescriptionError;

std::string ErrorOf(const std::string& text, const std::string& baseDir = ".") {
  try {
    vdrive::ParseDiscDescription(text, baseDir, "d.txt");
  } catch (const DescriptionError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(Description, MistakesAreReportedWithFileAndLine) {
  TempDir dir;
  std::ofstream(dir / "short.iso", std::ios::binary) << std::string(4 * 2048, '\0');
  const std::string session = "session number=1\n";
  const struct {
    std::string text;
    std::string expected;
  } cases[] = {
      {"# comment\n\nvolume size=3\n", "d.txt:3: unknown keyword 'volume'"},
      {"drive vendor=A colour=red\n", "d.txt:1: unknown key 'colour' in 'drive'"},
      {session + "track start=12x length=5\n", "d.txt:2: bad number '12x' for 'start'"},
      {session + "track start=0 length=100\nsession\ntrack start=50 length=10\n",
       "d.txt:4: track 2 overlaps track 1 (which ends before block 100)"},
      {"track start=0 length=5\n", "d.txt:1: track outside a session"},
      {session + "track start=0 length=5 file=missing.iso\n", "d.txt:2: cannot open 'missing.iso': No such file"},
      {session + "track start=0 length=5 file=short.iso\n", "d.txt:2: '" + (dir / "short.iso").string() +
                                                                 "' is too short for track 1"},
      {"drive product=\"unterminated\n", "d.txt:1: unterminated quoted value of 'product'"},
      {"disc status=empty\n" + session + "track start=0 length=5\n", "d.txt:1: an empty disc cannot have tracks"},
      {"medium profile=CD-ROM\ndisc status=incomplete\n" + session + "track start=0 length=5\n",
       "d.txt:2: a pressed disc"},
      {"medium profile=BLU-RAY\n", "d.txt:1: unknown profile 'BLU-RAY'"},
      {session + "session\n", "d.txt:1: session 1 has no tracks"},
      {"session number=2\n", "d.txt:1: session 2 should be session 1"},
      {"fault read start=1 sense=05/zz/00\n", "d.txt:1: sense '05/zz/00' is not KEY/ASC/ASCQ"},
      {"fault read start=1 chance=1.5\n", "d.txt:1: 'chance' takes a probability above 0"},
      {"fault read start=1 marginal=2 chance=0.5\n", "d.txt:1: a read fault is either marginal= or chance="},
      {"fault command=28 marginal=2\n", "d.txt:1: marginal= belongs to 'fault read'"},
      {"disc capacity=10\n" + session + "track start=0 length=20\n", "d.txt:1: capacity 10 is smaller"},
      {"drive vendor=TOOLONGNAME\n", "d.txt:1: 'vendor' is longer than 8 characters"},
      {"drive page2a=\"2a 05 00\"\n", "d.txt:1: 'page2a' must start with the page code"},
#if !defined(_WIN32)
      // A FIFO would block a plain open until a writer came.
      {session + "track start=0 length=5 file=pipe\n", "d.txt:2: cannot open 'pipe': is not a regular file"},
      {"image file=pipe\n", "d.txt:1: cannot open 'pipe': is not a regular file"},
#endif
  };
#if !defined(_WIN32)
  ASSERT_EQ(::mkfifo((dir / "pipe").string().c_str(), 0600), 0);
#endif
  for (const auto& c : cases) {
    const std::string error = ErrorOf(c.text, dir.str());
    EXPECT_EQ(error.substr(0, c.expected.size()), c.expected) << c.text;
  }
}

#if defined(_WIN32)
// A pipe that a server is waiting on and the devices every folder holds would block
// a read or never end; as an image or a description's file each is refused at once.
TEST(Description, WindowsPipesAndDevicesAreRefusedAtOnce) {
  TempDir dir;
  const std::string pipe = "\\\\.\\pipe\\tarnwick-test-" + std::to_string(::GetCurrentProcessId());
  const std::string session = "session number=1\n";
  for (const std::string& name : {pipe, std::string("NUL"), std::string("CON"), std::string("COM1")}) {
    const struct {
      std::string route;
      std::function<std::string()> open;
    } routes[] = {
        {"image file=", [&] { return ErrorOf("image file=" + name + "\n", dir.str()); }},
        {"track file=", [&] { return ErrorOf(session + "track start=0 length=5 file=" + name + "\n", dir.str()); }},
        {"--image", [&]() -> std::string {
           try {
             vdrive::OpenVirtualDrive(name);
           } catch (const DescriptionError& e) {
             return e.what();
           }
           return "(no error)";
         }},
    };
    for (const auto& route : routes) {
      // A fresh instance of the pipe waits for each open, so that each would connect.
      const platform::OwnedWin32Handle server(::CreateNamedPipeA(pipe.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE,
                                                                 PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr));
      ASSERT_TRUE(server.valid()) << ::GetLastError();
      // A blocked open is left behind in its thread; the process ends it.
      std::packaged_task<std::string()> task(route.open);
      std::future<std::string> error = task.get_future();
      std::thread(std::move(task)).detach();
      ASSERT_EQ(error.wait_for(std::chrono::seconds(10)), std::future_status::ready) << route.route << name;
      const std::string text = error.get();
      EXPECT_NE(text.find("is not a regular file"), std::string::npos) << route.route << name << ": " << text;
    }
  }
}
#endif

TEST(Description, FilesRelativeToTheDescriptionAndOffsetsInBytes) {
  TempDir dir;
  std::string image(6 * 2048, '\0');
  image[0] = 'H';  // a 2048-byte header, then the track
  for (int b = 0; b < 5; ++b) image[2048 + b * 2048] = static_cast<char>('0' + b);
  std::ofstream(dir / "t.bin", std::ios::binary) << image;
  std::ofstream(dir / "flat.img", std::ios::binary) << std::string(300 * 2048, 'f');
  std::ofstream(dir / "d.txt") << "   # a description\n\n"
                                  "image file=flat.img\n"
                                  "session number=1\n"
                                  "track number=1 start=0 length=100\n"
                                  "track number=2 start=200 length=5 file=\"t.bin\" offset=2048\n"
                                  "track number=3 start=250 length=50\n";
  auto drive = vdrive::OpenVirtualDrive((dir / "d.txt").string());
  EXPECT_EQ(Send(*drive, Read10Cdb(299, 1), 2048).data[0], 'f');  // flat image: block n at n*2048
  for (std::uint32_t b = 0; b < 5; ++b) EXPECT_EQ(Send(*drive, Read10Cdb(200 + b, 1), 2048).data[0], '0' + b);
  EXPECT_EQ(Send(*drive, Read10Cdb(150, 1), 2048).asc(), 0x21);
}

TEST(BareImage, IsOneCompleteSessionOnACdRom) {
  TempDir dir;
  IsoOptions options;
  options.joliet = true;
  options.volumeId = "PLAIN";
  const auto iso = MakeIso(dir, "plain", {{"hello.txt", "hello", 1'000'000'000}}, options);
  auto drive = vdrive::OpenVirtualDrive(iso.string());
  EXPECT_EQ(drive->Describe(), iso.string());
  const std::uint32_t blocks = static_cast<std::uint32_t>(std::filesystem::file_size(iso) / 2048);
  EXPECT_EQ(GetBE16(&Send(*drive, GetConfigCdb(2, 0), 114).data[6]), 0x0008);
  EXPECT_EQ(GetBE32(&Send(*drive, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8).data[0]), blocks - 1);
  auto toc = Send(*drive, ReadTocCdb(0, false, 0, 114), 114);
  ASSERT_EQ(toc.data.size(), 20u);
  EXPECT_EQ(GetBE32(&toc.data[8]), 0u);
  EXPECT_EQ(GetBE32(&toc.data[16]), blocks);
  auto pvd = Send(*drive, Read10Cdb(16, 1), 2048);
  EXPECT_EQ(std::string(pvd.data.begin() + 40, pvd.data.begin() + 45), "PLAIN");
  // The file carries the time it was given: 2001-09-09 01:46:40 UTC.
  const auto record = FindRecord(*drive, GetLE32(&pvd.data[156 + 2]), "HELLO.TXT;1");
  ASSERT_GE(record.size(), 33u);
  struct tm date {};
  date.tm_year = record[18];
  date.tm_mon = record[19] - 1;
  date.tm_mday = record[20];
  date.tm_hour = record[21];
  date.tm_min = record[22];
  date.tm_sec = record[23];
  EXPECT_EQ(UtcSeconds(date) - static_cast<std::int8_t>(record[24]) * 15 * 60, 1'000'000'000);
  EXPECT_EQ(Send(*drive, DiscInfoCdb(), 56).data[2], 0x0E);
}

TEST(BareImage, AFourGigabyteSparseImageOpensAtOnceAsADvd) {
  TempDir dir;
  const auto path = dir / "big.iso";
  {
    std::ofstream(path, std::ios::binary).close();
    std::filesystem::resize_file(path, 4LL << 30);
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(16 * 2048).write("\x01" "CD001", 6);
    file.seekp((4LL << 30) - 2048).write("end", 3);
    ASSERT_TRUE(file.good());
  }
  const auto before = std::chrono::steady_clock::now();
  auto drive = vdrive::OpenVirtualDrive(path.string());
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
  EXPECT_EQ(GetBE16(&Send(*drive, GetConfigCdb(2, 0), 114).data[6]), 0x0010);
  EXPECT_EQ(GetBE32(&Send(*drive, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8).data[0]), 2097151u);
  const auto last = Send(*drive, Read10Cdb(2097151, 1), 2048);
  ASSERT_TRUE(last.good());
  EXPECT_EQ(std::string(last.data.begin(), last.data.begin() + 3), "end");
  EXPECT_EQ(Send(*drive, Read10Cdb(16, 1), 2048).data[1], 'C');
}

TEST(BareImage, FilesThatCannotServeAreReported) {
  TempDir dir;
  std::ofstream(dir / "empty.iso").close();
  std::ofstream(dir / "tiny.iso") << "drivel";  // not a keyword, and less than a block
  for (const char* name : {"empty.iso", "tiny.iso", "absent.iso"}) {
    const std::string path = (dir / name).string();
    try {
      vdrive::OpenVirtualDrive(path);
      ADD_FAILURE() << name;
    } catch (const DescriptionError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(path + ": ", 0), 0u) << e.what();
    }
  }
}

}  // namespace
}  // namespace tarnwick::test
