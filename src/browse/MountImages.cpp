#include "browse/MountImages.h"

#include <algorithm>
#include <memory>

#include "drive/SCSIDevice.h"
#include "platform/Platform.h"
#include "transport/Transport.h"
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
    if (os.QueryDriveType(std::string(1, letter) + ":\\") != kDriveCdrom) continue;
    const Handle volume = os.CreateVolume(std::string("\\\\.\\") + letter + ":", false);
    if (volume == kInvalidHandle) continue;
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

std::vector<TMountedImage> MountImages(const std::vector<std::string>& paths, const std::string& firstMap) {
  std::vector<TMountedImage> mounted;
  for (const std::string& path : paths) {
    // A DescriptionError (a std::runtime_error) names the image that cannot be opened.
    const std::shared_ptr<vdrive::VirtualDrive> drive =
        vdrive::OpenVirtualDrive(path, mounted.empty() ? firstMap : std::string());
    std::shared_ptr<IScsiTarget> target = drive;
    SCSI_ADDRESS own{};
    if (!drive->GetAddress(own)) {
      // Each image on an adapter of its own, found again for every image: the address
      // does not depend on whether the images come together or one at a time.
      const unsigned port = FreeAdapter();
      if (port > 255) throw std::runtime_error(path + ": too many virtual drives");
      SCSI_ADDRESS address{};
      address.Length = sizeof address;
      address.PortNumber = static_cast<std::uint8_t>(port);
      target = std::make_shared<AddressedDrive>(drive, address);
    }
    const char letter = Current().AddVirtualDrive(target);
    if (letter == 0) throw std::runtime_error(path + ": no drive letter left");
    mounted.push_back({path, letter, drive});
  }
  return mounted;
}

int DeviceLineOfLetter(const std::vector<std::string>& lines, char letter) {
  const std::string mark = std::string(",") + letter + ":";
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i].find(mark) != std::string::npos) return static_cast<int>(i);
  return -1;
}

int OpenImageDrive(TSCSIDevice& drive, const std::string& path) {
  const std::vector<TMountedImage> mounted = MountImages({path});
  RescanPassThroughDrives();
  drive.InitializeDevices(true);
  return DeviceLineOfLetter(drive.DeviceList, mounted.front().letter);
}

}  // namespace tarnwick
