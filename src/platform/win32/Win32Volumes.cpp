// Win32Platform: drive letters, volumes and their control calls. Letters of the
// system come from GetLogicalDrives/GetDriveTypeW; virtual drives take letters the
// system does not use, from D: on.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "platform/PassThroughCall.h"
#include "platform/win32/VolumeDevice.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WideText.h"

namespace tarnwick::platform {
namespace {

constexpr char kFirstVirtualLetter = 'D';

// The upper-case letter at `pos` when it is followed by ':', else 0.
char LetterAt(const std::string& text, std::size_t pos) {
  if (text.size() < pos + 2 || text[pos + 1] != ':') return 0;
  const unsigned char c = static_cast<unsigned char>(text[pos]);
  if (c >= 0x80 || !std::isalpha(c)) return 0;
  return static_cast<char>(std::toupper(c));
}

// "X:\" (or "X:" / "X:/") -> X.
char LetterOfRoot(const std::string& root) {
  const char letter = LetterAt(root, 0);
  if (letter == 0) return 0;
  if (root.size() == 2 || (root.size() == 3 && (root[2] == '\\' || root[2] == '/'))) return letter;
  return 0;
}

// "\\.\X:" -> X.
char LetterOfVolume(const std::string& path) {
  static const std::string kPrefix = "\\\\.\\";
  if (path.size() != kPrefix.size() + 2 || path.compare(0, kPrefix.size(), kPrefix) != 0) return 0;
  return LetterAt(path, kPrefix.size());
}

// TARNWICK_NO_REAL_DRIVES (any value but empty or "0") hides the system's own drive
// letters, so that only virtual drives are seen (the tests rely on it).
bool RealDrivesOff() {
  const char* value = std::getenv("TARNWICK_NO_REAL_DRIVES");
  return value != nullptr && *value != '\0' && std::string(value) != "0";
}

bool SystemUsesLetter(char letter) { return ((::GetLogicalDrives() >> (letter - 'A')) & 1U) != 0; }

unsigned SystemDriveType(char letter) {
  const wchar_t root[] = {static_cast<wchar_t>(letter), L':', L'\\', L'\0'};
  return ::GetDriveTypeW(root);
}

}  // namespace

bool Win32Platform::RealDrivesShown() const { return realDrives_ && !RealDrivesOff(); }

unsigned Win32Platform::QueryDriveType(const std::string& rootPath) {
  const char letter = LetterOfRoot(rootPath);
  if (letter == 0) return kDriveNoRootDir;
  if (handles_.VirtualTarget(letter)) return kDriveCdrom;
  return RealDrivesShown() ? SystemDriveType(letter) : kDriveNoRootDir;
}

bool Win32Platform::IsVirtualDrive(char letter) {
  return handles_.VirtualTarget(static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))) != nullptr;
}

std::string Win32Platform::DescribeDrive(char letter) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  if (letter < 'A' || letter > 'Z') return {};
  if (const auto target = handles_.VirtualTarget(letter)) return target->Describe();
  if (!RealDrivesShown() || SystemDriveType(letter) != kDriveCdrom) return {};
  // The device behind the letter ("\Device\CdRom0"), else the volume's own name.
  const wchar_t name[] = {static_cast<wchar_t>(letter), L':', L'\0'};
  wchar_t target[512] = {};
  if (::QueryDosDeviceW(name, target, 512) > 0) return WideToUtf8(target);
  return std::string("\\\\.\\") + letter + ':';
}

Handle Win32Platform::CreateVolume(const std::string& path, bool readWrite) {
  const char letter = LetterOfVolume(path);
  if (letter == 0) {
    lastVolumeError_ = ENOENT;
    return kInvalidHandle;
  }
  if (auto target = handles_.VirtualTarget(letter)) {
    lastVolumeError_ = 0;
    return handles_.AddVolume(std::move(target), true);
  }
  if (!RealDrivesShown()) {
    lastVolumeError_ = ENOENT;
    return kInvalidHandle;
  }
  const wchar_t name[] = {L'\\', L'\\', L'.', L'\\', static_cast<wchar_t>(letter), L':', L'\0'};
  const DWORD access = GENERIC_READ | (readWrite ? GENERIC_WRITE : 0);
  OwnedWin32Handle volume(::CreateFileW(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
  if (!volume) {
    lastVolumeError_ = ErrnoOfSystemError(::GetLastError());
    return kInvalidHandle;
  }
  lastVolumeError_ = 0;
  return handles_.AddVolume(std::make_shared<VolumeDevice>(std::move(volume), path), false);
}

bool Win32Platform::DeviceIoControl(Handle volume, std::uint32_t code, void* in, std::uint32_t inLength,
                                    void* out, std::uint32_t outLength, std::uint32_t* returned) {
  // Real volumes and virtual drives take the same checked path: the caller's record
  // is read there and the command handed to the target (for a real volume, the
  // system's buffered pass-through call), without the table's lock.
  return handles_.Control(volume, code, in, inLength, out, outLength, returned, lastVolumeError_);
}

char Win32Platform::AddVirtualDrive(std::shared_ptr<IScsiTarget> target) {
  if (!target) return 0;
  // Letters the system uses for drives of its own are passed over while they are shown.
  const bool shown = RealDrivesShown();
  return handles_.AddVirtualDrive(std::move(target), kFirstVirtualLetter,
                                  [shown](char letter) { return shown && SystemUsesLetter(letter); });
}

void Win32Platform::RemoveVirtualDrives() { handles_.RemoveVirtualDrives(); }

}  // namespace tarnwick::platform
