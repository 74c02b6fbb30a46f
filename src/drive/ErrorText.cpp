// Composing the message of a failed request: status message, replaced by the sense
// key message for a check condition, then the ASC/ASCQ text in brackets.
#include <cstring>

#include "drive/SCSIDevice.h"
#include "drive/SenseTables.h"

namespace tarnwick {

void TSCSIDevice::BuildErrorText(const SRB_ExecSCSICmd& srb) {
  std::string message = StatusText(srb.SRB_Status, srb.SRB_HaStat, srb.SRB_TargStat);
  if (message == kCheckCondition) {
    const std::uint8_t responseCode = srb.SenseArea[0];
    if (responseCode == 0) {
      message.clear();
    } else if ((responseCode & 0x7E) != 0x70) {
      // Neither fixed-format current nor deferred sense: nothing we can decode.
      message = kUnknown;
    } else {
      message = SenseKeyText(srb.SenseArea[2]);
    }
  }
  LastErrorText = message;
  AdditionalSenseText(srb);
}

void TSCSIDevice::AdditionalSenseText(const SRB_ExecSCSICmd& srb) {
  static_assert(sizeof(LastSense) == sizeof(srb.SenseArea));
  std::memcpy(LastSense, srb.SenseArea, sizeof(LastSense));
  if (srb.SenseArea[7] == 0) return;  // no additional sense bytes: the pair means nothing
  const std::uint8_t asc = srb.SenseArea[12];
  const std::uint8_t ascq = srb.SenseArea[13];
  const char* text = FindAscText(asc, ascq);
  LastErrorText += " (";
  LastErrorText += text ? std::string(text) : std::to_string(asc) + "," + std::to_string(ascq);
  LastErrorText += ")";
}

}  // namespace tarnwick
