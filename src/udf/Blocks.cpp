#include "udf/Blocks.h"

#include <algorithm>
#include <cstring>

#include "drive/SCSIDevice.h"
#include "udf/UdfFormat.h"

namespace tarnwick::udf {

const std::uint8_t* TBlocks::Get(std::uint64_t lba) {
  if (lba >= first_ && lba < first_ + count_) return buffer_.data() + (lba - first_) * kBlockSize;
  if (lba >= end_ || lba > UINT32_MAX) {
    error_ = "block " + std::to_string(lba) + " lies past the end of the disc";
    return nullptr;
  }
  const auto count = static_cast<std::uint16_t>(std::min<std::uint64_t>(kRunSectors, end_ - lba));
  buffer_.resize(std::size_t{count} * kBlockSize);
  const std::uint32_t events = device_.MediumEvents();
  read_ += count;
  if (device_.ReadSectors(static_cast<std::uint32_t>(lba), count, static_cast<std::uint32_t>(buffer_.size()),
                          buffer_.data())) {
    first_ = lba;
    count_ = count;
    return buffer_.data();
  }
  count_ = 0;
  // The unit failed: this sector alone, unless the drive may hold another disc now.
  if (count > 1 && device_.MediumEvents() == events &&
      device_.ReadSectors(static_cast<std::uint32_t>(lba), 1, kBlockSize, buffer_.data())) {
    first_ = lba;
    count_ = 1;
    return buffer_.data();
  }
  error_ = device_.LastErrorText.empty() ? "the sector cannot be read" : device_.LastErrorText;
  return nullptr;
}

bool TBlocks::Copy(std::uint64_t lba, std::uint8_t* out) {
  const std::uint8_t* block = Get(lba);
  if (!block) return false;
  std::memcpy(out, block, kBlockSize);
  return true;
}

}  // namespace tarnwick::udf
