// UTF-8 <-> UTF-16 conversion with the system's own functions, for the wide ("W")
// calls of the Win32 interface.
#pragma once

#include <string>

namespace tarnwick::platform {

// Text that is not valid UTF-8 gives an empty result and *ok false.
std::wstring Utf8ToWide(const std::string& text, bool* ok = nullptr);
// Unpaired surrogates become U+FFFD.
std::string WideToUtf8(const std::wstring& text);
// The message of a Win32 error code, in UTF-8, without the trailing line break.
std::string SystemErrorText(unsigned long error);

}  // namespace tarnwick::platform
