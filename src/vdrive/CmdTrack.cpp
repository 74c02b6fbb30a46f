// READ DISC INFORMATION and READ TRACK INFORMATION.
#include "platform/ByteOrder.h"
#include "vdrive/Commands.h"

namespace tarnwick::vdrive {

namespace {

constexpr std::uint8_t kInvisibleTrack = 0xFF;

int InvisibleTrackNumber(const DiscModel& model) {
  return model.tracks.empty() ? 1 : model.tracks.back().number + 1;
}

std::vector<std::uint8_t> RecordedTrack(const Track& t) {
  std::vector<std::uint8_t> out(36, 0);
  PutBE16(&out[0], 34);
  out[2] = static_cast<std::uint8_t>(t.number);
  out[3] = static_cast<std::uint8_t>(t.session);
  out[5] = t.audio ? 0x00 : 0x04;  // track mode
  out[6] = t.audio ? 0x0F : 0x01;  // data mode
  out[7] = 0x02;                   // last recorded address valid
  PutBE32(&out[8], t.start);
  PutBE32(&out[24], t.length);
  PutBE32(&out[28], t.end() - 1);
  return out;
}

// The invisible track of an appendable disc: blank, from the next writable address
// to the end of the disc's capacity.
std::vector<std::uint8_t> InvisibleTrack(const DiscModel& model) {
  const std::uint32_t start = model.NextWritable();
  const std::uint32_t free = model.medium.capacity > start ? model.medium.capacity - start : 0;
  std::vector<std::uint8_t> out(36, 0);
  PutBE16(&out[0], 34);
  out[2] = static_cast<std::uint8_t>(InvisibleTrackNumber(model));
  out[3] = static_cast<std::uint8_t>(model.sessions + 1);
  out[5] = 0x04;
  out[6] = 0x40 | 0x0F;  // blank, data mode not yet known
  out[7] = 0x01;         // next writable address valid
  PutBE32(&out[8], start);
  PutBE32(&out[12], start);
  PutBE32(&out[16], free);
  PutBE32(&out[24], free);
  return out;
}

}  // namespace

Reply ReadDiscInformation(DriveState& state, const Command& command) {
  if ((command.cdb[1] & 0x07) != 0) return Fail(sense::kInvalidField);  // standard data only
  const DiscModel& model = state.model;
  const MediumState& medium = model.medium;
  const bool appendable = model.Appendable();
  std::vector<std::uint8_t> out(34, 0);
  PutBE16(&out[0], 32);
  const std::uint8_t discStatus = static_cast<std::uint8_t>(medium.status);
  // The last session of an appendable disc is the empty one still to be written.
  const std::uint8_t lastSessionState = appendable ? 0 : 3;
  out[2] = static_cast<std::uint8_t>((IsErasableProfile(medium.profile) ? 0x10 : 0) | (lastSessionState << 2) |
                                     discStatus);
  out[3] = 1;  // first track on the disc
  int sessions = model.sessions;
  int firstInLast = 0, lastInLast = 0;
  if (appendable) {
    sessions += 1;
    firstInLast = lastInLast = InvisibleTrackNumber(model);
  } else {
    firstInLast = model.FirstTrackOfSession(model.sessions)->number;
    lastInLast = model.LastTrackOfSession(model.sessions)->number;
  }
  out[4] = static_cast<std::uint8_t>(sessions);
  out[5] = static_cast<std::uint8_t>(firstInLast);
  out[6] = static_cast<std::uint8_t>(lastInLast);
  out[7] = 0x20;  // unrestricted use
  out[8] = 0x00;  // disc type: CD-DA or CD-ROM
  if (!appendable) {
    PutBE32(&out[16], 0xFFFFFFFF);
    PutBE32(&out[20], 0xFFFFFFFF);
  } else if (IsCdProfile(medium.profile)) {
    // The next session's lead-in starts 4650 blocks (lead-in and pre-gap) before its track.
    const std::uint32_t next = model.NextWritable();
    PutMsfAddress(out, 16, next >= 4650 ? LbaToMsf(next - 4650) : Msf{97, 27, 0});
    PutMsfAddress(out, 20, LbaToMsf(medium.capacity));
  }
  return Answer(std::move(out), GetBE16(&command.cdb[7]));
}

Reply ReadTrackInformation(DriveState& state, const Command& command) {
  const DiscModel& model = state.model;
  const std::uint32_t allocation = GetBE16(&command.cdb[7]);
  const std::uint32_t value = GetBE32(&command.cdb[2]);
  const bool appendable = model.Appendable();
  switch (command.cdb[1] & 0x03) {
    case 0: {  // by block address
      if (const Track* t = model.TrackAt(value)) return Answer(RecordedTrack(*t), allocation);
      if (appendable && value >= model.NextWritable() && value < model.medium.capacity)
        return Answer(InvisibleTrack(model), allocation);
      return Fail(sense::kAddressOutOfRange);
    }
    case 1: {  // by track number; track 0 (the lead-in) is not answered
      if (value == 0) return Fail(sense::kInvalidField);
      if (const Track* t = model.FindTrack(static_cast<int>(value))) return Answer(RecordedTrack(*t), allocation);
      if (appendable && (value == kInvisibleTrack || value == static_cast<std::uint32_t>(InvisibleTrackNumber(model))))
        return Answer(InvisibleTrack(model), allocation);
      return Fail(sense::kInvalidField);
    }
    case 2: {  // by session number: its first track
      if (value >= 1 && value <= static_cast<std::uint32_t>(model.sessions))
        return Answer(RecordedTrack(*model.FirstTrackOfSession(static_cast<int>(value))), allocation);
      if (appendable && value == static_cast<std::uint32_t>(model.sessions + 1))
        return Answer(InvisibleTrack(model), allocation);
      return Fail(sense::kInvalidField);
    }
    default:
      return Fail(sense::kInvalidField);
  }
}

}  // namespace tarnwick::vdrive
