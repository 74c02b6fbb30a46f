#include "Version.h"

#include "VersionText.h"

namespace tarnwick {
const char* const kProductName = "Tarnwick";
const char* const kProductVersion = TARNWICK_VERSION_TEXT;
}  // namespace tarnwick
