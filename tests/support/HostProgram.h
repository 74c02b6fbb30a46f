// Under wine: running a program of the host (genisoimage, isoinfo, sh) and waiting for
// it. wine starts a Unix program without a process handle to wait on or an exit status
// to read, so the program runs inside a host shell that writes its standard output,
// standard error and exit status to files, and the status file is waited for.
#pragma once

#if defined(_WIN32)

#include <filesystem>
#include <string>
#include <vector>

namespace tarnwick::test {

struct HostResult {
  int status = 127;  // 127 when the program could not be started
  std::string out;
  std::string err;
};

// UTF-8 text in UTF-16, for the wide calls of the system.
std::wstring WideText(const std::string& text);
// The command line of `argv` for CreateProcessW: each argument quoted the way
// CommandLineToArgvW and the C runtime (and wine, for a host program) split it again.
std::wstring CommandLineOf(const std::vector<std::string>& argv);

// The host's own path of a host program named without a directory ("" when the host
// has none of that name in /usr/bin or /bin).
std::string HostProgramPath(const std::string& program);

// Runs `argv` (argv[0] a host path) on the host and waits for it; standard input is
// /dev/null. Arguments are passed as they are (convert local paths with HostToolPath).
HostResult RunHostProgram(const std::vector<std::string>& argv);

}  // namespace tarnwick::test

#endif
