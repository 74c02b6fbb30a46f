// One UDF volume of a session: where its anchor and volume descriptors are, its
// partitions and how a block of each partition reference maps to a sector of the
// disc (physical, virtual through the allocation table, sparable through the sparing
// table, metadata through the metadata file), its file set, and the reading of file
// entries with their allocation descriptors.
//
// Every number read from the disc is treated as hostile: a mapping never leaves its
// partition, a partition never reaches past the disc, chains of descriptors are
// followed once per block and within the disc's size.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "iso/ImportProblems.h"
#include "iso/Records.h"
#include "udf/Blocks.h"
#include "udf/UdfFormat.h"

namespace tarnwick {
class TSCSIDevice;
}

namespace tarnwick::udf {

// Where a session lies: its first sector, the first sector past the disc's recorded
// area, and the last recorded sector of the session when the drive tells it (where a
// virtual allocation table is found).
struct TSessionSpan {
  std::uint32_t first = 0;
  std::uint64_t end = 0;
  std::optional<std::uint32_t> lastRecorded;
};

// A piece of an entry's data: the sectors it lies in, and the partition block it
// starts at (where descriptors in it say they lie).
struct TPiece {
  TExtent extent;
  std::uint32_t block = 0;
};

// A file entry or extended file entry as the import uses it.
struct TIcb {
  std::uint8_t fileType = 0;
  std::uint16_t flags = 0;
  std::uint32_t uid = 0, gid = 0, permissions = 0;
  std::uint16_t links = 0;
  std::uint64_t length = 0;  // information length
  Timestamp modification{}, access{}, attribute{};
  std::optional<Timestamp> creation;
  std::vector<TPiece> data;  // in file order, cut to the information length
  std::uint64_t sector = 0;  // where the entry lies
  std::string shortfall;     // why data is missing, when the pieces fall short of the length
  std::uint64_t unrecorded = 0;  // bytes of extents neither allocated nor recorded, read as zeros
  bool refused = false;          // the data claimed is more than the disc can hold: none is kept
};

class TVolume {
 public:
  TVolume(TSCSIDevice& device, TImportProblems& problems, const TSessionSpan& span);

  // True when an anchor of a UDF volume lies in the session (nothing else is read).
  bool FindAnchor();
  // Reads the volume descriptors, the partitions and the file set. False, with
  // Fault() saying why, when no tree can be read.
  bool Load();
  const std::string& Fault() const { return fault_; }
  std::uint64_t Anchor() const { return anchor_; }
  const LongAd& RootIcb() const { return root_; }
  // The generations the virtual allocation tables of the session make: 1 when the
  // volume has none.
  std::uint32_t Generations() const { return generations_; }
  // Which generation Load reads: 1 the oldest; 0 the newest.
  void SelectGeneration(std::uint32_t generation) { wantedGeneration_ = generation; }

  // The disc sector of a partition block; none outside the partition.
  std::optional<std::uint64_t> Sector(std::uint16_t ref, std::uint32_t block) const;
  // The disc sectors of `bytes` from a partition block on, in as few runs as the
  // mapping allows; false when they leave the partition (the runs that map are kept).
  bool Map(std::uint16_t ref, std::uint32_t block, std::uint64_t bytes, std::vector<TPiece>& out) const;
  // How many blocks a partition reference addresses; 0 for one not read.
  std::uint64_t PartitionBlocks(std::uint16_t ref) const;

  // Reads the entry `icb` names, with its allocation descriptors when `withData`; an
  // entry of strategy 4096 whose indirect entry names a newer one is read there.
  // False with `why` when it cannot be read as one.
  bool ReadIcb(const LongAd& icb, TIcb& out, bool withData, std::string& why);
  // The bytes of an entry's data, at most `limit`; false with `why` when a sector
  // cannot be read.
  bool ReadData(const TIcb& icb, std::uint64_t limit, std::vector<std::uint8_t>& out, std::string& why);

  TBlocks& Blocks() { return blocks_; }

  // Sector `lba` as Blocks().Get reads it, or, when it cannot be read and it holds a
  // block of the metadata file, that block's copy in the other copy of the file (a
  // listed fallback). Null with Blocks().Error() when neither can be read.
  const std::uint8_t* Get(std::uint64_t lba);
  // Copies sector `lba` into `out` (2048 bytes) when it reads and `fault` finds nothing
  // wrong with it, else the other copy of a metadata block when that one does (`lba`
  // then names that copy's sector). Returns why the first copy is unusable (with
  // `unreadable` set when it could not be read at all), empty when a copy was taken.
  std::string ReadChecked(std::uint64_t& lba, std::uint8_t* out, bool& unreadable,
                          const std::function<std::string(const std::uint8_t*)>& fault);

 private:
  enum class Kind { Physical, Virtual, Sparable, Metadata, Unknown };
  struct Partition {
    Kind kind = Kind::Unknown;
    std::uint16_t number = 0;
    std::uint32_t start = 0, length = 0;  // of the partition descriptor, cut to the disc
    bool described = false;
    std::uint16_t physicalRef = 0;  // the map of the partition a virtual or metadata map lies in
    std::vector<std::uint32_t> vat;
    std::uint32_t packet = 0;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> sparing;  // packet -> sector, sorted
    std::vector<TPiece> metadata;  // the metadata file's runs
    std::vector<TPiece> mirror;    // its mirror's, when both entries read (each block's other copy)
    std::uint32_t metadataLocations[2] = {};
    std::uint32_t sparingTables[4] = {};
    std::uint32_t sparingTableCount = 0, sparingTableSize = 0;
  };

  void Problem(TProblemKind kind, std::optional<std::uint64_t> sector, std::string why);
  bool ReadSequence(const ExtentAd& extent, std::vector<std::uint8_t>& lvd,
                    std::vector<std::vector<std::uint8_t>>& partitions);
  bool ReadMaps(const std::vector<std::uint8_t>& lvd, const std::vector<std::vector<std::uint8_t>>& partitions);
  bool LoadVat(Partition& map, std::uint16_t ref);
  bool ReadVatAt(std::uint64_t sector, std::uint16_t physicalRef, std::vector<std::uint32_t>& vat,
                 std::optional<std::uint32_t>& previous, std::string& why);
  bool LoadSparing(Partition& map);
  bool LoadMetadata(Partition& map);
  bool ReadMetadataFile(const Partition& map, int copy, std::vector<TPiece>& runs);
  // The sector holding the same metadata block in the other copy of the metadata file.
  std::optional<std::uint64_t> Twin(std::uint64_t sector) const;
  void TookTwin(std::uint64_t sector, std::uint64_t twin, const std::string& why);
  // One entry; `newer` set, and nothing else read, when a strategy 4096 entry's
  // indirect entry names a newer one.
  bool ReadEntry(const LongAd& icb, TIcb& out, bool withData, std::string& why, std::optional<LongAd>& newer);
  std::optional<LongAd> NewerEntry(std::uint16_t ref, std::uint32_t block);
  bool TakeUnrecorded(std::uint8_t type, std::uint16_t ref, std::uint32_t block, std::uint64_t bytes, TIcb& out);
  bool ReadAds(const std::uint8_t* ads, std::size_t length, std::uint8_t form, std::uint16_t ref, TIcb& out,
               std::uint64_t& left, std::size_t& continuations, std::string& why);

  TSCSIDevice& device_;
  TImportProblems& problems_;
  TSessionSpan span_;
  TBlocks blocks_;
  std::uint64_t anchor_ = 0;
  AnchorDescriptor anchorDescriptor_{};
  std::vector<Partition> maps_;
  LongAd root_{};
  std::string fault_;
  std::uint32_t generations_ = 1;
  std::uint32_t wantedGeneration_ = 0;
  // Extents the entries of the import may still name in all: a few per block of the
  // disc, however many allocation descriptors hostile entries claim.
  std::uint64_t piecesLeft_ = 0;
  std::set<std::uint64_t> twinned_;  // sectors read from the other metadata copy, each listed once
};

}  // namespace tarnwick::udf
