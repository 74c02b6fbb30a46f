#include "vdrive/DriveQuirks.h"

#include "platform/ByteOrder.h"

namespace tarnwick::vdrive {

namespace {

constexpr std::uint8_t kValidBit = 0x80;

}  // namespace

std::uint8_t RequestedTocFormat(const Quirks& quirks, const Command& command) {
  if (quirks.tocFormatInByte9) return static_cast<std::uint8_t>((command.cdb[9] >> 6) & 0x03);
  return command.cdb[2] & 0x0F;
}

ConfigurationRequest RequestedConfiguration(const Quirks& quirks, const Command& command) {
  ConfigurationRequest request{static_cast<std::uint8_t>(command.cdb[1] & 0x03),
                               static_cast<std::uint16_t>(GetBE16(&command.cdb[2]))};
  if (quirks.configStartIgnored) {
    // Every request is answered as "all features from the first".
    if (request.requestType == 2) request.requestType = 0;
    request.start = 0;
  }
  return request;
}

bool RefusesMissingFeature(const Quirks& quirks, const ConfigurationRequest& request) {
  return quirks.configUnknownFeatureRejected && request.requestType == 2;
}

std::array<std::uint8_t, kFixedSenseLength> SenseToReport(DriveState& state) {
  if (state.model.drive.quirks.stickySense && state.pendingSense) {
    auto fixed = FixedSense(*state.pendingSense);
    fixed[0] |= kValidBit;
    return fixed;
  }
  // The sense of the last failed command, once; without one, the drive's present
  // condition (no medium, becoming ready) or no sense at all.
  const Sense sense = state.pendingSense.value_or(state.MediumCondition());
  state.pendingSense.reset();
  return FixedSense(sense);
}

std::uint32_t ReportedTransfer(const Quirks& quirks, std::uint32_t answered, std::uint32_t bufferLength) {
  return quirks.noResidue ? bufferLength : answered;
}

}  // namespace tarnwick::vdrive
