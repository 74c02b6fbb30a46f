#include "platform/ReadRoom.h"

namespace tarnwick::platform {
namespace {

thread_local ReadRoom* lent = nullptr;

}  // namespace

ReadRoomLoan::ReadRoomLoan(std::uint8_t* begin, std::size_t length) : room_{begin, begin + length, {}} {
  if (lent == nullptr) lent = &room_;
}

ReadRoomLoan::~ReadRoomLoan() {
  if (lent == &room_) lent = nullptr;
}

ReadRoom* LentReadRoom(const std::uint8_t* data, std::size_t length) {
  return lent != nullptr && lent->Holds(data, length) ? lent : nullptr;
}

}  // namespace tarnwick::platform
