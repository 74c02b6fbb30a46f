// Which grid entries the window extracts: files only. A directory or a symbolic
// link gets a message saying why not.
#pragma once

#include <string>

#include "iso/Records.h"

namespace tarnwick {

// The message for an entry the window does not extract; empty for a file.
std::string ExtractRefusal(const TFEntry& entry);

}  // namespace tarnwick
