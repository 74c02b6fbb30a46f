// Disc descriptions that make our virtual drive answer like the two drive emulations
// the VM tests run against: an ATAPI drive (ide, ahci) and a SCSI drive (virtio-scsi,
// lsi, usb-bot, usb-uas), each holding a flat image as one data track at block 0.
#pragma once

#include <cstdint>
#include <string>

namespace tarnwick::test {

enum class DriveFamily { Atapi, Scsi };

// What the two families were seen to answer:
//  both   READ TRACK INFORMATION and READ FORMAT CAPACITIES refused (05/20/00); only
//         page 2Ah; profile list DVD-ROM + CD-ROM; no ATIP on a pressed disc
//  ATAPI  READ TOC format taken from CDB byte 9, format field ignored; GET
//         CONFIGURATION of a missing feature refused (05/24/00); default mode values
//         refused; MODE SELECT refused (05/20/00); REQUEST SENSE keeps reporting the
//         last error; short answers neither padded nor reported as short
//  SCSI   GET CONFIGURATION start feature ignored; answers padded with zeros;
//         SET CD SPEED refused (05/20/00); MODE SELECT of page 05h refused (05/26/00)
inline std::string EmulatedDriveLines(DriveFamily family) {
  if (family == DriveFamily::Atapi) {
    return "drive vendor=QEMU product=\"QEMU DVD-ROM\" revision=2.5+ version=5 inquiry-length=36\n"
           "drive profiles=DVD-ROM,CD-ROM pages=2a\n"
           "drive page2a=\"2a 14 3b 00 71 60 29 00 02 c0 00 02 02 00 02 c0 00 00 00 00 00 00\"\n"
           "drive reject=52,23,55\n"
           "drive quirks=toc-format-in-byte9,config-unknown-feature-rejected,reject-default-pages,"
           "sticky-sense,no-residue\n";
  }
  return "drive vendor=QEMU product=\"QEMU CD-ROM\" revision=2.5+ version=5 inquiry-length=128\n"
         "drive profiles=DVD-ROM,CD-ROM pages=2a\n"
         "drive page2a=\"2a 14 3b 00 7f ff 2d 00 22 60 00 02 08 00 0b 00 00 00 0b 00 0b 00\"\n"
         "drive reject=52,23,bb\n"
         "drive quirks=config-start-ignored,pad,no-residue\n"
         "fault command=55 sense=05/26/00\n";
}

// The whole description: the drive, and `image` (a path) as a pressed disc of `blocks`
// blocks, a DVD-ROM above 360000 blocks as the emulation takes it.
inline std::string EmulatedDriveDescription(DriveFamily family, const std::string& image, std::uint32_t blocks) {
  return EmulatedDriveLines(family) + "medium profile=" + (blocks > 360000 ? "DVD-ROM" : "CD-ROM") +
         "\nimage file=\"" + image + "\"\nsession number=1\ntrack number=1 type=data start=0 length=" +
         std::to_string(blocks) + "\n";
}

}  // namespace tarnwick::test
