// Shows the wait cursor for as long as the object lives: while a drive command
// blocks the window.
#pragma once

#include <QApplication>

namespace tarnwick::app {

class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace tarnwick::app
