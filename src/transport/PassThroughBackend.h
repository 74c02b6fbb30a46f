// The pass-through back-end: an emulation of the two ASPI entry points that serves
// requests with SCSI pass-through calls on the drives' volume handles.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/PassThrough.h"
#include "platform/Platform.h"
#include "transport/Volume.h"

namespace tarnwick::transport {

// One slot per drive letter (index 0 = A); indexes 2 to 25 (C to Z) are used.
struct TSPTIDrive {
  std::uint8_t ha = 0;
  std::uint8_t tgt = 0;
  std::uint8_t lun = 0;
  std::uint8_t driveLetter = 0;
  bool inUse = false;
  platform::Handle hDevice = platform::kInvalidHandle;  // -1 while closed
  std::uint8_t inqData[40] = {};
};

inline constexpr std::size_t kDriveSlots = 26;
inline constexpr std::uint8_t kFirstLetterIndex = 2;   // C:
inline constexpr std::uint8_t kLastLetterIndex = 25;   // Z:
inline constexpr std::uint8_t kNoAddressLun = 250;     // marks a drive without a SCSI address
inline constexpr std::uint32_t kPassThroughTimeoutS = 120;

struct SptiTable {
  std::uint8_t adapterCount = 0;
  TSPTIDrive drives[kDriveSlots];
  std::uint8_t scanCounter = 0;  // drives that reported no SCSI address
  bool scanned = false;
};

SptiTable& Table();

// Fills the drive table once; returns the number of drives recorded (0 when the
// table was already valid).
int ScanSPTIDrives();
// Fills a pass-through request: the record's own length, the command block, the
// sense length, the data direction, phase and buffer, the time limit and where the
// sense bytes go.
void PreparePassThrough(platform::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER& buf, const std::uint8_t* cdb,
                        std::uint8_t cdbLength, std::uint8_t senseLength, std::uint8_t direction, void* data,
                        std::uint32_t length);
// Marks the table valid with no drives (used when test entry points are installed).
void MarkTableScannedEmpty();
// Closes every open volume handle and clears the table (whether or not it is valid).
void ClearTable();

extern "C" {
std::uint32_t SPTIGetASPI32SupportInfo();
std::uint32_t SPTISendASPI32Command(void* request);
}

}  // namespace tarnwick::transport
