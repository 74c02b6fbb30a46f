#include "drive/TransportRequest.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>

namespace tarnwick {

TTransportRequest::TTransportRequest(const SRB_ExecSCSICmd& callerRecord, platform::EventHandle event)
    : srb_(callerRecord), event_(event) {
  srb_.SRB_PostProc = event;
  if (callerRecord.SRB_BufPointer != nullptr && callerRecord.SRB_BufLen != 0) {
    // Copied in whatever the direction: bytes a read leaves alone must come back unchanged.
    data_.assign(callerRecord.SRB_BufPointer, callerRecord.SRB_BufPointer + callerRecord.SRB_BufLen);
    srb_.SRB_BufPointer = data_.data();
  } else {
    srb_.SRB_BufPointer = nullptr;
  }
}

TTransportRequest::TTransportRequest(const SRB_ExecSCSICmd& callerRecord, platform::EventHandle event,
                                     std::vector<std::uint8_t>&& lent)
    : srb_(callerRecord), event_(event), lent_(true) {
  // The data phase starts where the caller's record points inside the lent buffer
  // (moving a vector keeps its memory); a pointer outside it means its start.
  const auto begin = reinterpret_cast<std::uintptr_t>(lent.data());
  const auto start = reinterpret_cast<std::uintptr_t>(callerRecord.SRB_BufPointer);
  const std::size_t offset = start >= begin && start - begin <= lent.size() ? start - begin : 0;
  data_ = std::move(lent);
  srb_.SRB_PostProc = event;
  srb_.SRB_BufLen = static_cast<std::uint32_t>(std::min<std::size_t>(srb_.SRB_BufLen, data_.size() - offset));
  srb_.SRB_BufPointer = srb_.SRB_BufLen == 0 ? nullptr : data_.data() + offset;
}

TTransportRequest::~TTransportRequest() {
  if (event_ != nullptr) platform::Current().CloseEvent(event_);
}

std::uint8_t TTransportRequest::Status() const {
  // The library's thread writes this byte; read it fresh every time.
  return std::atomic_ref<std::uint8_t>(const_cast<std::uint8_t&>(srb_.SRB_Status)).load(std::memory_order_acquire);
}

void TTransportRequest::CopyResultTo(SRB_ExecSCSICmd& callerRecord) const {
  std::uint8_t* callerBuffer = callerRecord.SRB_BufPointer;
  void* callerEvent = callerRecord.SRB_PostProc;
  callerRecord = srb_;
  callerRecord.SRB_Status = Status();
  callerRecord.SRB_BufPointer = callerBuffer;
  callerRecord.SRB_PostProc = callerEvent;
  if (!lent_ && callerBuffer != nullptr && !data_.empty()) std::memcpy(callerBuffer, data_.data(), data_.size());
}

bool TTransportRequest::Released() const {
  if (!pending_ || aborted_) return true;
  if (event_ != nullptr) return platform::Current().IsEventSet(event_);
  return Status() != SS_PENDING;
}

TOrphanKeeper::TOrphanKeeper() {
  // Make sure the platform outlives the keeper: its events are closed through it.
  (void)platform::Current();
}

// At program end the transport has released its library first, so nothing can
// write into the remaining requests any more.
TOrphanKeeper::~TOrphanKeeper() = default;

TOrphanKeeper& TOrphanKeeper::Instance() {
  static TOrphanKeeper keeper;
  return keeper;
}

void TOrphanKeeper::Adopt(std::unique_ptr<TTransportRequest> request) {
  std::lock_guard lock(mutex_);
  orphans_.push_back(std::move(request));
}

std::size_t TOrphanKeeper::Sweep() {
  std::vector<std::unique_ptr<TTransportRequest>> released;
  std::lock_guard lock(mutex_);
  auto done = std::stable_partition(orphans_.begin(), orphans_.end(), [](const auto& r) { return !r->Released(); });
  std::move(done, orphans_.end(), std::back_inserter(released));
  orphans_.erase(done, orphans_.end());
  return orphans_.size();
}

std::size_t TOrphanKeeper::Count() const {
  std::lock_guard lock(mutex_);
  return orphans_.size();
}

}  // namespace tarnwick
