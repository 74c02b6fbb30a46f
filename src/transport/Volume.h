// Drive-letter volumes: opening "\\.\X:" and closing the handle at scope end. Used by
// the pass-through back-end and by the drive layer's drive-letter search.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

namespace tarnwick::transport {

// Opens "\\.\X:" for the letter index (0 = A), read-write first, then read-only.
platform::Handle OpenVolume(std::uint8_t letterIndex);

// Closes a volume handle when the scope ends.
class ScopedVolume {
 public:
  explicit ScopedVolume(platform::Handle h) : h_(h) {}
  ~ScopedVolume() {
    if (valid()) platform::Current().CloseHandle(h_);
  }
  ScopedVolume(const ScopedVolume&) = delete;
  ScopedVolume& operator=(const ScopedVolume&) = delete;
  platform::Handle get() const { return h_; }
  bool valid() const { return h_ != platform::kInvalidHandle; }

 private:
  platform::Handle h_;
};

}  // namespace tarnwick::transport
