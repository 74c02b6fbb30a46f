#include "support/Environment.h"

#include <cstdlib>

namespace tarnwick::test {

#if defined(_WIN32)
void SetEnv(const std::string& name, const std::string& value) { ::_putenv_s(name.c_str(), value.c_str()); }
void UnsetEnv(const std::string& name) { ::_putenv_s(name.c_str(), ""); }
#else
void SetEnv(const std::string& name, const std::string& value) { ::setenv(name.c_str(), value.c_str(), 1); }
void UnsetEnv(const std::string& name) { ::unsetenv(name.c_str()); }
#endif

}  // namespace tarnwick::test
