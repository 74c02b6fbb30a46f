// The medium a virtual drive reports for its image: the current profile of GET
// CONFIGURATION and the layers READ DISC STRUCTURE tells, for CDs, DVDs of one and two
// layers and Blu-ray discs, from bare images by their size and from descriptions.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/TempDir.h"
#include "vdrive/DriveTestHelpers.h"

namespace tarnwick::test {
namespace {

std::vector<std::uint8_t> StructureCdb(std::uint8_t media, std::uint8_t format = 0) {
  return {0xAD, media, 0, 0, 0, 0, 0, format, 0x08, 0x04, 0, 0};
}

TEST(MediumLayers, ProfileAndDiscStructureFollowTheImage) {
  constexpr std::uint64_t kBlock = 2048;
  struct Case {
    const char* name;
    std::uint64_t imageBlocks;  // a bare image of this size; 0: the description
    const char* description;
    std::uint16_t profile;
    int structureMedia;         // media type READ DISC STRUCTURE answers; -1: none
    std::uint8_t layerByte;     // DVD: byte 2 of the physical format information
    std::uint8_t units;         // BD: disc information units (one a layer)
    const char* discType;
  };
  const Case cases[] = {
      {"CdImage", 1000, "", 0x08, -1, 0, 0, ""},
      {"CdLimit", 360000, "", 0x08, -1, 0, 0, ""},
      {"DvdImage", 360001, "", 0x10, 0, 0x01, 0, ""},
      {"DvdOneLayerFull", 2295104, "", 0x10, 0, 0x01, 0, ""},
      {"DvdTwoLayers", 2295105, "", 0x10, 0, 0x31, 0, ""},
      {"DvdTwoLayersFull", 4173824, "", 0x10, 0, 0x31, 0, ""},
      {"BdImage", 4173825, "", 0x40, 1, 0, 1, "BDO"},
      {"BdTwoLayers", 12219393, "", 0x40, 1, 0, 2, "BDO"},
      {"DvdPlusRDl", 0, "medium profile=\"DVD+R DL\"\ndisc status=incomplete\nsession\ntrack start=0 length=64\n",
       0x2B, 0, 0x32, 0, ""},
      {"DvdMinusRDlJump", 0, "medium profile=dvd-r-dl-lj\nsession\ntrack start=0 length=64\n", 0x16, 0, 0x32, 0, ""},
      {"DvdRomGivenTwoLayers", 0, "medium profile=DVD-ROM layers=2\nsession\ntrack start=0 length=64\n", 0x10, 0,
       0x31, 0, ""},
      {"BdRe", 0, "medium profile=BD-RE\ndisc status=incomplete\nsession\ntrack start=0 length=64\n", 0x43, 1, 0, 1,
       "BDW"},
      {"BdRTripleLayer", 0, "medium profile=BD-R layers=3\ndisc status=empty\n", 0x41, 1, 0, 3, "BDR"},
      {"CdR", 0, "medium profile=CD-R\ndisc status=empty\n", 0x09, -1, 0, 0, ""},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::shared_ptr<vdrive::VirtualDrive> drive;
    if (c.imageBlocks != 0) {
      const std::filesystem::path image = dir / (std::string(c.name) + ".iso");
      std::ofstream(image).close();
      std::filesystem::resize_file(image, c.imageBlocks * kBlock);  // sparse
      drive = vdrive::OpenVirtualDrive(image.string());
    } else {
      drive = vdrive::ParseDiscDescription(c.description, ".", "test.disc");
    }
    const DriveAnswer config = Send(*drive, GetConfigCdb(2, 0), 8);
    ASSERT_TRUE(config.good());
    EXPECT_EQ(GetBE16(&config.data[6]), c.profile);

    for (std::uint8_t media : {0, 1}) {
      const DriveAnswer structure = Send(*drive, StructureCdb(media), 2052);
      if (media != c.structureMedia) {
        // A CD has no structure; a DVD or Blu-ray disc refuses the other kind's.
        EXPECT_FALSE(structure.good()) << int(media);
        EXPECT_EQ(structure.key(), 0x05) << int(media);
        EXPECT_EQ(structure.asc(), c.structureMedia < 0 ? 0x30 : 0x24) << int(media);
        continue;
      }
      ASSERT_TRUE(structure.good()) << int(media);
      ASSERT_GE(structure.data.size(), 12u);
      EXPECT_EQ(GetBE16(structure.data.data()) + 2u, structure.data.size());
      if (media == 0) {
        EXPECT_EQ(structure.data[6], c.layerByte);
        continue;
      }
      ASSERT_EQ(structure.data.size(), 4u + 64u * c.units);
      for (std::uint8_t unit = 0; unit < c.units; ++unit) {
        const std::uint8_t* u = &structure.data[4 + 64 * unit];
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(u), 2), "DI");
        EXPECT_EQ(u[3], c.units);
        EXPECT_EQ(u[5], unit);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(u + 8), 3), c.discType);
      }
    }
    EXPECT_EQ(Send(*drive, StructureCdb(0, 0x30), 2052).asc(), c.structureMedia < 0 ? 0x30 : 0x24);
  }
}

}  // namespace
}  // namespace tarnwick::test
