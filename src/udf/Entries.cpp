// File entries and extended file entries, their allocation descriptors (with the
// allocation extents that continue them) and the reading of their data.
#include <algorithm>
#include <cstring>
#include <set>

#include "udf/Descriptors.h"
#include "udf/Volume.h"

namespace tarnwick::udf {
namespace {

constexpr std::size_t kMaxContinuations = 16384;

// The fields file entries and extended file entries share; the header's size.
template <typename Entry>
std::size_t TakeCommon(const Entry& fe, TIcb& out, std::uint32_t& eaLength, std::uint32_t& adLength) {
  out.fileType = fe.Icb.FileType;
  out.flags = GetLE16(fe.Icb.Flags);
  out.uid = GetLE32(fe.Uid);
  out.gid = GetLE32(fe.Gid);
  out.permissions = GetLE32(fe.Permissions);
  out.links = GetLE16(fe.LinkCount);
  out.length = GetLE64(fe.InformationLength);
  out.modification = fe.Modification;
  out.access = fe.Access;
  out.attribute = fe.Attribute;
  eaLength = GetLE32(fe.ExtendedAttributesLength);
  adLength = GetLE32(fe.AllocationLength);
  return sizeof fe;
}

}  // namespace

bool TVolume::ReadEntry(const LongAd& icb, TIcb& out, bool withData, std::string& why,
                        std::optional<LongAd>& newer) {
  const std::uint16_t ref = icb.Location.PartitionRef();
  const std::uint32_t lb = icb.Location.BlockNumber();
  const std::optional<std::uint64_t> sector = Sector(ref, lb);
  if (!sector) {
    why = "its entry lies outside its partition (block " + std::to_string(lb) + " of partition " + std::to_string(ref) + ")";
    return false;
  }
  std::uint64_t at = *sector;
  std::uint8_t block[kBlockSize];
  bool unreadable = false;
  why = ReadChecked(at, block, unreadable, [lb](const std::uint8_t* b) {
    return TagFault(b, kBlockSize, ReadAs<Tag>(b).Id() == kExtendedFileEntry ? kExtendedFileEntry : kFileEntry, lb);
  });
  out.sector = at;  // the other copy's sector when the entry was taken from it
  if (!why.empty()) {
    why = (unreadable ? "its entry cannot be read: " : "file entry: ") + why;
    return false;
  }
  if (GetLE16(ReadAs<IcbTag>(block + sizeof(Tag)).Strategy) == 4096 && (newer = NewerEntry(ref, lb))) return true;
  const bool extended = ReadAs<Tag>(block).Id() == kExtendedFileEntry;
  std::uint32_t eaLength = 0, adLength = 0;
  const std::size_t header = extended ? TakeCommon(ReadAs<ExtendedFileEntry>(block), out, eaLength, adLength)
                                      : TakeCommon(ReadAs<FileEntry>(block), out, eaLength, adLength);
  if (extended) out.creation = ReadAs<ExtendedFileEntry>(block).Creation;
  if (eaLength > kBlockSize || adLength > kBlockSize || header + eaLength + adLength > kBlockSize) {
    why = "the entry's attribute and descriptor lengths reach past its block";
    return false;
  }
  if (!withData) return true;
  const std::size_t adStart = header + eaLength;
  const std::uint8_t form = out.flags & 7;
  if (form == kEmbedded) {
    const std::uint64_t bytes = std::min<std::uint64_t>(adLength, out.length);
    if (bytes > 0) {
      out.data.push_back({{static_cast<std::uint32_t>(at), bytes, static_cast<std::uint16_t>(adStart), false}, lb});
    }
    if (out.length > adLength)
      out.shortfall = "the entry holds " + std::to_string(adLength) + " of its " + std::to_string(out.length) + " bytes";
    return true;
  }
  if (form > kExtendedAd) {
    why = "the entry's allocation descriptors are of an unknown form";
    return false;
  }
  std::uint64_t left = out.length;
  std::size_t continuations = 0;
  if (!ReadAds(block + adStart, adLength, form, ref, out, left, continuations, why)) return false;
  if (left > 0 && out.shortfall.empty())
    out.shortfall = "the allocation descriptors cover " + std::to_string(out.length - left) + " of its " +
                    std::to_string(out.length) + " bytes";
  return true;
}

bool TVolume::ReadAds(const std::uint8_t* ads, std::size_t length, std::uint8_t form, std::uint16_t ref, TIcb& out,
                      std::uint64_t& left, std::size_t& continuations, std::string& why) {
  const std::size_t size = form == kShortAd ? sizeof(ShortAd) : form == kLongAd ? sizeof(LongAd) : sizeof(ExtAd);
  std::vector<std::uint8_t> current(ads, ads + length);
  std::set<std::uint64_t> seen;
  for (;;) {
    bool next = false;
    std::uint16_t nextRef = 0;
    std::uint32_t nextBlock = 0;
    for (std::size_t at = 0; at + size <= current.size(); at += size) {
      const std::uint8_t* ad = current.data() + at;
      const std::uint32_t raw = GetLE32(ad);
      const std::uint8_t type = static_cast<std::uint8_t>(raw >> 30);
      const std::uint32_t bytes = raw & 0x3FFFFFFF;
      if (bytes == 0) break;
      std::uint16_t adRef = ref;
      std::uint32_t adBlock = 0;
      if (form == kShortAd) {
        adBlock = GetLE32(ad + 4);
      } else if (form == kLongAd) {
        const auto l = ReadAs<LongAd>(ad);
        adBlock = l.Location.BlockNumber();
        adRef = l.Location.PartitionRef();
      } else {
        const auto e = ReadAs<ExtAd>(ad);
        adBlock = e.Location.BlockNumber();
        adRef = e.Location.PartitionRef();
      }
      if (type == kNextExtent) {
        next = true;
        nextRef = adRef;
        nextBlock = adBlock;
        break;
      }
      if (left == 0) continue;
      if (piecesLeft_ == 0) {
        out.shortfall = "the entries name more extents than the disc has blocks";
        return true;
      }
      --piecesLeft_;
      const std::uint64_t take = std::min<std::uint64_t>(bytes, left);
      if (type == kRecorded) {
        if (!Map(adRef, adBlock, take, out.data)) {
          out.shortfall = "an extent at block " + std::to_string(adBlock) + " of partition " + std::to_string(adRef) +
                          " lies outside its partition";
          left = 0;
          return true;
        }
      } else if (!TakeUnrecorded(type, adRef, adBlock, take, out)) {
        left = 0;
        return true;
      }
      left -= take;
    }
    if (!next || left == 0) return true;
    const std::optional<std::uint64_t> sector = Sector(nextRef, nextBlock);
    if (!sector || !seen.insert(*sector).second || ++continuations > kMaxContinuations) {
      out.shortfall = sector ? "its allocation extents loop" : "an allocation extent lies outside its partition";
      return true;
    }
    std::uint64_t at = *sector;
    std::uint8_t block[kBlockSize];
    bool unreadable = false;
    const std::string fault = ReadChecked(at, block, unreadable, [nextBlock](const std::uint8_t* b) {
      return TagFault(b, kBlockSize, kAllocationExtent, nextBlock);
    });
    if (!fault.empty()) {
      out.shortfall = "its allocation extent at sector " + std::to_string(*sector) +
                      (unreadable ? " cannot be read: " : " is damaged: ") + fault;
      return true;
    }
    const std::size_t adLength =
        std::min<std::size_t>(GetLE32(block + offsetof(AllocationExtent, AllocationLength)), kBlockSize - sizeof(AllocationExtent));
    current.assign(block + sizeof(AllocationExtent), block + sizeof(AllocationExtent) + adLength);
    ref = nextRef;
  }
  (void)why;
}

// An extent allocated but never recorded lies in its partition like a recorded one;
// one neither allocated nor recorded has no place, so what all of them claim together
// is bounded by the size of the partition the entry lies in (its physical one for a
// virtual or metadata partition). Beyond that the entry's data is refused, never
// hours of zeros written from a hostile length. Both read as zeros.
bool TVolume::TakeUnrecorded(std::uint8_t type, std::uint16_t ref, std::uint32_t block, std::uint64_t bytes, TIcb& out) {
  const std::uint64_t blocks = (bytes + kBlockSize - 1) / kBlockSize;
  if (type == kAllocatedOnly && std::uint64_t{block} + blocks > PartitionBlocks(ref)) {
    out.shortfall = "an allocated extent at block " + std::to_string(block) + " of partition " + std::to_string(ref) +
                    " lies outside its partition";
    return false;
  }
  if (type == kUnallocated) {
    const std::uint16_t base = ref < maps_.size() && (maps_[ref].kind == Kind::Virtual || maps_[ref].kind == Kind::Metadata)
                                   ? maps_[ref].physicalRef
                                   : ref;
    const std::uint64_t most = PartitionBlocks(base) * kBlockSize;
    out.unrecorded += bytes;
    if (out.unrecorded > most) {
      out.shortfall = "its unrecorded extents claim more than the " + std::to_string(most) +
                      " bytes of its partition; its data is not read";
      out.refused = true;
      out.data.clear();
      return false;
    }
  }
  out.data.push_back({{0, bytes, 0, true}, block});
  return true;
}

bool TVolume::ReadData(const TIcb& icb, std::uint64_t limit, std::vector<std::uint8_t>& out, std::string& why) {
  out.clear();
  for (const TPiece& piece : icb.data) {
    if (out.size() >= limit) break;
    const std::uint64_t want = std::min<std::uint64_t>(piece.extent.Bytes, limit - out.size());
    if (piece.extent.Zeros) {
      out.resize(out.size() + want, 0);
      continue;
    }
    std::uint64_t done = 0;
    for (std::uint64_t lba = piece.extent.Lba; done < want; ++lba) {
      const std::uint8_t* block = Get(lba);
      if (!block) {
        why = "sector " + std::to_string(lba) + " cannot be read: " + blocks_.Error();
        return false;
      }
      const std::size_t skip = done == 0 ? piece.extent.Offset : 0;
      const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(kBlockSize - skip, want - done));
      out.insert(out.end(), block + skip, block + skip + take);
      done += take;
    }
  }
  return true;
}

}  // namespace tarnwick::udf
