// Medium names and the two profile tables.
#include <gtest/gtest.h>

#include <string>

#include "drive/Disc.h"

namespace tarnwick {
namespace {

TEST(MediumTables, ProfileNamesAndErasability) {
  struct Case {
    std::uint16_t profile;
    const char* name;
    bool erasable;
  };
  const Case cases[] = {
      {1, "Non-removable disk", false}, {3, "MO Eraseable", true},  {8, "CD-ROM", false},
      {9, "CD-R", false},               {10, "CD-RW", true},        {18, "DVD-RAM", false},
      {19, "DVD-RW Restricted Overwrite", true}, {20, "DVD-RW Sequential Recording", true},
      {26, "DVD+RW", true},             {27, "DVD+R", false},       {34, "DDCD-RW", true},
      // Media named by MMC's profile names beyond the short names of old.
      {0x15, "DVD-R DL Sequential", false}, {0x16, "DVD-R DL Layer Jump", false}, {0x17, "DVD-RW DL", true},
      {0x2A, "DVD+RW DL", true},        {0x2B, "DVD+R DL", false},  {0x40, "BD-ROM", false},
      {0x41, "BD-R SRM", false},        {0x42, "BD-R RRM", false},  {0x43, "BD-RE", true},
      {0x50, "HD DVD-ROM", false},      {0x52, "HD DVD-RAM", true}, {0x58, "HD DVD-R DL", false},
      {0x5A, "HD DVD-RW DL", true},
  };
  for (const auto& c : cases) {
    const TProfileEntry* e = FindProfile(c.profile);
    ASSERT_NE(e, nullptr) << c.profile;
    EXPECT_EQ(std::string(e->Name), c.name) << c.profile;
    EXPECT_EQ(e->Erasable, c.erasable) << c.profile;
  }
}

TEST(MediumTables, UnknownProfilesAreQuestionMarksAndNotErasable) {
  for (std::uint16_t p : {0, 6, 7, 11, 28, 35, 0x44, 0xFFFF}) {
    const TProfileEntry* e = FindProfile(p);
    ASSERT_NE(e, nullptr) << p;
    EXPECT_EQ(std::string(e->Name), "???????") << p;
    EXPECT_FALSE(e->Erasable) << p;
    EXPECT_EQ(ProfileToMediumIndex(p), 0) << p;
  }
}

TEST(MediumTables, ProfileToIndexNamesTheSameMedium) {
  EXPECT_EQ(ProfileToMediumIndex(19), 7);
  EXPECT_EQ(ProfileToMediumIndex(20), 7);  // both DVD-RW profiles; index 8 never produced
  EXPECT_EQ(ProfileToMediumIndex(1), 0);   // disks and MO have no medium index
  // Every profile with an index names the same medium as the index's text
  // (the DVD-RW profiles carry a longer name).
  for (std::uint16_t p : {8, 9, 10, 16, 17, 18, 26, 27, 32, 33, 34}) {
    const std::uint8_t index = ProfileToMediumIndex(p);
    ASSERT_GT(index, 0) << p;
    ASSERT_LT(index, MediumNames.size());
    EXPECT_EQ(std::string(MediumNames[index]), FindProfile(p)->Name) << p;
  }
  EXPECT_EQ(std::string(MediumNames[0]), "UNKNOWN");
  EXPECT_EQ(std::string(MediumNames[8]), "DVD-RW");
  EXPECT_EQ(std::string(MediumNames[13]), "DDCD-RW");
}

}  // namespace
}  // namespace tarnwick
