// The POSIX entries of the primary tree: whether the session carries them (a
// sharing-protocol entry in the root directory's own record, and entries of ours
// or an extension reference naming them), and the reading of each record's.
#include <cstring>

#include "iso/Dates.h"
#include "iso/Format.h"
#include "iso/IsoFormat.h"
#include "iso/Names.h"
#include "iso/PosixTree.h"
#include "iso/QuarnBurner.h"

namespace tarnwick {

iso::PosixEntry TPosixTree::Read(const std::uint8_t* record, std::size_t recordLength,
                                 std::vector<std::string>& problems) {
  const iso::FieldSpan span = iso::SystemUseField(record, recordLength, skip);
  if (span.Length == 0) return {};
  const auto entries = reader.Read(record + span.Offset, span.Length, problems);
  return iso::ReadPosixEntries(entries, problems);
}

TPosixInfo PosixInfoOf(const iso::PosixEntry& entry) {
  TPosixInfo info;
  info.Mode = entry.Mode;
  info.Links = entry.Links;
  info.User = entry.User;
  info.Group = entry.Group;
  info.Symlink = entry.Symlink;
  info.LinkTarget = entry.LinkTarget;
  info.Stamps = entry.Stamps;
  if (const auto& modified = entry.Stamp(iso::StampKind::Modification)) info.Modified = modified->UnixSeconds();
  return info;
}

void ApplyPosix(const iso::PosixEntry& entry, bool exactName, EntryInfo& info) {
  if (entry.Name) info.LongName = *entry.Name;
  info.ExactName = exactName;
  info.Posix = PosixInfoOf(entry);
  if (const auto& modified = entry.Stamp(iso::StampKind::Modification)) {
    const double date =
        EncodeDateTime(modified->Year, modified->Month, modified->Day, modified->Hour, modified->Minute, modified->Second);
    if (IsDate(date)) {
      info.DateTime = date;
      info.TimeStamp = PackDosDateTime(date);
    }
  }
  if (!exactName) return;
  MakeShortName(info.LongName, info.ShortName);
}

void TQuarnBurner::ApplyOwnRecord(const std::uint8_t* record, std::size_t recordLength, TDEntry* dir,
                                  TPosixTree& posix) {
  auto it = posix.entryOf.find(dir);
  if (it == posix.entryOf.end()) return;
  std::vector<std::string> problems;
  const iso::PosixEntry own = posix.Read(record, recordLength, problems);
  if (!problems.empty()) ReportPosixProblems(problems, DisplayPath(dir));
  if (!own.Present) return;
  TFEntry* entry = it->second;
  TPosixInfo info = PosixInfoOf(own);
  // Entries the directory's own record leaves out keep what its parent said.
  if (!info.Mode && entry->Posix) info.Mode = entry->Posix->Mode;
  if (!info.HasStamps() && entry->Posix) {
    info.Stamps = entry->Posix->Stamps;
    info.Modified = entry->Posix->Modified;
  }
  info.Symlink = false;
  info.LinkTarget.clear();
  entry->Posix = std::make_shared<const TPosixInfo>(std::move(info));
}

bool TQuarnBurner::RelocatedExtent(std::uint32_t location, TPosixTree& posix, std::uint32_t& extent,
                                   std::uint32_t& length) {
  if (location < posix.volume.First || location >= posix.volume.End) return false;
  std::vector<std::uint8_t> sector(iso::kSectorSize, 0);
  if (!ReadSectors(location, 1, iso::kSectorSize, sector.data())) return false;
  // The directory's first record is its own: its extent must be the sector itself.
  iso::DirectoryRecord self;
  std::memcpy(&self, sector.data(), sizeof self);
  if (self.Length <= sizeof self || self.NameLength != 1 || sector[sizeof self] != 0 ||
      !(self.Flags & iso::kFlagDirectory) || self.ExtentLba() != location)
    return false;
  extent = location;
  length = self.Size();
  return true;
}

std::unique_ptr<TPosixTree> TQuarnBurner::FindPosixEntries(std::uint32_t rootExtent, std::uint32_t volumeEnd) {
  std::vector<std::uint8_t> sector(iso::kSectorSize, 0);
  if (!ReadSectors(rootExtent, 1, iso::kSectorSize, sector.data())) return nullptr;
  const std::size_t recordLength = sector[0];
  if (recordLength <= sizeof(iso::DirectoryRecord)) return nullptr;
  const iso::FieldSpan span = iso::SystemUseField(sector.data(), recordLength, 0);
  const auto skip = iso::SharingProtocolSkip(sector.data() + span.Offset, span.Length);
  if (!skip) return nullptr;

  auto tree = std::make_unique<TPosixTree>(
      iso::SectorRange{0, volumeEnd},
      [this](std::uint32_t lba, std::uint8_t* out) { return ReadSectors(lba, 1, iso::kSectorSize, out); }, *skip);
  // The root's own record holds the extension references; its entries are read
  // from the start of its field (the skip length applies to every other record).
  std::vector<std::string> problems;
  const auto entries = tree->reader.Read(sector.data() + span.Offset, span.Length, problems);
  bool ours = iso::ReadPosixEntries(entries, problems).Present;
  for (const std::string& id : iso::ExtensionIdentifiers(entries, problems)) ours = ours || iso::IsPosixExtensionId(id);
  ReportPosixProblems(problems, "/");
  return ours ? std::move(tree) : nullptr;
}

void TQuarnBurner::ReportPosixProblems(const std::vector<std::string>& problems, const std::string& where) {
  for (const std::string& problem : problems) {
    DebugMessage(">>> " + AsciiUpper("ERROR IMPORTING SESSION, " + problem + " AT " + where), 4);
    problems_.Add({TProblemKind::DamagedAttributes, where, std::nullopt, problem});
  }
}

}  // namespace tarnwick
