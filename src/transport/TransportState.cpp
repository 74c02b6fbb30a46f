#include "transport/TransportState.h"

#include "transport/PassThroughBackend.h"
#include "transport/Srb.h"

namespace tarnwick {

namespace transport {

TransportState& State() {
  static TransportState state;
  return state;
}

void InstallPassThrough() {
  TransportState& s = State();
  s.supportInfo = &SPTIGetASPI32SupportInfo;
  s.send = &SPTISendASPI32Command;
  s.entriesFromLibrary = false;
  s.initialised = true;
  s.name = "PTEMUL32";
}

}  // namespace transport

std::uint32_t GetASPI32SupportInfo() {
  const transport::TransportState& s = transport::State();
  if (!s.initialised || s.supportInfo == nullptr) return std::uint32_t{SS_NO_ADAPTERS} << 8;
  return s.supportInfo();
}

std::uint32_t SendASPI32Command(void* request) {
  const transport::TransportState& s = transport::State();
  if (!s.initialised || s.send == nullptr) {
    constexpr std::uint8_t kInvalidRequest = 0x80;
    if (request != nullptr) static_cast<SRB_Header*>(request)->SRB_Status = kInvalidRequest;
    return kInvalidRequest;
  }
  return s.send(request);
}

bool ASPIInitialized() { return transport::State().initialised; }

const std::string& TransportName() { return transport::State().name; }

void InstallEntryPointsForTesting(GetASPI32SupportInfoFn supportInfo, SendASPI32CommandFn send) {
  transport::TransportState& s = transport::State();
  s.supportInfo = supportInfo;
  s.send = send;
  s.entriesFromLibrary = false;
  s.initialised = supportInfo != nullptr && send != nullptr;
  s.name = "TEST";
  // A later InitASPI(true) must not swap the test entry points for the
  // pass-through back-end: the drive table counts as scanned (and empty).
  transport::MarkTableScannedEmpty();
}

}  // namespace tarnwick
