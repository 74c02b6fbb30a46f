// A virtual optical drive: answers MMC commands for a disc given by a text description
// or a bare ISO image, as a real drive answers them through pass-through. It stands
// behind a platform volume handle like a real device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "vdrive/DescriptionError.h"
#include "vdrive/DiscModel.h"

namespace tarnwick::vdrive {

struct DriveState;

class VirtualDrive : public platform::IScsiTarget {
 public:
  explicit VirtualDrive(DiscModel model);
  ~VirtualDrive() override;
  VirtualDrive(const VirtualDrive&) = delete;
  VirtualDrive& operator=(const VirtualDrive&) = delete;

  // Carries out one command; safe to call from several threads (one at a time inside).
  platform::ScsiResult Execute(const platform::ScsiRequest& request) override;
  // The address given by the description (`drive address=H:T:L`); false without one.
  bool GetAddress(platform::SCSI_ADDRESS& address) override;
  // The description or image file.
  std::string Describe() const override;

  // The command blocks received (the latest 65536, oldest first) and the number of all
  // commands received.
  std::vector<std::vector<std::uint8_t>> CommandLog() const;
  std::size_t CommandCount() const;
  // The number of commands received with this operation code (0x28: READ(10)).
  std::uint64_t CommandCount(std::uint8_t opcode) const;
  void ClearLog();

 private:
  mutable std::mutex mutex_;
  std::unique_ptr<DriveState> state_;
};

// Opens a disc description (a text file whose first statement starts with one of its
// keywords) or a bare image (one complete session with one data track at block 0: a
// CD-ROM up to 360000 blocks, else a DVD-ROM). A bare image takes the rescue map
// `mapPath`, or without one the map beside it when there is one. Throws DescriptionError.
std::shared_ptr<VirtualDrive> OpenVirtualDrive(const std::string& path, const std::string& mapPath = {});

// Builds a drive from description text; relative file names are taken from `baseDir`,
// messages name the description `name`. Throws DescriptionError.
std::shared_ptr<VirtualDrive> ParseDiscDescription(const std::string& text, const std::string& baseDir,
                                                   const std::string& name);

}  // namespace tarnwick::vdrive
