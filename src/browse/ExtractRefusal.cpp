#include "browse/ExtractRefusal.h"

#include "browse/WindowCommands.h"

namespace tarnwick {

std::string ExtractRefusal(const TFEntry& entry) {
  if (entry.IsDirectory()) return DirectoryRefusal(entry);
  if (entry.IsSymlink())
    return "You can not extract " + entry.LongName + ": it is a symbolic link to " + entry.Posix->LinkTarget +
           ", not a file";
  return {};
}

}  // namespace tarnwick
