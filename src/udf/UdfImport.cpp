// The directory walk of a UDF volume.
//
// The work is bounded by the disc, not by what the descriptors claim: every directory
// entry is walked at most once (a directory met again, through a loop or a second
// identifier, is reported and not read again), nesting stops at the tree's depth
// limit, and the directory data read in all is at most the disc's size. A descriptor
// that fails its checks, an entry that cannot be read, data that falls short of its
// length: each is a problem on the import's list, with its place on the disc.
#include "udf/UdfImport.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "iso/Dates.h"
#include "iso/QuarnBurner.h"
#include "udf/Descriptors.h"

namespace tarnwick::udf {
namespace {

constexpr std::uint8_t kLeadOut = 0xAA;
constexpr std::uint64_t kMaxLinkBytes = 65536;

std::string ChildPath(const std::string& dir, const std::string& name) {
  return dir == "/" ? "/" + name : dir + "/" + name;
}

// POSIX file type bits of a UDF file type.
std::uint32_t ModeType(std::uint8_t fileType) {
  switch (fileType) {
    case kTypeDirectory: return 0040000;
    case kTypeSymlink: return 0120000;
    case kTypeBlockDevice: return 0060000;
    case kTypeCharDevice: return 0020000;
    case kTypeFifo: return 0010000;
    case kTypeSocket: return 0140000;
    default: return 0100000;
  }
}

// The target of a symbolic link from its path components.
std::string LinkTarget(const std::vector<std::uint8_t>& data) {
  std::string target;
  std::size_t at = 0;
  auto add = [&target](const std::string& part) {
    if (!target.empty() && target.back() != '/') target += '/';
    target += part;
  };
  while (at + 4 <= data.size()) {
    const std::uint8_t type = data[at];
    const std::size_t length = data[at + 1];
    if (at + 4 + length > data.size()) break;
    switch (type) {
      case 1:
      case 2: target = "/"; break;
      case 3: add(".."); break;
      case 4: add("."); break;
      case 5: add(Cs0Name(&data[at + 4], length)); break;
      default: break;
    }
    at += 4 + length;
  }
  return target;
}

class TWalk {
 public:
  TWalk(TQuarnBurner& burner, TVolume& volume, bool countOnly)
      : burner_(burner), volume_(volume), problems_(burner.ImportProblems()), countOnly_(countOnly),
        budget_(volume.Blocks().End()) {}

  bool Root(TDEntry* target) {
    TIcb root;
    std::string why;
    if (!volume_.ReadIcb(volume_.RootIcb(), root, true, why)) {
      Problem(TProblemKind::BadDescriptor, "/", root.sector, "the root directory: " + why);
      return false;
    }
    walked_.insert(root.sector);
    ancestors_.push_back(root.sector);
    Directory(root, target, target ? burner_.DisplayPath(target) : "/");
    return true;
  }
  std::size_t Count() const { return count_; }

 private:
  // `dir`: the directory of the tree whose listing the problem leaves incomplete.
  void Problem(TProblemKind kind, const std::string& path, std::optional<std::uint64_t> sector, std::string why,
               const TDEntry* dir = nullptr) {
    if (countOnly_) return;
    std::optional<std::uint32_t> at;
    if (sector && *sector <= UINT32_MAX) at = static_cast<std::uint32_t>(*sector);
    problems_.Add({kind, path, at, std::move(why), 1, dir});
  }

  // The partition block the directory data's byte `at` lies in.
  static std::pair<std::uint32_t, std::uint64_t> BlockOf(const TIcb& dir, std::uint64_t at) {
    for (const TPiece& piece : dir.data) {
      if (at < piece.extent.Bytes) {
        const std::uint64_t sector = piece.extent.Zeros ? 0 : piece.extent.Lba + (piece.extent.Offset + at) / 2048;
        return {static_cast<std::uint32_t>(piece.block + (piece.extent.Offset ? 0 : at / 2048)), sector};
      }
      at -= piece.extent.Bytes;
    }
    return {0, 0};
  }

  void Directory(const TIcb& dir, TDEntry* parent, const std::string& path) {
    if (!dir.shortfall.empty()) Problem(TProblemKind::IncompleteFile, path, dir.sector, dir.shortfall);
    // Directory data is read up to the disc's size in all, whatever the entries claim.
    std::uint64_t recorded = 0;
    for (const TPiece& piece : dir.data) recorded += piece.extent.Bytes;
    const std::uint64_t want = std::min(dir.length, recorded);
    if (want / 2048 + (want % 2048 != 0) > budget_) {
      Problem(TProblemKind::OutsideSession, path, dir.sector, "the directories hold more sectors than the disc", parent);
      return;
    }
    budget_ -= want / 2048 + (want % 2048 != 0);
    std::vector<std::uint8_t> data;
    std::string why;
    if (!volume_.ReadData(dir, want, data, why)) Problem(TProblemKind::UnreadableSector, path, std::nullopt, why, parent);

    std::size_t at = 0;
    while (at + sizeof(FileIdentifier) <= data.size()) {
      const auto [block, sector] = BlockOf(dir, at);
      const std::string fault = TagFault(&data[at], data.size() - at, kFileIdentifier, block);
      if (!fault.empty()) {
        // Zeros after the last identifier end a directory written in place.
        if (std::all_of(data.begin() + static_cast<std::ptrdiff_t>(at), data.end(), [](std::uint8_t b) { return b == 0; }))
          break;
        Problem(TProblemKind::BadDescriptor, path, sector, "file identifier: " + fault + "; the rest of the directory is not read",
                parent);
        break;
      }
      FileIdentifier fid;
      std::memcpy(&fid, &data[at], sizeof fid);
      const std::size_t implUse = GetLE16(fid.ImplementationUseLength);
      const std::size_t length = (sizeof fid + implUse + fid.NameLength + 3) & ~std::size_t{3};
      if (at + sizeof fid + implUse + fid.NameLength > data.size()) {
        Problem(TProblemKind::BadDescriptor, path, sector, "a file identifier runs past the directory's end", parent);
        break;
      }
      const std::uint8_t* name = &data[at + sizeof fid + implUse];
      at += length;
      if (fid.Characteristics & kFidParent) continue;
      const bool deleted = (fid.Characteristics & kFidDeleted) != 0;
      if (deleted && (countOnly_ || !burner_.ImportDeleted)) continue;
      std::string text = Cs0Name(name, fid.NameLength);
      if (text.empty()) {
        Problem(TProblemKind::DroppedEntry, path, sector, "a file identifier without a name", parent);
        continue;
      }
      // Paths are joined with these; no sound name holds them.
      std::replace(text.begin(), text.end(), '/', '_');
      std::replace(text.begin(), text.end(), '\\', '_');
      std::replace(text.begin(), text.end(), '\0', '_');
      if (deleted) {
        // Recoverable only while its entry is intact; never under a live entry's name.
        TIcb probe;
        if (!volume_.ReadIcb(fid.Icb, probe, false, why)) continue;
        text += kDeletedMark;
      }
      Entry(fid, text, parent, path);
    }
  }

  void Entry(const FileIdentifier& fid, const std::string& name, TDEntry* parent, const std::string& path) {
    const std::string childPath = ChildPath(path, name);
    const bool directory = (fid.Characteristics & kFidDirectory) != 0;
    ++count_;
    if (directory) ++directories_;
    if (countOnly_ && !directory) return;
    if (!countOnly_ && !directory && burner_.FileCount() >= burner_.MaxFiles()) {
      Limit(childPath, parent, false, 1, 0);
      return;
    }
    TIcb icb;
    std::string why;
    if (!volume_.ReadIcb(fid.Icb, icb, true, why)) {
      Problem(TProblemKind::DroppedEntry, childPath, icb.sector ? std::optional<std::uint64_t>(icb.sector) : std::nullopt, why,
              parent);
      return;
    }
    if (countOnly_) {
      Enter(icb, nullptr, childPath);
      return;
    }
    EntryInfo info;
    info.LongName = name;
    info.ExactName = true;
    TQuarnBurner::MakeShortName(info);
    info.Attributes = (fid.Characteristics & kFidHidden) ? faHidden : 0;
    if (fid.Characteristics & kFidDeleted) info.Attributes |= faDeleted;
    if (directory) info.Attributes |= faDirectory;
    info.Size = directory ? 0 : icb.length;
    const TStamp modified = ReadStamp(icb.modification);
    info.DateTime = modified.local;
    info.TimeStamp = PackDosDateTime(modified.local);

    TPosixInfo posix;
    const std::uint32_t p = icb.permissions;
    std::uint32_t mode = (p & 7) | (((p >> 5) & 7) << 3) | (((p >> 10) & 7) << 6);
    if (icb.flags & 0x40) mode |= 04000;
    if (icb.flags & 0x80) mode |= 02000;
    if (icb.flags & 0x100) mode |= 01000;
    posix.Mode = (directory ? 0040000 : ModeType(icb.fileType)) | mode;
    posix.Links = icb.links;
    posix.User = icb.uid;
    posix.Group = icb.gid;
    auto stamp = [&posix](TStampKind kind, const TStamp& s) { posix.Stamps[static_cast<std::size_t>(kind)] = s.posix; };
    stamp(TStampKind::Modification, modified);
    stamp(TStampKind::Access, ReadStamp(icb.access));
    stamp(TStampKind::Attributes, ReadStamp(icb.attribute));
    if (icb.creation) stamp(TStampKind::Creation, ReadStamp(*icb.creation));
    if (modified.posix) posix.Modified = modified.posix->UnixSeconds();

    if (directory) {
      info.Posix = std::move(posix);
      TDEntry* dir = burner_.ImportDir(parent, info);
      if (!dir) {
        // Left out with everything inside it, which is counted without being kept.
        const bool directoryLimit = burner_.DirCount() >= burner_.MaxDirs();
        const std::size_t entries = count_, directories = directories_;
        countOnly_ = true;
        Enter(icb, nullptr, childPath);
        countOnly_ = false;
        Limit(childPath, parent, directoryLimit, 1 + count_ - entries, 1 + directories_ - directories);
        return;
      }
      Enter(icb, dir, childPath);
      return;
    }
    std::vector<TExtent> extents;
    if (icb.fileType == kTypeSymlink) {
      std::vector<std::uint8_t> data;
      if (!volume_.ReadData(icb, kMaxLinkBytes, data, why)) {
        Problem(TProblemKind::UnreadableSector, childPath, std::nullopt, "the link's target: " + why);
      }
      posix.Symlink = true;
      posix.LinkTarget = LinkTarget(data);
      info.Size = 0;
    } else if (icb.fileType == kTypeFile || icb.fileType == kTypeUnspecified) {
      if (icb.refused) {
        // Left out: a file of the size claimed would be made of zeros the disc never held.
        Problem(TProblemKind::IncompleteFile, childPath, icb.sector, icb.shortfall);
        return;
      }
      if (!icb.shortfall.empty()) Problem(TProblemKind::IncompleteFile, childPath, icb.sector, icb.shortfall);
      extents.reserve(icb.data.size());
      for (const TPiece& piece : icb.data) extents.push_back(piece.extent);
    } else {
      // Devices, pipes and sockets hold no data.
      info.Size = 0;
    }
    info.Posix = std::move(posix);
    if (burner_.ImportFile(parent, info, std::move(extents)) == TQuarnBurner::TImportResult::Limit)
      Limit(childPath, parent, false, 1, 0);
  }

  void Enter(const TIcb& icb, TDEntry* dir, const std::string& path) {
    if (std::find(ancestors_.begin(), ancestors_.end(), icb.sector) != ancestors_.end()) {
      Problem(TProblemKind::Loop, path, icb.sector, "the directory refers to one that contains it", dir);
      return;
    }
    if (ancestors_.size() >= TQuarnBurner::MaxDepth) {
      Problem(TProblemKind::TooDeep, path, icb.sector,
              "directories nested more than " + std::to_string(TQuarnBurner::MaxDepth) + " deep are not read", dir);
      return;
    }
    if (!walked_.insert(icb.sector).second) {
      Problem(TProblemKind::SharedDirectory, path, icb.sector, "its entry was already read for another directory", dir);
      return;
    }
    ancestors_.push_back(icb.sector);
    Directory(icb, dir, path);
    ancestors_.pop_back();
  }

  // A limit cut `entries` entries off `parent`, `directories` of them directories.
  void Limit(const std::string& path, const TDEntry* parent, bool directoryLimit, std::size_t entries,
             std::size_t directories) {
    const TProblemKind kind = directoryLimit ? TProblemKind::DirectoryLimit : TProblemKind::FileLimit;
    const std::string why = directoryLimit ? "at most " + std::to_string(burner_.MaxDirs()) + " directories"
                                           : "at most " + std::to_string(burner_.MaxFiles()) + " entries";
    problems_.Count(kind, {kind, path, std::nullopt, why, entries, parent, directories});
  }

  TQuarnBurner& burner_;
  TVolume& volume_;
  TImportProblems& problems_;
  bool countOnly_;
  std::uint64_t budget_;
  std::set<std::uint64_t> walked_;
  std::vector<std::uint64_t> ancestors_;
  std::size_t count_ = 0;
  std::size_t directories_ = 0;
};

TUdfResult Run(TQuarnBurner& burner, const TUdfRequest& request, TDEntry* target, bool countOnly) {
  TUdfResult result;
  TImportProblems scratch;
  TVolume volume(burner, countOnly ? scratch : burner.ImportProblems(), request.span);
  if (!volume.FindAnchor()) return result;
  result.present = true;
  result.anchor = volume.Anchor();
  volume.SelectGeneration(request.generation);
  if (!volume.Load()) {
    if (!countOnly) burner.DebugMessage(">>> UDF VOLUME NOT READ: " + volume.Fault(), 4);
    if (!countOnly) burner.ImportProblems().Add({TProblemKind::BadDescriptor, "/", std::nullopt, volume.Fault()});
    return result;
  }
  result.generations = volume.Generations();
  TWalk walk(burner, volume, countOnly);
  result.read = walk.Root(target);
  result.entries = walk.Count();
  return result;
}

}  // namespace

TUdfResult ImportUdf(TQuarnBurner& burner, const TUdfRequest& request, TDEntry* target) {
  return Run(burner, request, target, false);
}

TUdfResult CountUdfEntries(TQuarnBurner& burner, const TUdfRequest& request) {
  return Run(burner, request, nullptr, true);
}

std::optional<TSessionSpan> SessionSpan(TSCSIDevice& burner, std::uint8_t session) {
  const std::uint8_t track = burner.FirstTrackOfSession(session);
  const std::optional<std::uint32_t> first = burner.TrackStartLba(track);
  if (!first) return std::nullopt;
  TSessionSpan span;
  span.first = *first;
  const std::optional<std::uint32_t> leadOut = burner.TrackStartLba(kLeadOut);
  std::uint32_t lastBlock = 0, blockLength = 0;
  if (leadOut && *leadOut > *first) span.end = *leadOut;
  else if (burner.ReadCapacity(lastBlock, blockLength) && lastBlock >= *first) span.end = std::uint64_t{lastBlock} + 1;
  else span.end = std::uint64_t{UINT32_MAX} + 1;
  // The session's last track: the one before the next session's first, else the disc's last.
  const std::uint8_t last = burner.GetLastSession();
  const std::uint8_t nextFirst = session < last ? burner.FirstTrackOfSession(static_cast<std::uint8_t>(session + 1)) : 0;
  std::uint8_t lastTrack = nextFirst > track ? static_cast<std::uint8_t>(nextFirst - 1) : track;
  if (nextFirst == 0) {
    // Every track after the first of the last session belongs to it.
    for (std::uint8_t t = static_cast<std::uint8_t>(track + 1); t != 0 && t < kLeadOut; ++t) {
      // The blank track an appendable disc ends in belongs to no recorded session.
      if (!burner.ReadTrackInfo(t) || burner.TrackInfo.TrackNumber != t || burner.TrackInfo.SessionNumber != session ||
          (burner.TrackInfo.Flags[2] & 0x40) != 0)
        break;
      lastTrack = t;
    }
  }
  if (burner.ReadTrackInfo(lastTrack) && burner.TrackInfo.TrackNumber == lastTrack) {
    const TTrackInformation& info = burner.TrackInfo;
    if (info.Flags[3] & 0x02) span.lastRecorded = info.LastRecordedAddress;
    else if (info.TrackSize > 0) span.lastRecorded = info.TrackStartAddress + info.TrackSize - 1;
  }
  if (!span.lastRecorded && session < last) {
    const std::optional<std::uint32_t> next = burner.TrackStartLba(nextFirst);
    if (next && *next > *first) span.lastRecorded = *next - 1;
  }
  if (!span.lastRecorded && span.end <= UINT32_MAX) span.lastRecorded = static_cast<std::uint32_t>(span.end - 1);
  return span;
}

bool HasUdfRecognition(TSCSIDevice& drive, std::uint32_t firstSector) {
  constexpr std::uint32_t kMaxSequence = 64;
  std::uint8_t sector[kBlockSize];
  for (std::uint32_t i = 0; i < kMaxSequence; ++i) {
    if (!drive.ReadSectors(firstSector + 16 + i, 1, kBlockSize, sector)) return false;
    if (std::memcmp(sector + 1, "NSR02", 5) == 0 || std::memcmp(sector + 1, "NSR03", 5) == 0) return true;
    bool known = false;
    for (const char* id : {"CD001", "BEA01", "TEA01", "BOOT2", "CDW02"}) known = known || std::memcmp(sector + 1, id, 5) == 0;
    if (!known) return false;
  }
  return false;
}

std::uint32_t SessionGenerations(TSCSIDevice& drive, std::uint8_t session) {
  const std::optional<TSessionSpan> span = SessionSpan(drive, session);
  if (!span) return 0;
  TImportProblems ignored;
  TVolume volume(drive, ignored, *span);
  if (!volume.FindAnchor() || !volume.Load()) return 0;
  return volume.Generations();
}

}  // namespace tarnwick::udf
