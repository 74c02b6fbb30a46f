#include "FixtureState.h"

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "AspiFixtureControl.h"
#include "transport/Srb.h"
#include "vdrive/VirtualDrive.h"

namespace tarnwick::test::aspi {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kAborted = 0x02;
constexpr std::uint8_t kSelectionTimeout = 0x11;

bool ParseByte(const std::string& text, std::uint8_t& out) {
  if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  const int v = std::stoi(text);
  if (v > 255) return false;
  out = static_cast<std::uint8_t>(v);
  return true;
}

// One "H:T:L[:X]=path" entry; false when it is malformed.
bool ParseEntry(const std::string& entry, std::size_t position, FixtureDrive& drive, std::string& path) {
  const std::size_t eq = entry.find('=');
  if (eq == std::string::npos) return false;
  path = entry.substr(eq + 1);
  std::vector<std::string> parts;
  std::stringstream address(entry.substr(0, eq));
  for (std::string part; std::getline(address, part, ':');) parts.push_back(part);
  if (parts.size() != 3 && parts.size() != 4) return false;
  if (!ParseByte(parts[0], drive.ha) || !ParseByte(parts[1], drive.target) || !ParseByte(parts[2], drive.lun))
    return false;
  if (parts.size() == 4) {
    if (parts[3].size() != 1 || !std::isalpha(static_cast<unsigned char>(parts[3][0]))) return false;
    drive.letterIndex = static_cast<std::uint8_t>(std::toupper(static_cast<unsigned char>(parts[3][0])) - 'A');
  } else {
    drive.letterIndex = static_cast<std::uint8_t>(std::min<std::size_t>(3 + position, 25));
  }
  return !path.empty();
}

void CopyText(std::uint8_t* dest, std::size_t size, const std::string& text) {
  std::memset(dest, 0, size);
  std::memcpy(dest, text.data(), std::min(size, text.size()));
}

}  // namespace

#if defined(_WIN32)
// Holds the fixture without ever destroying it.
union LastingFixture {
  LastingFixture() : fixture() {}
  ~LastingFixture() {}
  Fixture fixture;
};
#endif

Fixture& Fixture::Get() {
#if defined(_WIN32)
  // Never destroyed on Windows: static destructors run while the library unloads, under
  // the loader lock, where no thread can be waited for, and at process exit the
  // system has already ended the worker in the middle of whatever it held.
  static LastingFixture lasting;
  Fixture& fixture = lasting.fixture;
#else
  static Fixture fixture;
#endif
  return fixture;
}

Fixture::~Fixture() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void Fixture::LoadLocked() {
  if (loaded_) return;
  loaded_ = true;
  drives_.clear();
  const char* value = std::getenv(kAspiDiscsVariable);
  if (value == nullptr) return;
  std::stringstream list(value);
  std::size_t position = 0;
  for (std::string entry; std::getline(list, entry, ';'); ++position) {
    if (entry.empty()) continue;
    FixtureDrive drive;
    std::string path;
    if (!ParseEntry(entry, position, drive, path)) {
      std::fprintf(stderr, "test ASPI library: bad entry '%s'\n", entry.c_str());
      continue;
    }
    try {
      drive.device = vdrive::OpenVirtualDrive(path);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "test ASPI library: %s\n", e.what());
      continue;
    }
    drives_.push_back(std::move(drive));
  }
}

std::uint8_t Fixture::AdapterCountLocked() const {
  unsigned count = 0;
  for (const FixtureDrive& d : drives_) count = std::max(count, d.ha + 1u);
  return static_cast<std::uint8_t>(std::min(count, 255u));
}

const FixtureDrive* Fixture::FindLocked(std::uint8_t ha, std::uint8_t target, std::uint8_t lun) const {
  for (const FixtureDrive& d : drives_)
    if (d.ha == ha && d.target == target && d.lun == lun) return &d;
  return nullptr;
}

std::uint32_t Fixture::SupportInfo() {
  std::lock_guard lock(mutex_);
  LoadLocked();
  const std::uint8_t count = AdapterCountLocked();
  if (count == 0) return std::uint32_t{SS_NO_ADAPTERS} << 8;
  return (std::uint32_t{SS_COMP} << 8) | count;
}

std::uint32_t Fixture::Send(void* request) {
  if (request == nullptr) return SS_ERR;
  auto* header = static_cast<SRB_Header*>(request);
  switch (header->SRB_Cmd) {
    case SC_HA_INQUIRY: {
      auto& r = *static_cast<SRB_HAInquiry*>(request);
      std::lock_guard lock(mutex_);
      LoadLocked();
      r.HA_Count = AdapterCountLocked();
      if (r.SRB_HaId >= r.HA_Count) {
        r.SRB_Status = SS_INVALID_HA;
        return r.SRB_Status;
      }
      r.HA_SCSI_ID = 7;
      CopyText(r.HA_ManagerId, sizeof r.HA_ManagerId, "FIXTURE ASPI");
      CopyText(r.HA_Identifier, sizeof r.HA_Identifier, "VIRTUAL " + std::to_string(r.SRB_HaId));
      r.SRB_Status = SS_COMP;
      return r.SRB_Status;
    }
    case SC_GET_DEV_TYPE: {
      auto& r = *static_cast<SRB_GDEVBlock*>(request);
      std::lock_guard lock(mutex_);
      LoadLocked();
      const bool known = FindLocked(r.SRB_HaId, r.SRB_Target, r.SRB_Lun) != nullptr;
      r.SRB_DeviceType = known ? 5 : 0x1F;
      r.SRB_Status = known ? SS_COMP : SS_NO_DEVICE;
      return r.SRB_Status;
    }
    case SC_GET_DISK_INFO: {
      auto& r = *static_cast<SRB_GetDiskInfo*>(request);
      std::lock_guard lock(mutex_);
      LoadLocked();
      const FixtureDrive* d = FindLocked(r.SRB_HaId, r.SRB_Target, r.SRB_Lun);
      if (d == nullptr) {
        r.SRB_Status = SS_NO_DEVICE;
      } else {
        r.SRB_Int13HDriveInfo = d->letterIndex;
        r.SRB_Status = SS_COMP;
      }
      return r.SRB_Status;
    }
    case SC_EXEC_SCSI_CMD:
      return Execute(request);
    case SC_ABORT_SRB:
      return Abort(request);
    default:
      header->SRB_Status = SS_ERR;
      return SS_ERR;
  }
}

std::uint32_t Fixture::Execute(void* request) {
  auto& r = *static_cast<SRB_ExecSCSICmd*>(request);
  std::lock_guard lock(mutex_);
  LoadLocked();
  const FixtureDrive* d = FindLocked(r.SRB_HaId, r.SRB_Target, r.SRB_Lun);
  if (d == nullptr) {
    r.SRB_Status = SS_NO_DEVICE;
    return r.SRB_Status;
  }
  PendingRequest p;
  p.srb = request;
  p.drive = d->device;
  p.cdbLength = std::min<std::uint8_t>(r.SRB_CDBLen, sizeof p.cdb);
  std::memcpy(p.cdb, r.CDBByte, p.cdbLength);
  p.held = neverComplete_;
  p.due = Clock::now() + std::chrono::milliseconds(delayMs_);
  r.SRB_Status = SS_PENDING;
  queue_.push_back(std::move(p));
  EnsureWorkerLocked();
  changed_.notify_all();
  return SS_PENDING;
}

std::uint32_t Fixture::Abort(void* request) {
  auto& a = *static_cast<SRB_Abort*>(request);
  std::lock_guard lock(mutex_);
  ++aborts_;
  auto it = std::find_if(queue_.begin(), queue_.end(), [&](const PendingRequest& p) { return p.srb == a.SRB_ToAbort; });
  if (it == queue_.end()) {
    a.SRB_Status = SS_ERR;
    return a.SRB_Status;
  }
  if (abortFails_) {
    // Refused: the request goes on and completes a little later.
    it->held = false;
    it->due = Clock::now() + std::chrono::milliseconds(lateDelayMs_);
    changed_.notify_all();
    a.SRB_Status = SS_ERR;
    return a.SRB_Status;
  }
  static_cast<SRB_ExecSCSICmd*>(it->srb)->SRB_Status = kAborted;
  queue_.erase(it);
  changed_.notify_all();
  a.SRB_Status = SS_COMP;
  return a.SRB_Status;
}

void Fixture::EnsureWorkerLocked() {
  if (worker_.joinable()) return;
#if defined(_WIN32)
  // A Windows library must not be unloaded under a running thread of its own, and its
  // static destructors (run while unloading, under the loader lock) cannot wait for a
  // thread to end: the worker keeps the library loaded for the rest of the process.
  HMODULE self = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&Fixture::Get), &self);
#endif
  worker_ = std::thread([this] { Worker(); });
}

void Fixture::Worker() {
  std::unique_lock lock(mutex_);
  while (!stop_) {
    auto next = queue_.end();
    for (auto it = queue_.begin(); it != queue_.end(); ++it)
      if (!it->held && (next == queue_.end() || it->due < next->due)) next = it;
    if (next == queue_.end()) {
      changed_.wait(lock);
      continue;
    }
    if (Clock::now() < next->due) {
      changed_.wait_until(lock, next->due);
      continue;
    }
    PendingRequest r = std::move(*next);
    queue_.erase(next);
    ++inFlight_;
    lock.unlock();
    Complete(r);
    lock.lock();
    --inFlight_;
    ++completed_;
    changed_.notify_all();
  }
}

// Carries out the request and writes its outcome, then signals its event.
void Fixture::Complete(PendingRequest& p) {
  auto& r = *static_cast<SRB_ExecSCSICmd*>(p.srb);
  platform::ScsiRequest request;
  request.cdb = p.cdb;
  request.cdbLength = p.cdbLength;
  request.direction = (r.SRB_Flags & SRB_DIR_IN)    ? platform::DataDirection::In
                      : (r.SRB_Flags & SRB_DIR_OUT) ? platform::DataDirection::Out
                                                    : platform::DataDirection::None;
  request.data = r.SRB_BufPointer;
  request.dataLength = r.SRB_BufPointer != nullptr ? r.SRB_BufLen : 0;
  request.timeoutMs = 120000;
  const platform::ScsiResult result = p.drive->Execute(request);
  if (!result.callOk) {
    r.SRB_HaStat = kSelectionTimeout;
    r.SRB_TargStat = 0;
    r.SRB_Status = SS_ERR;
  } else {
    r.SRB_HaStat = 0;
    r.SRB_TargStat = result.status;
    const std::size_t senseLen =
        std::min<std::size_t>({result.senseLength, r.SRB_SenseLen, sizeof r.SenseArea, sizeof result.sense});
    std::memcpy(r.SenseArea, result.sense, senseLen);
    r.SRB_Status = result.status == 0 ? SS_COMP : SS_ERR;
  }
  if ((r.SRB_Flags & SRB_EVENT_NOTIFY) && r.SRB_PostProc != nullptr) {
    platform::SignalEvent(static_cast<platform::EventHandle>(r.SRB_PostProc));
  }
}

long Fixture::Control(int op, long value) {
  std::unique_lock lock(mutex_);
  switch (op) {
    case kAspiSetDelayMs:
      delayMs_ = static_cast<int>(std::clamp(value, 0L, 600000L));
      return 0;
    case kAspiSetNeverComplete:
      neverComplete_ = value != 0;
      return 0;
    case kAspiSetAbortFails:
      abortFails_ = value != 0;
      return 0;
    case kAspiSetLateDelayMs:
      lateDelayMs_ = static_cast<int>(std::clamp(value, 0L, 600000L));
      return 0;
    case kAspiReload:
      // Requests still held are dropped without being touched again.
      queue_.clear();
      loaded_ = false;
      delayMs_ = 0;
      lateDelayMs_ = 50;
      neverComplete_ = abortFails_ = false;
      completed_ = aborts_ = 0;
      LoadLocked();
      return static_cast<long>(drives_.size());
    case kAspiPendingCount:
      return static_cast<long>(queue_.size()) + inFlight_;
    case kAspiDrain: {
      auto busy = [&] {
        return inFlight_ > 0 || std::any_of(queue_.begin(), queue_.end(), [](const PendingRequest& p) { return !p.held; });
      };
      changed_.wait_for(lock, std::chrono::milliseconds(std::max(value, 0L)), [&] { return !busy(); });
      return static_cast<long>(queue_.size()) + inFlight_;
    }
    case kAspiCompletedCount:
      return completed_;
    case kAspiAbortCount:
      return aborts_;
    case kAspiDriveCount:
      LoadLocked();
      return static_cast<long>(drives_.size());
    default:
      return -1;
  }
}

}  // namespace tarnwick::test::aspi
