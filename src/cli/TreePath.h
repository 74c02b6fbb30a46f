// Finding a file or directory of the imported tree by a path given on the command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "iso/QuarnBurner.h"

namespace tarnwick::cli {

struct TreeItem {
  TDEntry* dir = nullptr;      // set when the path names a directory (the root included)
  TFEntry* entry = nullptr;    // the entry in its parent's list; none for the root
  std::string path;            // "/" joined long names, "/" for the root
};

// Components are separated by "/" or "\"; case does not matter (ASCII); a file
// stored with the "." that names without an extension get may be named without it.
std::optional<TreeItem> ResolvePath(TQuarnBurner& burner, const std::string& path);

// The message for a path that names nothing in the imported session: when the import
// could not read all of a directory on the way to it (an unreadable sector, a
// directory that runs past the session, ...), the entry may well be on the disc, so
// the message says it could not be read instead of that there is no such entry.
std::string NotFoundText(const TQuarnBurner& burner, std::uint8_t session, const std::string& path,
                         const std::string& what);

// The path of a child of `parent` ("/" joined).
std::string ChildPath(const std::string& parent, const std::string& name);

}  // namespace tarnwick::cli
