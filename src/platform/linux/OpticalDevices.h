// Finding the optical devices of the machine: the nodes named "sr" and a number in
// the device directory, in number order.
#pragma once

#include <string>
#include <vector>

namespace tarnwick::platform {

// Full paths of the "srN" entries of `devDir` (directories excluded), sorted by N.
// An unreadable or missing directory gives none.
std::vector<std::string> ListOpticalDevices(const std::string& devDir);

// Where and whether to look for real devices: an explicit setting wins; otherwise the
// environment decides at each look-up (TARNWICK_DEV_DIR, default "/dev";
// TARNWICK_NO_REAL_DRIVES=1 (any value but empty
// or "0") turns real devices off).
struct DeviceDiscovery {
  std::string devDir;         // empty: from the environment
  int realDrives = -1;        // -1: from the environment, 0 off, 1 on

  // The directory is listed again only when it changed since the last listing.
  std::vector<std::string> Devices() const;
};

}  // namespace tarnwick::platform
