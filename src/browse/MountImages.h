// Disc images and disc descriptions given to the program become virtual drives.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnwick {

class TSCSIDevice;
namespace vdrive {
class VirtualDrive;
}

struct TMountedImage {
  std::string path;
  char letter = 0;
  std::shared_ptr<vdrive::VirtualDrive> drive;  // the drive serving the image
};

// Adds each image as a virtual drive, after the real drives, in order. A drive whose
// description gives no SCSI address gets one on the lowest host adapter above every
// drive's already present (target 0, LUN 0), so the device scan finds its drive letter
// as it does for a real drive, and an image gets the same address whether it comes
// alone or with others. Throws std::runtime_error naming the image when one cannot
// be opened or no letter is left. The first image takes the rescue map `firstMap` when
// one is named.
std::vector<TMountedImage> MountImages(const std::vector<std::string>& paths, const std::string& firstMap = {});

// The index of the device-list line ("H:T:L,E: ...") of a drive letter; -1 when none.
int DeviceLineOfLetter(const std::vector<std::string>& lines, char letter);

// Mounts one image while the program runs and scans the drives again, so that the
// drive's DeviceList lists it. Returns the index of its line (-1 when the scan does
// not find it). Throws as MountImages does.
int OpenImageDrive(TSCSIDevice& drive, const std::string& path);

}  // namespace tarnwick
