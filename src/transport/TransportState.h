// The process-wide transport state behind Transport.h (internal to the transport).
#pragma once

#include <string>

#include "platform/Platform.h"
#include "transport/Transport.h"

namespace tarnwick::transport {

struct TransportState {
  bool initialised = false;
  GetASPI32SupportInfoFn supportInfo = nullptr;
  SendASPI32CommandFn send = nullptr;
  // The loaded ASPI library; stays loaded until FreeASPI even when the
  // pass-through back-end later takes over the entry points.
  platform::LibraryHandle library = nullptr;
  // True while `supportInfo`/`send` point into `library`.
  bool entriesFromLibrary = false;
  std::string name;
};

TransportState& State();

// Makes the pass-through emulation the chosen back-end.
void InstallPassThrough();

}  // namespace tarnwick::transport
