// Reading an image file for a drive's read commands. A program that copies a file
// sends one read command after another, each continuing where the one before ended;
// each of them served by a system call of its own costs more than the data it moves.
// A read that continues the one before it is served from a window filled by one
// larger read; any other read costs one read of its own, as before.
//
// The window only serves forward: bytes are handed out once, to the read that asks for
// them next, and never again. A read that goes back (a retry, a check of the disc) or
// jumps ahead drops the window and goes to the file, so it sees the file as it is now.
// When the window cannot be filled (a part of the file beyond the asked bytes cannot
// be read), the asked bytes are read alone: only a read that touches the bad part fails.
//
// A read into room its reader lends (platform/ReadRoom.h) takes the room for its
// window: the file is read straight into the reader's buffer, as far as the room goes,
// and a read that continues it finds its bytes where the reader asked for them, with
// no copy at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/BulkMemory.h"
#include "platform/ReadOnlyFile.h"
#include "platform/ReadRoom.h"

namespace tarnwick::vdrive {

class ReadAhead {
 public:
  // Bytes one fill reads: about as much as the processor's second-level cache keeps
  // next to the command's own buffer (larger windows measured slower).
  static constexpr std::size_t kWindow = 512 * 1024;

  // Reads `length` bytes at `offset` of `file` (of `size` bytes when opened) into
  // `destination`, inside `room` when its reader lends one (else nullptr); false when
  // they cannot be read.
  bool Read(const platform::ReadOnlyFile& file, std::uint64_t size, std::uint64_t offset, std::uint8_t* destination,
            std::size_t length, platform::ReadRoom* room = nullptr);
  // The same bytes, left where they were read to: valid until the next call; nullptr
  // when they cannot be read.
  const std::uint8_t* View(const platform::ReadOnlyFile& file, std::uint64_t size, std::uint64_t offset,
                           std::size_t length);

 private:
  // The window holding [offset, offset + length) of a read that continues the one
  // before it, filled when it does not hold them; nullptr for any other read.
  const std::uint8_t* FromWindow(const platform::ReadOnlyFile& file, std::uint64_t size, std::uint64_t offset,
                                 std::size_t length);
  bool IntoRoom(const platform::ReadOnlyFile& file, std::uint64_t size, std::uint64_t offset, std::uint8_t* destination,
                std::size_t length, platform::ReadRoom& room);

  // The window, made at the first fill: in a large page where the system gives one
  // (one page fault, not one per 4 KB), else in ordinary memory.
  platform::BulkMemory bulk_;
  std::unique_ptr<std::uint8_t[]> memory_;
  std::uint8_t* window_ = nullptr;
  std::uint64_t windowStart_ = 0;
  std::size_t windowLength_ = 0;
  std::uint64_t next_ = UINT64_MAX;          // where the read before ended
  std::unique_ptr<std::uint8_t[]> single_;   // a viewed read outside the window
  std::size_t singleSize_ = 0;
};

}  // namespace tarnwick::vdrive
