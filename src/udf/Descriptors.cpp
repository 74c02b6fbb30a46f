#include "udf/Descriptors.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "iso/Dates.h"
#include "platform/Text.h"

namespace tarnwick::udf {
namespace {

constexpr std::array<std::uint16_t, 256> MakeCrcTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    std::uint16_t crc = static_cast<std::uint16_t>(i << 8);
    for (int bit = 0; bit < 8; ++bit)
      crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    table[i] = crc;
  }
  return table;
}
constexpr std::array<std::uint16_t, 256> kCrcTable = MakeCrcTable();

void PutUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

bool IsVolumeRecognition(const std::uint8_t* sector) {
  for (const char* id : {"BEA01", "NSR02", "NSR03", "TEA01"})
    if (sector[0] == 0 && std::memcmp(sector + 1, id, 5) == 0) return true;
  return false;
}

std::uint16_t TagCrc(const std::uint8_t* data, std::size_t length) {
  std::uint16_t crc = 0;
  for (std::size_t i = 0; i < length; ++i)
    crc = static_cast<std::uint16_t>((crc << 8) ^ kCrcTable[((crc >> 8) ^ data[i]) & 0xFF]);
  return crc;
}

std::string TagFault(const std::uint8_t* block, std::size_t available, std::uint16_t id, std::uint32_t location) {
  if (available < sizeof(Tag)) return "the descriptor is cut short";
  Tag tag;
  std::memcpy(&tag, block, sizeof tag);
  std::uint8_t sum = 0;
  for (std::size_t i = 0; i < sizeof tag; ++i)
    if (i != 4) sum = static_cast<std::uint8_t>(sum + block[i]);
  if (sum != tag.Checksum || tag.Id() != id) {
    char text[96];
    std::snprintf(text, sizeof text, "no descriptor %u here (tag %u, checksum %s)", unsigned{id}, unsigned{tag.Id()},
                  sum == tag.Checksum ? "sound" : "wrong");
    return text;
  }
  if (tag.CrcBytes() > available - sizeof tag) return "the descriptor's CRC covers more than it holds";
  if (TagCrc(block + sizeof tag, tag.CrcBytes()) != GetLE16(tag.Crc)) return "the descriptor's CRC does not match";
  if (tag.Lba() != location)
    return "the descriptor says it lies at block " + std::to_string(tag.Lba()) + ", not " + std::to_string(location);
  return {};
}

std::string Cs0Name(const std::uint8_t* field, std::size_t length) {
  if (length < 2) return {};
  const std::uint8_t compression = field[0];
  std::string out;
  if (compression == 8 || compression == 254) {
    out.reserve(length);
    for (std::size_t i = 1; i < length; ++i) PutUtf8(out, field[i]);
    return out;
  }
  if (compression == 16 || compression == 255) return platform::Utf16BeToUtf8(field + 1, length - 1);
  return {};
}

std::string DString(const std::uint8_t* field, std::size_t size) {
  if (size < 2) return {};
  const std::size_t used = field[size - 1];
  if (used == 0 || used > size - 1) return {};
  std::string name = Cs0Name(field, used);
  // Some writers pad the name itself with NUL characters.
  while (!name.empty() && (name.back() == '\0' || name.back() == ' ')) name.pop_back();
  return name;
}

TStamp ReadStamp(const Timestamp& stamp) {
  TStamp out;
  const int year = static_cast<std::int16_t>(GetLE16(stamp.Year));
  out.local = EncodeDateTime(year, stamp.Month, stamp.Day, stamp.Hour, stamp.Minute, stamp.Second);
  if (!CalendarSeconds(year, stamp.Month, stamp.Day, stamp.Hour, stamp.Minute, stamp.Second)) return out;
  const std::uint16_t typeZone = GetLE16(stamp.TypeAndZone);
  int zone = typeZone & 0x0FFF;
  if (zone & 0x0800) zone -= 0x1000;
  TPosixStamp posix;
  posix.Year = static_cast<std::int16_t>(year);
  posix.Month = stamp.Month;
  posix.Day = stamp.Day;
  posix.Hour = stamp.Hour;
  posix.Minute = stamp.Minute;
  posix.Second = stamp.Second;
  // Without a zone the time is taken as UTC, as the other readers of the disc do.
  posix.Zoned = (typeZone >> 12) == 1 && zone >= -1440 && zone <= 1440;
  if (posix.Zoned) posix.OffsetMinutes = static_cast<std::int16_t>(zone);
  out.posix = posix;
  return out;
}

}  // namespace tarnwick::udf
