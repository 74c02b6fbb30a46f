// UTF-8 (the text of the layers below) to and from UTF-16 (the text of the window's
// wide calls). Bytes that are no UTF-8 show as U+FFFD rather than emptying the text.
#pragma once

#include <string>

namespace tarnwick::win {

std::wstring Wide(const std::string& text);
std::string Narrow(const std::wstring& text);

}  // namespace tarnwick::win
