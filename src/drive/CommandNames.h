// Names of the MMC operation codes as the command trace shows them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tarnwick {

// 256 entries indexed by the operation code (CDB byte 0): the code as two upper-case
// hexadecimal digits, or for the commands the trace knows by name, the name padded
// with blanks to exactly 22 characters. Built once, constant afterwards.
const std::array<std::string, 256>& CommandNames();

// True for the operation codes whose failures are expected and therefore not traced.
bool IsQuietCommand(std::uint8_t operationCode);

}  // namespace tarnwick
