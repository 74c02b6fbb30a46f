#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "support/OwnPlatform.h"
#include "support/TempDir.h"
#include "support/TestFiles.h"

namespace tarnwick::platform {
namespace {

namespace fs = std::filesystem;

class FilesTest : public ::testing::Test {
 protected:
  test::OwnPlatform platform;
  test::TempDir dir;

  // Creates `path` holding `text`; false when any step fails.
  bool Write(const fs::path& path, const std::string& text) {
    const Handle file = platform.CreateFileForWrite(path.string());
    if (file == kInvalidHandle || file == 0) return false;
    std::uint32_t written = 0;
    const bool ok = platform.WriteFile(file, text.data(), static_cast<std::uint32_t>(text.size()), &written);
    return platform.CloseHandle(file) && ok && written == text.size();
  }
};

TEST_F(FilesTest, CreateTruncatesAndClosedHandlesAreRefused) {
  const fs::path path = dir / "out.bin";
  ASSERT_TRUE(Write(path, "a longer first content"));
  ASSERT_TRUE(Write(path, "short"));
  EXPECT_EQ(test::ReadWholeFile(path), "short");

  const Handle file = platform.CreateFileForWrite(path.string());
  ASSERT_TRUE(platform.CloseHandle(file));
  std::uint32_t written = 99;
  EXPECT_FALSE(platform.WriteFile(file, "x", 1, &written));
  EXPECT_EQ(written, 0u);
  EXPECT_FALSE(platform.CloseHandle(file));

  EXPECT_TRUE(platform.RemoveFile(path.string()));
  EXPECT_FALSE(platform.RemoveFile(path.string()));
#if defined(_WIN32)
  EXPECT_FALSE(platform.LastErrorMessage().empty());
#else
  EXPECT_EQ(platform.LastErrorMessage(), "No such file or directory");
#endif
}

TEST_F(FilesTest, SymlinkAtTheDestinationIsReplacedAndItsTargetLeftAlone) {
#if defined(_WIN32)
  GTEST_SKIP() << "making symbolic links needs a privilege on Windows";
#endif
  const fs::path target = dir / "precious.txt";
  std::ofstream(target) << "keep me";
  const fs::path link = dir / "extracted.txt";
  fs::create_symlink(target, link);
  ASSERT_TRUE(Write(link, "new data"));
  EXPECT_FALSE(fs::is_symlink(fs::symlink_status(link)));
  EXPECT_EQ(test::ReadWholeFile(link), "new data");
  EXPECT_EQ(test::ReadWholeFile(target), "keep me");

  // A dangling link must not create its target either.
  fs::create_symlink(dir / "elsewhere", dir / "dangling");
  ASSERT_TRUE(Write(dir / "dangling", "x"));
  EXPECT_FALSE(fs::exists(dir / "elsewhere"));
}

TEST_F(FilesTest, RefusesDirectoriesAndFifosWithoutBlocking) {
  fs::create_directory(dir / "sub");
  EXPECT_EQ(platform.CreateFileForWrite((dir / "sub").string()), kInvalidHandle);
  EXPECT_FALSE(platform.LastErrorMessage().empty());
#if defined(_WIN32)
  // Device names open a device in every directory; they are never written to.
  for (const char* device : {"NUL", "con.txt", "COM1", "name."}) {
    EXPECT_EQ(platform.CreateFileForWrite((dir / device).string()), kInvalidHandle) << device;
  }
#else
  // A FIFO without a reader would block a plain open for writing.
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  EXPECT_EQ(platform.CreateFileForWrite((dir / "pipe").string()), kInvalidHandle);
#endif
}

TEST_F(FilesTest, LastWriteTimeIsLocalTimeIncludingSummerTime) {
#if defined(_WIN32)
  GTEST_SKIP() << "a Windows program cannot switch its own time zone (TZ) to check the rules";
#else
  const char* oldZone = std::getenv("TZ");
  const std::string saved = oldZone != nullptr ? oldZone : "";
  ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  ::tzset();
  const struct {
    LocalDateTime local;
    std::time_t utc;
  } cases[] = {
      {{2004, 2, 29, 14, 45, 10}, 1078062310},  // winter: UTC+1
      {{2004, 7, 1, 12, 0, 0}, 1088676000},     // summer: UTC+2
  };
  const fs::path path = dir / "dated.txt";
  for (const auto& c : cases) {
    const Handle file = platform.CreateFileForWrite(path.string());
    ASSERT_NE(file, kInvalidHandle);
    EXPECT_TRUE(platform.SetFileTime(file, c.local));
    platform.CloseHandle(file);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, c.utc);
  }
  oldZone != nullptr ? ::setenv("TZ", saved.c_str(), 1) : ::unsetenv("TZ");
  ::tzset();
#endif
}

TEST_F(FilesTest, ImpossibleDatesAreRefusedNotRolledOver) {
  const Handle file = platform.CreateFileForWrite((dir / "dated.txt").string());
  ASSERT_NE(file, kInvalidHandle);
  EXPECT_FALSE(platform.SetFileTime(file, {2003, 2, 29, 0, 0, 0}));
  EXPECT_FALSE(platform.SetFileTime(file, {2004, 13, 1, 0, 0, 0}));
  EXPECT_FALSE(platform.SetFileTime(file, {2004, 1, 1, 24, 0, 0}));
  EXPECT_TRUE(platform.SetFileTime(file, {2004, 2, 29, 23, 59, 58}));
  platform.CloseHandle(file);
}

}  // namespace
}  // namespace tarnwick::platform
