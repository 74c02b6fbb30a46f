#include "iso/SystemUse.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#include "iso/Format.h"
#include "iso/IsoFormat.h"

namespace tarnwick::iso {
namespace {

bool IsSignature(const std::uint8_t* p, const char* sig) { return p[0] == sig[0] && p[1] == sig[1]; }

}  // namespace

FieldSpan SystemUseField(const std::uint8_t* record, std::size_t recordLength, std::size_t skip) {
  if (recordLength <= sizeof(DirectoryRecord)) return {};
  const std::size_t nameLength = record[offsetof(DirectoryRecord, NameLength)];
  const std::size_t start = sizeof(DirectoryRecord) + nameLength + (nameLength % 2 == 0 ? 1 : 0) + skip;
  if (start >= recordLength) return {};
  return {start, recordLength - start};
}

std::optional<std::uint8_t> SharingProtocolSkip(const std::uint8_t* field, std::size_t length) {
  if (length < sizeof(SharingProtocolEntry)) return std::nullopt;
  SharingProtocolEntry sp;
  std::memcpy(&sp, field, sizeof sp);
  if (!IsSignature(sp.Header.Signature, "SP") || sp.Header.Length < sizeof sp || sp.Check[0] != 0xBE ||
      sp.Check[1] != 0xEF)
    return std::nullopt;
  return sp.Skip;
}

std::vector<std::string> ExtensionIdentifiers(const std::vector<SystemUseEntry>& entries,
                                              std::vector<std::string>& problems) {
  std::vector<std::string> ids;
  constexpr std::size_t fixed = sizeof(ExtensionReferenceEntry) - sizeof(SystemUseHeader);
  for (const SystemUseEntry& e : entries) {
    if (!e.Is("ER")) continue;
    const std::size_t idLength = e.Data.size() >= fixed ? e.Data[0] : 0;
    if (e.Data.size() < fixed || fixed + idLength > e.Data.size()) {
      problems.push_back("extension reference entry shorter than its identifier");
      continue;
    }
    ids.emplace_back(reinterpret_cast<const char*>(e.Data.data() + fixed), idLength);
  }
  return ids;
}

SystemUseReader::SystemUseReader(SectorRange bounds, SectorReader read)
    : bounds_(bounds),
      read_(std::move(read)),
      budget_(std::uint64_t{bounds.End > bounds.First ? bounds.End - bounds.First : 0} * kSectorSize + MaxBytes) {}

bool SystemUseReader::ReadArea(std::uint32_t block, std::uint32_t offset, std::uint32_t length, std::string& problem) {
  // Where the area ends, in sectors from its block: it must lie wholly in the range.
  const std::uint64_t end = std::uint64_t{offset} + length;
  const std::uint64_t lastSector = std::uint64_t{block} + (end == 0 ? 0 : (end - 1) / kSectorSize);
  if (block < bounds_.First || lastSector >= bounds_.End) {
    problem = Format("continuation area at sector %u lies outside the session", block);
    return false;
  }
  if (areas_.capacity() < MaxBytes) areas_.reserve(MaxBytes);
  if (length > areas_.capacity() - areas_.size()) {
    problem = "continuation areas exceed the size one record may use";
    return false;
  }
  std::uint64_t position = offset;
  while (position < end) {
    const std::uint32_t lba = static_cast<std::uint32_t>(block + position / kSectorSize);
    if (cachedLba_ != lba) {
      cached_.assign(kSectorSize, 0);
      cachedLba_.reset();
      if (!read_ || !read_(lba, cached_.data())) {
        problem = Format("continuation area at sector %u cannot be read", lba);
        return false;
      }
      cachedLba_ = lba;
    }
    const std::size_t inSector = static_cast<std::size_t>(position % kSectorSize);
    const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(kSectorSize - inSector, end - position));
    areas_.insert(areas_.end(), cached_.begin() + static_cast<std::ptrdiff_t>(inSector),
                  cached_.begin() + static_cast<std::ptrdiff_t>(inSector + take));
    position += take;
  }
  return true;
}

std::vector<SystemUseEntry> SystemUseReader::Read(const std::uint8_t* field, std::size_t length,
                                                  std::vector<std::string>& problems) {
  std::vector<SystemUseEntry> entries;
  std::span<const std::uint8_t> area(field, length);
  areas_.clear();
  std::set<std::pair<std::uint32_t, std::uint32_t>> visited;  // continuation areas already read
  std::size_t areas = 1;
  std::size_t bytes = length;

  for (;;) {
    std::optional<ContinuationEntry> next;
    std::size_t pos = 0;
    while (pos + sizeof(SystemUseHeader) <= area.size()) {
      const std::uint8_t* p = area.data() + pos;
      // Zero bytes fill the rest of a field or area that holds no more entries.
      if (p[0] == 0 && p[1] == 0) break;
      const std::size_t entryLength = p[2];
      if (entryLength < sizeof(SystemUseHeader)) {
        problems.push_back(Format("system-use entry %c%c shorter than its header", p[0], p[1]));
        break;
      }
      if (pos + entryLength > area.size()) {
        problems.push_back(Format("system-use entry %c%c runs past its area", p[0], p[1]));
        break;
      }
      pos += entryLength;
      if (IsSignature(p, "ST")) break;
      if (IsSignature(p, "PD")) continue;
      if (IsSignature(p, "CE")) {
        if (entryLength < sizeof(ContinuationEntry)) {
          problems.push_back("continuation entry too short");
          continue;
        }
        if (next) continue;  // one continuation per area; a second is not followed
        ContinuationEntry ce;
        std::memcpy(&ce, p, sizeof ce);
        next = ce;
        continue;
      }
      SystemUseEntry e;
      e.Signature[0] = static_cast<char>(p[0]);
      e.Signature[1] = static_cast<char>(p[1]);
      e.Version = p[3];
      e.Data = area.subspan(pos - entryLength + sizeof(SystemUseHeader), entryLength - sizeof(SystemUseHeader));
      entries.push_back(std::move(e));
    }
    if (!next) break;

    const std::uint32_t block = next->BlockLba(), offset = next->AreaOffset(), areaLength = next->AreaLength();
    if (!visited.insert({block, offset}).second) {
      problems.push_back(Format("continuation areas loop at sector %u", block));
      break;
    }
    if (++areas > MaxAreas || areaLength > MaxBytes - std::min(bytes, MaxBytes)) {
      problems.push_back("continuation areas exceed the size one record may use");
      break;
    }
    if (areaLength > budget_) {
      problems.push_back("continuation areas of all records exceed what the session can hold");
      break;
    }
    budget_ -= areaLength;
    bytes += areaLength;
    std::string problem;
    const std::size_t start = areas_.size();
    if (!ReadArea(block, offset, areaLength, problem)) {
      problems.push_back(problem);
      break;
    }
    area = std::span<const std::uint8_t>(areas_.data() + start, areaLength);
  }
  return entries;
}

}  // namespace tarnwick::iso
