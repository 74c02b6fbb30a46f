// What the session listing says of a disc as a whole: the medium's name, the disc size
// and the used space, for an enhanced CD (audio tracks before a data session) and for
// media named from their profile.
#include <gtest/gtest.h>

#include "browse/SessionListing.h"
#include "drive/SCSIDevice.h"
#include "platform/VirtualClock.h"
#include "support/VirtualDriveScope.h"
#include "vdrive/VirtualDrive.h"

namespace tarnwick {
namespace {

// An enhanced CD: three audio tracks (the third at block 4500), then a data session
// 11400 blocks after them, whose lead-out lies at block 18360.
const std::string kEnhanced =
    "session\ntrack type=audio start=0 length=2250\ntrack type=audio start=2250 length=2250\n"
    "track type=audio start=4500 length=2400\nsession\ntrack start=18300 length=60\n";

TEST(ListingMedia, DiscSizeUsedSpaceAndMediumName) {
  struct Case {
    const char* name;
    std::string description;
    const char* medium;
    std::uint32_t discBlocks, usedBlocks;
  };
  const Case cases[] = {
      // The disc ends where its lead-out starts; the used space is the last block.
      {"PressedEnhancedCd", "medium profile=CD-ROM\n" + kEnhanced, "CD-ROM", 18360, 18359},
      // A recordable one: the ATIP's last possible lead-out start (79:59:74).
      {"RecordableEnhancedCd", "medium profile=CD-R\ndisc status=complete\n" + kEnhanced, "CD-R", 359999, 18359},
      {"AppendableEnhancedCd", "medium profile=CD-R\ndisc status=incomplete\n" + kEnhanced, "CD-R", 359999, 18359},
      // A dual-layer DVD+R with room left: the end of its blank track.
      {"DvdPlusRDl", "medium profile=\"DVD+R DL\"\ndisc status=incomplete\nsession\ntrack start=0 length=5000\n",
       "DVD+R DL", 4173824, 5008},
      {"PressedDvdTwoLayers", "medium profile=DVD-ROM layers=2\nsession\ntrack start=0 length=5000\n", "DVD-ROM DL",
       5000, 4999},
      {"BluRayRewritable", "medium profile=BD-RE\ndisc status=incomplete\nsession\ntrack start=0 length=5000\n",
       "BD-RE", 12219392, 5008},
  };
  platform::VirtualClock clock;
  platform::ScopedClock scopedClock(clock);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::VirtualDriveScope scope({vdrive::ParseDiscDescription(c.description, ".", "test.disc")});
    TSCSIDevice dev;
    scope.Attach(dev, 0);
    const TSessionListing listing = ListSessions(dev);
    ASSERT_TRUE(listing.labelsValid);
    EXPECT_EQ(listing.mediumName, c.medium);
    EXPECT_EQ(listing.discBlocks, c.discBlocks);
    EXPECT_EQ(listing.usedBlocks, c.usedBlocks);
    EXPECT_GE(listing.discBlocks, listing.usedBlocks);
  }
}

}  // namespace
}  // namespace tarnwick
