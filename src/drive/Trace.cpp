// Result lines of failed commands, written to the debug outlet with message type 0.
#include "drive/Trace.h"

#include <algorithm>

#include "drive/CommandNames.h"
#include "drive/Refusal.h"
#include "drive/SCSIDevice.h"

namespace tarnwick {

namespace {

// Appends `value` in upper-case hexadecimal, zero-padded on the left to at least
// `width` digits. A failed read of a damaged disc lists up to 257 data bytes per
// line, and lines come by the thousand: no formatting call per number.
void AppendHex(std::string& line, std::uint32_t value, int width) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  char text[8];
  int digits = 0;
  do {
    text[digits++] = kDigits[value & 0x0F];
    value >>= 4;
  } while (value != 0);
  for (int i = digits; i < width; ++i) line += '0';
  while (digits > 0) line += text[--digits];
}

}  // namespace

std::string FailedCommandLine(const SRB_ExecSCSICmd& srb, const std::string& errorText) {
  const std::uint8_t op = srb.CDBByte[0];
  const auto hex = [](std::string& line, std::uint32_t value, int width, const char* after) {
    AppendHex(line, value, width);
    line += after;
  };
  std::string line = "<<< ";
  line.reserve(kTraceDataBytes * 3 + 160 + errorText.size());
  line += CommandNames()[op];
  line += " (";
  hex(line, op, 2, ") {");
  hex(line, srb.SRB_Flags, 2, "|");
  hex(line, srb.SRB_CDBLen, 2, "} - ");
  line += std::to_string(srb.SRB_HaId) + ":";
  hex(line, srb.SRB_Target, 1, ":");
  line += std::to_string(srb.SRB_Lun) + " <";
  hex(line, srb.SRB_Status, 2, "> [");
  hex(line, srb.SRB_BufLen, 4, "] ");
  for (int i = 1; i < 16; ++i) hex(line, srb.CDBByte[i], 2, " ");
  line += " | ";
  // A request that claims a length but carries no buffer has nothing to show.
  if (srb.SRB_BufLen != 0 && srb.SRB_BufPointer != nullptr) {
    const std::size_t shown = std::min<std::size_t>(srb.SRB_BufLen, kTraceDataBytes);
    for (std::size_t i = 0; i < shown; ++i) hex(line, srb.SRB_BufPointer[i], 2, " ");
  }
  line += "= ";
  hex(line, srb.SRB_HaStat, 2, " ");
  hex(line, srb.SRB_TargStat, 2, " ");
  hex(line, srb.SenseArea[0], 2, " ");
  hex(line, srb.SenseArea[2], 2, " ASC:");
  hex(line, srb.SenseArea[12], 2, ",ASQ:");
  hex(line, srb.SenseArea[13], 2, " ");
  line += errorText;
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
  if (!TraceFailures || !ShouldTraceFailure(srb)) return;
  DebugMessage(FailedCommandLine(srb, LastErrorText), 0);
}

}  // namespace tarnwick
