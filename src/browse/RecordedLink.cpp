#include "browse/RecordedLink.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/LinkDate.h"
#include "platform/LocalPath.h"
#include "platform/Plural.h"

namespace tarnwick {

namespace fs = std::filesystem;

TLinkOutcome CreateRecordedLink(const TFEntry& entry, const std::string& destination, const std::string& shownPath) {
  const std::string& target = entry.Posix->LinkTarget;
  if (target.empty()) {
    // The import dropped a target it could not read whole (reported with the
    // import's problems): nothing is made of it.
    return {TLinkResult::NoTarget, "not creating symbolic link " + shownPath + ": its target could not be read", ""};
  }
  const std::string link = "symbolic link " + shownPath + " -> " + target;
  std::error_code ec;
  // What stands at the destination was not made by this extraction (each entry has a
  // destination of its own), so the message names the disc's link apart from the local
  // path it leaves alone. Something may also appear between the look and the
  // creation: the same case.
  const bool occupied = fs::exists(fs::symlink_status(platform::LocalPath(destination), ec));
  if (!occupied) fs::create_symlink(platform::LocalPath(target), platform::LocalPath(destination), ec);
  if (occupied || ec == std::errc::file_exists)
    return {TLinkResult::Occupied, "not creating " + link + ": " + destination + " already exists and was left alone", ""};
  if (ec) {
    return {platform::LinksRefusedHere(ec) ? TLinkResult::Refused : TLinkResult::Failed,
            "cannot create " + link + " at " + destination + ": " + ec.message(), ec.message()};
  }
  // The link keeps its entry's time like a file, not the time of the extraction.
  if (entry.Posix->Modified && !platform::SetLinkLastWrite(destination, *entry.Posix->Modified))
    return {TLinkResult::Failed, "cannot set the date of symbolic link " + destination + ": " + std::strerror(errno),
            std::strerror(errno)};
  return {};
}

std::string RefusedLinksText(const std::string& directory, const std::string& reason, std::size_t count) {
  return "symbolic links cannot be created in " + directory + " (" + reason + "): " +
         CountOf(count, "symbolic link", "symbolic links") + std::string(OneOrMany(count, " was", " were")) +
         " not created";
}

}  // namespace tarnwick
