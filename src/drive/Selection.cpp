// Placeholder: replaced by its implementation.
#include "drive/SCSIDevice.h"

namespace tarnwick {

bool TSCSIDevice::ReadyPollQuirk = false;
void TSCSIDevice::SelectDevice(const std::string&) {}
void TSCSIDevice::IdentifyDevice() {}
bool TSCSIDevice::ProbeWriteModes() { return true; }
bool TSCSIDevice::TryWriteMode(int) { return false; }
void TSCSIDevice::ResetSelection() {}

}  // namespace tarnwick
