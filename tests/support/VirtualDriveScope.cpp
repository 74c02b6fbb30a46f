#include "support/VirtualDriveScope.h"

#include "support/Environment.h"

#include <cstdlib>
#include <stdexcept>

#include "drive/SCSIDevice.h"
#include "platform/Platform.h"
#include "transport/PassThroughTable.h"
#include "transport/Transport.h"
#include "vdrive/VirtualDrive.h"

namespace tarnwick::test {

namespace {

std::vector<std::shared_ptr<vdrive::VirtualDrive>> OpenAll(const std::vector<std::string>& paths) {
  std::vector<std::shared_ptr<vdrive::VirtualDrive>> drives;
  for (const std::string& path : paths) drives.push_back(vdrive::OpenVirtualDrive(path));
  return drives;
}

}  // namespace

VirtualDriveScope::VirtualDriveScope(const std::vector<std::string>& paths) { Start(OpenAll(paths)); }

VirtualDriveScope::VirtualDriveScope(std::vector<std::shared_ptr<vdrive::VirtualDrive>> drives) {
  Start(std::move(drives));
}

void VirtualDriveScope::Start(std::vector<std::shared_ptr<vdrive::VirtualDrive>> drives) {
  test::SetEnv("TARNWICK_NO_REAL_DRIVES", "1");
  ResetTransportForTesting();
  platform::Platform& p = platform::Current();
  p.RemoveVirtualDrives();
  for (auto& drive : drives) {
    Entry e;
    e.letter = p.AddVirtualDrive(drive);
    if (e.letter == 0) {
      ResetTransportForTesting();
      p.RemoveVirtualDrives();
      throw std::runtime_error("no drive letter left for a virtual drive");
    }
    e.drive = std::move(drive);
    entries_.push_back(std::move(e));
  }
  initialised_ = InitASPI(true);
  for (Entry& e : entries_) {
    if (auto slot = PassThroughDrive(e.letter)) {
      e.haId = slot->adapter;
      e.target = slot->target;
      e.lun = slot->lun;
    }
  }
}

VirtualDriveScope::~VirtualDriveScope() {
  ResetTransportForTesting();
  platform::Current().RemoveVirtualDrives();
}

void VirtualDriveScope::Attach(TSCSIDevice& device, std::size_t i) const {
  device.HaId = HaId(i);
  device.Target = Target(i);
  device.Lun = Lun(i);
}

}  // namespace tarnwick::test
