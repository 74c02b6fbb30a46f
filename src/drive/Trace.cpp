// Result lines of failed commands, written to the debug outlet with message type 0.
#include "drive/Trace.h"

#include <algorithm>
#include <cstdio>

#include "drive/CommandNames.h"
#include "drive/Refusal.h"
#include "drive/SCSIDevice.h"

namespace tarnwick {

namespace {

// Upper-case hexadecimal, zero-padded on the left to at least `width` digits.
std::string Hex(std::uint32_t value, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", width, static_cast<unsigned>(value));
  return text;
}

}  // namespace

std::string FailedCommandLine(const SRB_ExecSCSICmd& srb, const std::string& errorText) {
  const std::uint8_t op = srb.CDBByte[0];
  std::string line = "<<< ";
  line += CommandNames()[op] + " ";
  line += "(" + Hex(op, 2) + ") {" + Hex(srb.SRB_Flags, 2) + "|" + Hex(srb.SRB_CDBLen, 2) + "} - ";
  line += std::to_string(srb.SRB_HaId) + ":" + Hex(srb.SRB_Target, 1) + ":" + std::to_string(srb.SRB_Lun);
  line += " <" + Hex(srb.SRB_Status, 2) + ">";
  line += " [" + Hex(srb.SRB_BufLen, 4) + "] ";
  for (int i = 1; i < 16; ++i) line += Hex(srb.CDBByte[i], 2) + " ";
  line += " | ";
  // A request that claims a length but carries no buffer has nothing to show.
  if (srb.SRB_BufLen != 0 && srb.SRB_BufPointer != nullptr) {
    const std::size_t shown = std::min<std::size_t>(srb.SRB_BufLen, kTraceDataBytes);
    for (std::size_t i = 0; i < shown; ++i) line += Hex(srb.SRB_BufPointer[i], 2) + " ";
  }
  line += "= " + Hex(srb.SRB_HaStat, 2) + " " + Hex(srb.SRB_TargStat, 2) + " " + Hex(srb.SenseArea[0], 2) + " " +
          Hex(srb.SenseArea[2], 2) + " ";
  line += "ASC:" + Hex(srb.SenseArea[12], 2) + ",ASQ:" + Hex(srb.SenseArea[13], 2);
  line += " " + errorText;
  return line;
}

bool ShouldTraceFailure(const SRB_ExecSCSICmd& srb) {
  if (IsQuietCommand(srb.CDBByte[0])) return false;
  if (srb.SenseArea[12] == 0x04 && srb.SenseArea[13] == 0x08) return false;
  return true;
}

void TSCSIDevice::TraceFailedCommand(const SRB_ExecSCSICmd& srb) {
  // Said even for the commands whose failures are not traced: the refusal is not the
  // drive's answer, and without it the failure would read as the drive's.
  if (const std::optional<std::string> refusal = RefusalLine(srb)) DebugMessage(*refusal, 0);
  if (!ShouldTraceFailure(srb)) return;
  DebugMessage(FailedCommandLine(srb, LastErrorText), 0);
}

}  // namespace tarnwick
