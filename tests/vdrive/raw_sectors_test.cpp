// Image tracks kept as whole sectors: READ(10) serves the user data of each layout,
// and a sector whose sync, address, mode or form is wrong is a read error, never data.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "DriveTestHelpers.h"
#include "support/CdSector.h"
#include "support/TempDir.h"
#include "support/TestFiles.h"
#include "vdrive/RawSector.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kBlocks = 3;

// Sector `lba` of a mode 2 form 1 track holding `user`; `whole`: with sync and header.
std::string Mode2Sector(std::uint32_t lba, const std::string& user, bool whole) {
  std::string s;
  if (whole) {
    s.assign(reinterpret_cast<const char*>(vdrive::kSyncPattern), 12);
    const vdrive::Msf msf = vdrive::LbaToMsf(lba);
    s += static_cast<char>(vdrive::ToBcd(msf.m));
    s += static_cast<char>(vdrive::ToBcd(msf.s));
    s += static_cast<char>(vdrive::ToBcd(msf.f));
    s += '\x02';
  }
  s += std::string("\0\0\x08\0\0\0\x08\0", 8) + user + std::string(280, '\0');
  return s;
}

std::string Sector(const std::string& mode, std::uint32_t lba, const std::string& user) {
  if (mode == "MODE1/2048" || mode == "MODE2/2048") return user;
  if (mode == "MODE2/2352") return Mode2Sector(lba, user, true);
  if (mode == "MODE2/2336") return Mode2Sector(lba, user, false);
  std::string s(2352, '\0');
  MakeMode1Sector(lba, reinterpret_cast<const std::uint8_t*>(user.data()), reinterpret_cast<std::uint8_t*>(s.data()));
  return s;
}

// A one-track CUE image of `mode` whose block `damaged` is changed at byte `at` to `byte`.
fs::path WriteImage(const TempDir& dir, const std::string& mode, const std::string& user, int damaged = -1,
                    std::size_t at = 0, char byte = 0) {
  std::string data;
  for (std::uint32_t b = 0; b < kBlocks; ++b) {
    std::string sector = Sector(mode, b, user.substr(b * 2048, 2048));
    if (static_cast<int>(b) == damaged) sector[at] = byte;
    data += sector;
  }
  std::ofstream(dir / "t.bin", std::ios::binary) << data;
  std::ofstream(dir / "t.cue") << "FILE \"t.bin\" BINARY\n  TRACK 01 " << mode << "\n    INDEX 01 00:00:00\n";
  return dir / "t.cue";
}

TEST(RawSectors, EveryLayoutServesItsUserData) {
  const std::string user = PatternBytes(kBlocks * 2048, 7);
  for (const char* mode : {"MODE1/2048", "MODE1/2352", "MODE2/2048", "MODE2/2336", "MODE2/2352"}) {
    SCOPED_TRACE(mode);
    TempDir dir;
    auto drive = vdrive::OpenVirtualDrive(WriteImage(dir, mode, user).string());
    const DriveAnswer a = Send(*drive, Read10Cdb(0, kBlocks), kBlocks * 2048);
    ASSERT_TRUE(a.good());
    EXPECT_TRUE(std::string(a.data.begin(), a.data.end()) == user);
    // A buffer ending inside a block gets that block's beginning.
    const DriveAnswer part = Send(*drive, Read10Cdb(1, 2), 3000);
    ASSERT_TRUE(part.good());
    EXPECT_TRUE(std::string(part.data.begin(), part.data.end()) == user.substr(2048, 3000));
  }
}

TEST(RawSectors, AWrongSectorIsAReadErrorNotData) {
  struct Case {
    const char* what;
    const char* mode;
    std::size_t at;
    char byte;
  };
  const Case cases[] = {
      {"sync", "MODE1/2352", 5, 0x00},
      {"address minutes", "MODE1/2352", 12, 0x01},
      {"address frames", "MODE1/2352", 14, 0x00},  // block 1 is at frame 151 = 00:02:01
      {"mode", "MODE1/2352", 15, 0x02},
      {"mode 2 address", "MODE2/2352", 13, 0x03},
      {"mode 2 form 2", "MODE2/2352", 18, 0x28},
      {"mode 2 subheader copies differ", "MODE2/2352", 22, 0x09},
      {"2336 form 2", "MODE2/2336", 2, 0x28},
      // One byte of user data that does not match the sector's error detection code.
      {"mode 1 user data", "MODE1/2352", 1000, 0x5A},
  };
  const std::string user = PatternBytes(kBlocks * 2048, 9);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    auto drive = vdrive::OpenVirtualDrive(WriteImage(dir, c.mode, user, 1, c.at, c.byte).string());
    const DriveAnswer bad = Send(*drive, Read10Cdb(0, kBlocks), kBlocks * 2048);
    EXPECT_FALSE(bad.good());
    EXPECT_EQ(bad.key(), 0x03);
    EXPECT_EQ(bad.asc(), 0x11);
    EXPECT_EQ(bad.ascq(), 0x00);
    const DriveAnswer good = Send(*drive, Read10Cdb(2, 1), 2048);
    ASSERT_TRUE(good.good());
    EXPECT_TRUE(std::string(good.data.begin(), good.data.end()) == user.substr(4096, 2048));
  }
}

// GF(2^8) with x^8 + x^4 + x^3 + x^2 + 1: a * alpha^n.
std::uint8_t TimesAlphaPower(std::uint8_t a, unsigned n) {
  unsigned v = a;
  for (unsigned i = 0; i < n; ++i) v = ((v << 1) ^ ((v & 0x80) ? 0x11D : 0)) & 0xFF;
  return static_cast<std::uint8_t>(v);
}

// Both syndromes of one Reed-Solomon code word (highest power first) are zero.
bool CodeWordValid(const std::vector<std::uint8_t>& word) {
  std::uint8_t s0 = 0, s1 = 0;
  for (std::size_t i = 0; i < word.size(); ++i) {
    s0 ^= word[i];
    s1 ^= TimesAlphaPower(word[i], static_cast<unsigned>(word.size() - 1 - i));
  }
  return s0 == 0 && s1 == 0;
}

TEST(RawSectors, WrittenSectorsCarryAValidErrorDetectionAndCorrectionCode) {
  const std::string user = PatternBytes(2048, 11);
  for (std::uint32_t lba : {0u, 16u, 11489u, 333000u}) {
    SCOPED_TRACE(lba);
    std::uint8_t s[2352];
    MakeMode1Sector(lba, reinterpret_cast<const std::uint8_t*>(user.data()), s);
    // The error detection code leaves no remainder over data and code together.
    EXPECT_EQ(SectorEdc(s, 2068), 0u);
    // P words: 86 columns of 24 bytes from the header on, two parity rows after them.
    for (std::size_t c = 0; c < 86; ++c) {
      std::vector<std::uint8_t> word;
      for (std::size_t k = 0; k < 24; ++k) word.push_back(s[12 + c + 86 * k]);
      word.push_back(s[2076 + c]);
      word.push_back(s[2076 + 86 + c]);
      EXPECT_TRUE(CodeWordValid(word)) << "P column " << c;
    }
    // Q words: 52 diagonals of 43 bytes over header, data and P parity, then their parity.
    for (std::size_t d = 0; d < 52; ++d) {
      std::vector<std::uint8_t> word;
      for (std::size_t k = 0; k < 43; ++k) word.push_back(s[12 + ((d >> 1) * 86 + (d & 1) + 88 * k) % 2236]);
      word.push_back(s[2248 + d]);
      word.push_back(s[2248 + 52 + d]);
      EXPECT_TRUE(CodeWordValid(word)) << "Q diagonal " << d;
    }
  }
}

}  // namespace
}  // namespace tarnwick::test
