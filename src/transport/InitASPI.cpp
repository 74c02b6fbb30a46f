// Choosing and starting the back-end, and releasing it at the end.
#include <cstdint>
#include <exception>

#include "transport/PassThroughBackend.h"
#include "transport/Transport.h"
#include "transport/TransportState.h"

namespace tarnwick {

namespace {

using transport::State;
using transport::TransportState;

// Library handles at or below 31 are error codes, not modules.
bool IsModuleHandle(platform::LibraryHandle h) { return reinterpret_cast<std::uintptr_t>(h) > 31; }

platform::LibraryHandle TryLoad(const char* name) {
  try {
    return platform::Current().OpenLibrary(name);
  } catch (...) {
    return nullptr;
  }
}

// Restores the process error mode when the scope ends.
class ErrorModeScope {
 public:
  ErrorModeScope() : previous_(platform::Current().SetErrorMode(platform::kFailCriticalErrors)) {}
  ~ErrorModeScope() { platform::Current().SetErrorMode(previous_); }
  ErrorModeScope(const ErrorModeScope&) = delete;
  ErrorModeScope& operator=(const ErrorModeScope&) = delete;

 private:
  std::uint32_t previous_;
};

// Takes the library as the chosen back-end if it has both entry points. A library
// without them is released and leaves the transport uninitialised; nothing is ever
// sent through a missing entry point.
bool AdoptLibrary(platform::LibraryHandle library, const char* name, const char* supportName,
                  const char* sendName) {
  platform::Platform& p = platform::Current();
  auto support = reinterpret_cast<GetASPI32SupportInfoFn>(p.GetProcAddress(library, supportName));
  auto send = reinterpret_cast<SendASPI32CommandFn>(p.GetProcAddress(library, sendName));
  if (support == nullptr || send == nullptr) {
    p.FreeLibrary(library);
    return false;
  }
  TransportState& s = State();
  s.library = library;
  s.supportInfo = support;
  s.send = send;
  s.entriesFromLibrary = true;
  s.initialised = true;
  s.name = name;
  return true;
}

enum class LoadResult { Loaded, Broken, NotFound };

LoadResult LoadAspiLibrary() {
  platform::LibraryHandle h = TryLoad(".\\WNASPI32.DLL");
  if (!IsModuleHandle(h)) h = TryLoad("WNASPI32.DLL");
  if (IsModuleHandle(h))
    return AdoptLibrary(h, "WNASPI32.DLL", "GetASPI32SupportInfo", "SendASPI32Command") ? LoadResult::Loaded
                                                                                        : LoadResult::Broken;
  h = TryLoad("ASAPI.DLL");
  if (IsModuleHandle(h))
    return AdoptLibrary(h, "ASAPI.DLL", "GetASAPI32SupportInfo", "SendASAPI32Command") ? LoadResult::Loaded
                                                                                      : LoadResult::Broken;
  return LoadResult::NotFound;
}

bool Choose(bool PreferSPTI) {
  ErrorModeScope errorMode;
  TransportState& s = State();
  if (PreferSPTI && transport::ScanSPTIDrives() > 0) transport::InstallPassThrough();
  if (!s.initialised) {
    // A library that lacks an entry point ends the choice here, as a failed start.
    if (LoadAspiLibrary() == LoadResult::Broken) return false;
    if (!s.initialised && transport::ScanSPTIDrives() > 0) transport::InstallPassThrough();
  }
  if (s.initialised) s.supportInfo();
  return s.initialised;
}

}  // namespace

bool InitASPI(bool PreferSPTI) {
  try {
    return Choose(PreferSPTI);
  } catch (const std::exception&) {
    return false;
  } catch (...) {
    return false;
  }
}

void FreeASPI() {
  TransportState& s = State();
  if (s.initialised && s.library != nullptr) {
    platform::Current().FreeLibrary(s.library);
    s.library = nullptr;
    // The library's code is gone: its entry points must not be called again.
    if (s.entriesFromLibrary) {
      s.supportInfo = nullptr;
      s.send = nullptr;
      s.entriesFromLibrary = false;
      s.initialised = false;
    }
  }
  s.name.clear();
}

void ResetTransportForTesting() {
  TransportState& s = State();
  if (s.library != nullptr) platform::Current().FreeLibrary(s.library);
  transport::ClearTable();
  s = TransportState{};
}

}  // namespace tarnwick
