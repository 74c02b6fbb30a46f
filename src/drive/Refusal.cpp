#include "drive/Refusal.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "drive/CommandNames.h"
#include "platform/Platform.h"

namespace tarnwick {

bool IsRefusalError(int error) { return error == EPERM || error == EACCES; }

std::optional<std::string> RefusalLine(const SRB_ExecSCSICmd& srb, int error) {
  // A drive's answer (a status or sense from the device) is never a refusal.
  if (!IsRefusalError(error) || srb.SRB_Status == SS_COMP || srb.SRB_TargStat != 0) return std::nullopt;
  const std::uint8_t op = srb.CDBByte[0];
  std::string name = CommandNames()[op];
  name.erase(name.find_last_not_of(' ') + 1);
  char code[8];
  std::snprintf(code, sizeof code, "%02X", static_cast<unsigned>(op));
  return "!!! " + name + " (" + code + ") not sent: refused by the system for lack of rights (" +
         std::strerror(error) + ")";
}

std::optional<std::string> RefusalLine(const SRB_ExecSCSICmd& srb) {
  return RefusalLine(srb, platform::Current().LastVolumeError());
}

}  // namespace tarnwick
