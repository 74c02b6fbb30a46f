// The icon that marks directories the imported tree does not show whole: the system's
// warning icon at the small icon size, in an image list the tree and the grid take as
// their state images. A state image takes room only where an item has one, so marked
// nodes and rows show the icon before their name and every other one keeps its look.
#pragma once

#include <windows.h>

#include <commctrl.h>

namespace tarnwick::win {

class MarkIcons {
 public:
  // The state image index of a marked item (0 is no state image).
  static constexpr int kWarning = 1;

  MarkIcons() = default;
  ~MarkIcons();
  MarkIcons(const MarkIcons&) = delete;
  MarkIcons& operator=(const MarkIcons&) = delete;

  // Builds the list at the small icon size of the screen; nullptr when the system
  // cannot give the icon (the marks' texts still say it all).
  HIMAGELIST Create();
  HIMAGELIST list() const { return list_; }

 private:
  HIMAGELIST list_ = nullptr;
};

}  // namespace tarnwick::win
