// Building an execute request the way every command operation of the drive does:
// the whole record zero-filled, the event-notify flag plus the data direction, the
// command block, the data buffer and a sense length of 14.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "transport/Srb.h"

namespace tarnwick {

enum class DataPhase : std::uint8_t { None = 0, In = SRB_DIR_IN, Out = SRB_DIR_OUT };

inline constexpr std::uint8_t kRequestSenseLength = 14;

// Fills `srb` for one command. `cdb` holds 6, 10 or 12 bytes.
inline void PrepareRequest(SRB_ExecSCSICmd& srb, std::initializer_list<std::uint8_t> cdb, DataPhase phase,
                           std::uint8_t* buffer, std::uint32_t length) {
  std::memset(&srb, 0, sizeof srb);
  srb.SRB_Flags = static_cast<std::uint8_t>(SRB_EVENT_NOTIFY | static_cast<std::uint8_t>(phase));
  srb.SRB_CDBLen = static_cast<std::uint8_t>(cdb.size());
  std::size_t i = 0;
  for (std::uint8_t b : cdb) {
    if (i < sizeof srb.CDBByte) srb.CDBByte[i++] = b;
  }
  if (phase != DataPhase::None) {
    srb.SRB_BufLen = length;
    srb.SRB_BufPointer = buffer;
  }
  srb.SRB_SenseLen = kRequestSenseLength;
}

}  // namespace tarnwick
