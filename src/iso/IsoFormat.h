// On-disc layouts of the volume descriptors and directory records that the session
// import reads. Multi-byte numbers are kept as byte arrays and read with the
// byte-order helpers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/ByteOrder.h"

namespace tarnwick::iso {

inline constexpr std::size_t kSectorSize = 2048;

inline constexpr std::uint8_t kPrimaryDescriptor = 1;
inline constexpr std::uint8_t kSupplementaryDescriptor = 2;
inline constexpr std::uint8_t kTerminator = 255;

// Directory record flags.
inline constexpr std::uint8_t kFlagHidden = 0x01;
inline constexpr std::uint8_t kFlagDirectory = 0x02;
inline constexpr std::uint8_t kFlagMultiExtent = 0x80;

#pragma pack(push, 1)
struct DirectoryRecord {
  std::uint8_t Length;           // 0: the rest of the sector holds no record
  std::uint8_t ExtAttrLength;
  std::uint8_t Extent[8];        // little-endian, then big-endian copy
  std::uint8_t DataLength[8];    // little-endian, then big-endian copy
  std::uint8_t Date[7];          // years since 1900, month, day, hour, minute, second, zone
  std::uint8_t Flags;
  std::uint8_t FileUnitSize;
  std::uint8_t InterleaveGap;
  std::uint8_t VolumeSequence[4];
  std::uint8_t NameLength;
  // followed by NameLength bytes of name, a padding byte when NameLength is even,
  // and system-use data up to Length

  std::uint32_t ExtentLba() const { return GetLE32(Extent); }
  std::uint32_t Size() const { return GetLE32(DataLength); }
};

struct VolumeDescriptor {
  std::uint8_t Type;
  std::uint8_t Identifier[5];    // "CD001"
  std::uint8_t Version;
  std::uint8_t Unused1[73];
  std::uint8_t VolumeSpaceSize[8];  // blocks, little-endian then big-endian copy
  std::uint8_t EscapeSequences[32];
  std::uint8_t Unused2[36];
  DirectoryRecord RootRecord;
  std::uint8_t RootName;
  std::uint8_t Unused3[691];
  std::uint8_t FileStructureVersion;
  std::uint8_t Rest[1166];

  std::uint32_t VolumeSpaceBlocks() const { return GetLE32(VolumeSpaceSize); }
};
#pragma pack(pop)

static_assert(sizeof(DirectoryRecord) == 33);
static_assert(offsetof(DirectoryRecord, Extent) == 2 && offsetof(DirectoryRecord, DataLength) == 10 &&
              offsetof(DirectoryRecord, Date) == 18 && offsetof(DirectoryRecord, Flags) == 25 &&
              offsetof(DirectoryRecord, NameLength) == 32);
static_assert(sizeof(VolumeDescriptor) == kSectorSize);
static_assert(offsetof(VolumeDescriptor, VolumeSpaceSize) == 80 && offsetof(VolumeDescriptor, EscapeSequences) == 88 &&
              offsetof(VolumeDescriptor, RootRecord) == 156);
static_assert(offsetof(VolumeDescriptor, FileStructureVersion) == 881);
static_assert(offsetof(VolumeDescriptor, RootRecord) + offsetof(DirectoryRecord, Extent) == 158 &&
              offsetof(VolumeDescriptor, RootRecord) + offsetof(DirectoryRecord, DataLength) == 166);

// The enhanced descriptor of the 1999 revision: a supplementary descriptor of
// version 2 whose hierarchy holds 8-bit names of up to 207 bytes without a version.
inline bool IsEnhancedDescriptor(const VolumeDescriptor& vd) {
  return vd.Type == kSupplementaryDescriptor && vd.Version == 2 && vd.FileStructureVersion == 2;
}

}  // namespace tarnwick::iso
