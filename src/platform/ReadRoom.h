// Room a reader lends around the buffers of its next read commands. A reader that sends
// read commands one after the other, each naming the next part of one buffer as its
// data buffer, may lend the whole buffer while it does: whatever serves such a command
// on the reader's own thread (a device that answers from a file) may then read more
// than the command asks for, straight into the part of the room the following commands
// will name, and answer those from where the bytes already lie instead of reading them
// into a buffer of its own and copying them. The reader touches the room only through
// its commands while it lends it, and reads from it only what its commands answered.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarnwick::platform {

struct ReadRoom {
  std::uint8_t* begin = nullptr;
  std::uint8_t* end = nullptr;

  // What the last read into the room left beyond the bytes its command asked for: the
  // `length` bytes at `at` are those of `source` from `offset` on. Whatever else writes
  // into the room clears it.
  struct Placed {
    const void* source = nullptr;
    std::uint8_t* at = nullptr;
    std::uint64_t offset = 0;
    std::size_t length = 0;
  } placed;

  bool Holds(const std::uint8_t* data, std::size_t length) const {
    return data != nullptr && data >= begin && data <= end && length <= static_cast<std::size_t>(end - data);
  }
};

// Lends [begin, begin + length) for as long as the object lives. One loan per thread:
// a loan made while another is in force lends nothing.
class ReadRoomLoan {
 public:
  ReadRoomLoan(std::uint8_t* begin, std::size_t length);
  ~ReadRoomLoan();
  ReadRoomLoan(const ReadRoomLoan&) = delete;
  ReadRoomLoan& operator=(const ReadRoomLoan&) = delete;

 private:
  ReadRoom room_;
};

// The room the calling thread lends that holds `length` bytes at `data`, or nullptr.
ReadRoom* LentReadRoom(const std::uint8_t* data, std::size_t length);

}  // namespace tarnwick::platform
