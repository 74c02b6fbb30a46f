// The result line that the command trace writes for a failed request.
#pragma once

#include <string>

#include "transport/Srb.h"

namespace tarnwick {

// At most this many data bytes are listed in a result line.
inline constexpr std::size_t kTraceDataBytes = 257;

// The line for a finished, failed request, ending with its error message. Numbers are
// upper-case hexadecimal except the adapter and LUN, which are decimal.
std::string FailedCommandLine(const SRB_ExecSCSICmd& srb, const std::string& errorText);

// False when the failure is expected and not worth a line: the quiet commands, and
// "long write in progress" (ASC 04h, ASCQ 08h) for any command.
bool ShouldTraceFailure(const SRB_ExecSCSICmd& srb);

}  // namespace tarnwick
