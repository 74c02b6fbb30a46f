#include "vdrive/VirtualDrive.h"

#include <algorithm>
#include <cstring>

#include "vdrive/Commands.h"
#include "vdrive/DriveQuirks.h"

namespace tarnwick::vdrive {

namespace {

using Handler = Reply (*)(DriveState&, const Command&);

struct CommandEntry {
  std::uint8_t opcode;
  Handler handler;
  bool needsMedium;    // fails while the medium is missing or not yet ready
  bool takesAttention; // reports a pending "medium changed"
};

constexpr CommandEntry kCommands[] = {
    {op::kTestUnitReady, TestUnitReady, true, true},
    {op::kRequestSense, RequestSense, false, false},
    {op::kInquiry, Inquiry, false, false},
    {op::kReadFormatCapacities, ReadFormatCapacities, true, true},
    {op::kReadCapacity, ReadCapacity, true, true},
    {op::kRead10, Read10, true, true},
    {op::kReadToc, ReadToc, true, true},
    {op::kGetConfiguration, GetConfiguration, false, false},
    {op::kReadDiscInformation, ReadDiscInformation, true, true},
    {op::kReadTrackInformation, ReadTrackInformation, true, true},
    {op::kModeSelect10, ModeSelect10, false, true},
    {op::kModeSense10, ModeSense10, false, true},
    {op::kReadDiscStructure, ReadDiscStructure, true, true},
    {op::kSetCdSpeed, SetCdSpeed, false, true},
};

Reply Dispatch(DriveState& state, const Command& command) {
  const DriveSettings& drive = state.model.drive;
  // A drive refuses what it does not know before it looks at anything else.
  if (auto it = drive.rejected.find(command.opcode()); it != drive.rejected.end()) return Fail(it->second);
  const CommandEntry* entry = nullptr;
  for (const CommandEntry& e : kCommands)
    if (e.opcode == command.opcode()) entry = &e;
  if (entry == nullptr) return Fail(sense::kInvalidOpcode);
  if (entry->needsMedium) {
    const Sense condition = state.MediumCondition();
    if (condition != sense::kNone) return Fail(condition);
  }
  if (entry->takesAttention && state.unitAttention && state.MediumReady()) {
    state.unitAttention = false;
    return Fail(sense::kMediumChanged);
  }
  return entry->handler(state, command);
}

}  // namespace

VirtualDrive::VirtualDrive(DiscModel model) : state_(std::make_unique<DriveState>()) {
  state_->model = std::move(model);
  auto& pages = state_->model.drive.pages;
  if (auto it = pages.find(0x05); it != pages.end()) state_->writeParameters = it->second;
  state_->unitAttention = state_->model.medium.changed;
}

VirtualDrive::~VirtualDrive() = default;

platform::ScsiResult VirtualDrive::Execute(const platform::ScsiRequest& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  DriveState& state = *state_;
  ++state.commandCount;
  const std::size_t cdbLength = request.cdb == nullptr ? 0 : std::min<std::size_t>(request.cdbLength, 16);
  LoggedCdb& logged = state.log.emplace_back();
  std::copy_n(request.cdb, cdbLength, logged.bytes.begin());
  logged.length = static_cast<std::uint8_t>(cdbLength);
  if (state.log.size() > kLogLimit) state.log.pop_front();

  Command command{{}, request};
  std::copy_n(request.cdb, cdbLength, command.cdb.begin());
  if (cdbLength > 0) ++state.opcodeCounts[command.opcode()];
  Reply reply = cdbLength == 0 ? Fail(sense::kInvalidOpcode) : Dispatch(state, command);

  platform::ScsiResult result;
  result.callOk = true;
  if (reply.failure) {
    result.status = 2;  // check condition
    const auto fixed = FixedSense(*reply.failure);
    std::copy(fixed.begin(), fixed.end(), result.sense);
    result.senseLength = static_cast<std::uint8_t>(fixed.size());
    state.pendingSense = *reply.failure;
    return result;
  }
  if (reply.direct) {
    result.transferred = reply.directLength;
    return result;
  }
  if (state.model.drive.quirks.padAnswers && reply.data.size() < reply.allocation) reply.data.resize(reply.allocation, 0);
  std::size_t n = std::min<std::size_t>(reply.data.size(), reply.allocation);
  n = request.data == nullptr ? 0 : std::min<std::size_t>(n, request.dataLength);
  if (n > 0) std::memcpy(request.data, reply.data.data(), n);
  result.transferred = ReportedTransfer(state.model.drive.quirks, static_cast<std::uint32_t>(n),
                                        request.data == nullptr ? 0 : request.dataLength);
  return result;
}

bool VirtualDrive::GetAddress(platform::SCSI_ADDRESS& address) {
  std::lock_guard<std::mutex> lock(mutex_);
  const DriveSettings& drive = state_->model.drive;
  if (!drive.hasAddress) return false;
  address.Length = sizeof(platform::SCSI_ADDRESS);
  address.PortNumber = drive.host;
  address.PathId = drive.path;
  address.TargetId = drive.target;
  address.Lun = drive.lun;
  return true;
}

std::string VirtualDrive::Describe() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_->model.source;
}

std::vector<std::vector<std::uint8_t>> VirtualDrive::CommandLog() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::vector<std::uint8_t>> blocks;
  blocks.reserve(state_->log.size());
  for (const LoggedCdb& logged : state_->log) blocks.emplace_back(logged.bytes.begin(), logged.bytes.begin() + logged.length);
  return blocks;
}

std::size_t VirtualDrive::CommandCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<std::size_t>(state_->commandCount);
}

std::uint64_t VirtualDrive::CommandCount(std::uint8_t opcode) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_->opcodeCounts[opcode];
}

void VirtualDrive::ClearLog() {
  std::lock_guard<std::mutex> lock(mutex_);
  state_->log.clear();
}

}  // namespace tarnwick::vdrive
