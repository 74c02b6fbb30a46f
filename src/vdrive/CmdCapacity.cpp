// READ CAPACITY, READ FORMAT CAPACITIES and READ(10).
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/ByteOrder.h"
#include "platform/ReadRoom.h"
#include "vdrive/Commands.h"
#include "vdrive/RawSector.h"
#include "vdrive/ReadFaults.h"

namespace tarnwick::vdrive {

namespace {

// Reads `count` blocks of a track whose file keeps whole (or larger) sectors, a batch
// at a time, serving the user data of each from where the sectors were read to; false
// when a sector cannot be read or is not the one asked for.
bool ReadSectors(const Track& track, std::uint32_t lba, std::uint64_t count, std::uint8_t* out) {
  constexpr std::uint64_t kBatch = 32;
  while (count > 0) {
    const std::uint64_t n = std::min(count, kBatch);
    const std::uint64_t offset = track.offset + std::uint64_t{lba - track.start} * track.sectorSize;
    const std::uint8_t* sectors = track.file->CommandView(offset, n * track.sectorSize);
    if (sectors == nullptr) return false;
    for (std::uint64_t i = 0; i < n; ++i, ++lba, out += kBlockSize)
      if (!ExtractUserData(track.layout, lba, sectors + i * track.sectorSize, out)) return false;
    count -= n;
  }
  return true;
}

}  // namespace

Reply ReadCapacity(DriveState& state, const Command&) {
  std::vector<std::uint8_t> out(8, 0);
  const std::uint32_t leadOut = state.model.LeadOut();
  PutBE32(&out[0], leadOut == 0 ? 0 : leadOut - 1);  // a blank disc answers 0
  PutBE32(&out[4], kBlockSize);
  return Answer(std::move(out), 8);
}

Reply ReadFormatCapacities(DriveState& state, const Command& command) {
  const DiscModel& model = state.model;
  std::vector<std::uint8_t> out(12, 0);
  out[3] = 8;  // capacity list length: the current/maximum descriptor alone
  PutBE32(&out[4], model.medium.capacity);
  // 01b: unformatted or blank medium, maximum capacity; 10b: formatted medium.
  const bool writable = !IsReadOnlyProfile(model.medium.profile);
  out[8] = (writable && model.Appendable()) ? 0x01 : 0x02;
  PutBE24(&out[9], kBlockSize);
  return Answer(std::move(out), GetBE16(&command.cdb[7]));
}

Reply Read10(DriveState& state, const Command& command) {
  const DiscModel& model = state.model;
  const std::uint32_t lba = GetBE32(&command.cdb[2]);
  const std::uint32_t count = GetBE16(&command.cdb[7]);
  Reply reply;
  reply.direct = true;
  if (count == 0) return reply;
  const std::uint64_t end = std::uint64_t{lba} + count;

  // Every block must lie in a data track; blocks no track covers (the gaps between
  // sessions, anything past the last track) are out of range.
  for (std::uint64_t pos = lba; pos < end;) {
    const Track* track = model.TrackAt(static_cast<std::uint32_t>(pos));
    if (track == nullptr) return Fail(sense::kAddressOutOfRange);
    if (track->audio) return Fail(sense::kIllegalModeForTrack);
    pos = track->end();
  }
  if (const std::optional<Sense> fault = ReadFaultFor(state, lba, count)) return Fail(*fault);

  // Move as much as the buffer holds, track by track.
  const platform::ScsiRequest& request = command.request;
  std::uint64_t room = request.data == nullptr ? 0 : request.dataLength;
  room = std::min<std::uint64_t>(room, std::uint64_t{count} * kBlockSize);
  std::uint8_t* out = request.data;
  std::uint64_t done = 0;
  for (std::uint64_t pos = lba; done < room;) {
    const Track* track = model.TrackAt(static_cast<std::uint32_t>(pos));
    const std::uint64_t bytes = std::min<std::uint64_t>(room - done, (track->end() - pos) * kBlockSize);
    const bool plain = track->file != nullptr && track->layout == SectorLayout::User && track->sectorSize == kBlockSize;
    // Bytes written into a reader's lent room other than by the file's own reads
    // leave nothing in it that a later command may take as read.
    if (!plain) {
      if (platform::ReadRoom* lent = platform::LentReadRoom(out + done, static_cast<std::size_t>(bytes)))
        lent->placed = {};
    }
    if (track->file == nullptr) {
      std::memset(out + done, 0, bytes);
    } else if (track->layout != SectorLayout::User || track->sectorSize != kBlockSize) {
      // A buffer that ends inside a block gets the start of that block.
      const std::uint64_t blocks = bytes / kBlockSize;
      if (!ReadSectors(*track, static_cast<std::uint32_t>(pos), blocks, out + done))
        return Fail(sense::kMediumError);
      if (blocks * kBlockSize != bytes) {
        std::vector<std::uint8_t> block(kBlockSize);
        if (!ReadSectors(*track, static_cast<std::uint32_t>(pos + blocks), 1, block.data()))
          return Fail(sense::kMediumError);
        std::memcpy(out + done + blocks * kBlockSize, block.data(), bytes - blocks * kBlockSize);
      }
    } else {
      const std::uint64_t offset = track->offset + (pos - track->start) * kBlockSize;
      if (!track->file->CommandRead(offset, out + done, bytes)) return Fail(sense::kMediumError);
    }
    done += bytes;
    pos = track->end();
  }
  reply.directLength = static_cast<std::uint32_t>(done);
  return reply;
}

}  // namespace tarnwick::vdrive
