#include "iso/EntryData.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "drive/SCSIDevice.h"
#include "platform/Platform.h"
#include "platform/ReadRoom.h"

namespace tarnwick {

namespace {

constexpr std::uint64_t kSector = 2048;
// Transfer units read one after the other into one buffer and handed to the sink
// together: a sink that writes a file or a pipe makes one system call per batch, and
// an image's virtual drive fills the whole batch with one read of the image (reads of
// about half a megabyte copy out of the system's cache fastest).
constexpr std::size_t kUnitsPerBatch = 8;
// A batch older than this is handed on before its next unit is read, so that a slow
// drive shows progress (and can be stopped) at least this often.
constexpr std::uint64_t kBatchAgeMs = 250;
constexpr std::size_t kAlign = 4096;

// A piece of the batch: `bytes` of data read from `lba` on.
struct TPiece {
  std::uint32_t lba;
  std::size_t bytes;
};

// The batch buffer and what it holds: whole pieces, in file order, from its start.
// The start is page-aligned inside the buffer: the system copies into aligned memory
// markedly faster.
class TBatch {
 public:
  // `capacity`: the bytes the batch may hold; a piece may spill into the next sector.
  TBatch(TSCSIDevice& drive, std::size_t capacity)
      : drive_(drive), buffer_(capacity + kAlign, 0), capacity_(capacity) {
    base_ = (kAlign - reinterpret_cast<std::uintptr_t>(buffer_.data()) % kAlign) % kAlign;
  }

  bool Fits(std::uint16_t count) const { return filled_ + count * kSector <= capacity_; }
  // True when the batch holds data read longer than kBatchAgeMs ago.
  bool Aged() const { return filled_ != 0 && platform::Clock().NowMs() - startedMs_ >= kBatchAgeMs; }
  std::uint8_t* Next() { return buffer_.data() + base_ + filled_; }

  // READ(10) of the next piece into the buffer, lent to the request. The rest of the
  // batch is lent as room to read ahead into (platform/ReadRoom.h) until the batch is
  // handed on or a read fails.
  bool Read(std::uint32_t lba, std::uint16_t count) {
    const std::uint8_t* before = buffer_.data();
    if (filled_ == 0) startedMs_ = platform::Clock().NowMs();
    if (!room_) room_.emplace(Next(), capacity_ - filled_);
    const bool ok = drive_.ReadSectorsInto(lba, count, buffer_, base_ + filled_);
    lost_ = buffer_.data() != before;
    if (!ok || lost_) room_.reset();
    return ok;
  }
  // When the transport kept the buffer of a failed read, the pieces it held are read
  // again (copied, so the buffer stays); false with *failedLba set when one fails now.
  bool Recover(std::uint32_t* failedLba) {
    if (!lost_) return true;
    lost_ = false;
    buffer_.resize(base_ + capacity_ + kSector);
    std::uint8_t* at = buffer_.data() + base_;
    for (const TPiece& piece : pieces_) {
      const auto count = static_cast<std::uint16_t>((piece.bytes + kSector - 1) / kSector);
      if (failedLba) *failedLba = piece.lba;
      if (!drive_.ReadSectors(piece.lba, count, static_cast<std::uint32_t>(count * kSector), at)) return false;
      at += piece.bytes;
    }
    return true;
  }
  void Add(std::uint32_t lba, std::size_t bytes) {
    pieces_.push_back({lba, bytes});
    filled_ += bytes;
  }
  // The buffer went with a request the transport kept: what it held is gone.
  bool Lost() const { return lost_; }
  // Hands what the buffer holds to the sink; false when the sink says stop.
  bool Flush(const TDataSink& sink) {
    room_.reset();
    const bool go = filled_ == 0 || sink(buffer_.data() + base_, filled_);
    filled_ = 0;
    pieces_.clear();
    return go;
  }

 private:
  TSCSIDevice& drive_;
  std::vector<std::uint8_t> buffer_;
  std::size_t capacity_;
  std::size_t base_ = 0;
  std::vector<TPiece> pieces_;
  std::size_t filled_ = 0;
  std::uint64_t startedMs_ = 0;
  bool lost_ = false;
  std::optional<platform::ReadRoomLoan> room_;
};

}  // namespace

std::vector<TExtent> EntryDataRuns(const TFEntry& entry) {
  if (!entry.Extents.empty() || entry.Size <= 0) return entry.Extents;
  return {{entry.Extent, static_cast<std::uint64_t>(entry.Size)}};
}

TReadResult ReadEntryData(TSCSIDevice& drive, const TFEntry& entry, std::uint16_t sectorsPerRead,
                          const TDataSink& sink, std::uint32_t* failedLba) {
  sectorsPerRead = std::max<std::uint16_t>(sectorsPerRead, 1);
  const std::vector<TExtent> runs = EntryDataRuns(entry);
  std::uint64_t total = 0;
  for (const TExtent& run : runs) total += run.Bytes;
  // A small file gets a buffer of its size (and the sector its last piece may spill into).
  TBatch batch(drive, static_cast<std::size_t>(std::min<std::uint64_t>(kUnitsPerBatch * sectorsPerRead * kSector,
                                                                        (total + kSector - 1) / kSector * kSector + kSector)));
  // A failure hands the whole units read before it to the sink first, as a read unit
  // by unit would have; never a buffer the transport kept, which holds them no more.
  auto fail = [&](TReadResult result) {
    if (batch.Lost()) return result;
    return batch.Flush(sink) ? result : TReadResult::Stopped;
  };

  for (const TExtent& run : runs) {
    if (run.Zeros || run.Offset != 0) {
      // Data that is no whole sectors of the disc: zeros for a run never recorded,
      // or the bytes kept inside an entry's own sector.
      if (!batch.Flush(sink)) return TReadResult::Stopped;
      std::vector<std::uint8_t> piece(static_cast<std::size_t>(std::min<std::uint64_t>(run.Bytes, sectorsPerRead * kSector)) +
                                      (run.Zeros ? 0 : kSector), 0);
      if (!run.Zeros) {
        if (failedLba) *failedLba = run.Lba;
        if (run.Offset + run.Bytes > kSector) return TReadResult::BeyondDisc;
        if (!drive.ReadSectors(run.Lba, 1, static_cast<std::uint32_t>(kSector), piece.data())) return TReadResult::ReadFailed;
        if (!sink(piece.data() + run.Offset, static_cast<std::size_t>(run.Bytes))) return TReadResult::Stopped;
        continue;
      }
      for (std::uint64_t left = run.Bytes; left > 0;) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(left, piece.size()));
        if (!sink(piece.data(), chunk)) return TReadResult::Stopped;
        left -= chunk;
      }
      continue;
    }
    std::uint64_t lba = run.Lba;
    std::uint64_t left = run.Bytes;
    while (left > 0) {
      const std::uint64_t chunk = std::min<std::uint64_t>(left, sectorsPerRead * kSector);
      const auto count = static_cast<std::uint16_t>((chunk + kSector - 1) / kSector);
      if (failedLba) *failedLba = static_cast<std::uint32_t>(std::min<std::uint64_t>(lba, UINT32_MAX));
      if (lba + count - 1 > UINT32_MAX) return fail(TReadResult::BeyondDisc);
      if ((!batch.Fits(count) || batch.Aged()) && !batch.Flush(sink)) return TReadResult::Stopped;
      const std::uint32_t mediumEvents = drive.MediumEvents();
      if (!batch.Read(static_cast<std::uint32_t>(lba), count)) {
        // A drive that reports a changed medium (or one not ready) may hold another
        // disc now: reading again would take that disc's sectors for this file's.
        if (drive.MediumEvents() != mediumEvents) return fail(TReadResult::ReadFailed);
        const std::uint32_t unitLba = static_cast<std::uint32_t>(lba);
        if (!batch.Recover(failedLba)) return TReadResult::ReadFailed;
        // The failed unit is read again one sector at a time, so that the message
        // names the sector that cannot be read (and its error), not the unit's first;
        // when every sector reads now, the data is whole and the copy goes on.
        for (std::uint16_t i = 0; i < count; ++i) {
          if (failedLba) *failedLba = unitLba + i;
          if (count == 1 ||
              !drive.ReadSectors(unitLba + i, 1, static_cast<std::uint32_t>(kSector), batch.Next() + i * kSector))
            return fail(TReadResult::ReadFailed);
        }
      }
      batch.Add(static_cast<std::uint32_t>(lba), static_cast<std::size_t>(chunk));
      lba += count;
      left -= chunk;
    }
  }
  return batch.Flush(sink) ? TReadResult::Complete : TReadResult::Stopped;
}

}  // namespace tarnwick
