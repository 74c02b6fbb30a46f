// The platform layer: the few operating-system services the drive component uses,
// shaped after the calls a Windows build makes (volume handles, SCSI pass-through,
// run-time library loading, events, sleeps, local files, UCS-2 text), so that the
// component's code reads the same on every system. Each system has its own folder
// (linux/, win32/) behind this interface; the build picks one.
//
// No name declared here may be one that <windows.h> defines as a macro (CreateEvent,
// LoadLibrary, DeleteFile, GetDriveType, INVALID_HANDLE_VALUE, DRIVE_*, WAIT_*, ...),
// so that the Windows implementation can include both.
//
// Everything here is reached through `platform::Current()`, which tests may replace
// (`ScopedPlatform`) together with the clock (`ScopedClock`).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/PassThrough.h"

namespace tarnwick::platform {

using Handle = std::intptr_t;
inline constexpr Handle kInvalidHandle = -1;

// Drive types as the drive-type query answers them.
inline constexpr unsigned kDriveUnknown = 0;
inline constexpr unsigned kDriveNoRootDir = 1;
inline constexpr unsigned kDriveCdrom = 5;

// Error mode bit: fail critical errors silently instead of asking the user.
inline constexpr std::uint32_t kFailCriticalErrors = 0x0001;

// Results of a timed wait.
inline constexpr std::uint32_t kWaitSignalled = 0;
inline constexpr std::uint32_t kWaitTimeout = 0x102;
inline constexpr std::uint32_t kWaitFailed = 0xFFFFFFFF;

// Event handles are handed across the ASPI library boundary (as SRB_PostProc), and a
// library completes a request by signalling the handle (`SignalEvent`). What stands
// behind a handle depends on the system: a Win32 event on Windows, an event object of
// the platform elsewhere.
struct TEventObject;
using EventHandle = TEventObject*;

// Signals an event the way a library completing a request does. Safe from any thread.
void SignalEvent(EventHandle event);
// Waits in real time until `event` is signalled or `milliseconds` pass:
// kWaitSignalled, kWaitTimeout, or kWaitFailed for a handle that is no event.
std::uint32_t WaitForEvent(EventHandle event, std::uint32_t milliseconds);

using LibraryHandle = void*;

// Local date and time, broken down (what the file-time setter takes).
struct LocalDateTime {
  int year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// What stands behind a volume handle: a real device (SG_IO) or a virtual drive.
// `Describe` names it for the user ("/dev/sr0", "/path/disc.iso").
class IScsiTarget {
 public:
  virtual ~IScsiTarget() = default;
  // Carries out one SCSI command; never throws.
  virtual ScsiResult Execute(const ScsiRequest& request) = 0;
  // The SCSI address of the device, if it has one.
  virtual bool GetAddress(SCSI_ADDRESS& address) = 0;
  virtual std::string Describe() const = 0;
};

// Source of time for sleeps and timed waits. The real clock sleeps; the virtual
// clock used by tests only advances a counter, so multi-second waits cost nothing.
class IClock {
 public:
  virtual ~IClock() = default;
  // Non-alertable sleep.
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  // Waits until `event` is signalled or `milliseconds` pass; kWaitSignalled or kWaitTimeout.
  virtual std::uint32_t Wait(EventHandle event, std::uint32_t milliseconds) = 0;
  // Milliseconds since an arbitrary start.
  virtual std::uint64_t NowMs() const = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // --- Volumes (drive letters), pass-through and addresses ---
  // Type of the drive whose root path is given ("D:\"): kDriveCdrom for optical and
  // virtual drives, kDriveNoRootDir for letters nobody uses.
  virtual unsigned QueryDriveType(const std::string& rootPath) = 0;
  // Opens the volume "\\.\X:" (letter X). readWrite selects the access asked for;
  // kInvalidHandle when the volume cannot be opened.
  virtual Handle CreateVolume(const std::string& path, bool readWrite) = 0;
  // IOCTL_SCSI_PASS_THROUGH_DIRECT and IOCTL_SCSI_GET_ADDRESS on a volume handle.
  virtual bool DeviceIoControl(Handle volume, std::uint32_t code, void* in, std::uint32_t inLength,
                               void* out, std::uint32_t outLength, std::uint32_t* returned) = 0;
  // errno of the last failed CreateVolume or DeviceIoControl (0 after a success, and
  // on platforms that do not tell).
  virtual int LastVolumeError() const { return 0; }
  // Closes a volume, event or file handle.
  virtual bool CloseHandle(Handle handle) = 0;
  // Returns the previous mode.
  virtual std::uint32_t SetErrorMode(std::uint32_t mode) = 0;
  // The device or image file behind a drive letter, for the user ("" when none).
  virtual std::string DescribeDrive(char letter) = 0;
  // Whether the drive letter is a virtual drive added by AddVirtualDrive.
  virtual bool IsVirtualDrive(char /*letter*/) { return false; }
  // Adds a virtual drive after the real optical drives and the virtual drives added
  // before it; returns its letter, or 0 when no letter is left.
  virtual char AddVirtualDrive(std::shared_ptr<IScsiTarget> target) = 0;
  // Removes every virtual drive (handles opened on them fail from then on).
  virtual void RemoveVirtualDrives() = 0;

  // --- Run-time libraries ---
  // A name with a directory part (".\WNASPI32.DLL") is looked for there, a bare
  // name along the system's library search path. nullptr when not found.
  virtual LibraryHandle OpenLibrary(const std::string& name) = 0;
  virtual void* GetProcAddress(LibraryHandle library, const std::string& name) = 0;
  virtual bool FreeLibrary(LibraryHandle library) = 0;

  // --- Events (manual-reset) and sleeps; timing goes through Clock() ---
  virtual EventHandle NewEvent(bool manualReset, bool initialState) = 0;
  virtual bool SetEvent(EventHandle event) = 0;
  virtual bool ResetEvent(EventHandle event) = 0;
  virtual bool IsEventSet(EventHandle event) = 0;
  virtual std::uint32_t WaitForSingleObject(EventHandle event, std::uint32_t milliseconds) = 0;
  virtual bool CloseEvent(EventHandle event) = 0;
  virtual void SleepEx(std::uint32_t milliseconds, bool alertable) = 0;

  // --- Local files ---
  // Creates the file or truncates an existing one for writing. An existing symbolic
  // link at the path is replaced by a plain file, never followed.
  virtual Handle CreateFileForWrite(const std::string& path) = 0;
  virtual bool WriteFile(Handle file, const void* data, std::uint32_t length,
                         std::uint32_t* written) = 0;
  // Writes all `length` bytes at `offset` of the file; where later plain writes go
  // afterwards is not defined.
  virtual bool WriteFileAt(Handle file, std::uint64_t offset, const void* data, std::uint32_t length) = 0;
  // Sets the last-write time from a local date and time.
  virtual bool SetFileTime(Handle file, const LocalDateTime& lastWrite) = 0;
  virtual bool RemoveFile(const std::string& path) = 0;
  // Creates a new, empty file for writing in `directory` under a name that nothing
  // there has yet (a hidden name ending in ".part"), returned in `path`. The file is
  // made exclusively: never an existing file, never through a link.
  virtual Handle CreateTempFile(const std::string& directory, std::string& path) = 0;
  // Writes what the system holds of the file's data through to the disk.
  virtual bool FlushFileBuffers(Handle file) = 0;
  // Renames the file `from` to `to` in one step, replacing whatever file or link stands
  // at `to`: a link itself is replaced, never what it points at, and another name of a
  // replaced file (a hard link) keeps its contents. A directory at `to` is refused.
  virtual bool MoveFileReplacing(const std::string& from, const std::string& to) = 0;
  // Text of the last error of a file operation, for messages.
  virtual std::string LastErrorMessage() = 0;

  // --- Text ---
  // Big-endian UCS-2 (Joliet) to the system's 8-bit text (UTF-8 here). Surrogate
  // pairs become one character; an unpaired surrogate becomes U+FFFD.
  virtual std::string Ucs2BeToAnsi(const std::uint8_t* data, std::size_t byteLength) = 0;
};

// The system's own platform (one per process, made on first use).
Platform& SystemPlatform();
// The installed platform (the system's own unless a test installed another).
Platform& Current();
// The installed clock (the real clock unless a test installed a virtual one).
IClock& Clock();

// Installs a platform or clock for the lifetime of the object, then restores the previous one.
class ScopedPlatform {
 public:
  explicit ScopedPlatform(Platform& platform);
  ~ScopedPlatform();
  ScopedPlatform(const ScopedPlatform&) = delete;
  ScopedPlatform& operator=(const ScopedPlatform&) = delete;

 private:
  Platform* previous_;
};

class ScopedClock {
 public:
  explicit ScopedClock(IClock& clock);
  ~ScopedClock();
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  IClock* previous_;
};

}  // namespace tarnwick::platform
