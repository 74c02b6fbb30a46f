// What the transport is handed for one executed command, and the process-wide keeper
// of requests that the transport has not let go of when their command returned.
//
// Why: an ASPI library completes a pending request on a thread of its own, writing the
// status, the sense area and the data buffer and then signalling the request's event.
// When a command times out and the abort does not stop the library, it may still do
// all of that after ExecuteCommand has returned, when the caller's record (often a
// local variable) and buffer are long gone. So the library never sees the caller's
// memory: it gets a private copy of the record whose buffer pointer points at a private
// copy of the data, and the results are copied back only while the caller is still
// waiting. A caller that reads bulk data may instead lend its buffer to the request:
// the request owns it while the transport works, the data lands in it without a copy,
// and it goes back to the caller once the transport has let go of the request. A request the library may still touch (it took it pending and neither
// signalled it yet nor accepted its abort) is handed to the keeper together with its
// event, and freed once the library shows that it is done with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/Platform.h"
#include "transport/Srb.h"

namespace tarnwick {

class TTransportRequest {
 public:
  // Copies the completed record and its data (SRB_BufLen bytes at SRB_BufPointer).
  // `event` is the record's completion event; the request owns it from now on.
  TTransportRequest(const SRB_ExecSCSICmd& callerRecord, platform::EventHandle event);
  // The same with the caller's data buffer taken over (moved from `lent`) instead of
  // copied: the data phase is the SRB_BufLen bytes at SRB_BufPointer, which points
  // into `lent` (cut to the bytes `lent` holds from there).
  TTransportRequest(const SRB_ExecSCSICmd& callerRecord, platform::EventHandle event, std::vector<std::uint8_t>&& lent);
  ~TTransportRequest();  // closes the event
  TTransportRequest(const TTransportRequest&) = delete;
  TTransportRequest& operator=(const TTransportRequest&) = delete;

  // The record to hand to the transport.
  SRB_ExecSCSICmd* Record() { return &srb_; }
  // The status byte as the transport last wrote it (it may be writing from its own thread).
  std::uint8_t Status() const;
  // Copies the outcome (status bytes, sense, data) into the caller's record and buffer;
  // a lent buffer is not copied (see GiveBack).
  void CopyResultTo(SRB_ExecSCSICmd& callerRecord) const;
  // Hands a lent buffer back; only once Released().
  std::vector<std::uint8_t> GiveBack() { return std::move(data_); }

  // The transport accepted the request as pending: with an event it promises to
  // signal it on completion, without one it will write the status.
  void MarkPending() { pending_ = true; }
  // The transport accepted an abort for the request: it has let go of it.
  void MarkAborted() { aborted_ = true; }
  // True once the transport can no longer write into the request or signal its event.
  bool Released() const;

 private:
  SRB_ExecSCSICmd srb_;
  std::vector<std::uint8_t> data_;
  platform::EventHandle event_;
  bool pending_ = false;
  bool aborted_ = false;
  bool lent_ = false;
};

class TOrphanKeeper {
 public:
  static TOrphanKeeper& Instance();
  ~TOrphanKeeper();

  void Adopt(std::unique_ptr<TTransportRequest> request);
  // Frees every adopted request the transport has let go of; returns how many are left.
  std::size_t Sweep();
  std::size_t Count() const;

 private:
  TOrphanKeeper();
  mutable std::mutex mutex_;
  std::vector<std::unique_ptr<TTransportRequest>> orphans_;
};

}  // namespace tarnwick
