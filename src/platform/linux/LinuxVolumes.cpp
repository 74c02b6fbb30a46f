// LinuxPlatform: drive letters, volumes and their control calls.
#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cctype>

#include "platform/linux/LinuxPlatform.h"
#include "platform/PassThroughCall.h"
#include "platform/linux/SgDevice.h"

namespace tarnwick::platform {
namespace {

// The upper-case letter at `pos` when it is followed by ':', else 0.
char LetterAt(const std::string& text, std::size_t pos) {
  if (text.size() < pos + 2 || text[pos + 1] != ':') return 0;
  const unsigned char c = static_cast<unsigned char>(text[pos]);
  if (!std::isalpha(c)) return 0;
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

}  // namespace

LinuxPlatform::Drive LinuxPlatform::FindDrive(char letter) {
  Drive drive;
  if (letter < 'A' || letter > 'Z') return drive;
  drive.target = handles_.VirtualTarget(letter);
  if (drive.target) return drive;
  if (letter < kFirstOpticalLetter) return drive;
  const auto devices = discovery_.Devices();
  const auto index = static_cast<std::size_t>(letter - kFirstOpticalLetter);
  if (index < devices.size()) drive.devicePath = devices[index];
  return drive;
}

unsigned LinuxPlatform::QueryDriveType(const std::string& rootPath) {
  const char letter = LetterOfRoot(rootPath);
  if (letter == 0) return kDriveNoRootDir;
  return FindDrive(letter).exists() ? kDriveCdrom : kDriveNoRootDir;
}

std::string LinuxPlatform::DescribeDrive(char letter) {
  const Drive drive = FindDrive(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
  if (drive.target) return drive.target->Describe();
  return drive.devicePath;
}

bool LinuxPlatform::IsVirtualDrive(char letter) {
  return handles_.VirtualTarget(static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))) != nullptr;
}

Handle LinuxPlatform::CreateVolume(const std::string& path, bool readWrite) {
  const char letter = LetterOfVolume(path);
  const Drive drive = letter != 0 ? FindDrive(letter) : Drive{};
  if (!drive.exists()) {
    lastVolumeError_ = ENOENT;
    return kInvalidHandle;
  }
  if (drive.target) {
    lastVolumeError_ = 0;
    return handles_.AddVolume(drive.target, true);
  }
  // Non-blocking, so that a drive without a medium opens too.
  const int flags = (readWrite ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC;
  UniqueFd fd(::open(drive.devicePath.c_str(), flags));
  if (!fd) {
    lastVolumeError_ = errno;
    return kInvalidHandle;
  }
  lastVolumeError_ = 0;
  return handles_.AddVolume(std::make_shared<SgDevice>(std::move(fd), drive.devicePath), false);
}

bool LinuxPlatform::DeviceIoControl(Handle volume, std::uint32_t code, void* in,
                                    std::uint32_t inLength, void* out, std::uint32_t outLength,
                                    std::uint32_t* returned) {
  return handles_.Control(volume, code, in, inLength, out, outLength, returned, lastVolumeError_);
}

char LinuxPlatform::AddVirtualDrive(std::shared_ptr<IScsiTarget> target) {
  if (!target) return 0;
  // Virtual drives follow the real devices, whose letters come first.
  const int first = kFirstOpticalLetter + static_cast<int>(discovery_.Devices().size());
  return handles_.AddVirtualDrive(std::move(target), first, [](char) { return false; });
}

void LinuxPlatform::RemoveVirtualDrives() { handles_.RemoveVirtualDrives(); }

}  // namespace tarnwick::platform
