// Giving a symbolic link made on extraction the modification time of its disc entry:
// the link's own time, never that of what it points to (which may not exist, or be
// one of the user's own files).
#pragma once

#include <cstdint>
#include <string>
#include <system_error>

namespace tarnwick::platform {

// Sets the link's own modification (and access) time to `unixSeconds`. False when
// the system refuses.
bool SetLinkLastWrite(const std::string& path, std::int64_t unixSeconds);

// Whether a failed link creation means that no link can be made there at all (a file
// system without links, an account without the right to make them), rather than
// something about this one link.
bool LinksRefusedHere(const std::error_code& error);

}  // namespace tarnwick::platform
