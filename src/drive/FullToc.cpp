// The full table of contents and the first track of a session.
#include "drive/FullToc.h"

#include <algorithm>
#include <cstring>

#include "drive/CommandRequest.h"
#include "drive/SCSIDevice.h"
#include "platform/ByteOrder.h"

namespace tarnwick {

namespace {

constexpr std::int32_t kReadTocTimeoutMs = 10000;
constexpr std::size_t kHeaderSize = 4;
constexpr std::size_t kDescriptorSize = 11;
constexpr std::uint8_t kPointFirstTrack = 0xA0;
constexpr std::uint8_t kPointLeadOut = 0xA2;
constexpr std::uint32_t kFirstBlockFrames = 150;
constexpr std::uint8_t kMaxCdMinutes = 100;
constexpr std::uint8_t kMaxTrack = 99;

}  // namespace

bool ReadFullToc(TSCSIDevice& drive, std::uint8_t startSession, std::vector<std::uint8_t>& answer) {
  answer.assign(kFullTocAllocation, 0);
  // READ TOC with the MSF bit, format 2 (full TOC), from the given session, and the
  // whole 16-bit allocation length.
  SRB_ExecSCSICmd srb;
  PrepareRequest(srb, {0x43, 0x02, 0x02, 0, 0, 0, startSession, 0, 0, 0}, DataPhase::In, answer.data(),
                 kFullTocAllocation);
  PutBE16(&srb.CDBByte[7], kFullTocAllocation);
  drive.ExecuteCommand(srb, kReadTocTimeoutMs);
  return srb.SRB_Status == SS_COMP;
}

namespace {

// The descriptor of `point` in `session`, inside both the answer's data length and `size`.
const std::uint8_t* FindPoint(const std::uint8_t* answer, std::size_t size, std::uint8_t session, std::uint8_t point) {
  if (answer == nullptr || size < kHeaderSize) return nullptr;
  // The data length counts the bytes after itself.
  const std::size_t end = std::min<std::size_t>(size, std::size_t{GetBE16(answer)} + 2);
  for (std::size_t at = kHeaderSize; at + kDescriptorSize <= end; at += kDescriptorSize) {
    const std::uint8_t* d = answer + at;
    if (d[0] == session && d[3] == point) return d;
  }
  return nullptr;
}

}  // namespace

std::optional<std::uint8_t> FirstTrackFromFullToc(const std::uint8_t* answer, std::size_t size,
                                                  std::uint8_t session) {
  const std::uint8_t* d = FindPoint(answer, size, session, kPointFirstTrack);
  if (d == nullptr) return std::nullopt;
  const std::uint8_t track = d[8];  // PMIN
  if (track >= 1 && track <= kMaxTrack) return track;
  return std::nullopt;
}

std::optional<std::uint32_t> SessionLeadOutFromFullToc(const std::uint8_t* answer, std::size_t size,
                                                       std::uint8_t session) {
  const std::uint8_t* d = FindPoint(answer, size, session, kPointLeadOut);
  if (d == nullptr) return std::nullopt;
  // An address past what a CD holds may have been cut to fit the MSF form (a DVD
  // drive's made-up table): not taken.
  if (d[8] >= kMaxCdMinutes) return std::nullopt;
  const std::uint32_t frames = TSCSIDevice::MsfToFrames(0, d[8], d[9], d[10]);  // PMIN, PSEC, PFRAME
  if (frames < kFirstBlockFrames) return std::nullopt;
  return frames - kFirstBlockFrames;
}

std::uint8_t TSCSIDevice::FirstTrackOfSession(std::uint8_t session) {
  // There is no session 0 (a blank disc lists its sessions from 0 to 0): nothing to ask.
  if (session == 0) return session;

  std::vector<std::uint8_t> toc;
  if (ReadFullToc(*this, session, toc)) {
    if (auto track = FirstTrackFromFullToc(toc.data(), toc.size(), session)) return *track;
  }

  // Drives without the full TOC: walk the tracks until one says it belongs to the
  // session. Sessions hold ascending track numbers, so a later session ends the walk.
  for (std::uint32_t t = 1; t <= kMaxTrack; ++t) {
    if (!ReadTrackInfo(t)) break;
    if (TrackInfo.SessionNumber == session) return static_cast<std::uint8_t>(t);
    if (TrackInfo.SessionNumber > session) break;
  }

  // Neither answered: take session s to start at track s.
  return session;
}

}  // namespace tarnwick
