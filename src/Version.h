// Product name and version, shown in the window caption and by the command line.
#pragma once

namespace tarnwick {
extern const char* const kProductName;
extern const char* const kProductVersion;
}  // namespace tarnwick
