// The tooltip of an entry in the grid: its whole name (the column may cut it), its
// date and time, its attributes and its size in bytes.
#pragma once

#include <string>

#include "iso/Records.h"

namespace tarnwick {

// "name\nDate: 2003-04-05 10:20:30\nSize: 3120 bytes", and a last line "Hidden" for a
// hidden file. An entry without a date says "Date: not recorded"; a directory's last
// line reads "Directory" or "Hidden directory".
// An entry the disc marks deleted gets a last line saying so (kDeletedTip).
std::string EntryTip(const TFEntry& entry);

}  // namespace tarnwick
