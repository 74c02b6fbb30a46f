#include "app-win32/WaitCursor.h"

namespace tarnwick::win {

namespace {

// Everything runs on the window's thread: a plain counter is enough.
int busy = 0;

}  // namespace

WaitCursor::WaitCursor() : previous_(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) { ++busy; }

WaitCursor::~WaitCursor() {
  --busy;
  ::SetCursor(previous_);
}

bool WaitCursor::IsBusy() { return busy > 0; }

}  // namespace tarnwick::win
