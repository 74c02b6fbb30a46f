#include "platform/linux/Event.h"

namespace tarnwick::platform {

Event::Event(bool manualReset, bool initialState)
    : TEventObject{&Event::SetThunk}, manualReset_(manualReset), signalled_(initialState) {}

void Event::SetThunk(TEventObject* self) {
  if (Event* event = From(self)) event->Signal();
}

Event* Event::From(EventHandle handle) {
  if (handle == nullptr || handle->Set != &Event::SetThunk) return nullptr;
  return static_cast<Event*>(handle);
}

void Event::Rearm(bool manualReset, bool initialState) {
  std::lock_guard lock(mutex_);
  manualReset_ = manualReset;
  signalled_ = initialState;
}

void Event::Signal() {
  {
    std::lock_guard lock(mutex_);
    signalled_ = true;
  }
  // A manual-reset event releases every waiter, an auto-reset one only the first.
  if (manualReset_) {
    changed_.notify_all();
  } else {
    changed_.notify_one();
  }
}

void Event::Reset() {
  std::lock_guard lock(mutex_);
  signalled_ = false;
}

bool Event::IsSet() const {
  std::lock_guard lock(mutex_);
  return signalled_;
}

bool Event::WaitFor(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  const bool released = changed_.wait_for(lock, limit, [this] { return signalled_; });
  if (released && !manualReset_) signalled_ = false;
  return released;
}

void SignalEvent(EventHandle event) {
  if (event != nullptr && event->Set != nullptr) event->Set(event);
}

std::uint32_t WaitForEvent(EventHandle handle, std::uint32_t milliseconds) {
  Event* event = Event::From(handle);
  if (event == nullptr) return kWaitFailed;
  return event->WaitFor(std::chrono::milliseconds(milliseconds)) ? kWaitSignalled : kWaitTimeout;
}

}  // namespace tarnwick::platform
