// Making a disc's symbolic link on the local disk as the disc records it: its target
// as written, never over anything already at the destination (which could be a link
// to follow, or one of the user's own files), with its entry's time. Used by every
// extraction that creates links.
#pragma once

#include <cstddef>
#include <string>

#include "iso/Records.h"

namespace tarnwick {

enum class TLinkResult {
  Created,
  NoTarget,   // the import could not read the target whole: nothing is made
  Occupied,   // something stands at the destination and was left alone
  Refused,    // no link can be made there at all (see platform::LinksRefusedHere)
  Failed,     // this link could not be made, or its time not set
};

struct TLinkOutcome {
  TLinkResult result = TLinkResult::Created;
  // Why it was not made, in lower case to begin with: "not creating symbolic link
  // docs/a -> b: /to/a already exists and was left alone".
  std::string message;
  std::string reason;  // the system's reason alone, when it gave one
};

// Makes the link of `entry` (a symbolic link) at `destination`; `shownPath` names the
// disc's link in messages.
TLinkOutcome CreateRecordedLink(const TFEntry& entry, const std::string& destination, const std::string& shownPath);

// The one message for `count` links the system refused in `directory` for `reason`, in
// lower case to begin with: "symbolic links cannot be created in D (R): 2 symbolic links
// were not created".
std::string RefusedLinksText(const std::string& directory, const std::string& reason, std::size_t count);

}  // namespace tarnwick
