// A scripted stand-in for an ASPI library, installed as the transport's entry points.
// Each execute request is answered by `onExecute` (default: complete at once); abort
// requests are counted and succeed only when `abortSucceeds` is set. The records the
// "library" received are remembered, so a test can complete one later, as a library
// thread would.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/Platform.h"
#include "transport/Srb.h"
#include "transport/Transport.h"

namespace tarnwick::test {

class ExecFakeBackend {
 public:
  // Returns the value the send entry returns (write the status into the record yourself).
  using ExecuteFn = std::function<std::uint32_t(SRB_ExecSCSICmd&)>;

  ExecFakeBackend() {
    ResetTransportForTesting();
    Instance() = this;
    InstallEntryPointsForTesting(&SupportInfo, &Send);
  }
  ~ExecFakeBackend() {
    ResetTransportForTesting();
    Instance() = nullptr;
  }
  ExecFakeBackend(const ExecFakeBackend&) = delete;
  ExecFakeBackend& operator=(const ExecFakeBackend&) = delete;

  // Completes a request the way a library thread does: status, then the event.
  static void Complete(SRB_ExecSCSICmd& srb, std::uint8_t status) {
    srb.SRB_Status = status;
    if (srb.SRB_PostProc != nullptr) {
      platform::SignalEvent(static_cast<platform::EventHandle>(srb.SRB_PostProc));
    }
  }

  ExecuteFn onExecute;
  bool abortSucceeds = false;
  std::vector<SRB_ExecSCSICmd*> received;  // the records as the library got them
  std::vector<SRB_ExecSCSICmd> sent;       // copies taken when they arrived
  std::vector<void*> aborted;              // SRB_ToAbort of each abort request
  std::vector<std::uint8_t> abortHaIds;

 private:
  static ExecFakeBackend*& Instance() {
    static ExecFakeBackend* instance = nullptr;
    return instance;
  }
  static std::uint32_t SupportInfo() { return 0x0101; }
  static std::uint32_t Send(void* request) {
    ExecFakeBackend& self = *Instance();
    auto* head = static_cast<SRB_Header*>(request);
    if (head->SRB_Cmd == SC_ABORT_SRB) {
      auto* abort = static_cast<SRB_Abort*>(request);
      self.aborted.push_back(abort->SRB_ToAbort);
      self.abortHaIds.push_back(abort->SRB_HaId);
      return abort->SRB_Status = self.abortSucceeds ? SS_COMP : SS_ERR;
    }
    if (head->SRB_Cmd != SC_EXEC_SCSI_CMD) return head->SRB_Status = SS_ERR;
    auto& srb = *static_cast<SRB_ExecSCSICmd*>(request);
    self.received.push_back(&srb);
    self.sent.push_back(srb);
    if (!self.onExecute) return srb.SRB_Status = SS_COMP;
    return self.onExecute(srb);
  }
};

}  // namespace tarnwick::test
