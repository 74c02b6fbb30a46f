// LinuxPlatform: events and sleeps. Timed waits and sleeps go through the installed
// clock, so tests with a virtual clock spend no real time in them.
#include "platform/linux/LinuxPlatform.h"

namespace tarnwick::platform {

EventHandle LinuxPlatform::NewEvent(bool manualReset, bool initialState) {
  auto event = std::make_unique<Event>(manualReset, initialState);
  TEventObject* handle = event.get();
  std::lock_guard lock(mutex_);
  events_.emplace(handle, std::move(event));
  return handle;
}

Event* LinuxPlatform::FindEvent(EventHandle handle) {
  std::lock_guard lock(mutex_);
  const auto it = events_.find(handle);
  return it != events_.end() ? it->second.get() : nullptr;
}

bool LinuxPlatform::SetEvent(EventHandle handle) {
  Event* event = FindEvent(handle);
  if (event == nullptr) return false;
  event->Signal();
  return true;
}

bool LinuxPlatform::ResetEvent(EventHandle handle) {
  Event* event = FindEvent(handle);
  if (event == nullptr) return false;
  event->Reset();
  return true;
}

bool LinuxPlatform::IsEventSet(EventHandle handle) {
  Event* event = FindEvent(handle);
  return event != nullptr && event->IsSet();
}

std::uint32_t LinuxPlatform::WaitForSingleObject(EventHandle handle, std::uint32_t milliseconds) {
  if (FindEvent(handle) == nullptr) return kWaitFailed;
  return Clock().Wait(handle, milliseconds);
}

bool LinuxPlatform::CloseEvent(EventHandle handle) {
  std::unique_ptr<Event> closing;
  {
    std::lock_guard lock(mutex_);
    const auto it = events_.find(handle);
    if (it == events_.end()) return false;
    closing = std::move(it->second);
    events_.erase(it);
  }
  return true;
}

void LinuxPlatform::SleepEx(std::uint32_t milliseconds, bool /*alertable*/) {
  // Nothing queues completion routines on this platform, so every sleep runs its
  // full length.
  Clock().Sleep(milliseconds);
}

}  // namespace tarnwick::platform
