#include "vdrive/Sense.h"

namespace tarnwick::vdrive {

std::array<std::uint8_t, kFixedSenseLength> FixedSense(const Sense& sense) {
  std::array<std::uint8_t, kFixedSenseLength> out{};
  out[0] = 0x70;
  out[2] = sense.key & 0x0F;
  out[7] = kFixedSenseLength - 8;
  out[12] = sense.asc;
  out[13] = sense.ascq;
  return out;
}

}  // namespace tarnwick::vdrive
