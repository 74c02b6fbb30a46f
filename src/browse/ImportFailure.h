// What the windows say when a session imports nothing at all: which session, and why
// in plain words (the drive does not tell where it starts, it is an audio session, its
// first sectors cannot be read, with the drive's own error text, or it holds no file
// system the program reads). Free of any GUI toolkit.
#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

class TSCSIDevice;

// `importMessage` is the import's own error message (its debug message of type 4),
// `driveError` the drive's error text right after the import. May ask the drive about
// the session's first track.
std::string ImportFailureText(TSCSIDevice& drive, std::uint8_t session, const std::string& importMessage,
                              const std::string& driveError);

}  // namespace tarnwick
