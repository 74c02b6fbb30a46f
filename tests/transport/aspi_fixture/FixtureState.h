// State of the test ASPI library: its drives, its modes and its completion thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Platform.h"

namespace tarnwick::test::aspi {

struct FixtureDrive {
  std::uint8_t ha = 0, target = 0, lun = 0;
  std::uint8_t letterIndex = 0;
  std::shared_ptr<platform::IScsiTarget> device;
};

struct PendingRequest {
  void* srb = nullptr;  // the caller's SRB_ExecSCSICmd
  std::shared_ptr<platform::IScsiTarget> drive;
  std::uint8_t cdb[16] = {};
  std::uint8_t cdbLength = 0;
  bool held = false;  // never completes unless released
  std::chrono::steady_clock::time_point due;
};

class Fixture {
 public:
  static Fixture& Get();
  ~Fixture();

  std::uint32_t SupportInfo();
  std::uint32_t Send(void* request);
  long Control(int op, long value);

 private:
  friend union LastingFixture;
  Fixture() = default;
  void LoadLocked();
  std::uint8_t AdapterCountLocked() const;
  const FixtureDrive* FindLocked(std::uint8_t ha, std::uint8_t target, std::uint8_t lun) const;
  std::uint32_t Execute(void* request);
  std::uint32_t Abort(void* request);
  void Worker();
  void Complete(PendingRequest& r);
  void EnsureWorkerLocked();

  std::mutex mutex_;
  std::condition_variable changed_;
  bool loaded_ = false;
  std::vector<FixtureDrive> drives_;
  std::deque<PendingRequest> queue_;
  int delayMs_ = 0;
  int lateDelayMs_ = 50;
  bool neverComplete_ = false;
  bool abortFails_ = false;
  long completed_ = 0;
  long aborts_ = 0;
  int inFlight_ = 0;  // taken off the queue, being completed
  bool stop_ = false;
  std::thread worker_;
};

}  // namespace tarnwick::test::aspi
