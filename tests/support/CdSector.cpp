#include "support/CdSector.h"

#include <array>
#include <cstddef>
#include <cstring>

#include "platform/ByteOrder.h"
#include "vdrive/DiscModel.h"
#include "vdrive/RawSector.h"

namespace tarnwick::test {

namespace {

// Tables of the error detection polynomial (x^32 + x^31 + x^16 + x^15 + x^4 + x^3 + x + 1,
// taken bit-reversed) and of the Galois field GF(2^8) with x^8 + x^4 + x^3 + x^2 + 1.
struct Tables {
  std::array<std::uint32_t, 256> edc{};
  std::array<std::uint8_t, 256> mul2{};     // a * alpha
  std::array<std::uint8_t, 256> div3{};     // inverse of a -> a * (1 + alpha)
  Tables() {
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t e = i;
      for (int k = 0; k < 8; ++k) e = (e >> 1) ^ ((e & 1) ? 0xD8018001u : 0u);
      edc[i] = e;
      const std::uint32_t m = (i << 1) ^ ((i & 0x80) ? 0x11Du : 0u);
      mul2[i] = static_cast<std::uint8_t>(m);
      div3[static_cast<std::uint8_t>(i ^ m)] = static_cast<std::uint8_t>(i);
    }
  }
};

const Tables& T() {
  static const Tables tables;
  return tables;
}

// One layer of the product code: `majors` code words of `minors` bytes each, taken
// from `data` (header onwards) with the given steps; two parity bytes per word.
void ProductCode(const std::uint8_t* data, std::size_t majors, std::size_t minors, std::size_t majorStep,
                 std::size_t minorStep, std::uint8_t* parity) {
  const Tables& t = T();
  const std::size_t size = majors * minors;
  for (std::size_t major = 0; major < majors; ++major) {
    std::size_t index = (major >> 1) * majorStep + (major & 1);
    std::uint8_t a = 0, b = 0;
    for (std::size_t minor = 0; minor < minors; ++minor) {
      const std::uint8_t v = data[index];
      index += minorStep;
      if (index >= size) index -= size;
      a ^= v;
      b ^= v;
      a = t.mul2[a];
    }
    a = t.div3[t.mul2[a] ^ b];
    parity[major] = a;
    parity[major + majors] = a ^ b;
  }
}

}  // namespace

std::uint32_t SectorEdc(const std::uint8_t* data, std::size_t length) {
  std::uint32_t edc = 0;
  for (std::size_t i = 0; i < length; ++i) edc = (edc >> 8) ^ T().edc[(edc ^ data[i]) & 0xFF];
  return edc;
}

void MakeMode1Sector(std::uint32_t lba, const std::uint8_t* user, std::uint8_t* sector) {
  std::memcpy(sector, vdrive::kSyncPattern, 12);
  const vdrive::Msf msf = vdrive::LbaToMsf(lba);
  sector[12] = vdrive::ToBcd(msf.m);
  sector[13] = vdrive::ToBcd(msf.s);
  sector[14] = vdrive::ToBcd(msf.f);
  sector[15] = 1;
  std::memcpy(sector + 16, user, 2048);
  PutLE32(sector + 2064, SectorEdc(sector, 2064));
  std::memset(sector + 2068, 0, 8);
  ProductCode(sector + 12, 86, 24, 2, 86, sector + 2076);          // P parity, 172 bytes
  ProductCode(sector + 12, 52, 43, 86, 88, sector + 2076 + 172);   // Q parity, 104 bytes
}

}  // namespace tarnwick::test
