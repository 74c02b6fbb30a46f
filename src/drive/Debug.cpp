// The debug-message outlet: a text sink (the window's memo, a log) and an event.
// Sinks and devices know each other both ways so that whichever goes first
// unassigns itself from the other; a destroyed sink is never written to.
#include <algorithm>

#include "drive/SCSIDevice.h"

namespace tarnwick {

void TSCSIDevice::DebugMessage(const std::string& text, std::uint8_t mType) {
  if (debugWindow_ != nullptr) debugWindow_->AppendLine(text);
  if (OnDebugMessage) OnDebugMessage(this, text, mType);
}

void TSCSIDevice::SetDebugWindow(TDebugSink* sink) {
  if (sink == debugWindow_) return;
  if (debugWindow_ != nullptr) debugWindow_->Detach(this);
  debugWindow_ = sink;
  if (debugWindow_ != nullptr) debugWindow_->Attach(this);
}

void TSCSIDevice::Notification(TDebugSink* component, TOperation operation) {
  if (operation == TOperation::opRemove && component != nullptr && component == debugWindow_) {
    debugWindow_ = nullptr;
  }
}

TDebugSink::~TDebugSink() {
  // Every attached device unassigns us. The list is taken out first so that a device
  // detaching during the walk cannot disturb it.
  const std::vector<TSCSIDevice*> devices = std::move(devices_);
  devices_.clear();
  for (TSCSIDevice* device : devices) device->Notification(this, TOperation::opRemove);
}

void TDebugSink::Attach(TSCSIDevice* device) {
  if (device != nullptr && std::find(devices_.begin(), devices_.end(), device) == devices_.end()) {
    devices_.push_back(device);
  }
}

void TDebugSink::Detach(TSCSIDevice* device) {
  devices_.erase(std::remove(devices_.begin(), devices_.end(), device), devices_.end());
}

TStringsSink::~TStringsSink() = default;

}  // namespace tarnwick
