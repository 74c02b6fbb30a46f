// Win32Platform: events and sleeps. The handles are real Win32 manual- or auto-reset
// events, so an ASPI library can complete a request with SetEvent. Timed waits and
// sleeps go through the installed clock, so tests with a virtual clock spend no real
// time in them.
#include "platform/win32/SystemHeaders.h"

#include "platform/win32/Win32Platform.h"

namespace tarnwick::platform {
namespace {

HANDLE Native(EventHandle event) { return reinterpret_cast<HANDLE>(event); }

}  // namespace

void SignalEvent(EventHandle event) {
  if (event != nullptr) ::SetEvent(Native(event));
}

std::uint32_t WaitForEvent(EventHandle event, std::uint32_t milliseconds) {
  if (event == nullptr) return kWaitFailed;
  switch (::WaitForSingleObject(Native(event), milliseconds)) {
    case WAIT_OBJECT_0:
      return kWaitSignalled;
    case WAIT_TIMEOUT:
      return kWaitTimeout;
    default:
      return kWaitFailed;
  }
}

EventHandle Win32Platform::NewEvent(bool manualReset, bool initialState) {
  HANDLE handle = ::CreateEventW(nullptr, manualReset ? TRUE : FALSE, initialState ? TRUE : FALSE, nullptr);
  if (handle == nullptr) return nullptr;
  auto* event = reinterpret_cast<EventHandle>(handle);
  std::lock_guard lock(mutex_);
  events_.insert(event);
  return event;
}

bool Win32Platform::IsOurEvent(EventHandle event) {
  std::lock_guard lock(mutex_);
  return events_.count(event) > 0;
}

bool Win32Platform::SetEvent(EventHandle event) {
  return IsOurEvent(event) && ::SetEvent(Native(event)) != FALSE;
}

bool Win32Platform::ResetEvent(EventHandle event) {
  return IsOurEvent(event) && ::ResetEvent(Native(event)) != FALSE;
}

bool Win32Platform::IsEventSet(EventHandle event) {
  // A zero wait; on an auto-reset event it takes the signal, as any satisfied wait does.
  return IsOurEvent(event) && ::WaitForSingleObject(Native(event), 0) == WAIT_OBJECT_0;
}

std::uint32_t Win32Platform::WaitForSingleObject(EventHandle event, std::uint32_t milliseconds) {
  if (!IsOurEvent(event)) return kWaitFailed;
  return Clock().Wait(event, milliseconds);
}

bool Win32Platform::CloseEvent(EventHandle event) {
  {
    std::lock_guard lock(mutex_);
    if (events_.erase(event) == 0) return false;
  }
  return ::CloseHandle(Native(event)) != FALSE;
}

void Win32Platform::SleepEx(std::uint32_t milliseconds, bool /*alertable*/) {
  // Nothing queues completion routines for this program, so every sleep runs its
  // full length.
  Clock().Sleep(milliseconds);
}

}  // namespace tarnwick::platform
