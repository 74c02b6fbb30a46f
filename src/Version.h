// Product name and version, shown in the window caption, the About text and by the
// command line. The version is the project's (CMakeLists.txt), with the commit added
// when the build is not of a release.
#pragma once

namespace tarnwick {
extern const char* const kProductName;
extern const char* const kProductVersion;
}  // namespace tarnwick
