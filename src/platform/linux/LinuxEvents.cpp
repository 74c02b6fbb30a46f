// LinuxPlatform: events and sleeps. Timed waits and sleeps go through the installed
// clock, so tests with a virtual clock spend no real time in them.
#include "platform/linux/LinuxPlatform.h"

namespace tarnwick::platform {

namespace {
constexpr std::size_t kSpareEvents = 4;
}

EventHandle LinuxPlatform::NewEvent(bool manualReset, bool initialState) {
  {
    std::lock_guard lock(mutex_);
    if (!spareEvents_.empty()) {
      EventTable::node_type node = std::move(spareEvents_.back());
      spareEvents_.pop_back();
      node.mapped()->Rearm(manualReset, initialState);
      TEventObject* handle = node.key();
      events_.insert(std::move(node));
      return handle;
    }
  }
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
  std::unique_ptr<Event> closing;  // destroyed outside the lock
  {
    std::lock_guard lock(mutex_);
    EventTable::node_type node = events_.extract(handle);
    if (node.empty()) return false;
    if (spareEvents_.size() < kSpareEvents) {
      spareEvents_.push_back(std::move(node));
      return true;
    }
    closing = std::move(node.mapped());
  }
  return true;
}

void LinuxPlatform::SleepEx(std::uint32_t milliseconds, bool /*alertable*/) {
  // Nothing queues completion routines on this platform, so every sleep runs its
  // full length.
  Clock().Sleep(milliseconds);
}

}  // namespace tarnwick::platform
