// Placeholder: replaced by its implementation.
#include "drive/SCSIDevice.h"

namespace tarnwick {

bool TSCSIDevice::TestUnitReady(std::int32_t) { return false; }
bool TSCSIDevice::RequestSense(std::uint8_t*, std::uint8_t) { return false; }
bool TSCSIDevice::Inquiry() { return false; }
bool TSCSIDevice::ReadToc(std::uint8_t, std::uint8_t*, std::uint8_t, bool, std::uint8_t, std::uint32_t) { return false; }
bool TSCSIDevice::ReadTrackInfo(std::uint32_t) { return false; }
bool TSCSIDevice::ReadSectors(std::uint32_t, std::uint16_t, std::uint32_t, std::uint8_t*) { return false; }
std::uint32_t TSCSIDevice::MsfToFrames(std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t) { return 0; }
std::uint16_t TSCSIDevice::Swap16(std::uint16_t v) { return v; }
std::uint32_t TSCSIDevice::Swap32(std::uint32_t v) { return v; }
void TSCSIDevice::ReverseCopy(const void*, void*, std::size_t) {}

}  // namespace tarnwick
