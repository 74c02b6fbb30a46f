// Virtual drives served through the process-wide transport for the length of a
// test: the drives are added to the platform, the transport is started with
// pass-through preferred, and everything is undone afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarnwick {
class TSCSIDevice;
namespace vdrive {
class VirtualDrive;
}
}  // namespace tarnwick

namespace tarnwick::test {

class VirtualDriveScope {
 public:
  struct Entry {
    std::shared_ptr<vdrive::VirtualDrive> drive;
    char letter = 0;
    std::uint8_t haId = 0;
    std::uint8_t target = 0;
    std::uint8_t lun = 0;
  };

  // Each path is a disc description or an image. Sets TARNWICK_NO_REAL_DRIVES=1,
  // resets the transport, adds the drives in order and calls InitASPI(true).
  explicit VirtualDriveScope(const std::vector<std::string>& paths);
  // The same with drives the test has built itself (e.g. from description text).
  explicit VirtualDriveScope(std::vector<std::shared_ptr<vdrive::VirtualDrive>> drives);
  ~VirtualDriveScope();
  VirtualDriveScope(const VirtualDriveScope&) = delete;
  VirtualDriveScope& operator=(const VirtualDriveScope&) = delete;

  bool Initialised() const { return initialised_; }
  std::size_t size() const { return entries_.size(); }
  const Entry& at(std::size_t i) const { return entries_.at(i); }
  char Letter(std::size_t i) const { return at(i).letter; }
  std::uint8_t HaId(std::size_t i) const { return at(i).haId; }
  std::uint8_t Target(std::size_t i) const { return at(i).target; }
  std::uint8_t Lun(std::size_t i) const { return at(i).lun; }
  vdrive::VirtualDrive& Drive(std::size_t i) const { return *at(i).drive; }
  // Points the device at drive i (HaId, Target, Lun).
  void Attach(TSCSIDevice& device, std::size_t i) const;

 private:
  void Start(std::vector<std::shared_ptr<vdrive::VirtualDrive>> drives);

  std::vector<Entry> entries_;
  bool initialised_ = false;
};

}  // namespace tarnwick::test
