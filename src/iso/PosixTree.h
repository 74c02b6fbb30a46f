// What a walk of the primary tree needs to read the POSIX entries of its records:
// the system-use reader (bounded to the volume), the skip length the root
// announced, and each directory's entry so that the directory's own record can
// complete it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "iso/Records.h"
#include "iso/RockRidge.h"
#include "iso/SystemUse.h"

namespace tarnwick {

struct TPosixTree {
  TPosixTree(iso::SectorRange bounds, iso::SectorReader read, std::size_t skipLength)
      : reader(bounds, std::move(read)), volume(bounds), skip(skipLength) {}

  iso::SystemUseReader reader;
  iso::SectorRange volume;
  std::size_t skip = 0;
  std::unordered_map<const TDEntry*, TFEntry*> entryOf;

  // The POSIX entries of one record; problems are appended.
  iso::PosixEntry Read(const std::uint8_t* record, std::size_t recordLength, std::vector<std::string>& problems);
};

// The model's form of what a record's entries say.
TPosixInfo PosixInfoOf(const iso::PosixEntry& entry);

// Completes an entry's description from its record's POSIX entries: its name (kept
// exactly when `exactName`), attributes and, from the modification stamp, its date
// as the writer's clock showed it.
void ApplyPosix(const iso::PosixEntry& entry, bool exactName, EntryInfo& info);

}  // namespace tarnwick
