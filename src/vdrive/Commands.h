// The command handlers of the virtual drive, one group of MMC commands per source
// file, and the state they share. Handlers run under the drive's lock; they build
// the whole answer and leave truncation to the allocation length to the caller.
#pragma once

#include <array>
#include <deque>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/PassThrough.h"
#include "vdrive/DiscModel.h"
#include "vdrive/Sense.h"

namespace tarnwick::vdrive {

namespace op {
inline constexpr std::uint8_t kTestUnitReady = 0x00;
inline constexpr std::uint8_t kRequestSense = 0x03;
inline constexpr std::uint8_t kInquiry = 0x12;
inline constexpr std::uint8_t kReadFormatCapacities = 0x23;
inline constexpr std::uint8_t kReadCapacity = 0x25;
inline constexpr std::uint8_t kRead10 = 0x28;
inline constexpr std::uint8_t kReadToc = 0x43;
inline constexpr std::uint8_t kGetConfiguration = 0x46;
inline constexpr std::uint8_t kReadDiscInformation = 0x51;
inline constexpr std::uint8_t kReadTrackInformation = 0x52;
inline constexpr std::uint8_t kModeSelect10 = 0x55;
inline constexpr std::uint8_t kModeSense10 = 0x5A;
inline constexpr std::uint8_t kReadDiscStructure = 0xAD;
inline constexpr std::uint8_t kSetCdSpeed = 0xBB;
}  // namespace op

inline constexpr std::size_t kLogLimit = 65536;

// Minutes, seconds and frames in three bytes (full TOC and ATIP fields).
inline void PutMsf(std::vector<std::uint8_t>& out, std::size_t at, const Msf& m) {
  out[at] = m.m;
  out[at + 1] = m.s;
  out[at + 2] = m.f;
}
// A four-byte MSF address field: a reserved zero byte, then minutes, seconds, frames.
inline void PutMsfAddress(std::vector<std::uint8_t>& out, std::size_t at, const Msf& m) {
  out[at] = 0;
  PutMsf(out, at + 1, m);
}

// One command block as received: kept in place, so logging a command allocates nothing.
struct LoggedCdb {
  std::array<std::uint8_t, 16> bytes{};
  std::uint8_t length = 0;
};

struct DriveState {
  DiscModel model;
  std::vector<std::uint8_t> writeParameters;  // current page 05h (MODE SELECT stores it)
  std::optional<Sense> pendingSense;          // of the last failed command, until read
  bool unitAttention = false;
  std::uint64_t commandCount = 0;
  std::array<std::uint64_t, 256> opcodeCounts{};  // commands received, by operation code
  std::deque<LoggedCdb> log;                   // the latest kLogLimit command blocks
  // Reads so far of each block a marginal or random read fault covers.
  std::unordered_map<std::uint32_t, std::uint32_t> faultReads;

  // The condition a medium command would meet now (none when ready).
  Sense MediumCondition() const {
    if (!model.medium.present) return sense::kNoMedium;
    if (commandCount <= model.drive.readyAfter) return sense::kBecomingReady;
    return sense::kNone;
  }
  // The medium is in and has become ready.
  bool MediumReady() const { return MediumCondition() == sense::kNone; }
};

// One command as received: the command block (zero beyond its length) and the request.
struct Command {
  std::array<std::uint8_t, 16> cdb{};
  const platform::ScsiRequest& request;
  std::uint8_t opcode() const { return cdb[0]; }
};

struct Reply {
  std::optional<Sense> failure;
  std::vector<std::uint8_t> data;  // the whole answer; cut to `allocation` by the caller
  std::uint32_t allocation = 0;
  bool direct = false;             // data already moved into the request buffer
  std::uint32_t directLength = 0;
};

inline Reply Fail(Sense s) {
  Reply r;
  r.failure = s;
  return r;
}
inline Reply Answer(std::vector<std::uint8_t> data, std::uint32_t allocation) {
  Reply r;
  r.data = std::move(data);
  r.allocation = allocation;
  return r;
}
inline Reply Good() { return Reply{}; }

// General: TEST UNIT READY, REQUEST SENSE, INQUIRY, SET CD SPEED.
Reply TestUnitReady(DriveState& state, const Command& command);
Reply RequestSense(DriveState& state, const Command& command);
Reply Inquiry(DriveState& state, const Command& command);
Reply SetCdSpeed(DriveState& state, const Command& command);
// Capacities and block reads.
Reply ReadCapacity(DriveState& state, const Command& command);
Reply ReadFormatCapacities(DriveState& state, const Command& command);
Reply Read10(DriveState& state, const Command& command);
// READ TOC/PMA/ATIP.
Reply ReadToc(DriveState& state, const Command& command);
// READ DISC INFORMATION, READ TRACK INFORMATION.
Reply ReadDiscInformation(DriveState& state, const Command& command);
Reply ReadTrackInformation(DriveState& state, const Command& command);
// GET CONFIGURATION.
Reply GetConfiguration(DriveState& state, const Command& command);
// READ DISC STRUCTURE.
Reply ReadDiscStructure(DriveState& state, const Command& command);
// MODE SENSE(10), MODE SELECT(10).
Reply ModeSense10(DriveState& state, const Command& command);
Reply ModeSelect10(DriveState& state, const Command& command);

}  // namespace tarnwick::vdrive
