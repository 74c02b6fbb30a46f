// The event object behind an EventHandle: a C head (TEventObject, whose `Set` a
// foreign library may call from its own thread) on top of a mutex and a condition
// variable. Manual-reset events stay signalled until reset; auto-reset events are
// cleared by the wait that they release.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/Platform.h"

namespace tarnwick::platform {

// The C head a foreign library sees behind an EventHandle on this system: it completes
// a request by calling `event->Set(event)`.
extern "C" {
struct TEventObject {
  void (*Set)(TEventObject* self);
};
}

class Event final : public TEventObject {
 public:
  Event(bool manualReset, bool initialState);
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  // The event behind a handle, or nullptr when the handle is not one of ours
  // (recognised by its `Set` entry, which only this class installs).
  static Event* From(EventHandle handle);

  // Makes a closed event new again, for reuse (nobody may hold its handle).
  void Rearm(bool manualReset, bool initialState);
  void Signal();
  void Reset();
  bool IsSet() const;
  // Waits up to `limit` for the event; true when it was (or became) signalled.
  bool WaitFor(std::chrono::milliseconds limit);

 private:
  static void SetThunk(TEventObject* self);

  bool manualReset_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool signalled_;
};

}  // namespace tarnwick::platform
