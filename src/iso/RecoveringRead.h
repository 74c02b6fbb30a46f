// Reading a file entry's data from a disc that may hold unreadable sectors, under the
// user's policy: stop at the first (fail), hand on zeros for them (fill), or leave the
// file out (skip); and the file's damage as byte ranges and sectors.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "drive/SectorRescue.h"
#include "iso/EntryData.h"
#include "iso/Records.h"

namespace tarnwick {

enum class TOnError { Fail, Fill, Skip };

// What became of one file: read whole, written with zeros for unreadable data, not
// written because data could not be read, left out under the skip policy.
enum class TFileStatus { Ok, Damaged, Unreadable, Skipped };

struct TReadPolicy {
  TOnError onError = TOnError::Fail;
  // Reads of a failing sector beyond the first. Two: a sector that a drive could not
  // read in four tries (the run, its own read and two more) seldom reads on the fifth,
  // each try in a bad area can take the drive seconds, and a later run can try again.
  unsigned retries = 2;
  std::uint64_t deadlineMs = 0;  // Clock().NowMs() at which reading ends; 0: none
};

// What of a file could not be read: inclusive byte ranges of the file, and the disc
// sectors they lie in.
struct TFileDamage {
  std::vector<std::pair<std::uint64_t, std::uint64_t>> bytes;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> sectors;
  std::uint64_t badSectors = 0;
  std::string firstError;  // the drive's error for the first bad sector
  TFileStatus status = TFileStatus::Ok;
  bool timeUp = false;  // the time limit ended the reading: the rest is untried
  bool Damaged() const { return !bytes.empty(); }
};

// Writes `length` bytes at `offset` of the output: the data a return to a skipped area
// brought back.
using TPatchSink = std::function<bool(std::uint64_t offset, const std::uint8_t* data, std::size_t length)>;

enum class TRecoverResult { Complete, Stopped, MediumChanged, NotOnDisc, Skipped, TimeUp };

// Reads the entry's data under `policy` (Fill or Skip; Fail reads with ReadEntryData):
// every byte of the file goes to `sink` once, in order, unreadable sectors as zeros.
// With `patch`, bad areas are skipped and read again at the end of each extent, and
// what reads then goes to `patch`; without it every sector is tried in order. With
// Skip the first sector that stays unreadable ends the read (Skipped). `failedLba`
// names the sector the read ended at.
TRecoverResult RecoverEntryData(TSCSIDevice& drive, const TFEntry& entry, const TReadPolicy& policy,
                                const TDataSink& sink, const TPatchSink& patch, TFileDamage& damage,
                                std::uint32_t* failedLba = nullptr);

// "bytes 2048-4095, 8192-10239 (sectors 120, 124)": the damage in one line; "byte" and
// "sector" for a single one.
std::string DamageText(const TFileDamage& damage);

}  // namespace tarnwick
