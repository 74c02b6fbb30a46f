#include "browse/ExtractRefusal.h"

#include "browse/WindowCommands.h"

namespace tarnwick {

std::string ExtractRefusal(const TFEntry& entry) {
  if (entry.IsDirectory()) return DirectoryRefusal(entry);
  return {};
}

}  // namespace tarnwick
