// Linux reserves no names beyond '/' and NUL, which callers handle themselves.
#include "platform/SystemNames.h"

namespace tarnwick::platform {

bool IsReservedSystemName(const std::string& /*component*/) { return false; }

std::string MakeSystemSafeName(const std::string& component) { return component; }

}  // namespace tarnwick::platform
