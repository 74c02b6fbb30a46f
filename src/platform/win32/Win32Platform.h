// The platform on Windows: the system's own drive letters, volumes and SCSI
// pass-through, DLLs, Win32 events (an ASPI library signals them with SetEvent) and
// files through UTF-16 paths. Virtual drives take letters nobody uses.
//
// Volume and file handles are small integers from one table (never 0 or -1), so a
// virtual drive's volume and a real one look the same to the callers; event handles
// are the Win32 event handles themselves.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "platform/HandleTable.h"
#include "platform/Platform.h"

namespace tarnwick::platform {

class Win32Platform : public Platform {
 public:
  // realDrives false hides the system's own drive letters (tests); the environment
  // (TARNWICK_NO_REAL_DRIVES) can hide them as well.
  explicit Win32Platform(bool realDrives = true);
  ~Win32Platform() override;

  unsigned QueryDriveType(const std::string& rootPath) override;
  Handle CreateVolume(const std::string& path, bool readWrite) override;
  bool DeviceIoControl(Handle volume, std::uint32_t code, void* in, std::uint32_t inLength,
                       void* out, std::uint32_t outLength, std::uint32_t* returned) override;
  int LastVolumeError() const override { return lastVolumeError_.load(); }
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

 private:
  // A Win32 handle, closed with the entry that holds it.
  class OwnedHandle;

  bool RealDrivesShown() const;
  bool IsOurEvent(EventHandle event);
  void SetFileError(unsigned long error);
  void SetFileError(const std::string& message);

  const bool realDrives_;
  THandleTable<std::shared_ptr<OwnedHandle>> handles_;
  std::mutex mutex_;  // the events and the last file error
  std::set<EventHandle> events_;
  std::string lastFileError_;
  std::atomic<int> lastVolumeError_{0};
};

}  // namespace tarnwick::platform
