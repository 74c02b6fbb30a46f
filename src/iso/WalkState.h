// What one walk of a session's directory tree keeps while it goes: which tree it
// reads, the directories being walked (to find loops) and every sector already read
// as directory data, so that no sector is read twice and the work stays bounded by
// the session. Shared by the walk that adds entries and the one that only counts them.
#pragma once

#include <cstdint>
#include <iterator>
#include <map>
#include <memory>
#include <vector>

#include "iso/PosixTree.h"
#include "iso/QuarnBurner.h"

namespace tarnwick {

struct TQuarnBurner::WalkState {
  TTreeKind kind = TTreeKind::Iso;
  bool joliet = false;
  std::unique_ptr<TPosixTree> posix;  // set when the records carry POSIX entries
  std::vector<std::uint32_t> ancestors;  // extents of the directories being walked
  // Sectors already read as directory data: first sector -> one past the last.
  std::map<std::uint64_t, std::uint64_t> walked;

  bool Walked(std::uint64_t sector) const {
    auto it = walked.upper_bound(sector);
    return it != walked.begin() && std::prev(it)->second > sector;
  }
  // The first walked sector in [from, to), or `to` when there is none.
  std::uint64_t FirstWalked(std::uint64_t from, std::uint64_t to) const {
    if (Walked(from)) return from;
    auto it = walked.upper_bound(from);
    return it != walked.end() && it->first < to ? it->first : to;
  }
};

}  // namespace tarnwick
