#include "Version.h"

namespace tarnwick {
const char* const kProductName = "Tarnwick";
const char* const kProductVersion = "1.01";
}  // namespace tarnwick
