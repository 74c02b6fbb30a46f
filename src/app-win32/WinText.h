// UTF-8 (the text of the layers below) to and from UTF-16 (the text of the window's
// wide calls). Bytes that are no UTF-8 show as U+FFFD rather than emptying the text.
// And the user's decimal separator for the numbers the window shows.
#pragma once

#include <string>

namespace tarnwick::win {

std::wstring Wide(const std::string& text);
std::string Narrow(const std::wstring& text);

// The user's decimal separator, as the system's settings give it.
std::string DecimalSeparator();

}  // namespace tarnwick::win
