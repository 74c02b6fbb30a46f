// The POSIX attributes that Unix mastering tools record in the system-use entries
// of the primary tree: the real name (NM), mode, links and owner (PX), time stamps
// (TF), symbolic link target (SL), and the relocation of deep directories (CL, PL,
// RE). An entry whose lengths do not hold together is skipped and reported; the
// others are still used.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "iso/Records.h"
#include "iso/SystemUse.h"

namespace tarnwick::iso {

// Extension identifiers that announce these entries in an ER entry.
bool IsPosixExtensionId(const std::string& id);

// POSIX file type bits of a mode.
inline constexpr std::uint32_t kModeTypeMask = 0170000;
inline constexpr std::uint32_t kModeDirectory = 0040000;
inline constexpr std::uint32_t kModeRegular = 0100000;
inline constexpr std::uint32_t kModeSymlink = 0120000;

#pragma pack(push, 1)
// PX: mode, link count, owner and group, and (in later recordings) a serial number.
struct PosixAttributesEntry {
  SystemUseHeader Header;
  std::uint8_t Mode[8];   // little-endian, then big-endian copy
  std::uint8_t Links[8];
  std::uint8_t User[8];
  std::uint8_t Group[8];
};
// CL / PL: the sector of a relocated directory or of a relocated directory's parent.
struct DirectoryLinkEntry {
  SystemUseHeader Header;
  std::uint8_t Location[8];
};
#pragma pack(pop)
static_assert(sizeof(PosixAttributesEntry) == 36 && offsetof(PosixAttributesEntry, Group) == 28);
static_assert(sizeof(DirectoryLinkEntry) == 12);

// The seven time stamps TF may carry, in the order of its flag bits, each a recorded
// time with the writer's offset from UTC.
using StampKind = TStampKind;
using PosixStamp = TPosixStamp;
using tarnwick::kStampKinds;
using tarnwick::StampName;

struct PosixEntry {
  bool Present = false;          // at least one of the entries below was read
  std::optional<std::string> Name;
  bool NameCurrent = false;      // NM says: this record is the directory itself
  bool NameParent = false;       // NM says: this record is the parent directory
  std::optional<std::uint32_t> Mode;
  std::uint32_t Links = 0, User = 0, Group = 0;
  std::array<std::optional<PosixStamp>, kStampKinds> Stamps;
  bool Symlink = false;          // SL read, or PX says the entry is a link
  std::string LinkTarget;
  std::optional<std::uint32_t> ChildLocation;   // CL: the directory relocated from here
  std::optional<std::uint32_t> ParentLocation;  // PL: the real parent of a relocated directory
  bool Relocated = false;        // RE: this record is where a relocated directory is kept

  const std::optional<PosixStamp>& Stamp(StampKind kind) const { return Stamps[static_cast<std::size_t>(kind)]; }
};

// Reads the POSIX entries among a record's system-use entries.
PosixEntry ReadPosixEntries(const std::vector<SystemUseEntry>& entries, std::vector<std::string>& problems);

}  // namespace tarnwick::iso
