// Placeholder: replaced by its implementation.
#include "drive/SCSIDevice.h"

namespace tarnwick {

bool TSCSIDevice::ExecuteCommand(SRB_ExecSCSICmd&, std::int32_t) { return false; }
bool TSCSIDevice::AbortRequest(SRB_ExecSCSICmd*) { return false; }
void TSCSIDevice::TraceFailedCommand(const SRB_ExecSCSICmd&) {}

}  // namespace tarnwick
