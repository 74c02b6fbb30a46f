// Placeholder: replaced by its implementation.
#include "drive/SCSIDevice.h"

namespace tarnwick {

void TSCSIDevice::BuildErrorText(const SRB_ExecSCSICmd&) {}
void TSCSIDevice::AdditionalSenseText(const SRB_ExecSCSICmd&) {}

}  // namespace tarnwick
