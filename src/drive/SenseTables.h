// The message tables that turn a failed request's status bytes and sense data into
// text: ASPI status, host adapter status, target status, sense key and the ASC/ASCQ
// pairs. All texts are upper-case entries of the component's message table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tarnwick {

struct TAscEntry {
  std::uint8_t Asc;
  std::uint8_t Ascq;
  const char* Text;
};

// The 256 known (ASC, ASCQ) pairs, sorted by ASC then ASCQ.
std::span<const TAscEntry> AscTable();

// Text of an (ASC, ASCQ) pair; nullptr when the pair is not in the table.
const char* FindAscText(std::uint8_t asc, std::uint8_t ascq);

// Message for the three status bytes of a finished request: by ASPI status, then for
// status 04h by host adapter status, then for host status 00h by target status.
// Anything unlisted is "UNKNOWN".
std::string StatusText(std::uint8_t status, std::uint8_t haStat, std::uint8_t targStat);

// Message for sense byte 2 (the sense key in bits 0-3; for key 0 the FILEMARK, EOM
// and ILI bits choose). Keys 9 and 0Ch have no message of their own: the result is
// "CHECK CONDITION".
std::string SenseKeyText(std::uint8_t senseByte2);

inline constexpr const char* kCheckCondition = "CHECK CONDITION";
inline constexpr const char* kUnknown = "UNKNOWN";

}  // namespace tarnwick
