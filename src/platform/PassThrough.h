// SCSI pass-through records: the structures a volume handle's pass-through control
// call takes, laid out as the Windows DDK declares them, and the neutral request and
// result that the platform hands to whatever stands behind a volume.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarnwick::platform {

inline constexpr std::uint32_t IOCTL_SCSI_PASS_THROUGH_DIRECT = 0x4D014;
inline constexpr std::uint32_t IOCTL_SCSI_GET_ADDRESS = 0x41018;

inline constexpr std::uint8_t SCSI_IOCTL_DATA_OUT = 0;
inline constexpr std::uint8_t SCSI_IOCTL_DATA_IN = 1;
inline constexpr std::uint8_t SCSI_IOCTL_DATA_UNSPECIFIED = 2;

// SCSI_PASS_THROUGH_DIRECT with natural alignment, as in the DDK. 44 bytes in a 32-bit
// build; in a 64-bit build the data pointer widens to 8 bytes and is 8-aligned, so the
// structure grows to 56 bytes (Length then holds 56).
struct SCSI_PASS_THROUGH_DIRECT {
  std::uint16_t Length;
  std::uint8_t ScsiStatus;
  std::uint8_t PathId;
  std::uint8_t TargetId;
  std::uint8_t Lun;
  std::uint8_t CdbLength;
  std::uint8_t SenseInfoLength;
  std::uint8_t DataIn;
  std::uint32_t DataTransferLength;
  std::uint32_t TimeOutValue;
  void* DataBuffer;
  std::uint32_t SenseInfoOffset;
  std::uint8_t Cdb[16];
};
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, ScsiStatus) == 2);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, CdbLength) == 6);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataIn) == 8);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataTransferLength) == 12);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, TimeOutValue) == 16);
static_assert(sizeof(void*) == 4 ? (offsetof(SCSI_PASS_THROUGH_DIRECT, DataBuffer) == 20 &&
                                    offsetof(SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset) == 24 &&
                                    offsetof(SCSI_PASS_THROUGH_DIRECT, Cdb) == 28 &&
                                    sizeof(SCSI_PASS_THROUGH_DIRECT) == 44)
                                 : (offsetof(SCSI_PASS_THROUGH_DIRECT, DataBuffer) == 24 &&
                                    offsetof(SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset) == 32 &&
                                    offsetof(SCSI_PASS_THROUGH_DIRECT, Cdb) == 36 &&
                                    sizeof(SCSI_PASS_THROUGH_DIRECT) == 56));

// The pass-through buffer: the structure, a filler, then 32 bytes for sense data.
// 80 bytes with sense at offset 48 in a 32-bit build; 96 bytes with sense at 60 in a
// 64-bit build (the structure itself is 12 bytes longer there).
struct SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER {
  SCSI_PASS_THROUGH_DIRECT Spt;
  std::uint32_t Filler;
  std::uint8_t SenseBuf[32];
};
static_assert(sizeof(void*) == 4
                  ? (offsetof(SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER, SenseBuf) == 48 &&
                     sizeof(SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER) == 80)
                  : (offsetof(SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER, SenseBuf) == 60 &&
                     sizeof(SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER) == 96));

// IOCTL_SCSI_GET_ADDRESS output, 8 bytes.
struct SCSI_ADDRESS {
  std::uint32_t Length;
  std::uint8_t PortNumber;
  std::uint8_t PathId;
  std::uint8_t TargetId;
  std::uint8_t Lun;
};
static_assert(sizeof(SCSI_ADDRESS) == 8 && offsetof(SCSI_ADDRESS, PortNumber) == 4 &&
              offsetof(SCSI_ADDRESS, Lun) == 7);

enum class DataDirection : std::uint8_t { Out = SCSI_IOCTL_DATA_OUT, In = SCSI_IOCTL_DATA_IN, None = SCSI_IOCTL_DATA_UNSPECIFIED };

// One command for a device behind a volume.
struct ScsiRequest {
  const std::uint8_t* cdb = nullptr;
  std::uint8_t cdbLength = 0;
  DataDirection direction = DataDirection::None;
  std::uint8_t* data = nullptr;  // in: filled by the device; out: read by it
  std::uint32_t dataLength = 0;
  std::uint32_t timeoutMs = 0;
};

// What came back. `callOk` false means the call itself failed (no status, no sense),
// as a failed DeviceIoControl does; `systemError` then holds the errno.
struct ScsiResult {
  bool callOk = false;
  int systemError = 0;
  std::uint8_t status = 0;        // SCSI status byte (2 = check condition)
  std::uint8_t senseLength = 0;   // valid bytes in sense
  std::uint8_t sense[32] = {};
  std::uint32_t transferred = 0;  // bytes actually moved
};

}  // namespace tarnwick::platform
