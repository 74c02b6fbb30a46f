// Disc images and disc descriptions given to the program become virtual drives.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace tarnwick {

struct TMountedImage {
  std::string path;
  char letter = 0;
};

// Adds each image as a virtual drive, after the real drives, in order. A drive whose
// description gives no SCSI address gets one on a host adapter above every drive's
// already present (target = its place among these images, LUN 0), so the device
// scan finds its drive letter as it does for a real drive. Throws std::runtime_error
// naming the image when one cannot be opened or no letter is left.
std::vector<TMountedImage> MountImages(const std::vector<std::string>& paths);

}  // namespace tarnwick
