// Entries recorded with ICB strategy 4096 (write-once media without a VAT): the ICB
// holds the file's entry and, in the block after it, room for an indirect entry. When
// the file changes, its new entry is written elsewhere and the indirect entry names
// it, so the entry a file identifier points to may be an old one. The chain is
// followed to its newest entry, each block once and at most kMaxIndirect hops.
#include <set>

#include "udf/Descriptors.h"
#include "udf/Volume.h"

namespace tarnwick::udf {
namespace {

constexpr std::size_t kMaxIndirect = 4096;

}  // namespace

std::optional<LongAd> TVolume::NewerEntry(std::uint16_t ref, std::uint32_t block) {
  if (block == UINT32_MAX) return std::nullopt;
  const std::optional<std::uint64_t> sector = Sector(ref, block + 1);
  // An unrecorded or unreadable second block is the usual case: the file never changed.
  const std::uint8_t* next = sector ? Get(*sector) : nullptr;
  if (!next || ReadAs<Tag>(next).Id() != kIndirectEntry) return std::nullopt;
  const std::string fault = TagFault(next, kBlockSize, kIndirectEntry, block + 1);
  if (!fault.empty()) {
    Problem(TProblemKind::BadDescriptor, sector, "indirect entry: " + fault + "; the older entry before it is read");
    return std::nullopt;
  }
  const LongAd newer = ReadAs<IndirectEntry>(next).Newer;
  if (newer.Bytes() == 0) return std::nullopt;
  return newer;
}

bool TVolume::ReadIcb(const LongAd& icb, TIcb& out, bool withData, std::string& why) {
  LongAd at = icb;
  std::set<std::uint64_t> seen;
  for (;;) {
    std::optional<LongAd> newer;
    out = TIcb{};
    if (!ReadEntry(at, out, withData, why, newer)) return false;
    if (!newer) return true;
    if (!seen.insert(out.sector).second || seen.size() > kMaxIndirect) {
      why = "its indirect entries loop";
      return false;
    }
    at = *newer;
  }
}

}  // namespace tarnwick::udf
