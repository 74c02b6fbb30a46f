// The system-use field of a directory record: the self-describing entries
// (two-letter signature, length, version, data) that extensions such as the POSIX
// names, modes, dates and links of Unix-written discs are carried in.
//
// Entries may continue in continuation areas elsewhere on the disc (CE). Every length
// is hostile: an entry that runs past its area, an area outside the session, a chain
// of areas that loops or grows past a fixed budget, all end the reading of that
// record's entries with a problem reported; entries read before stay. The
// continuation areas one import follows are bounded too: records may all point at
// one shared area, so the bytes read from areas are counted against what the session
// itself can hold, however often an area is named.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/ByteOrder.h"

namespace tarnwick::iso {

#pragma pack(push, 1)
struct SystemUseHeader {
  std::uint8_t Signature[2];
  std::uint8_t Length;  // of the whole entry, header included
  std::uint8_t Version;
};

// SP: present at the start of the root directory's own record; announces the
// protocol and how many bytes to skip at the start of every other record's field.
struct SharingProtocolEntry {
  SystemUseHeader Header;
  std::uint8_t Check[2];  // 0xBE 0xEF
  std::uint8_t Skip;
};

// CE: where the entries of this record continue.
struct ContinuationEntry {
  SystemUseHeader Header;
  std::uint8_t Block[8];   // little-endian, then big-endian copy
  std::uint8_t Offset[8];
  std::uint8_t Length[8];

  std::uint32_t BlockLba() const { return GetLE32(Block); }
  std::uint32_t AreaOffset() const { return GetLE32(Offset); }
  std::uint32_t AreaLength() const { return GetLE32(Length); }
};

// ER: names an extension recorded on the disc; identifier, description and
// source texts follow the fixed part.
struct ExtensionReferenceEntry {
  SystemUseHeader Header;
  std::uint8_t IdLength;
  std::uint8_t DescriptionLength;
  std::uint8_t SourceLength;
  std::uint8_t ExtensionVersion;
};
#pragma pack(pop)

static_assert(sizeof(SystemUseHeader) == 4);
static_assert(sizeof(SharingProtocolEntry) == 7 && offsetof(SharingProtocolEntry, Skip) == 6);
static_assert(sizeof(ContinuationEntry) == 28 && offsetof(ContinuationEntry, Offset) == 12 &&
              offsetof(ContinuationEntry, Length) == 20);
static_assert(sizeof(ExtensionReferenceEntry) == 8);

// One entry, with its data (the bytes after the 4-byte header) where it was read: in
// the field the reader was given, or in the reader's copy of a continuation area. Valid
// while that field lives and until the reader's next Read.
struct SystemUseEntry {
  char Signature[2] = {};
  std::uint8_t Version = 0;
  std::span<const std::uint8_t> Data;

  bool Is(const char (&signature)[3]) const { return Signature[0] == signature[0] && Signature[1] == signature[1]; }
};

// The sectors continuation areas may lie in: [First, End).
struct SectorRange {
  std::uint32_t First = 0;
  std::uint32_t End = 0;
};

// Reads one 2048-byte sector; false when it cannot be read.
using SectorReader = std::function<bool(std::uint32_t lba, std::uint8_t* sector)>;

class SystemUseReader {
 public:
  // A record's entries and continuation areas together never take more than this.
  static constexpr std::size_t MaxAreas = 32;
  static constexpr std::size_t MaxBytes = 64 * 1024;

  SystemUseReader(SectorRange bounds, SectorReader read);

  // The entries of one record's system-use field (already past any skip length),
  // followed into its continuation areas. Each problem met is appended, prefixed
  // by nothing: the caller says which record it was.
  std::vector<SystemUseEntry> Read(const std::uint8_t* field, std::size_t length, std::vector<std::string>& problems);

 private:
  // Appends a continuation area to areas_.
  bool ReadArea(std::uint32_t block, std::uint32_t offset, std::uint32_t length, std::string& problem);

  SectorRange bounds_;
  SectorReader read_;
  // Continuation bytes all records of the import may still read: the session's
  // size, and one record's allowance for the smallest sessions.
  std::uint64_t budget_;
  // The last sector read: the continuation areas of one directory's records mostly
  // share a sector.
  std::optional<std::uint32_t> cachedLba_;
  std::vector<std::uint8_t> cached_;
  // The continuation areas of the record last read, one after the other; room for
  // MaxBytes is reserved once, so that they never move while entries point into them.
  std::vector<std::uint8_t> areas_;
};

// The skip length of an SP entry at the start of the field (the root directory's
// own record), or none when the field does not start with one.
std::optional<std::uint8_t> SharingProtocolSkip(const std::uint8_t* field, std::size_t length);

// The identifiers of the extensions the ER entries among `entries` name.
std::vector<std::string> ExtensionIdentifiers(const std::vector<SystemUseEntry>& entries,
                                              std::vector<std::string>& problems);

// Where a record's system-use field lies inside the record: after its name and the
// name's padding byte, past `skip` bytes (the sharing protocol's skip length), up
// to the record's length. Length 0 when the record has none.
struct FieldSpan {
  std::size_t Offset = 0;
  std::size_t Length = 0;
};
FieldSpan SystemUseField(const std::uint8_t* record, std::size_t recordLength, std::size_t skip);

}  // namespace tarnwick::iso
