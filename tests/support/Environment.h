// Setting and clearing environment variables in tests, on every system.
#pragma once

#include <string>

namespace tarnwick::test {

void SetEnv(const std::string& name, const std::string& value);
void UnsetEnv(const std::string& name);

// Whether taking the write permission from a directory stops this process from creating
// files in it (not for the superuser, and not on Windows, where a read-only directory
// still takes new files).
bool DirectoryPermissionsApply();

}  // namespace tarnwick::test
