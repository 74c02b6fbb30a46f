// Checks and conversions shared by every UDF descriptor the import reads: the tag's
// checksum, CRC and recorded location, OSTA compressed Unicode names, and time stamps
// with their time zone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "iso/Records.h"
#include "udf/UdfFormat.h"

namespace tarnwick::udf {

// True for a sector of a UDF volume recognition sequence (BEA01, NSR02, NSR03, TEA01).
bool IsVolumeRecognition(const std::uint8_t* sector);

// CRC-ITU-T (polynomial 0x1021, start 0) of the bytes, as descriptor tags carry it.
std::uint16_t TagCrc(const std::uint8_t* data, std::size_t length);

// Why the descriptor in `block` (of `available` bytes) is not a sound `id` recorded at
// `location`; empty when it is. The CRC covers what the tag says, never more than is
// available.
std::string TagFault(const std::uint8_t* block, std::size_t available, std::uint16_t id, std::uint32_t location);

// An OSTA compressed Unicode name (the compression byte, then 8-bit or big-endian
// 16-bit characters; surrogate pairs joined) in UTF-8. Empty for an unknown
// compression or an empty field.
std::string Cs0Name(const std::uint8_t* field, std::size_t length);
// A d-string field: its last byte gives the length of the name in front of it.
std::string DString(const std::uint8_t* field, std::size_t size);

// A recorded time stamp: the day count of its local date and time (NoDate when it is
// none) and, when it is a calendar date, its fields with the zone offset when the
// zone is recorded.
struct TStamp {
  double local = NoDate;
  std::optional<TPosixStamp> posix;
};
TStamp ReadStamp(const Timestamp& stamp);

}  // namespace tarnwick::udf
