// The metadata partition's two copies: the metadata file and its mirror each map the
// partition's blocks to sectors of the physical partition, usually far apart so that
// one damaged area does not take both. The main file is read when its entry is sound,
// else the mirror; when both entries are sound, a metadata block whose sector cannot
// be read, or whose descriptor fails its checks, is taken from the other copy, and
// each such sector is a listed fallback.
#include <algorithm>
#include <cstring>

#include "udf/Descriptors.h"
#include "udf/Volume.h"

namespace tarnwick::udf {

bool TVolume::ReadMetadataFile(const Partition& map, int copy, std::vector<TPiece>& runs) {
  LongAd icb{};
  PutLE32(icb.Location.Block, map.metadataLocations[copy]);
  PutLE16(icb.Location.Partition, map.physicalRef);
  TIcb file;
  std::string why;
  if (ReadIcb(icb, file, true, why) && file.shortfall.empty() &&
      std::none_of(file.data.begin(), file.data.end(), [](const TPiece& p) { return p.extent.Offset || p.extent.Zeros; })) {
    runs = std::move(file.data);
    return true;
  }
  Problem(TProblemKind::BadDescriptor, Sector(map.physicalRef, map.metadataLocations[copy]),
          std::string(copy == 0 ? "metadata file: " : "metadata mirror file: ") + (why.empty() ? file.shortfall : why));
  return false;
}

bool TVolume::LoadMetadata(Partition& map) {
  std::vector<TPiece> main, mirror;
  const bool mainRead = ReadMetadataFile(map, 0, main);
  const bool mirrorRead = map.metadataLocations[1] != map.metadataLocations[0] && ReadMetadataFile(map, 1, mirror);
  if (mainRead) {
    map.metadata = std::move(main);
    if (mirrorRead) map.mirror = std::move(mirror);
    return true;
  }
  if (mirrorRead) {
    map.metadata = std::move(mirror);
    Problem(TProblemKind::Fallback, std::nullopt, "the metadata file is unreadable; its mirror is read");
    return true;
  }
  fault_ = "neither the metadata file nor its mirror can be read";
  return false;
}

std::optional<std::uint64_t> TVolume::Twin(std::uint64_t sector) const {
  // The block's place in one copy, then the sector at that place in the other.
  auto place = [sector](const std::vector<TPiece>& runs) -> std::optional<std::uint64_t> {
    std::uint64_t at = 0;
    for (const TPiece& piece : runs) {
      const std::uint64_t blocks = (piece.extent.Bytes + kBlockSize - 1) / kBlockSize;
      if (sector >= piece.extent.Lba && sector - piece.extent.Lba < blocks) return at + (sector - piece.extent.Lba);
      at += blocks;
    }
    return std::nullopt;
  };
  auto sectorAt = [](const std::vector<TPiece>& runs, std::uint64_t at) -> std::optional<std::uint64_t> {
    for (const TPiece& piece : runs) {
      const std::uint64_t blocks = (piece.extent.Bytes + kBlockSize - 1) / kBlockSize;
      if (at < blocks) return piece.extent.Lba + at;
      at -= blocks;
    }
    return std::nullopt;
  };
  for (const Partition& map : maps_) {
    if (map.kind != Kind::Metadata || map.mirror.empty()) continue;
    std::optional<std::uint64_t> twin;
    if (const auto at = place(map.metadata)) twin = sectorAt(map.mirror, *at);
    else if (const auto back = place(map.mirror)) twin = sectorAt(map.metadata, *back);
    if (twin && *twin != sector) return twin;
  }
  return std::nullopt;
}

void TVolume::TookTwin(std::uint64_t sector, std::uint64_t twin, const std::string& why) {
  if (!twinned_.insert(sector).second) return;
  Problem(TProblemKind::Fallback, sector,
          "metadata block at sector " + std::to_string(sector) + ": " + why + "; its other copy at sector " +
              std::to_string(twin) + " is read");
}

const std::uint8_t* TVolume::Get(std::uint64_t lba) {
  if (const std::uint8_t* block = blocks_.Get(lba)) return block;
  const std::string error = blocks_.Error();
  const std::optional<std::uint64_t> twin = Twin(lba);
  if (!twin) return nullptr;
  const std::uint8_t* block = blocks_.Get(*twin);
  if (block) TookTwin(lba, *twin, error);
  return block;
}

std::string TVolume::ReadChecked(std::uint64_t& lba, std::uint8_t* out, bool& unreadable,
                                 const std::function<std::string(const std::uint8_t*)>& fault) {
  const std::uint8_t* block = blocks_.Get(lba);
  unreadable = block == nullptr;
  const std::string first = block ? fault(block) : blocks_.Error();
  if (first.empty()) {
    std::memcpy(out, block, kBlockSize);
    return first;
  }
  const std::optional<std::uint64_t> twin = Twin(lba);
  if (!twin) return first;
  block = blocks_.Get(*twin);
  if (!block || !fault(block).empty()) return first;
  std::memcpy(out, block, kBlockSize);
  TookTwin(lba, *twin, first);
  lba = *twin;
  return {};
}

}  // namespace tarnwick::udf
