// Shows the wait cursor for as long as the object lives: while a drive command blocks
// the window. The window keeps it over its controls while any is alive (IsBusy).
#pragma once

#include <windows.h>

namespace tarnwick::win {

class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

  static bool IsBusy();

 private:
  HCURSOR previous_;
};

}  // namespace tarnwick::win
