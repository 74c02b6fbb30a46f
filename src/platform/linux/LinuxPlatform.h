// The platform on Linux: drive letters for the optical devices (/dev/sr0, ... from
// D: on) and for virtual drives after them, SG_IO pass-through, dlopen libraries,
// events on a mutex and condition variable, and POSIX files.
//
// Volume and file handles are small integers from one table (never 0 or -1); event
// handles are pointers to event objects kept in a registry. The platform owns all of
// them and frees whatever is left when it is destroyed.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/HandleTable.h"
#include "platform/linux/Event.h"
#include "platform/linux/OpticalDevices.h"
#include "platform/Platform.h"
#include "platform/linux/UniqueFd.h"

namespace tarnwick::platform {

// Letters for real devices start here.
inline constexpr char kFirstOpticalLetter = 'D';

class LinuxPlatform : public Platform {
 public:
  // By default the environment decides where real devices are looked for (see
  // DeviceDiscovery); tests may fix it instead.
  explicit LinuxPlatform(DeviceDiscovery discovery = {});
  ~LinuxPlatform() override;

  unsigned QueryDriveType(const std::string& rootPath) override;
  Handle CreateVolume(const std::string& path, bool readWrite) override;
  bool DeviceIoControl(Handle volume, std::uint32_t code, void* in, std::uint32_t inLength,
                       void* out, std::uint32_t outLength, std::uint32_t* returned) override;
  bool CloseHandle(Handle handle) override;
  std::uint32_t SetErrorMode(std::uint32_t mode) override;
  std::string DescribeDrive(char letter) override;
  bool IsVirtualDrive(char letter) override;
  char AddVirtualDrive(std::shared_ptr<IScsiTarget> target) override;
  void RemoveVirtualDrives() override;

  LibraryHandle OpenLibrary(const std::string& name) override;
  void* GetProcAddress(LibraryHandle library, const std::string& name) override;
  bool FreeLibrary(LibraryHandle library) override;

  EventHandle NewEvent(bool manualReset, bool initialState) override;
  bool SetEvent(EventHandle event) override;
  bool ResetEvent(EventHandle event) override;
  bool IsEventSet(EventHandle event) override;
  std::uint32_t WaitForSingleObject(EventHandle event, std::uint32_t milliseconds) override;
  bool CloseEvent(EventHandle event) override;
  void SleepEx(std::uint32_t milliseconds, bool alertable) override;

  Handle CreateFileForWrite(const std::string& path) override;
  bool WriteFile(Handle file, const void* data, std::uint32_t length,
                 std::uint32_t* written) override;
  bool WriteFileAt(Handle file, std::uint64_t offset, const void* data, std::uint32_t length) override;
  bool SetFileTime(Handle file, const LocalDateTime& lastWrite) override;
  bool RemoveFile(const std::string& path) override;
  Handle CreateTempFile(const std::string& directory, std::string& path) override;
  bool FlushFileBuffers(Handle file) override;
  bool MoveFileReplacing(const std::string& from, const std::string& to) override;
  std::string LastErrorMessage() override;

  std::string Ucs2BeToAnsi(const std::uint8_t* data, std::size_t byteLength) override;

  // errno of the last failed volume or control call (0 after a success).
  int LastVolumeError() const override { return lastVolumeError_.load(); }

 private:
  // What a drive letter stands for.
  struct Drive {
    std::string devicePath;                 // real device, else empty
    std::shared_ptr<IScsiTarget> target;    // virtual drive, else null
    bool exists() const { return !devicePath.empty() || target != nullptr; }
  };

  Drive FindDrive(char letter);
  Event* FindEvent(EventHandle event);
  void SetFileError(int error);
  void SetFileError(const std::string& message);

  const DeviceDiscovery discovery_;
  THandleTable<std::shared_ptr<UniqueFd>> handles_;
  std::mutex mutex_;  // the events and the last file error
  using EventTable = std::map<TEventObject*, std::unique_ptr<Event>>;
  EventTable events_;
  // A few closed events kept with their table entries for the next ones: every drive
  // command makes and closes one, and this spares it the allocations.
  std::vector<EventTable::node_type> spareEvents_;
  std::string lastFileError_;
  std::atomic<std::uint32_t> errorMode_{0};
  std::atomic<int> lastVolumeError_{0};
};

}  // namespace tarnwick::platform
