// A map of which bytes of an image were read well, in the mapfile format of the usual
// rescue tools: a status line, then one line per area with its position, size and
// status ('?' not tried, '*' not trimmed, '/' not scraped, '-' bad, '+' read well).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick::vdrive {

struct DiscModel;

class TRescueMap {
 public:
  struct Area {
    std::uint64_t pos = 0;
    std::uint64_t size = 0;
    char status = '?';
  };

  // An image of `size` bytes, nothing tried.
  explicit TRescueMap(std::uint64_t size);

  // The map in `text`; none, with the reason in `error`, when it is no map, its areas
  // are not contiguous from 0, or a status is unknown.
  static std::optional<TRescueMap> Parse(const std::string& text, std::string& error);
  // The file's map; none (with the reason) when it cannot be read or parsed.
  static std::optional<TRescueMap> Load(const std::string& path, std::string& error);
  // Writes the map to a temporary file beside `path` and renames it into place, so a
  // map on disk is always whole; false when that fails.
  bool Save(const std::string& path) const;

  void Set(std::uint64_t pos, std::uint64_t size, char status);
  std::vector<Area> Areas() const;
  std::uint64_t Size() const { return size_; }
  std::string Text() const;

 private:
  std::uint64_t size_;
  std::map<std::uint64_t, char> starts_;  // the status from each position to the next
};

// Makes every block of the map's image that was not read well fail on READ(10), the
// image's first byte being block `startLba`: the image drive fails where the disc did.
void AddMapFaults(DiscModel& model, const TRescueMap& map, std::uint32_t startLba);

// The map kept beside an image: "<image>.map".
std::string MapPathFor(const std::string& imagePath);

}  // namespace tarnwick::vdrive
