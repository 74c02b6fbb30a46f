// Sense data of the virtual drive: the key / additional sense code / qualifier triples
// it reports, and the fixed-format (70h) sense record built from one.
#pragma once

#include <array>
#include <cstdint>

namespace tarnwick::vdrive {

struct Sense {
  std::uint8_t key = 0;
  std::uint8_t asc = 0;
  std::uint8_t ascq = 0;
  bool operator==(const Sense&) const = default;
};

namespace sense {
inline constexpr Sense kNone{0x00, 0x00, 0x00};
inline constexpr Sense kNoMedium{0x02, 0x3A, 0x00};
inline constexpr Sense kBecomingReady{0x02, 0x04, 0x01};
inline constexpr Sense kMediumError{0x03, 0x11, 0x00};
inline constexpr Sense kInvalidOpcode{0x05, 0x20, 0x00};
inline constexpr Sense kAddressOutOfRange{0x05, 0x21, 0x00};
inline constexpr Sense kInvalidField{0x05, 0x24, 0x00};
inline constexpr Sense kInvalidParameter{0x05, 0x26, 0x00};
inline constexpr Sense kSavingNotSupported{0x05, 0x39, 0x00};
inline constexpr Sense kIllegalModeForTrack{0x05, 0x64, 0x00};
inline constexpr Sense kMediumChanged{0x06, 0x28, 0x00};
}  // namespace sense

// Length of the fixed-format sense record: 8 bytes of head plus 10 additional bytes.
inline constexpr std::size_t kFixedSenseLength = 18;

// Fixed-format sense data: response code 70h (current error), key in byte 2,
// additional length 10 in byte 7, ASC in byte 12, ASCQ in byte 13.
std::array<std::uint8_t, kFixedSenseLength> FixedSense(const Sense& sense);

}  // namespace tarnwick::vdrive
