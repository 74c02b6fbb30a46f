// TEST UNIT READY, REQUEST SENSE, INQUIRY and SET CD SPEED.
#include <algorithm>

#include "platform/ByteOrder.h"
#include "vdrive/Commands.h"
#include "vdrive/DriveQuirks.h"

namespace tarnwick::vdrive {

namespace {

void PutText(std::vector<std::uint8_t>& out, std::size_t at, std::size_t width, const std::string& text) {
  for (std::size_t i = 0; i < width; ++i)
    out[at + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : std::uint8_t{' '};
}

}  // namespace

Reply TestUnitReady(DriveState&, const Command&) {
  // The dispatcher has already checked the medium.
  return Good();
}

Reply RequestSense(DriveState& state, const Command& command) {
  const auto fixed = SenseToReport(state);
  return Answer(std::vector<std::uint8_t>(fixed.begin(), fixed.end()), command.cdb[4]);
}

Reply Inquiry(DriveState& state, const Command& command) {
  if (command.cdb[1] & 0x01) return Fail(sense::kInvalidField);  // no vital product data pages
  if (command.cdb[2] != 0) return Fail(sense::kInvalidField);
  const DriveSettings& drive = state.model.drive;
  const std::uint32_t allocation = GetBE16(&command.cdb[3]);
  const std::uint32_t length = std::max<std::uint32_t>(drive.inquiryLength, allocation);
  std::vector<std::uint8_t> out(length, 0);
  out[0] = drive.deviceType & 0x1F;
  out[1] = 0x80;  // removable medium
  out[2] = drive.inquiryVersion;
  out[3] = 0x02;  // response data format
  out[4] = static_cast<std::uint8_t>(drive.inquiryLength - 5);
  PutText(out, 8, 8, drive.vendor);
  PutText(out, 16, 16, drive.product);
  PutText(out, 32, 4, drive.revision);
  // Beyond the standard data the answer is padded with zeros to the allocation length.
  return Answer(std::move(out), allocation);
}

Reply SetCdSpeed(DriveState&, const Command&) {
  // Any speed is accepted; the drive picks the nearest it has.
  return Good();
}

}  // namespace tarnwick::vdrive
