// The buffered SCSI pass-through record of a volume handle (IOCTL_SCSI_PASS_THROUGH):
// the record, then the sense area and the data in the same buffer, found through
// offsets. Laid out as the system declares it; the data offset is pointer-sized, so
// the 32-bit and 64-bit layouts differ, and both are checked in every build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace tarnwick::platform {

inline constexpr std::uint32_t kIoctlScsiPassThrough = 0x4D004;

#pragma pack(push, 1)
template <typename OffsetType>
struct ScsiPassThroughRecord;

// 32-bit programs: 44 bytes.
template <>
struct ScsiPassThroughRecord<std::uint32_t> {
  std::uint16_t Length;
  std::uint8_t ScsiStatus;
  std::uint8_t PathId;
  std::uint8_t TargetId;
  std::uint8_t Lun;
  std::uint8_t CdbLength;
  std::uint8_t SenseInfoLength;
  std::uint8_t DataIn;
  std::uint8_t Reserved1[3];
  std::uint32_t DataTransferLength;
  std::uint32_t TimeOutValue;
  std::uint32_t DataBufferOffset;
  std::uint32_t SenseInfoOffset;
  std::uint8_t Cdb[16];
};

// 64-bit programs: the offset is 8 bytes wide and 8-aligned, 56 bytes in all.
template <>
struct ScsiPassThroughRecord<std::uint64_t> {
  std::uint16_t Length;
  std::uint8_t ScsiStatus;
  std::uint8_t PathId;
  std::uint8_t TargetId;
  std::uint8_t Lun;
  std::uint8_t CdbLength;
  std::uint8_t SenseInfoLength;
  std::uint8_t DataIn;
  std::uint8_t Reserved1[3];
  std::uint32_t DataTransferLength;
  std::uint32_t TimeOutValue;
  std::uint8_t Reserved2[4];
  std::uint64_t DataBufferOffset;
  std::uint32_t SenseInfoOffset;
  std::uint8_t Cdb[16];
  std::uint8_t Reserved3[4];
};
#pragma pack(pop)

using ScsiPassThrough32 = ScsiPassThroughRecord<std::uint32_t>;
using ScsiPassThrough64 = ScsiPassThroughRecord<std::uint64_t>;

static_assert(offsetof(ScsiPassThrough32, DataIn) == 8 &&
              offsetof(ScsiPassThrough32, DataTransferLength) == 12 &&
              offsetof(ScsiPassThrough32, TimeOutValue) == 16 &&
              offsetof(ScsiPassThrough32, DataBufferOffset) == 20 &&
              offsetof(ScsiPassThrough32, SenseInfoOffset) == 24 &&
              offsetof(ScsiPassThrough32, Cdb) == 28 && sizeof(ScsiPassThrough32) == 44);
static_assert(offsetof(ScsiPassThrough64, DataIn) == 8 &&
              offsetof(ScsiPassThrough64, DataTransferLength) == 12 &&
              offsetof(ScsiPassThrough64, TimeOutValue) == 16 &&
              offsetof(ScsiPassThrough64, DataBufferOffset) == 24 &&
              offsetof(ScsiPassThrough64, SenseInfoOffset) == 32 &&
              offsetof(ScsiPassThrough64, Cdb) == 36 && sizeof(ScsiPassThrough64) == 56);

// The record of this program's pointer width.
using ScsiPassThrough =
    std::conditional_t<sizeof(void*) == 8, ScsiPassThrough64, ScsiPassThrough32>;

}  // namespace tarnwick::platform
