#include "browse/MountImages.h"

#include <algorithm>
#include <memory>

#include "platform/Platform.h"
#include "vdrive/VirtualDrive.h"

namespace tarnwick {

namespace {

using namespace platform;

// A virtual drive seen through an address of our choosing.
class AddressedDrive : public IScsiTarget {
 public:
  AddressedDrive(std::shared_ptr<IScsiTarget> drive, SCSI_ADDRESS address)
      : drive_(std::move(drive)), address_(address) {}
  ScsiResult Execute(const ScsiRequest& request) override { return drive_->Execute(request); }
  bool GetAddress(SCSI_ADDRESS& address) override {
    address = address_;
    return true;
  }
  std::string Describe() const override { return drive_->Describe(); }

 private:
  std::shared_ptr<IScsiTarget> drive_;
  SCSI_ADDRESS address_;
};

// The lowest host adapter number above those of every drive letter in use (0 when
// no drive reports an address).
unsigned FreeAdapter() {
  Platform& os = Current();
  unsigned next = 0;
  for (char letter = 'C'; letter <= 'Z'; ++letter) {
    if (os.GetDriveType(std::string(1, letter) + ":\\") != DRIVE_CDROM) continue;
    const Handle volume = os.CreateVolume(std::string("\\\\.\\") + letter + ":", false);
    if (volume == INVALID_HANDLE_VALUE) continue;
    SCSI_ADDRESS address{};
    address.Length = sizeof address;
    std::uint32_t returned = 0;
    if (os.DeviceIoControl(volume, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, sizeof address, &returned))
      next = std::max(next, static_cast<unsigned>(address.PortNumber) + 1);
    os.CloseHandle(volume);
  }
  return next;
}

}  // namespace

std::vector<TMountedImage> MountImages(const std::vector<std::string>& paths) {
  std::vector<TMountedImage> mounted;
  if (paths.empty()) return mounted;
  const unsigned adapter = FreeAdapter();
  unsigned index = 0;
  for (const std::string& path : paths) {
    // A DescriptionError (a std::runtime_error) names the image that cannot be opened.
    const std::shared_ptr<vdrive::VirtualDrive> drive = vdrive::OpenVirtualDrive(path);
    std::shared_ptr<IScsiTarget> target = drive;
    SCSI_ADDRESS own{};
    if (!drive->GetAddress(own)) {
      const unsigned port = adapter + index / 8;
      if (port > 255) throw std::runtime_error(path + ": too many virtual drives");
      SCSI_ADDRESS address{};
      address.Length = sizeof address;
      address.PortNumber = static_cast<std::uint8_t>(port);
      address.TargetId = static_cast<std::uint8_t>(index % 8);
      target = std::make_shared<AddressedDrive>(drive, address);
      ++index;
    }
    const char letter = Current().AddVirtualDrive(target);
    if (letter == 0) throw std::runtime_error(path + ": no drive letter left");
    mounted.push_back({path, letter});
  }
  return mounted;
}

}  // namespace tarnwick
