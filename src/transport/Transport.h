// The process-wide transport: one back-end (an ASPI library, or the built-in
// pass-through emulation of its two entry points) chosen once per process.
#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

extern "C" {
// The ASPI entry points (C calling convention). The request is any SRB_* record.
using GetASPI32SupportInfoFn = std::uint32_t (*)();
using SendASPI32CommandFn = std::uint32_t (*)(void* request);
}

// Chooses and starts the back-end; returns the initialised flag. Never throws.
bool InitASPI(bool PreferSPTI);
// The chosen back-end's entry points. Without a back-end GetASPI32SupportInfo answers
// 0xE8 << 8 and SendASPI32Command writes and answers status 0x80 (invalid request).
std::uint32_t GetASPI32SupportInfo();
std::uint32_t SendASPI32Command(void* request);
// At program end: release the library, then close pass-through handles.
void FreeASPI();
void CloseSPTIDrives();
// Forgets the pass-through drive table and, when pass-through is the chosen back-end,
// scans the drive letters again, so that the next device scan finds drives added
// since (an image opened while the program runs). An ASPI library keeps its own view.
void RescanPassThroughDrives();
bool ASPIInitialized();
const std::string& TransportName();

// Returns the transport to its state at program start (tests only): releases the
// library, closes handles, forgets the scan.
void ResetTransportForTesting();
// Installs the given entry points as the chosen back-end (tests only): sets the
// initialised flag and TransportName "TEST". ResetTransportForTesting undoes it.
void InstallEntryPointsForTesting(GetASPI32SupportInfoFn supportInfo, SendASPI32CommandFn send);

}  // namespace tarnwick
