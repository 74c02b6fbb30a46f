// Names read from the two trees, and the local names extraction gives them.
#include <gtest/gtest.h>

#include <string>

#include "iso/LocalName.h"
#include "iso/Names.h"

namespace tarnwick {
namespace {

std::string Ucs2(const std::u16string& text) {
  std::string bytes;
  for (char16_t c : text) {
    bytes += static_cast<char>(c >> 8);
    bytes += static_cast<char>(c & 0xFF);
  }
  return bytes;
}

std::string Joliet(const std::u16string& text) {
  const std::string bytes = Ucs2(text);
  return JolietName(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

TEST(Names, JolietNamesConvertWholeAndLoseTheirVersion) {
  EXPECT_EQ(Joliet(u"README.TXT;1"), "README.TXT");
  EXPECT_EQ(Joliet(u"no version"), "no version");
  EXPECT_EQ(Joliet(u";a;b"), ";a");  // a ";" in the first two characters stays
  EXPECT_EQ(Joliet(u"a;b"), "a;b");
  // Every character of a non-ASCII name survives, however many bytes it takes.
  EXPECT_EQ(Joliet(u"\u00C4rger \u65E5\u672C.txt;1"), "\xC3\x84rger \xE6\x97\xA5\xE6\x9C\xAC.txt");
  EXPECT_EQ(Joliet(std::u16string(u"ab\0cd", 5)), "ab");
  EXPECT_EQ(Joliet(u""), "");
  const std::string odd = Ucs2(u"ab") + "c";  // a stray last byte is ignored
  EXPECT_EQ(JolietName(reinterpret_cast<const std::uint8_t*>(odd.data()), odd.size()), "ab");
}

TEST(Names, PrimaryNamesLoseTheirVersion) {
  EXPECT_EQ(StripVersion("README.TXT;1"), "README.TXT");
  EXPECT_EQ(StripVersion("STEM.;1"), "STEM.");
  EXPECT_EQ(StripVersion("DIRNAME"), "DIRNAME");
  EXPECT_EQ(StripVersion(std::string("AB\0C;1", 6)), "AB");
}

TEST(LocalNames, NamesNeverLeaveTheChosenDirectory) {
  EXPECT_EQ(SafeLocalName("report.txt"), "report.txt");
  EXPECT_EQ(SafeLocalName("../../etc/passwd"), ".._.._etc_passwd");
  EXPECT_EQ(SafeLocalName("/etc/passwd"), "_etc_passwd");
  EXPECT_EQ(SafeLocalName("..\\..\\boot.ini"), ".._.._boot.ini");
  EXPECT_EQ(SafeLocalName(std::string("a\0b", 3)), "a_b");
  EXPECT_EQ(SafeLocalName("."), "_");
  EXPECT_EQ(SafeLocalName(".."), "_");
  EXPECT_EQ(SafeLocalName(""), "_");
  EXPECT_EQ(SafeLocalName(" . . "), "_");
  EXPECT_EQ(SafeLocalName("README."), "README");
  EXPECT_EQ(SafeLocalName("name. . "), "name");
  EXPECT_EQ(SafeLocalName(".hidden"), ".hidden");
  EXPECT_EQ(SafeLocalName(" lead"), " lead");
}

TEST(LocalNames, OverlongNamesAreCutAtACharacter) {
  std::string name;
  for (int i = 0; i < 127; ++i) name += "\xE6\x97\xA5";  // 381 bytes
  const std::string safe = SafeLocalName(name);
  EXPECT_EQ(safe.size(), 255u);
  EXPECT_EQ(safe, name.substr(0, 255));
  EXPECT_EQ(SafeLocalName(std::string(254, 'a') + ".x"), std::string(254, 'a'));  // cut, then trailing dot dropped
}

TEST(LocalNames, DestinationsJoinDirectoryAndName) {
  EXPECT_EQ(JoinLocalPath("/tmp/out", "a.txt"), "/tmp/out/a.txt");
  EXPECT_EQ(JoinLocalPath("/tmp/out/", "a.txt"), "/tmp/out/a.txt");
  EXPECT_EQ(JoinLocalPath("/", "a.txt"), "/a.txt");
  EXPECT_EQ(JoinLocalPath("", "a.txt"), "a.txt");
  EXPECT_EQ(LocalDestination("/tmp/out", "../x/README."), "/tmp/out/.._x_README");
}

}  // namespace
}  // namespace tarnwick
