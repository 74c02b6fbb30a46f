#include "vdrive/ReadAhead.h"

#include <algorithm>
#include <cstring>

namespace tarnwick::vdrive {

namespace {

// The system copies into page-aligned memory markedly faster.
constexpr std::size_t kAlign = 4096;
constexpr std::size_t kLargePage = std::size_t{2} << 20;

}  // namespace

const std::uint8_t* ReadAhead::FromWindow(const platform::ReadOnlyFile& file, std::uint64_t size,
                                          std::uint64_t offset, std::size_t length) {
  const bool continues = offset == next_;
  next_ = offset + length;
  if (!continues || length > kWindow) {
    windowLength_ = 0;
    return nullptr;
  }
  if (offset >= windowStart_ && offset + length <= windowStart_ + windowLength_) return window_ + (offset - windowStart_);

  if (window_ == nullptr) {
    // A large page is 2 MB: a whole window takes the start of one. A file smaller
    // than a window gets a window of its size, in ordinary memory.
    const bool whole = size >= kWindow;
    if (whole) bulk_ = platform::AllocateBulkMemory(std::max<std::size_t>(kWindow, kLargePage));
    if (bulk_) {
      window_ = static_cast<std::uint8_t*>(bulk_.get());
    } else {
      const std::size_t bytes = whole ? kWindow : static_cast<std::size_t>(size);
      memory_ = std::make_unique_for_overwrite<std::uint8_t[]>(bytes + kAlign);
      const auto address = reinterpret_cast<std::uintptr_t>(memory_.get());
      window_ = memory_.get() + (kAlign - address % kAlign) % kAlign;
    }
  }
  windowLength_ = 0;
  const std::uint64_t fill = offset < size ? std::min<std::uint64_t>(kWindow, size - offset) : 0;
  if (fill < length || !file.ReadAt(offset, window_, static_cast<std::size_t>(fill))) return nullptr;
  windowStart_ = offset;
  windowLength_ = static_cast<std::size_t>(fill);
  return window_;
}

bool ReadAhead::IntoRoom(const platform::ReadOnlyFile& file, std::uint64_t size, std::uint64_t offset,
                         std::uint8_t* destination, std::size_t length, platform::ReadRoom& room) {
  const bool continues = offset == next_;
  next_ = offset + length;
  windowLength_ = 0;
  platform::ReadRoom::Placed& placed = room.placed;
  if (continues && placed.source == this && placed.at == destination && placed.offset == offset &&
      placed.length >= length) {
    placed.at += length;
    placed.offset += length;
    placed.length -= length;
    return true;
  }
  placed = {};
  const std::uint64_t fill = offset < size ? std::min<std::uint64_t>(static_cast<std::size_t>(room.end - destination),
                                                                     size - offset)
                                           : 0;
  if (fill > length && file.ReadAt(offset, destination, static_cast<std::size_t>(fill))) {
    placed = {this, destination + length, offset + length, static_cast<std::size_t>(fill - length)};
    return true;
  }
  return file.ReadAt(offset, destination, length);
}

bool ReadAhead::Read(const platform::ReadOnlyFile& file, std::uint64_t size, std::uint64_t offset,
                     std::uint8_t* destination, std::size_t length, platform::ReadRoom* room) {
  if (length == 0) return true;
  if (room != nullptr) return IntoRoom(file, size, offset, destination, length, *room);
  if (const std::uint8_t* bytes = FromWindow(file, size, offset, length)) {
    std::memcpy(destination, bytes, length);
    return true;
  }
  return file.ReadAt(offset, destination, length);
}

const std::uint8_t* ReadAhead::View(const platform::ReadOnlyFile& file, std::uint64_t size, std::uint64_t offset,
                                    std::size_t length) {
  if (length > 0) {
    if (const std::uint8_t* bytes = FromWindow(file, size, offset, length)) return bytes;
  }
  if (!single_ || singleSize_ < length) {
    singleSize_ = std::max<std::size_t>(length, 1);
    single_ = std::make_unique_for_overwrite<std::uint8_t[]>(singleSize_);
  }
  return file.ReadAt(offset, single_.get(), length) ? single_.get() : nullptr;
}

}  // namespace tarnwick::vdrive
