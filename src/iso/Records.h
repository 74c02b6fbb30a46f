// The records of the in-memory directory tree of one imported session.
//
// A sub-directory appears twice: as a TFEntry with attribute 0x10 in its parent's
// entry list (its place among its siblings, its date and attributes) and as the
// TDEntry that entry's `Dir` refers to (the head of its own list). Records are owned
// by the component's tables; every reference between records is a plain pointer
// that does not own and becomes invalid at the next tree reset.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {

struct TFEntry;

inline constexpr std::uint32_t faHidden = 0x02;
inline constexpr std::uint32_t faDirectory = 0x10;
// An entry the disc marks deleted whose record is still intact: recoverable data,
// imported only when asked for and named with kDeletedMark at its end.
inline constexpr std::uint32_t faDeleted = 0x10000;
inline constexpr const char* kDeletedMark = " (deleted)";

// Date of an entry that has none (its recording date was not a calendar date).
inline constexpr double NoDate = std::numeric_limits<double>::quiet_NaN();
inline bool IsDate(double dateTime) { return !std::isnan(dateTime); }

// One run of sectors holding part of a file's data, in file order. Data kept inside
// an entry's own record starts `Offset` bytes into its sector; a run that is
// allocated but holds no recorded data reads as zeros and has no sectors.
struct TExtent {
  std::uint32_t Lba = 0;
  std::uint64_t Bytes = 0;
  std::uint16_t Offset = 0;
  bool Zeros = false;
  bool operator==(const TExtent&) const = default;
};

// The time stamps an entry written on a Unix-like system may carry, in the order a
// Rock Ridge TF entry's flag bits give them.
enum class TStampKind : std::uint8_t { Creation, Modification, Access, Attributes, Backup, Expiration, Effective };
inline constexpr std::size_t kStampKinds = 7;
// "creation", "modification", "access", "attributes", "backup", "expiration", "effective"
const char* StampName(TStampKind kind);

// One time stamp: the calendar fields as recorded and, when the writer recorded one,
// its offset from UTC. Kept as fields (a tree holds one per entry and kind); the text
// is made only when shown.
struct TPosixStamp {
  std::int16_t Year = 0;
  std::uint8_t Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
  bool Zoned = false;
  std::int16_t OffsetMinutes = 0;  // east of UTC; 0 when not zoned

  // Seconds since 1970-01-01 UTC (a stamp without offset counts as UTC); none when
  // the fields are no calendar date.
  std::optional<std::int64_t> UnixSeconds() const;
  // "2021-03-04T05:06:07+02:00" as recorded; without the offset when none was.
  std::string Text() const;
  bool operator==(const TPosixStamp&) const = default;
};

// The POSIX attributes a disc written on a Unix-like system records for an entry.
struct TPosixInfo {
  std::optional<std::uint32_t> Mode;  // file type and permission bits
  std::uint32_t Links = 0, User = 0, Group = 0;
  bool Symlink = false;
  std::string LinkTarget;
  std::array<std::optional<TPosixStamp>, kStampKinds> Stamps;  // by TStampKind
  std::optional<std::int64_t> Modified;  // modification time, seconds since 1970 UTC

  const std::optional<TPosixStamp>& Stamp(TStampKind kind) const { return Stamps[static_cast<std::size_t>(kind)]; }
  bool HasStamps() const {
    for (const auto& stamp : Stamps)
      if (stamp) return true;
    return false;
  }
  bool operator==(const TPosixInfo&) const = default;
};

struct TDEntry {
  std::string ShortName;
  std::string LongName;
  std::string Path;             // "\DATA\DOCS"; the root's is "\"
  TDEntry* Parent = nullptr;    // the root refers to itself
  TFEntry* Files = nullptr;     // first entry of the list, or none

  // Last entry of the list, so appending does not walk it.
  TFEntry* Last = nullptr;
};

struct TFEntry {
  std::string ShortName;
  std::string LongName;
  std::string SourcePath;
  std::uint8_t OnDisc = 0;
  double DateTime = NoDate;     // local time, days since 30 December 1899; NaN: no date
  std::int64_t Size = 0;
  std::int64_t Size2 = 0;
  std::int64_t Reserved = 0;
  std::uint32_t Extent = 0;     // first sector of the data
  std::uint32_t Extent2 = 0;
  std::uint32_t Attr = 0;
  std::uint8_t Tag = 0;
  TDEntry* Dir = nullptr;       // for a directory entry, the directory it stands for
  TFEntry* Next = nullptr;
  std::uint8_t Reserved8 = 0;
  std::uint32_t Reserved32 = 0;

  // Every run of the file's data in order for a file recorded in several extents (or in
  // one at sector 0, or one of another length than the file); empty for a file in one
  // extent, whose data is `Size` bytes from `Extent` (see EntryDataRuns), and for
  // entries without data on the disc.
  std::vector<TExtent> Extents;

  // Read from a disc written on a Unix-like system; none otherwise. Held apart from
  // the record: most trees have none, and a record of each is kept per entry.
  std::shared_ptr<const TPosixInfo> Posix;

  bool IsDirectory() const { return (Attr & faDirectory) != 0; }
  bool IsSymlink() const { return Posix && Posix->Symlink; }
  bool HasDate() const { return IsDate(DateTime); }
};

// The description of one entry that the add operations take.
struct EntryInfo {
  // MS-DOS packed local date and time; 0 when outside 1980..2107 or not a date.
  std::uint32_t TimeStamp = 0;
  // The exact local date and time when known (any year); NoDate otherwise. When
  // set, it wins over TimeStamp, which cannot hold years outside 1980..2107.
  double DateTime = NoDate;
  std::uint64_t Size = 0;
  std::uint32_t Attributes = 0;
  std::string LongName;
  // Up to 13 characters, NUL-terminated and NUL-padded; when empty, the add
  // operations derive the short name from the long name.
  char ShortName[14] = {};
  // The long name is used exactly as given (no "." added to a name without one).
  bool ExactName = false;
  std::optional<TPosixInfo> Posix;
};

}  // namespace tarnwick
