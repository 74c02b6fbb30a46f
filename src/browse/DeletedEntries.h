// Entries a disc marks deleted whose data is still recorded, as both windows offer
// them: a checkable command, off until chosen, that imports them too, and the marks
// that set them apart in the grid. Free of any GUI toolkit.
#pragma once

#include "iso/QuarnBurner.h"

namespace tarnwick {

inline constexpr const char* kShowDeletedText = "Show deleted files";
inline constexpr const char* kDeletedTip = "Deleted on the disc; its data is still recorded";

// The next import also takes the deleted entries (named with " (deleted)" at their end).
void ChooseDeletedEntries(TQuarnBurner& burner, bool show);
bool IsDeletedEntry(const TFEntry& entry);

}  // namespace tarnwick
