// Helpers for the transport tests: a scripted SCSI target, a platform that records
// the calls the transport makes (and can redirect library names), and a fixture
// that leaves the process-wide transport as it found it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "support/Environment.h"
#include "platform/Platform.h"
#include "transport/PassThroughTable.h"
#include "transport/Srb.h"
#include "transport/Transport.h"

namespace tarnwick::test {

// A drive that answers INQUIRY with fixed data and every other command with a
// scripted result; it records what it was sent.
class ScriptedTarget final : public platform::IScsiTarget {
 public:
  struct Received {
    std::vector<std::uint8_t> cdb;
    platform::DataDirection direction;
    std::uint32_t dataLength;
    std::uint32_t timeoutMs;
  };

  explicit ScriptedTarget(std::string name, bool hasAddress = false, std::uint8_t port = 0,
                          std::uint8_t target = 0, std::uint8_t lun = 0, std::uint8_t pathId = 0)
      : name_(std::move(name)), hasAddress_(hasAddress) {
    address_.Length = sizeof address_;
    address_.PortNumber = port;
    address_.PathId = pathId;
    address_.TargetId = target;
    address_.Lun = lun;
    for (std::size_t i = 0; i < sizeof inquiry_; ++i) inquiry_[i] = static_cast<std::uint8_t>(0x40 + i);
    inquiry_[0] = 5;
  }

  platform::ScsiResult Execute(const platform::ScsiRequest& r) override {
    std::lock_guard lock(mutex_);
    received_.push_back({std::vector<std::uint8_t>(r.cdb, r.cdb + r.cdbLength), r.direction, r.dataLength, r.timeoutMs});
    if (r.cdbLength > 0 && r.cdb[0] == 0x12) {
      platform::ScsiResult ok;
      ok.callOk = true;
      ok.transferred = std::min<std::uint32_t>(r.dataLength, sizeof inquiry_);
      if (r.data != nullptr) std::memcpy(r.data, inquiry_, ok.transferred);
      return ok;
    }
    return next_;
  }
  bool GetAddress(platform::SCSI_ADDRESS& address) override {
    if (hasAddress_) address = address_;
    return hasAddress_;
  }
  std::string Describe() const override { return name_; }

  // The result of every later non-INQUIRY command.
  void SetResult(const platform::ScsiResult& result) {
    std::lock_guard lock(mutex_);
    next_ = result;
  }
  std::vector<Received> ReceivedCommands() const {
    std::lock_guard lock(mutex_);
    return received_;
  }
  const std::uint8_t* Inquiry() const { return inquiry_; }

 private:
  std::string name_;
  bool hasAddress_;
  platform::SCSI_ADDRESS address_{};
  std::uint8_t inquiry_[96] = {};
  platform::ScsiResult next_{true, 0, 0, 0, {}, 0};
  mutable std::mutex mutex_;
  std::vector<Received> received_;
};

// Forwards every call to the platform installed before it, recording the volume,
// library and error-mode calls; library names can be redirected to other paths.
class RecordingPlatform final : public platform::Platform {
 public:
  RecordingPlatform() : inner_(platform::Current()), scope_(*this) {}

  std::map<std::string, std::string> redirect;  // library name -> path to load instead
  std::vector<std::string> loads;
  int freed = 0;
  int volumesOpened = 0;
  int volumesClosed = 0;
  std::vector<std::uint32_t> errorModes;
  std::vector<std::uint32_t> previousModes;  // what each call answered

  unsigned QueryDriveType(const std::string& root) override { return inner_.QueryDriveType(root); }
  platform::Handle CreateVolume(const std::string& path, bool rw) override {
    const platform::Handle h = inner_.CreateVolume(path, rw);
    if (h != platform::kInvalidHandle) ++volumesOpened;
    return h;
  }
  bool DeviceIoControl(platform::Handle v, std::uint32_t code, void* in, std::uint32_t inLen, void* out,
                       std::uint32_t outLen, std::uint32_t* returned) override {
    return inner_.DeviceIoControl(v, code, in, inLen, out, outLen, returned);
  }
  bool CloseHandle(platform::Handle h) override {
    ++volumesClosed;
    return inner_.CloseHandle(h);
  }
  std::uint32_t SetErrorMode(std::uint32_t mode) override {
    errorModes.push_back(mode);
    previousModes.push_back(inner_.SetErrorMode(mode));
    return previousModes.back();
  }
  std::string DescribeDrive(char letter) override { return inner_.DescribeDrive(letter); }
  char AddVirtualDrive(std::shared_ptr<platform::IScsiTarget> t) override { return inner_.AddVirtualDrive(std::move(t)); }
  void RemoveVirtualDrives() override { inner_.RemoveVirtualDrives(); }
  platform::LibraryHandle OpenLibrary(const std::string& name) override {
    loads.push_back(name);
    auto it = redirect.find(name);
    return inner_.OpenLibrary(it != redirect.end() ? it->second : name);
  }
  void* GetProcAddress(platform::LibraryHandle l, const std::string& name) override {
    return inner_.GetProcAddress(l, name);
  }
  bool FreeLibrary(platform::LibraryHandle l) override {
    ++freed;
    return inner_.FreeLibrary(l);
  }
  platform::EventHandle NewEvent(bool m, bool s) override { return inner_.NewEvent(m, s); }
  bool SetEvent(platform::EventHandle e) override { return inner_.SetEvent(e); }
  bool ResetEvent(platform::EventHandle e) override { return inner_.ResetEvent(e); }
  bool IsEventSet(platform::EventHandle e) override { return inner_.IsEventSet(e); }
  std::uint32_t WaitForSingleObject(platform::EventHandle e, std::uint32_t ms) override {
    return inner_.WaitForSingleObject(e, ms);
  }
  bool CloseEvent(platform::EventHandle e) override { return inner_.CloseEvent(e); }
  void SleepEx(std::uint32_t ms, bool a) override { inner_.SleepEx(ms, a); }
  platform::Handle CreateFileForWrite(const std::string& p) override { return inner_.CreateFileForWrite(p); }
  bool WriteFile(platform::Handle f, const void* d, std::uint32_t n, std::uint32_t* w) override {
    return inner_.WriteFile(f, d, n, w);
  }
  bool WriteFileAt(platform::Handle f, std::uint64_t o, const void* d, std::uint32_t n) override {
    return inner_.WriteFileAt(f, o, d, n);
  }
  bool SetFileTime(platform::Handle f, const platform::LocalDateTime& t) override { return inner_.SetFileTime(f, t); }
  bool RemoveFile(const std::string& p) override { return inner_.RemoveFile(p); }
  platform::Handle CreateTempFile(const std::string& d, std::string& p) override { return inner_.CreateTempFile(d, p); }
  bool FlushFileBuffers(platform::Handle f) override { return inner_.FlushFileBuffers(f); }
  bool MoveFileReplacing(const std::string& a, const std::string& b) override { return inner_.MoveFileReplacing(a, b); }
  std::string LastErrorMessage() override { return inner_.LastErrorMessage(); }
  std::string Ucs2BeToAnsi(const std::uint8_t* d, std::size_t n) override { return inner_.Ucs2BeToAnsi(d, n); }

 private:
  platform::Platform& inner_;
  platform::ScopedPlatform scope_;
};

// Changes the working directory for the life of the object.
class ScopedCwd {
 public:
  explicit ScopedCwd(const std::filesystem::path& dir) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~ScopedCwd() { std::filesystem::current_path(previous_); }
  ScopedCwd(const ScopedCwd&) = delete;
  ScopedCwd& operator=(const ScopedCwd&) = delete;

 private:
  std::filesystem::path previous_;
};

// Every transport test starts and ends with the transport reset and no virtual drives.
class TransportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::SetEnv("TARNWICK_NO_REAL_DRIVES", "1");
    test::UnsetEnv("TARNWICK_ASPI_DISCS");  // the test library serves no drives unless told
    ResetTransportForTesting();
    platform::Current().RemoveVirtualDrives();
  }
  void TearDown() override {
    ResetTransportForTesting();
    platform::Current().RemoveVirtualDrives();
  }

  std::shared_ptr<ScriptedTarget> AddDrive(std::shared_ptr<ScriptedTarget> target, char* letter = nullptr) {
    const char l = platform::Current().AddVirtualDrive(target);
    EXPECT_NE(l, 0);
    if (letter != nullptr) *letter = l;
    return target;
  }

  static SRB_ExecSCSICmd ExecRequest(const SptiDriveView& drive, std::uint8_t op, std::uint8_t flags,
                                     std::uint8_t* buffer, std::uint32_t length) {
    SRB_ExecSCSICmd srb{};
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_HaId = drive.adapter;
    srb.SRB_Target = drive.target;
    srb.SRB_Lun = drive.lun;
    srb.SRB_Flags = flags;
    srb.SRB_BufPointer = buffer;
    srb.SRB_BufLen = length;
    srb.SRB_SenseLen = 14;
    srb.SRB_CDBLen = 10;
    srb.CDBByte[0] = op;
    return srb;
  }
};

}  // namespace tarnwick::test
