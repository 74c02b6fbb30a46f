// READ TOC/PMA/ATIP: formats 0 (TOC), 1 (session information), 2 (full TOC) and 4 (ATIP).
#include "platform/ByteOrder.h"
#include "vdrive/Commands.h"
#include "vdrive/DriveQuirks.h"

namespace tarnwick::vdrive {

namespace {

constexpr std::uint8_t kLeadOutTrack = 0xAA;
// Start of the lead-in a blank recordable CD reports in its ATIP.
constexpr Msf kAtipLeadInStart{97, 27, 0};

std::uint8_t AdrControl(const Track& track) { return track.audio ? 0x10 : 0x14; }

void PutAddress(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t lba, bool msf) {
  if (msf) {
    PutMsfAddress(out, at, LbaToMsf(lba));
  } else {
    PutBE32(&out[at], lba);
  }
}

void Finish(std::vector<std::uint8_t>& out) { PutBE16(&out[0], static_cast<std::uint32_t>(out.size() - 2)); }

Reply Toc(const DiscModel& model, bool msf, std::uint8_t from, std::uint32_t allocation) {
  const Track& last = model.tracks.back();
  if (from == 0) from = 1;
  if (from != kLeadOutTrack && from > last.number) return Fail(sense::kInvalidField);
  std::vector<std::uint8_t> out(4, 0);
  out[2] = static_cast<std::uint8_t>(model.tracks.front().number);
  out[3] = static_cast<std::uint8_t>(last.number);
  auto add = [&](std::uint8_t adrControl, std::uint8_t number, std::uint32_t lba) {
    const std::size_t at = out.size();
    out.resize(at + 8, 0);
    out[at + 1] = adrControl;
    out[at + 2] = number;
    PutAddress(out, at + 4, lba, msf);
  };
  if (from != kLeadOutTrack)
    for (const Track& t : model.tracks)
      if (t.number >= from) add(AdrControl(t), static_cast<std::uint8_t>(t.number), t.start);
  add(AdrControl(last), kLeadOutTrack, model.LeadOut());
  Finish(out);
  return Answer(std::move(out), allocation);
}

Reply SessionInfo(const DiscModel& model, bool msf, std::uint32_t allocation) {
  const Track* first = model.FirstTrackOfSession(model.sessions);
  std::vector<std::uint8_t> out(12, 0);
  out[2] = 1;
  out[3] = static_cast<std::uint8_t>(model.sessions);
  out[5] = AdrControl(*first);
  out[6] = static_cast<std::uint8_t>(first->number);
  PutAddress(out, 8, first->start, msf);
  Finish(out);
  return Answer(std::move(out), allocation);
}

Reply FullToc(const DiscModel& model, std::uint8_t fromSession, std::uint32_t allocation) {
  if (fromSession == 0) fromSession = 1;
  if (fromSession > model.sessions) return Fail(sense::kInvalidField);
  std::vector<std::uint8_t> out(4, 0);
  out[2] = 1;
  out[3] = static_cast<std::uint8_t>(model.sessions);
  auto add = [&](int session, std::uint8_t adrControl, std::uint8_t point, Msf atime, Msf p) {
    const std::size_t at = out.size();
    out.resize(at + 11, 0);
    out[at] = static_cast<std::uint8_t>(session);
    out[at + 1] = adrControl;
    out[at + 3] = point;
    PutMsf(out, at + 4, atime);
    PutMsf(out, at + 8, p);
  };
  for (int s = fromSession; s <= model.sessions; ++s) {
    const Track& first = *model.FirstTrackOfSession(s);
    const Track& last = *model.LastTrackOfSession(s);
    add(s, AdrControl(first), 0xA0, Msf{}, Msf{static_cast<std::uint8_t>(first.number), 0x00, 0});
    add(s, AdrControl(last), 0xA1, Msf{}, Msf{static_cast<std::uint8_t>(last.number), 0, 0});
    add(s, AdrControl(last), 0xA2, Msf{}, LbaToMsf(last.end()));
    for (const Track& t : model.tracks)
      if (t.session == s) add(s, AdrControl(t), static_cast<std::uint8_t>(t.number), Msf{}, LbaToMsf(t.start));
    // A session that another may follow tells where the next program area starts and
    // the last possible start of the disc's lead-out.
    const bool more = s < model.sessions || model.Appendable();
    if (more && IsRecordableCdProfile(model.medium.profile)) {
      const std::uint32_t next =
          s < model.sessions ? model.FirstTrackOfSession(s + 1)->start : model.NextWritable();
      add(s, 0x50, 0xB0, LbaToMsf(next), LbaToMsf(model.medium.capacity));
    }
  }
  Finish(out);
  return Answer(std::move(out), allocation);
}

Reply Atip(const DiscModel& model, std::uint32_t allocation) {
  std::vector<std::uint8_t> out(28, 0);
  out[4] = 0xD1;  // writing power 5, reference speed 1
  out[6] = model.medium.profile == profile::kCdRw ? 0xC0 : 0x80;  // bit 6: rewritable
  PutMsf(out, 8, kAtipLeadInStart);
  PutMsf(out, 12, LbaToMsf(model.medium.capacity));  // last possible start of the lead-out
  Finish(out);
  return Answer(std::move(out), allocation);
}

}  // namespace

Reply ReadToc(DriveState& state, const Command& command) {
  const DiscModel& model = state.model;
  const bool msf = (command.cdb[1] & 0x02) != 0;
  const std::uint8_t format = RequestedTocFormat(model.drive.quirks, command);
  const std::uint32_t allocation = GetBE16(&command.cdb[7]);
  if (format == 4) {
    if (!IsRecordableCdProfile(model.medium.profile)) return Fail(sense::kInvalidField);
    return Atip(model, allocation);
  }
  if (format > 2) return Fail(sense::kInvalidField);
  // A blank disc has no table of contents.
  if (model.tracks.empty() || model.sessions == 0) return Fail(sense::kInvalidField);
  if (format == 0) return Toc(model, msf, command.cdb[6], allocation);
  if (format == 1) return SessionInfo(model, msf, allocation);
  return FullToc(model, command.cdb[6], allocation);
}

}  // namespace tarnwick::vdrive
