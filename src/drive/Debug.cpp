// Placeholder: replaced by its implementation.
#include "drive/SCSIDevice.h"

namespace tarnwick {

void TSCSIDevice::DebugMessage(const std::string&, std::uint8_t) {}
void TSCSIDevice::SetDebugWindow(TDebugSink* sink) { debugWindow_ = sink; }
void TSCSIDevice::Notification(TDebugSink*, TOperation) {}
TDebugSink::~TDebugSink() = default;
void TDebugSink::Attach(TSCSIDevice*) {}
void TDebugSink::Detach(TSCSIDevice*) {}
TStringsSink::~TStringsSink() = default;

}  // namespace tarnwick
