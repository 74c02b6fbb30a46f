// The control function of the test ASPI library, found by tests with
// GetProcAddress(library, "AspiFixtureControl").
//
// The library serves virtual drives named by the environment variable
// TARNWICK_ASPI_DISCS, read when the library first needs it (and again on
// kAspiReload): entries "H:T:L=path" or "H:T:L:X=path" separated by ';', where
// H:T:L is the address the drive answers on, X its drive letter for get disk info
// (default: D, E, ... in entry order) and path a disc description or image.
//
// Execute requests complete on the library's own thread after the completion
// delay: it writes data, status, host adapter status, target status and sense
// into the request and then signals the request's event.
#pragma once

#include <cstdint>

namespace tarnwick::test {

enum AspiFixtureOp : int {
  kAspiSetDelayMs = 1,        // completion delay in real milliseconds (default 0)
  kAspiSetNeverComplete = 2,  // 1: execute requests stay pending until aborted
  kAspiSetAbortFails = 3,     // 1: an abort is refused; the request then completes
                              //    after the late delay, whatever became of it
  kAspiSetLateDelayMs = 4,    // delay of that late completion (default 50)
  kAspiReload = 5,            // forgets drives and modes, re-reads the environment
  kAspiPendingCount = 6,      // requests not yet completed
  kAspiDrain = 7,             // waits up to `value` real ms for every request that will
                              //    complete; returns the number still pending
  kAspiCompletedCount = 8,    // requests completed since the last reload
  kAspiAbortCount = 9,        // abort requests received since the last reload
  kAspiDriveCount = 10,       // drives configured
};

extern "C" {
using AspiFixtureControlFn = long (*)(int op, long value);
}

inline constexpr const char* kAspiDiscsVariable = "TARNWICK_ASPI_DISCS";

}  // namespace tarnwick::test

#ifdef TARNWICK_BINARY_DIR
namespace tarnwick::test {
// Directories holding the three builds of the library.
inline constexpr const char* kAspiFixtureDir = TARNWICK_BINARY_DIR "/tests/aspi/wnaspi";     // WNASPI32.DLL
inline constexpr const char* kAsapiFixtureDir = TARNWICK_BINARY_DIR "/tests/aspi/asapi";     // ASAPI.DLL
inline constexpr const char* kBrokenFixtureDir = TARNWICK_BINARY_DIR "/tests/aspi/broken";  // WNASPI32.DLL
}  // namespace tarnwick::test
#endif
