#include "support/HostProgram.h"

#if defined(_WIN32)

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "support/IsoMaker.h"
#include "support/TempDir.h"
#include "support/TestFiles.h"

namespace tarnwick::test {

namespace fs = std::filesystem;

std::wstring WideText(const std::string& text) {
  if (text.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::wstring CommandLineOf(const std::vector<std::string>& argv) {
  std::wstring command;
  for (const std::string& argument : argv) {
    const std::wstring wide = WideText(argument);
    if (!command.empty()) command += L' ';
    if (!wide.empty() && wide.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
      command += wide;
      continue;
    }
    command += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : wide) {
      if (c == L'\\') {
        ++backslashes;
        continue;
      }
      command.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
      backslashes = 0;
      command += c;
    }
    command.append(backslashes * 2, L'\\');
    command += L'"';
  }
  return command;
}

std::string HostProgramPath(const std::string& program) {
  if (program.find_first_of("/\\") != std::string::npos) return "";
  for (const char* dir : {"/usr/bin/", "/bin/"}) {
    std::error_code ec;
    if (fs::exists(std::string("Z:") + dir + program, ec)) return dir + program;
  }
  return "";
}

HostResult RunHostProgram(const std::vector<std::string>& argv) {
  HostResult result;
  if (argv.empty()) return result;
  const TempDir files;
  const std::string out = HostToolPath(files / "out"), err = HostToolPath(files / "err");
  const std::string status = HostToolPath(files / "status");
  // The status file appears whole (renamed into place) after the program has ended.
  std::vector<std::string> shell{
      "/bin/sh", "-c",
      "o=$1 e=$2 s=$3; shift 3; \"$@\" </dev/null >\"$o\" 2>\"$e\"; echo $? >\"$s.tmp\"; mv \"$s.tmp\" \"$s\"",
      "sh", out, err, status};
  shell.insert(shell.end(), argv.begin(), argv.end());
  std::wstring command = CommandLineOf(shell);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return result;
  if (process.hThread != nullptr) ::CloseHandle(process.hThread);
  if (process.hProcess != nullptr) ::CloseHandle(process.hProcess);
  // Test programs are given minutes by ctest; a host program that never ends is
  // reported after ten.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(10);
  std::error_code ec;
  while (!fs::exists(files / "status", ec)) {
    if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("host program did not end: " + argv[0]);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  result.status = std::stoi("0" + ReadWholeFile(files / "status"));
  result.out = ReadWholeFile(files / "out");
  result.err = ReadWholeFile(files / "err");
  return result;
}

}  // namespace tarnwick::test

#endif
