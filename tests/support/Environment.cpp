#include "support/Environment.h"

#include <cstdlib>

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace tarnwick::test {

#if defined(_WIN32)
void SetEnv(const std::string& name, const std::string& value) { ::_putenv_s(name.c_str(), value.c_str()); }
void UnsetEnv(const std::string& name) { ::_putenv_s(name.c_str(), ""); }
bool DirectoryPermissionsApply() { return false; }
#else
void SetEnv(const std::string& name, const std::string& value) { ::setenv(name.c_str(), value.c_str(), 1); }
void UnsetEnv(const std::string& name) { ::unsetenv(name.c_str()); }
bool DirectoryPermissionsApply() { return ::geteuid() != 0; }
#endif

}  // namespace tarnwick::test
