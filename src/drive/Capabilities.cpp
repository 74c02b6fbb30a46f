// Placeholder: replaced by its implementation.
#include "drive/SCSIDevice.h"

namespace tarnwick {

bool TSCSIDevice::ModeSense(std::uint8_t, std::uint8_t*, bool, std::uint16_t, std::uint16_t) { return false; }
bool TSCSIDevice::ModeSelect(const std::uint8_t*, std::uint16_t) { return false; }
bool TSCSIDevice::GetConfiguration(std::uint8_t, std::uint8_t, std::uint16_t, std::uint8_t*) { return false; }
bool TSCSIDevice::SetSpeed(std::uint32_t, std::uint32_t) { return false; }
bool TSCSIDevice::ReadCapabilities() { return false; }
bool TSCSIDevice::HasVendorPage30() { return false; }
bool TSCSIDevice::SetWriteParameters(bool, bool) { return false; }
void TSCSIDevice::SetWriteSpeed(std::uint16_t) {}

}  // namespace tarnwick
