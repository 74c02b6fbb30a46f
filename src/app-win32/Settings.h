// Texts the window keeps between runs (the folders its choosers start in), under the
// current user's key of the program in the registry.
#pragma once

#include <string>

namespace tarnwick::win {

// "" when the value is not there.
std::string ReadSetting(const wchar_t* name);
void WriteSetting(const wchar_t* name, const std::string& value);

}  // namespace tarnwick::win
