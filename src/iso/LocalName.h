// Local names for extracted files. A name read from a disc is untrusted: whatever it
// holds, the file it names must land inside the directory the user chose. Both the
// window and the command line form destinations only through these functions.
#pragma once

#include <string>

namespace tarnwick {

// A name that is safe as one component of a local path:
// - "/", "\" and NUL become "_", so the name never reaches another directory;
// - trailing dots and blanks are dropped, as Windows drops them ("README." gives
//   "README"), which also turns "." and ".." into nothing;
// - whatever else the system reserves is made safe (on Windows: device names such as
//   CON or NUL get a "_" in front, <>:"|?* and control characters become "_");
// - a name longer than 255 bytes is cut at a character boundary;
// - a name that ends up empty becomes "_".
std::string SafeLocalName(const std::string& longName);

// Joins a chosen directory and a name that is already safe: a directory ending in
// "/" takes the name directly, any other gets "/" between; an empty directory gives
// the name alone.
std::string JoinLocalPath(const std::string& directory, const std::string& name);

// The destination of an entry with the given long name in the chosen directory:
// JoinLocalPath(directory, SafeLocalName(longName)).
std::string LocalDestination(const std::string& directory, const std::string& longName);

}  // namespace tarnwick
