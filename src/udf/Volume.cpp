#include "udf/Volume.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "drive/SCSIDevice.h"
#include "udf/Descriptors.h"

namespace tarnwick::udf {
namespace {

// Descriptors a volume descriptor sequence may hold, pointers followed included.
constexpr std::size_t kMaxSequenceBlocks = 1024;
// Older allocation tables followed from the newest.
constexpr std::uint32_t kMaxGenerations = 4096;
// Sectors before the last recorded one searched for the allocation table (drives
// count the run-out and link blocks differently), and after it.
constexpr std::uint32_t kVatSearchBack = 32;
constexpr std::uint32_t kVatSearchAhead = 8;
constexpr std::uint32_t kNoBlock = 0xFFFFFFFF;

bool HasIdentifier(const RegId& id, const char* text) {
  return std::strncmp(id.Identifier, text, std::min(std::strlen(text), sizeof id.Identifier)) == 0;
}

}  // namespace

TVolume::TVolume(TSCSIDevice& device, TImportProblems& problems, const TSessionSpan& span)
    : device_(device), problems_(problems), span_(span), blocks_(device, span.end), piecesLeft_(4 * span.end + 1024) {}

void TVolume::Problem(TProblemKind kind, std::optional<std::uint64_t> sector, std::string why) {
  std::optional<std::uint32_t> at;
  if (sector && *sector <= UINT32_MAX) at = static_cast<std::uint32_t>(*sector);
  problems_.Add({kind, "/", at, std::move(why)});
}

bool TVolume::FindAnchor() {
  std::vector<std::uint64_t> candidates = {std::uint64_t{span_.first} + 256, std::uint64_t{span_.first} + 512};
  if (span_.lastRecorded) {
    candidates.push_back(*span_.lastRecorded);
    if (*span_.lastRecorded >= 256) candidates.push_back(*span_.lastRecorded - 256);
  }
  if (span_.end > 0) {
    candidates.push_back(span_.end - 1);
    if (span_.end > 257) candidates.push_back(span_.end - 257);
  }
  for (std::uint64_t lba : candidates) {
    if (lba < span_.first || lba >= span_.end) continue;
    const std::uint8_t* block = blocks_.Get(lba);
    if (!block || !TagFault(block, kBlockSize, kAnchor, static_cast<std::uint32_t>(lba)).empty()) continue;
    anchor_ = lba;
    anchorDescriptor_ = ReadAs<AnchorDescriptor>(block);
    return true;
  }
  return false;
}

bool TVolume::ReadSequence(const ExtentAd& start, std::vector<std::uint8_t>& lvd,
                           std::vector<std::vector<std::uint8_t>>& partitions) {
  std::uint32_t lvdSequence = 0;
  std::vector<std::uint32_t> partitionSequence;
  std::set<std::uint64_t> seen;
  ExtentAd extent = start;
  std::uint64_t lba = extent.Lba();
  std::uint64_t stop = lba + extent.Bytes() / kBlockSize;
  while (lba < stop && seen.size() < kMaxSequenceBlocks) {
    if (!seen.insert(lba).second) break;
    const std::uint8_t* block = blocks_.Get(lba);
    if (!block) {
      Problem(TProblemKind::UnreadableSector, lba, blocks_.Error());
      return !lvd.empty();
    }
    const std::uint16_t id = ReadAs<Tag>(block).Id();
    const std::string fault = TagFault(block, kBlockSize, id, static_cast<std::uint32_t>(lba));
    if (!fault.empty() || id == 0) {
      if (id != 0) Problem(TProblemKind::BadDescriptor, lba, "volume descriptor: " + fault);
      break;
    }
    if (id == kTerminating) break;
    if (id == kVolumePointer) {
      extent = ReadAs<PointerDescriptor>(block).Next;
      lba = extent.Lba();
      stop = lba + extent.Bytes() / kBlockSize;
      continue;
    }
    const std::uint32_t sequence = GetLE32(block + sizeof(Tag));
    if (id == kLogicalVolume && (lvd.empty() || sequence >= lvdSequence)) {
      lvd.assign(block, block + kBlockSize);
      lvdSequence = sequence;
    } else if (id == kPartition) {
      const auto pd = ReadAs<PartitionDescriptor>(block);
      bool replaced = false;
      for (std::size_t i = 0; i < partitions.size(); ++i) {
        if (GetLE16(ReadAs<PartitionDescriptor>(partitions[i].data()).Number) != GetLE16(pd.Number)) continue;
        if (sequence >= partitionSequence[i]) {
          partitions[i].assign(block, block + kBlockSize);
          partitionSequence[i] = sequence;
        }
        replaced = true;
      }
      if (!replaced) {
        partitions.emplace_back(block, block + kBlockSize);
        partitionSequence.push_back(sequence);
      }
    }
    ++lba;
  }
  return !lvd.empty() && !partitions.empty();
}

bool TVolume::Load() {
  std::vector<std::uint8_t> lvd;
  std::vector<std::vector<std::uint8_t>> partitions;
  if (!ReadSequence(anchorDescriptor_.MainSequence, lvd, partitions)) {
    lvd.clear();
    partitions.clear();
    if (!ReadSequence(anchorDescriptor_.ReserveSequence, lvd, partitions)) {
      fault_ = "neither volume descriptor sequence holds a logical volume and its partition";
      return false;
    }
    Problem(TProblemKind::Fallback, anchor_, "the main volume descriptor sequence is unusable; the reserve one is read");
  }
  if (!ReadMaps(lvd, partitions)) return false;

  const auto descriptor = ReadAs<LogicalVolumeDescriptor>(lvd.data());
  // The integrity descriptor says whether the volume was closed; only its soundness matters here.
  if (descriptor.Integrity.Bytes() >= kBlockSize) {
    const std::uint8_t* block = blocks_.Get(descriptor.Integrity.Lba());
    const std::string fault =
        block ? TagFault(block, kBlockSize, kIntegrity, descriptor.Integrity.Lba()) : blocks_.Error();
    if (!fault.empty() && (!block || ReadAs<Tag>(block).Id() != 0))
      Problem(TProblemKind::BadDescriptor, descriptor.Integrity.Lba(), "integrity descriptor: " + fault);
  }

  const LongAd fileSet = descriptor.FileSet;
  const std::uint16_t ref = fileSet.Location.PartitionRef();
  const std::uint32_t fsdBlock = fileSet.Location.BlockNumber();
  const std::optional<std::uint64_t> sector = Sector(ref, fsdBlock);
  if (!sector) {
    fault_ = "the file set descriptor lies outside its partition";
    return false;
  }
  std::uint8_t block[kBlockSize];
  bool unreadable = false;
  std::uint64_t at = *sector;
  const std::string fault = ReadChecked(at, block, unreadable,
                                        [&](const std::uint8_t* b) { return TagFault(b, kBlockSize, kFileSet, fsdBlock); });
  if (unreadable) {
    fault_ = "the file set descriptor at sector " + std::to_string(*sector) + " cannot be read: " + fault;
    return false;
  }
  if (!fault.empty()) {
    Problem(TProblemKind::BadDescriptor, *sector, "file set descriptor: " + fault);
    fault_ = "the file set descriptor at sector " + std::to_string(*sector) + " is damaged";
    return false;
  }
  root_ = ReadAs<FileSetDescriptor>(block).Root;
  return true;
}

bool TVolume::ReadMaps(const std::vector<std::uint8_t>& lvd, const std::vector<std::vector<std::uint8_t>>& partitions) {
  const auto descriptor = ReadAs<LogicalVolumeDescriptor>(lvd.data());
  if (GetLE32(descriptor.BlockSize) != kBlockSize) {
    fault_ = "the logical volume's block size is " + std::to_string(GetLE32(descriptor.BlockSize)) + ", not 2048";
    return false;
  }
  const std::size_t tableEnd =
      sizeof descriptor + std::min<std::size_t>(GetLE32(descriptor.MapTableLength), kBlockSize - sizeof descriptor);
  std::size_t at = sizeof descriptor;
  const std::uint32_t count = GetLE32(descriptor.MapCount);
  for (std::uint32_t i = 0; i < count && at + 2 <= tableEnd; ++i) {
    const std::uint8_t type = lvd[at], length = lvd[at + 1];
    if (length < 6 || at + length > tableEnd) break;
    Partition map;
    if (type == 1) {
      map.kind = Kind::Physical;
      map.number = GetLE16(&lvd[at + 4]);
    } else if (type == 2 && length >= sizeof(PartitionMap2)) {
      const auto map2 = ReadAs<PartitionMap2>(&lvd[at]);
      map.number = GetLE16(map2.PartitionNumber);
      if (HasIdentifier(map2.Identifier, "*UDF Virtual Partition")) {
        map.kind = Kind::Virtual;
      } else if (HasIdentifier(map2.Identifier, "*UDF Sparable Partition")) {
        map.kind = Kind::Sparable;
        const auto sparable = ReadAs<SparablePart>(map2.Specific);
        map.packet = GetLE16(sparable.PacketLength);
        map.sparingTableCount = std::min<std::uint32_t>(sparable.TableCount, 4);
        map.sparingTableSize = GetLE32(sparable.TableSize);
        for (int t = 0; t < 4; ++t) map.sparingTables[t] = GetLE32(sparable.Tables[t]);
      } else if (HasIdentifier(map2.Identifier, "*UDF Metadata Partition")) {
        map.kind = Kind::Metadata;
        const auto metadata = ReadAs<MetadataPart>(map2.Specific);
        map.metadataLocations[0] = GetLE32(metadata.FileLocation);
        map.metadataLocations[1] = GetLE32(metadata.MirrorLocation);
      }
    }
    for (const auto& pd : partitions) {
      const auto p = ReadAs<PartitionDescriptor>(pd.data());
      if (GetLE16(p.Number) != map.number) continue;
      const std::uint64_t start = GetLE32(p.Start);
      if (start >= span_.end) break;
      map.start = static_cast<std::uint32_t>(start);
      map.length = static_cast<std::uint32_t>(std::min<std::uint64_t>(GetLE32(p.Length), span_.end - start));
      map.described = true;
    }
    maps_.push_back(map);
    at += length;
  }
  // Virtual and metadata maps lie in the physical partition of the same number.
  for (Partition& map : maps_) {
    for (std::size_t r = 0; r < maps_.size(); ++r)
      if ((maps_[r].kind == Kind::Physical || maps_[r].kind == Kind::Sparable) && maps_[r].number == map.number)
        map.physicalRef = static_cast<std::uint16_t>(r);
  }
  for (std::size_t r = 0; r < maps_.size(); ++r) {
    Partition& map = maps_[r];
    if (!map.described) {
      Problem(TProblemKind::BadDescriptor, anchor_,
              "partition " + std::to_string(map.number) + " has no partition descriptor on the disc");
      continue;
    }
    if (map.kind == Kind::Sparable) LoadSparing(map);
    if (map.kind == Kind::Virtual && !LoadVat(map, static_cast<std::uint16_t>(r))) return false;
    if (map.kind == Kind::Metadata && !LoadMetadata(map)) return false;
  }
  return true;
}

bool TVolume::LoadSparing(Partition& map) {
  for (std::uint32_t t = 0; t < map.sparingTableCount; ++t) {
    const std::uint64_t lba = map.sparingTables[t];
    const std::uint64_t blocks = std::min<std::uint64_t>((map.sparingTableSize + kBlockSize - 1) / kBlockSize, 32);
    std::vector<std::uint8_t> table;
    bool read = true;
    for (std::uint64_t b = 0; b < std::max<std::uint64_t>(blocks, 1) && read; ++b) {
      const std::uint8_t* block = blocks_.Get(lba + b);
      if (block) table.insert(table.end(), block, block + kBlockSize);
      read = block != nullptr;
    }
    std::string fault = read ? TagFault(table.data(), table.size(), 0, static_cast<std::uint32_t>(lba)) : blocks_.Error();
    if (fault.empty() && !HasIdentifier(ReadAs<RegId>(&table[16]), "*UDF Sparing Table")) fault = "no sparing table here";
    if (!fault.empty()) {
      Problem(TProblemKind::BadDescriptor, lba, "sparing table " + std::to_string(t + 1) + ": " + fault);
      continue;
    }
    const std::size_t entries = std::min<std::size_t>(GetLE16(&table[48]), (table.size() - 56) / 8);
    for (std::size_t e = 0; e < entries; ++e) {
      const std::uint32_t original = GetLE32(&table[56 + 8 * e]);
      if (original < 0xFFFFFFF0) map.sparing.emplace_back(original, GetLE32(&table[60 + 8 * e]));
    }
    std::sort(map.sparing.begin(), map.sparing.end());
    return true;
  }
  return false;
}

bool TVolume::ReadVatAt(std::uint64_t sector, std::uint16_t physicalRef, std::vector<std::uint32_t>& vat,
                        std::optional<std::uint32_t>& previous, std::string& why) {
  const Partition& physical = maps_[physicalRef];
  if (sector < physical.start || sector >= std::uint64_t{physical.start} + physical.length) {
    why = "outside the partition";
    return false;
  }
  LongAd icb{};
  PutLE32(icb.Location.Block, static_cast<std::uint32_t>(sector - physical.start));
  PutLE16(icb.Location.Partition, physicalRef);
  TIcb file;
  if (!ReadIcb(icb, file, true, why)) return false;
  if (file.fileType != kTypeVat20 && file.fileType != kTypeUnspecified) {
    why = "not an allocation table";
    return false;
  }
  // At most one entry per block of the partition, and the header.
  if (!file.shortfall.empty()) Problem(TProblemKind::BadDescriptor, sector, "allocation table: " + file.shortfall);
  std::vector<std::uint8_t> data;
  if (!ReadData(file, std::uint64_t{physical.length} * 4 + 65536 + sizeof(VatTrailer), data, why)) return false;
  std::size_t first = 0, end = data.size();
  if (file.fileType == kTypeVat20) {
    if (data.size() < sizeof(VatHeader)) {
      why = "the allocation table is shorter than its header";
      return false;
    }
    first = GetLE16(data.data());
    const std::uint32_t prev = GetLE32(data.data() + offsetof(VatHeader, PreviousVat));
    if (prev != kNoBlock) previous = prev;
  } else {
    if (data.size() < sizeof(VatTrailer)) {
      why = "not an allocation table";
      return false;
    }
    const auto trailer = ReadAs<VatTrailer>(data.data() + data.size() - sizeof(VatTrailer));
    if (!HasIdentifier(trailer.Identifier, "*UDF Virtual Alloc Tbl")) {
      why = "not an allocation table";
      return false;
    }
    end = data.size() - sizeof(VatTrailer);
    const std::uint32_t prev = GetLE32(trailer.PreviousVat);
    if (prev != kNoBlock) previous = prev;
  }
  if (first > end) {
    why = "the allocation table's header is longer than the table";
    return false;
  }
  vat.resize((end - first) / 4);
  for (std::size_t i = 0; i < vat.size(); ++i) vat[i] = GetLE32(data.data() + first + 4 * i);
  return true;
}

bool TVolume::LoadVat(Partition& map, std::uint16_t ref) {
  (void)ref;
  const Partition& physical = maps_[map.physicalRef];
  const std::uint64_t last = span_.lastRecorded ? *span_.lastRecorded : span_.end - 1;
  std::vector<std::uint64_t> candidates = {last};
  for (std::uint32_t d = 1; d <= kVatSearchBack && d <= last; ++d) candidates.push_back(last - d);
  for (std::uint32_t d = 1; d <= kVatSearchAhead && last + d < span_.end; ++d) candidates.push_back(last + d);

  std::vector<std::uint32_t> vat;
  std::optional<std::uint32_t> previous;
  std::uint64_t found = 0;
  std::string why;
  for (std::uint64_t sector : candidates) {
    vat.clear();
    previous.reset();
    if (ReadVatAt(sector, map.physicalRef, vat, previous, why)) {
      found = sector;
      break;
    }
  }
  if (found == 0) {
    fault_ = "no virtual allocation table near sector " + std::to_string(last);
    return false;
  }
  // The chain of older tables, newest first.
  std::vector<std::uint64_t> chain = {found};
  std::vector<std::uint32_t> older;
  std::set<std::uint64_t> seen = {found};
  while (previous && chain.size() < kMaxGenerations) {
    std::optional<std::uint32_t> next;
    std::uint64_t sector = std::uint64_t{physical.start} + *previous;
    if (!seen.count(sector) && ReadVatAt(sector, map.physicalRef, older, next, why)) {
      chain.push_back(sector);
      seen.insert(sector);
      previous = next;
      continue;
    }
    // Some writers record the older table's block in the virtual partition.
    if (*previous < vat.size() && vat[*previous] != kNoBlock) {
      sector = std::uint64_t{physical.start} + vat[*previous];
      if (!seen.count(sector) && ReadVatAt(sector, map.physicalRef, older, next, why)) {
        chain.push_back(sector);
        seen.insert(sector);
        previous = next;
        continue;
      }
    }
    Problem(TProblemKind::BadDescriptor, sector, "an older allocation table cannot be read: " + why);
    break;
  }
  generations_ = static_cast<std::uint32_t>(chain.size());
  if (wantedGeneration_ != 0 && wantedGeneration_ <= chain.size()) {
    const std::uint64_t sector = chain[chain.size() - wantedGeneration_];
    if (sector != found) {
      vat.clear();
      ReadVatAt(sector, map.physicalRef, vat, previous, why);
    }
  }
  map.vat = std::move(vat);
  map.length = static_cast<std::uint32_t>(map.vat.size());
  return true;
}

std::optional<std::uint64_t> TVolume::Sector(std::uint16_t ref, std::uint32_t block) const {
  if (ref >= maps_.size()) return std::nullopt;
  const Partition& map = maps_[ref];
  switch (map.kind) {
    case Kind::Physical:
      if (!map.described || block >= map.length) return std::nullopt;
      return std::uint64_t{map.start} + block;
    case Kind::Sparable: {
      if (!map.described || block >= map.length) return std::nullopt;
      if (map.packet > 0) {
        const std::uint32_t packet = block - block % map.packet;
        auto it = std::lower_bound(map.sparing.begin(), map.sparing.end(), std::make_pair(packet, std::uint32_t{0}));
        if (it != map.sparing.end() && it->first == packet) return std::uint64_t{it->second} + (block - packet);
      }
      return std::uint64_t{map.start} + block;
    }
    case Kind::Virtual:
      if (block >= map.vat.size() || map.vat[block] == kNoBlock || map.physicalRef == ref) return std::nullopt;
      return Sector(map.physicalRef, map.vat[block]);
    case Kind::Metadata: {
      std::uint64_t at = std::uint64_t{block} * kBlockSize;
      for (const TPiece& piece : map.metadata) {
        if (at < piece.extent.Bytes) return piece.extent.Lba + at / kBlockSize;
        at -= piece.extent.Bytes;
      }
      return std::nullopt;
    }
    case Kind::Unknown: break;
  }
  return std::nullopt;
}

bool TVolume::Map(std::uint16_t ref, std::uint32_t block, std::uint64_t bytes, std::vector<TPiece>& out) const {
  if (ref >= maps_.size()) return false;
  const Partition& map = maps_[ref];
  const std::uint64_t blocks = (bytes + kBlockSize - 1) / kBlockSize;
  if (map.kind == Kind::Physical) {
    if (!map.described || block >= map.length) return false;
    const std::uint64_t fit = std::min<std::uint64_t>(blocks, map.length - block);
    out.push_back({{map.start + block, std::min(bytes, fit * kBlockSize)}, block});
    return fit == blocks;
  }
  const std::size_t first = out.size();
  for (std::uint64_t i = 0; i < blocks; ++i) {
    const std::optional<std::uint64_t> sector = Sector(ref, static_cast<std::uint32_t>(block + i));
    if (!sector || block + i > UINT32_MAX || *sector > UINT32_MAX) return false;
    const std::uint64_t piece = std::min<std::uint64_t>(kBlockSize, bytes - i * kBlockSize);
    if (out.size() > first && out.back().extent.Lba + out.back().extent.Bytes / kBlockSize == *sector) {
      out.back().extent.Bytes += piece;
    } else {
      out.push_back({{static_cast<std::uint32_t>(*sector), piece}, static_cast<std::uint32_t>(block + i)});
    }
  }
  return true;
}

std::uint64_t TVolume::PartitionBlocks(std::uint16_t ref) const {
  if (ref >= maps_.size()) return 0;
  const Partition& map = maps_[ref];
  switch (map.kind) {
    case Kind::Physical:
    case Kind::Sparable: return map.described ? map.length : 0;
    case Kind::Virtual: return map.vat.size();
    case Kind::Metadata: {
      std::uint64_t bytes = 0;
      for (const TPiece& piece : map.metadata) bytes += piece.extent.Bytes;
      return bytes / kBlockSize;
    }
    case Kind::Unknown: break;
  }
  return 0;
}

}  // namespace tarnwick::udf
