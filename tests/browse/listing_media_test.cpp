// The medium's name, disc size and used space the listing gets from the virtual drive
// for CDs (an enhanced CD among them), DVDs of one and two layers and Blu-ray discs of
// one to four layers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "browse/SessionListing.h"
#include "drive/SCSIDevice.h"
#include "platform/VirtualClock.h"
#include "support/TempDir.h"
#include "support/VirtualDriveScope.h"
#include "vdrive/VirtualDrive.h"

namespace tarnwick {
namespace {

// Three audio tracks (the third at block 4500), then a data session 11400 blocks on.
const std::string kEnhanced = "session\ntrack type=audio start=0 length=2250\ntrack type=audio start=2250 length=2250\n"
                              "track type=audio start=4500 length=2400\nsession\ntrack start=18300 length=60\n";
const std::string kDvdSession = "\nsession\ntrack start=0 length=5000\n";

TEST(ListingMedia, MediumNameDiscSizeAndUsedSpace) {
  struct Case {
    std::string description;  // empty: a bare image of `image` blocks
    std::uint32_t image;
    const char* medium;
    std::uint32_t discBlocks, usedBlocks;
    std::uint8_t layers = 0;  // as READ DISC STRUCTURE told; 0: not asked or not told
  };
  const Case cases[] = {
      // An enhanced CD ends where its lead-out starts, not at its third audio track.
      {"medium profile=CD-ROM\n" + kEnhanced, 0, "CD-ROM", 18360, 18359},
      {"medium profile=CD-R\ndisc status=incomplete\n" + kEnhanced, 0, "CD-R", 359999, 18359},
      {"medium profile=\"DVD+R DL\"\ndisc status=incomplete" + kDvdSession, 0, "DVD+R DL", 4173824, 5008},
      {"medium profile=DVD-ROM layers=2" + kDvdSession, 0, "DVD-ROM DL", 5000, 4999, 2},
      {"medium profile=BD-RE\ndisc status=incomplete" + kDvdSession, 0, "BD-RE", 12219392, 5008, 1},
      {"medium profile=BD-ROM layers=2" + kDvdSession, 0, "BD-ROM DL", 5000, 4999, 2},
      {"medium profile=BD-R layers=3\ndisc status=incomplete" + kDvdSession, 0, "BD-R SRM TL", 48878592, 5008, 3},
      {"medium profile=BD-R-RRM layers=4" + kDvdSession, 0, "BD-R RRM QL", 62500864, 4999, 4},
      // A drive that refuses READ DISC STRUCTURE leaves the plain name.
      {"drive reject=ad\nmedium profile=BD-ROM layers=2" + kDvdSession, 0, "BD-ROM", 5000, 4999, 0},
      {"", 360000, "CD-ROM", 360000, 359999},
      {"", 2295104, "DVD-ROM", 2295104, 2295103, 1},
      {"", 2295105, "DVD-ROM DL", 2295105, 2295104, 2},
      {"", 4173825, "BD-ROM", 4173825, 4173824, 1},
  };
  platform::VirtualClock clock;
  platform::ScopedClock scopedClock(clock);
  test::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.medium + std::string(" ") + std::to_string(c.image));
    std::shared_ptr<vdrive::VirtualDrive> drive;
    if (c.image == 0) {
      drive = vdrive::ParseDiscDescription(c.description, ".", "test.disc");
    } else {
      const std::filesystem::path image = dir / "disc.iso";
      std::ofstream(image).close();
      std::filesystem::resize_file(image, std::uint64_t{c.image} * 2048);  // sparse
      drive = vdrive::OpenVirtualDrive(image.string());
    }
    test::VirtualDriveScope scope({drive});
    TSCSIDevice dev;
    scope.Attach(dev, 0);
    const TSessionListing listing = ListSessions(dev);
    ASSERT_TRUE(listing.labelsValid);
    EXPECT_EQ(listing.mediumName, c.medium);
    EXPECT_EQ(listing.discBlocks, c.discBlocks);
    EXPECT_EQ(listing.usedBlocks, c.usedBlocks);
    EXPECT_EQ(listing.layers, c.layers);
  }
}

}  // namespace
}  // namespace tarnwick
