// Which grid entries a double click extracts: files and symbolic links (made as the
// disc records them when the user agrees). A directory gets a message saying why not.
#pragma once

#include <string>

#include "iso/Records.h"

namespace tarnwick {

// The message for an entry a double click does not extract; empty for the others.
std::string ExtractRefusal(const TFEntry& entry);

}  // namespace tarnwick
