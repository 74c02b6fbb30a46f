// RunCaptured for Windows: CreateProcessW with the standard streams on pipes, each
// pipe drained by a thread of its own so that neither can fill up and stall the child.
// Under wine, host programs (isoinfo, cd-info, sh) run on the host and are handed host
// paths for arguments on drive Z: (the host's root).
#include "CliRun.h"
#include "support/HostProgram.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <stdexcept>
#include <thread>

namespace tarnwick::test {

namespace {

class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  HANDLE* out() { return &h_; }
  void Close() {
    if (h_ != nullptr) ::CloseHandle(h_);
    h_ = nullptr;
  }

 private:
  HANDLE h_ = nullptr;
};

// Paths on Z: (the host's root), and host paths that got Windows separators
// appended, as the host names them.
std::string HostArgument(const std::string& argument) {
  std::string path;
  if (argument.size() >= 3 && (argument[0] == 'Z' || argument[0] == 'z') && argument[1] == ':' &&
      (argument[2] == '\\' || argument[2] == '/'))
    path = argument.substr(2);
  else if (!argument.empty() && argument[0] == '/')
    path = argument;
  else
    return argument;
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

// This process's environment with TARNWICK_NO_REAL_DRIVES=1, as a Unicode block.
std::wstring ChildEnvironment() {
  std::wstring block;
  wchar_t* strings = ::GetEnvironmentStringsW();
  for (const wchar_t* e = strings; e != nullptr && *e != L'\0'; e += wcslen(e) + 1) {
    const std::wstring entry = e;
    if (entry.rfind(L"TARNWICK_NO_REAL_DRIVES=", 0) == 0) continue;
    block += entry;
    block += L'\0';
  }
  if (strings != nullptr) ::FreeEnvironmentStringsW(strings);
  block += L"TARNWICK_NO_REAL_DRIVES=1";
  block += L'\0';
  block += L'\0';
  return block;
}

void Drain(HANDLE pipe, std::string& sink) {
  char buffer[65536];
  DWORD n = 0;
  while (::ReadFile(pipe, buffer, sizeof buffer, &n, nullptr) && n > 0) sink.append(buffer, n);
}

}  // namespace

CliResult RunCaptured(const std::vector<std::string>& argv, const std::string& outputFile) {
  CliResult result;
  if (argv.empty()) throw std::invalid_argument("no program to run");
  // A program named without a directory that the host has is a host program (isoinfo,
  // cd-info, sh); our own programs are named by their path.
  if (const std::string hostPath = HostProgramPath(argv[0]); !hostPath.empty()) {
    std::vector<std::string> hostArgv{hostPath};
    for (std::size_t i = 1; i < argv.size(); ++i) hostArgv.push_back(HostArgument(argv[i]));
    HostResult run = RunHostProgram(hostArgv);
    result.status = run.status;
    result.out = std::move(run.out);
    result.err = std::move(run.err);
    return result;
  }
  std::wstring command = CommandLineOf(argv);

  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  Handle outRead, outWrite, errRead, errWrite;
  if (!::CreatePipe(outRead.out(), outWrite.out(), &inherit, 0) ||
      !::CreatePipe(errRead.out(), errWrite.out(), &inherit, 0))
    throw std::runtime_error("CreatePipe failed");
  ::SetHandleInformation(outRead.get(), HANDLE_FLAG_INHERIT, 0);
  ::SetHandleInformation(errRead.get(), HANDLE_FLAG_INHERIT, 0);
  Handle input(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                             nullptr));
  Handle output;
  if (!outputFile.empty()) {
    *output.out() = ::CreateFileW(WideText(outputFile).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output.get() == INVALID_HANDLE_VALUE) *output.out() = nullptr;
    if (output.get() == nullptr) throw std::runtime_error("cannot create " + outputFile);
  }

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input.get();
  startup.hStdOutput = outputFile.empty() ? outWrite.get() : output.get();
  startup.hStdError = errWrite.get();
  std::wstring environment = ChildEnvironment();
  PROCESS_INFORMATION process{};
  const BOOL started = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                                        environment.data(), nullptr, &startup, &process);
  // The child holds its own copies; the pipes end when the child's copies close.
  outWrite.Close();
  errWrite.Close();
  input.Close();
  output.Close();
  if (!started) {
    result.status = 127;
    result.err = "cannot start " + argv[0];
    return result;
  }
  Handle processHandle(process.hProcess), threadHandle(process.hThread);
  std::thread errReader(Drain, errRead.get(), std::ref(result.err));
  Drain(outRead.get(), result.out);
  errReader.join();
  ::WaitForSingleObject(processHandle.get(), INFINITE);
  DWORD code = 128;
  ::GetExitCodeProcess(processHandle.get(), &code);
  result.status = static_cast<int>(code);
  return result;
}

}  // namespace tarnwick::test
