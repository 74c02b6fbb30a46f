// Placeholder: replaced by its implementation.
#include "drive/SCSIDevice.h"

namespace tarnwick {

TSCSIDevice::TSCSIDevice() = default;
TSCSIDevice::~TSCSIDevice() = default;
bool TSCSIDevice::InitializeDevices(bool) { return false; }
void TSCSIDevice::ScanDevices() {}
void TSCSIDevice::QueryHostAdapter(std::uint8_t) {}
char TSCSIDevice::GetDriveLetter() { return 0; }
std::uint8_t TSCSIDevice::DiskInfoDriveLetter(std::uint8_t, std::uint8_t, std::uint8_t) { return 128; }

}  // namespace tarnwick
