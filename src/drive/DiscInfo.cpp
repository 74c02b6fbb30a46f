// Placeholder: replaced by its implementation.
#include "drive/SCSIDevice.h"

namespace tarnwick {

void TSCSIDevice::GetDiscInfo(TDisc&) {}
std::uint8_t TSCSIDevice::GetLastSession() { return 0; }
std::uint8_t TSCSIDevice::GetMediumType() { return 0; }
std::uint32_t TSCSIDevice::GetUsedBlocks() { return 0; }
std::uint32_t TSCSIDevice::GetFreeBlocks() { return 0; }
std::uint32_t TSCSIDevice::GetDiscBlocks() { return 0; }
bool TSCSIDevice::ReadDiscInformation(std::uint8_t*, std::uint8_t) { return false; }
bool TSCSIDevice::ReadDiscInfo() { return false; }
bool TSCSIDevice::WaitUntilReady(std::int32_t, std::int32_t) { return false; }
bool TSCSIDevice::ReadCapacity(std::uint32_t&, std::uint32_t&) { return false; }
bool TSCSIDevice::ReadFormatCapacities(std::uint32_t&, std::uint32_t&) { return false; }
std::uint8_t TSCSIDevice::FirstTrackOfSession(std::uint8_t s) { return s; }

}  // namespace tarnwick
