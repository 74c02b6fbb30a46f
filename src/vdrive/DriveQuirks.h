// Answers of drives that depart from plain MMC in ways real drives were seen to:
//
// * toc-format-in-byte9: READ TOC takes its format from bits 7-6 of CDB byte 9 (the
//   older ATAPI layout) and ignores the format field of byte 2, so a request for the
//   session information, the full TOC or the ATIP gets a plain TOC with good status.
// * config-start-ignored: GET CONFIGURATION ignores the starting feature; a request
//   for one feature gets every feature from the first.
// * config-unknown-feature-rejected: GET CONFIGURATION for one feature the drive does
//   not have fails with 05/24/00 instead of answering the header alone.
// * sticky-sense: REQUEST SENSE returns the sense of the last failed command for ever,
//   with response code F0h, even after commands that succeeded.
// * no-residue: a short answer is reported as filling the whole data buffer; the bytes
//   after it are left as the caller had them.
#pragma once

#include <cstdint>

#include "vdrive/Commands.h"

namespace tarnwick::vdrive {

// The READ TOC format the drive acts on.
std::uint8_t RequestedTocFormat(const Quirks& quirks, const Command& command);

// The request type and starting feature GET CONFIGURATION acts on.
struct ConfigurationRequest {
  std::uint8_t requestType = 0;
  std::uint16_t start = 0;
};
ConfigurationRequest RequestedConfiguration(const Quirks& quirks, const Command& command);

// Whether an answer to a one-feature request that found no feature is refused.
bool RefusesMissingFeature(const Quirks& quirks, const ConfigurationRequest& request);

// The sense REQUEST SENSE reports now; clears what the drive forgets once reported.
std::array<std::uint8_t, kFixedSenseLength> SenseToReport(DriveState& state);

// The byte count a successful answer of `answered` bytes is reported with.
std::uint32_t ReportedTransfer(const Quirks& quirks, std::uint32_t answered, std::uint32_t bufferLength);

}  // namespace tarnwick::vdrive
