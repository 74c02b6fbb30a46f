// On-disc layouts of the UDF (ECMA-167 / OSTA UDF) descriptors the import reads.
// Multi-byte numbers are kept as byte arrays and read with the byte-order helpers;
// every number on a UDF volume is little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/ByteOrder.h"

namespace tarnwick::udf {

inline constexpr std::size_t kBlockSize = 2048;

// Descriptor tag identifiers.
enum TagId : std::uint16_t {
  kPrimaryVolume = 1,
  kAnchor = 2,
  kVolumePointer = 3,
  kImplementationUse = 4,
  kPartition = 5,
  kLogicalVolume = 6,
  kUnallocatedSpace = 7,
  kTerminating = 8,
  kIntegrity = 9,
  kFileSet = 256,
  kFileIdentifier = 257,
  kAllocationExtent = 258,
  kIndirectEntry = 259,
  kTerminalEntry = 260,
  kFileEntry = 261,
  kExtendedFileEntry = 266,
};

// File types of an ICB tag.
enum FileType : std::uint8_t {
  kTypeUnspecified = 0,
  kTypeIndirect = 3,
  kTypeDirectory = 4,
  kTypeFile = 5,
  kTypeBlockDevice = 6,
  kTypeCharDevice = 7,
  kTypeFifo = 9,
  kTypeSocket = 10,
  kTypeSymlink = 12,
  kTypeStreamDirectory = 13,
  kTypeVat20 = 248,
  kTypeMetadata = 250,
  kTypeMetadataMirror = 251,
};

// File characteristics of a file identifier descriptor.
inline constexpr std::uint8_t kFidHidden = 0x01;
inline constexpr std::uint8_t kFidDirectory = 0x02;
inline constexpr std::uint8_t kFidDeleted = 0x04;
inline constexpr std::uint8_t kFidParent = 0x08;

// Allocation descriptor forms (ICB tag flags, bits 0-2) and extent types (top two
// bits of an extent length).
enum AdForm : std::uint8_t { kShortAd = 0, kLongAd = 1, kExtendedAd = 2, kEmbedded = 3 };
enum ExtentType : std::uint8_t { kRecorded = 0, kAllocatedOnly = 1, kUnallocated = 2, kNextExtent = 3 };

// A record copied out of a block (records in blocks need not be aligned).
template <typename T>
T ReadAs(const std::uint8_t* p) {
  T value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

#pragma pack(push, 1)
struct Tag {
  std::uint8_t Identifier[2];
  std::uint8_t Version[2];
  std::uint8_t Checksum;
  std::uint8_t Reserved;
  std::uint8_t SerialNumber[2];
  std::uint8_t Crc[2];
  std::uint8_t CrcLength[2];
  std::uint8_t Location[4];

  std::uint16_t Id() const { return GetLE16(Identifier); }
  std::uint16_t CrcBytes() const { return GetLE16(CrcLength); }
  std::uint32_t Lba() const { return GetLE32(Location); }
};

struct ExtentAd {
  std::uint8_t Length[4];
  std::uint8_t Location[4];
  std::uint32_t Bytes() const { return GetLE32(Length); }
  std::uint32_t Lba() const { return GetLE32(Location); }
};

// lb_addr: a block of a partition.
struct LbAddr {
  std::uint8_t Block[4];
  std::uint8_t Partition[2];
  std::uint32_t BlockNumber() const { return GetLE32(Block); }
  std::uint16_t PartitionRef() const { return GetLE16(Partition); }
};

struct ShortAd {
  std::uint8_t Length[4];
  std::uint8_t Position[4];
};

struct LongAd {
  std::uint8_t Length[4];
  LbAddr Location;
  std::uint8_t ImplementationUse[6];
  std::uint32_t Bytes() const { return GetLE32(Length) & 0x3FFFFFFF; }
  std::uint8_t Type() const { return static_cast<std::uint8_t>(GetLE32(Length) >> 30); }
};

struct ExtAd {
  std::uint8_t Length[4];
  std::uint8_t RecordedLength[4];
  std::uint8_t InformationLength[4];
  LbAddr Location;
  std::uint8_t ImplementationUse[2];
};

struct Timestamp {
  std::uint8_t TypeAndZone[2];
  std::uint8_t Year[2];
  std::uint8_t Month;
  std::uint8_t Day;
  std::uint8_t Hour;
  std::uint8_t Minute;
  std::uint8_t Second;
  std::uint8_t Centiseconds;
  std::uint8_t HundredsOfMicroseconds;
  std::uint8_t Microseconds;
};

struct RegId {
  std::uint8_t Flags;
  char Identifier[23];
  std::uint8_t Suffix[8];
};

struct AnchorDescriptor {
  Tag tag;
  ExtentAd MainSequence;
  ExtentAd ReserveSequence;
};

struct PointerDescriptor {
  Tag tag;
  std::uint8_t SequenceNumber[4];
  ExtentAd Next;
};

struct PartitionDescriptor {
  Tag tag;
  std::uint8_t SequenceNumber[4];
  std::uint8_t Flags[2];
  std::uint8_t Number[2];
  RegId Contents;
  std::uint8_t ContentsUse[128];
  std::uint8_t AccessType[4];
  std::uint8_t Start[4];
  std::uint8_t Length[4];
  RegId Implementation;
  std::uint8_t ImplementationUse[128];
  std::uint8_t Reserved[156];
};

struct LogicalVolumeDescriptor {
  Tag tag;
  std::uint8_t SequenceNumber[4];
  std::uint8_t CharSet[64];
  std::uint8_t Identifier[128];
  std::uint8_t BlockSize[4];
  RegId Domain;
  LongAd FileSet;  // the contents use: where the file set descriptor lies
  std::uint8_t MapTableLength[4];
  std::uint8_t MapCount[4];
  RegId Implementation;
  std::uint8_t ImplementationUse[128];
  ExtentAd Integrity;
  // followed by the partition maps
};

struct PartitionMap2 {
  std::uint8_t Type;  // 2
  std::uint8_t Length;  // 64
  std::uint8_t Reserved[2];
  RegId Identifier;
  std::uint8_t VolumeSequence[2];
  std::uint8_t PartitionNumber[2];
  std::uint8_t Specific[24];
};

struct SparablePart {
  std::uint8_t PacketLength[2];
  std::uint8_t TableCount;
  std::uint8_t Reserved;
  std::uint8_t TableSize[4];
  std::uint8_t Tables[4][4];
};

struct MetadataPart {
  std::uint8_t FileLocation[4];
  std::uint8_t MirrorLocation[4];
  std::uint8_t BitmapLocation[4];
  std::uint8_t AllocationUnit[4];
  std::uint8_t AlignmentUnit[2];
  std::uint8_t Flags;
  std::uint8_t Reserved[5];
};

struct IntegrityDescriptor {
  Tag tag;
  Timestamp Recorded;
  std::uint8_t Type[4];  // 0 open, 1 closed
  ExtentAd Next;
  std::uint8_t ContentsUse[32];
  std::uint8_t PartitionCount[4];
  std::uint8_t ImplementationUseLength[4];
};

struct FileSetDescriptor {
  Tag tag;
  Timestamp Recorded;
  std::uint8_t InterchangeLevel[2];
  std::uint8_t MaxInterchangeLevel[2];
  std::uint8_t CharSetList[4];
  std::uint8_t MaxCharSetList[4];
  std::uint8_t FileSetNumber[4];
  std::uint8_t FileSetDescriptorNumber[4];
  std::uint8_t VolumeIdentifierCharSet[64];
  std::uint8_t VolumeIdentifier[128];
  std::uint8_t FileSetCharSet[64];
  std::uint8_t FileSetIdentifier[32];
  std::uint8_t Copyright[32];
  std::uint8_t Abstract[32];
  LongAd Root;
  RegId Domain;
  LongAd Next;
  LongAd SystemStreams;
  std::uint8_t Reserved[32];
};

struct FileIdentifier {
  Tag tag;
  std::uint8_t Version[2];
  std::uint8_t Characteristics;
  std::uint8_t NameLength;
  LongAd Icb;
  std::uint8_t ImplementationUseLength[2];
  // followed by the implementation use, the name, and padding to four bytes
};

struct IcbTag {
  std::uint8_t PriorEntries[4];
  std::uint8_t Strategy[2];
  std::uint8_t StrategyParameter[2];
  std::uint8_t MaxEntries[2];
  std::uint8_t Reserved;
  std::uint8_t FileType;
  LbAddr Parent;
  std::uint8_t Flags[2];
};

struct FileEntry {
  Tag tag;
  IcbTag Icb;
  std::uint8_t Uid[4];
  std::uint8_t Gid[4];
  std::uint8_t Permissions[4];
  std::uint8_t LinkCount[2];
  std::uint8_t RecordFormat;
  std::uint8_t RecordDisplay;
  std::uint8_t RecordLength[4];
  std::uint8_t InformationLength[8];
  std::uint8_t BlocksRecorded[8];
  Timestamp Access;
  Timestamp Modification;
  Timestamp Attribute;
  std::uint8_t Checkpoint[4];
  LongAd ExtendedAttributes;
  RegId Implementation;
  std::uint8_t UniqueId[8];
  std::uint8_t ExtendedAttributesLength[4];
  std::uint8_t AllocationLength[4];
};

struct ExtendedFileEntry {
  Tag tag;
  IcbTag Icb;
  std::uint8_t Uid[4];
  std::uint8_t Gid[4];
  std::uint8_t Permissions[4];
  std::uint8_t LinkCount[2];
  std::uint8_t RecordFormat;
  std::uint8_t RecordDisplay;
  std::uint8_t RecordLength[4];
  std::uint8_t InformationLength[8];
  std::uint8_t ObjectSize[8];
  std::uint8_t BlocksRecorded[8];
  Timestamp Access;
  Timestamp Modification;
  Timestamp Creation;
  Timestamp Attribute;
  std::uint8_t Checkpoint[4];
  std::uint8_t Reserved[4];
  LongAd ExtendedAttributes;
  LongAd StreamDirectory;
  RegId Implementation;
  std::uint8_t UniqueId[8];
  std::uint8_t ExtendedAttributesLength[4];
  std::uint8_t AllocationLength[4];
};

struct AllocationExtent {
  Tag tag;
  std::uint8_t Previous[4];
  std::uint8_t AllocationLength[4];
};

// The second entry of a strategy 4096 ICB once the file has changed: where its
// newer entry lies.
struct IndirectEntry {
  Tag tag;
  IcbTag Icb;
  LongAd Newer;
};

// The header of a virtual allocation table of UDF 2.00 on (file type 248).
struct VatHeader {
  std::uint8_t HeaderLength[2];
  std::uint8_t ImplementationUseLength[2];
  std::uint8_t Identifier[128];
  std::uint8_t PreviousVat[4];
  std::uint8_t Files[4];
  std::uint8_t Directories[4];
  std::uint8_t MinReadRevision[2];
  std::uint8_t MinWriteRevision[2];
  std::uint8_t MaxWriteRevision[2];
  std::uint8_t Reserved[2];
};

// The trailer that ends a UDF 1.50 virtual allocation table.
struct VatTrailer {
  RegId Identifier;  // "*UDF Virtual Alloc Tbl"
  std::uint8_t PreviousVat[4];
};
#pragma pack(pop)

static_assert(sizeof(Tag) == 16);
static_assert(sizeof(LongAd) == 16 && sizeof(ShortAd) == 8 && sizeof(ExtAd) == 20);
static_assert(sizeof(Timestamp) == 12 && sizeof(RegId) == 32);
static_assert(sizeof(AnchorDescriptor) == 32);
static_assert(sizeof(PartitionDescriptor) == 512);
static_assert(offsetof(PartitionDescriptor, Start) == 188 && offsetof(PartitionDescriptor, Length) == 192);
static_assert(offsetof(LogicalVolumeDescriptor, BlockSize) == 212);
static_assert(offsetof(LogicalVolumeDescriptor, FileSet) == 248);
static_assert(offsetof(LogicalVolumeDescriptor, MapCount) == 268);
static_assert(offsetof(LogicalVolumeDescriptor, Integrity) == 432 && sizeof(LogicalVolumeDescriptor) == 440);
static_assert(sizeof(PartitionMap2) == 64 && offsetof(PartitionMap2, Specific) == 40);
static_assert(sizeof(SparablePart) == 24 && sizeof(MetadataPart) == 24);
static_assert(offsetof(IntegrityDescriptor, PartitionCount) == 72);
static_assert(offsetof(FileSetDescriptor, Root) == 400 && sizeof(FileSetDescriptor) == 512);
static_assert(sizeof(FileIdentifier) == 38);
static_assert(sizeof(IcbTag) == 20);
static_assert(offsetof(FileEntry, InformationLength) == 56 && offsetof(FileEntry, Modification) == 84);
static_assert(sizeof(FileEntry) == 176);
static_assert(offsetof(ExtendedFileEntry, Modification) == 92 && sizeof(ExtendedFileEntry) == 216);
static_assert(sizeof(AllocationExtent) == 24);
static_assert(offsetof(IndirectEntry, Newer) == 36 && sizeof(IndirectEntry) == 52);
static_assert(sizeof(VatHeader) == 152 && sizeof(VatTrailer) == 36);

}  // namespace tarnwick::udf
