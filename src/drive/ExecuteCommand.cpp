// The one road of every drive command: complete the record with the current address,
// send it, wait for it with a time limit, capture errors and trace failures.
#include <cstring>
#include <memory>

#include "drive/CommandRequest.h"
#include "drive/SCSIDevice.h"
#include "drive/TransportRequest.h"
#include "platform/Platform.h"
#include "transport/Transport.h"

namespace tarnwick {

namespace {

// No command is given less than this to complete.
constexpr std::uint32_t kMinimumTimeLimitMs = 10000;
constexpr std::uint8_t kNoDevice = 254;

}  // namespace

bool TSCSIDevice::ExecuteCommand(SRB_ExecSCSICmd& srb, std::int32_t timeoutMs) {
  return Execute(srb, timeoutMs, nullptr);
}

bool TSCSIDevice::ExecuteCommand(SRB_ExecSCSICmd& srb, std::int32_t timeoutMs, std::vector<std::uint8_t>& lent) {
  return Execute(srb, timeoutMs, &lent);
}

bool TSCSIDevice::Execute(SRB_ExecSCSICmd& srb, std::int32_t timeoutMs, std::vector<std::uint8_t>* lent) {
  LastErrorText.clear();
  std::memset(LastSense, 0, sizeof LastSense);

  if (!ASPIInitialized() || HaId == kNoDevice) return false;

  // Requests left behind by earlier time-outs that the transport has finished with.
  TOrphanKeeper::Instance().Sweep();

  const std::uint32_t limit =
      timeoutMs > static_cast<std::int32_t>(kMinimumTimeLimitMs) ? static_cast<std::uint32_t>(timeoutMs)
                                                                  : kMinimumTimeLimitMs;
  platform::Platform& os = platform::Current();

  platform::EventHandle event = nullptr;
  if (srb.SRB_Flags & SRB_EVENT_NOTIFY) event = os.NewEvent(true, false);
  srb.SRB_PostProc = event;

  srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
  srb.SRB_HaId = HaId;
  srb.SRB_Target = Target;
  srb.SRB_Lun = Lun;
  srb.SRB_SenseLen = kRequestSenseLength;
  // The logical unit also goes into bits 5-7 of CDB byte 1, where SCSI-2 drives expect it.
  srb.CDBByte[1] = static_cast<std::uint8_t>(((Lun & 7) << 5) | (srb.CDBByte[1] & 0x1F));

  // The transport works on a private copy (see TransportRequest.h); it owns the event
  // and, while it works, a lent buffer.
  auto request = lent ? std::make_unique<TTransportRequest>(srb, event, std::move(*lent))
                      : std::make_unique<TTransportRequest>(srb, event);
  if (lent) lent->clear();
  const std::uint32_t sent = SendASPI32Command(request->Record());
  if (sent == SS_PENDING || request->Status() == SS_PENDING) request->MarkPending();

  if (event != nullptr && request->Status() == SS_PENDING) {
    os.WaitForSingleObject(event, limit);  // what counts is the status afterwards
  }

  if (request->Status() != SS_PENDING) {
    request->CopyResultTo(srb);
    if (srb.SRB_Status != SS_COMP) {
      // Sense key 6 (unit attention: medium changed, reset) or 2 (not ready).
      const std::uint8_t senseKey = srb.SenseArea[2] & 0x0F;
      if (senseKey == 0x06 || senseKey == 0x02) ++mediumEvents_;
      BuildErrorText(srb);
      TraceFailedCommand(srb);
    }
  } else {
    // Timed out, or came back pending without an event to wait on.
    if (AbortRequest(request->Record())) request->MarkAborted();
    srb.SRB_Status = SS_ERR;
    srb.SRB_HaStat = HASTAT_COMMAND_TIMEOUT;
  }

  // A library that took the request pending may still be about to signal its event
  // (or, after a refused abort, to finish it): then the keeper holds the request and
  // its event until it has. An accepted abort means the library has let go. The
  // caller's record and buffer are never touched again either way; a lent buffer
  // stays with the keeper (the caller is left with an empty one).
  if (!request->Released()) {
    TOrphanKeeper::Instance().Adopt(std::move(request));
  } else if (lent) {
    *lent = request->GiveBack();
  }
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::AbortRequest(SRB_ExecSCSICmd* pending) {
  SRB_Abort abort{};
  abort.SRB_Cmd = SC_ABORT_SRB;
  abort.SRB_HaId = HaId;
  abort.SRB_ToAbort = pending;
  SendASPI32Command(&abort);
  return abort.SRB_Status == SS_COMP;
}

}  // namespace tarnwick
