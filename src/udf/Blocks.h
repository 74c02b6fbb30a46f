// Reads the blocks of a UDF volume for the import: a block asked for is read with the
// blocks after it, up to a transfer unit of 31 sectors and never past the end given,
// so directory data and the entries a writer laid out one after another cost one
// command per unit. A unit the drive refuses is read again sector by sector.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick {
class TSCSIDevice;
}

namespace tarnwick::udf {

class TBlocks {
 public:
  static constexpr std::uint16_t kRunSectors = 31;
  TBlocks(TSCSIDevice& device, std::uint64_t end) : device_(device), end_(end) {}

  // The 2048 bytes of sector `lba`, valid until the next call; null when it lies past
  // the end or cannot be read (Error() says why).
  const std::uint8_t* Get(std::uint64_t lba);
  // Copies the sector into `out` (2048 bytes); false as Get.
  bool Copy(std::uint64_t lba, std::uint8_t* out);
  const std::string& Error() const { return error_; }
  std::uint64_t End() const { return end_; }
  // Sectors read from the device so far.
  std::uint64_t SectorsRead() const { return read_; }

 private:
  TSCSIDevice& device_;
  std::uint64_t end_;
  std::vector<std::uint8_t> buffer_;
  std::uint64_t first_ = 0, count_ = 0;
  std::uint64_t read_ = 0;
  std::string error_;
};

}  // namespace tarnwick::udf
