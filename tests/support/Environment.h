// Setting and clearing environment variables in tests, on every system.
#pragma once

#include <string>

namespace tarnwick::test {

void SetEnv(const std::string& name, const std::string& value);
void UnsetEnv(const std::string& name);

}  // namespace tarnwick::test
