// Sending commands to a virtual drive in tests and reading the answers back.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "platform/ByteOrder.h"
#include "vdrive/VirtualDrive.h"

namespace tarnwick::test {

struct DriveAnswer {
  platform::ScsiResult result;
  std::vector<std::uint8_t> data;  // the bytes transferred

  bool good() const { return result.callOk && result.status == 0; }
  std::uint8_t key() const { return result.sense[2] & 0x0F; }
  std::uint8_t asc() const { return result.sense[12]; }
  std::uint8_t ascq() const { return result.sense[13]; }
};

// Sends `cdb` with a data-in buffer of `length` bytes (pre-filled with 0xEE so that
// bytes the drive does not write can be told apart).
inline DriveAnswer Send(vdrive::VirtualDrive& drive, std::vector<std::uint8_t> cdb, std::uint32_t length = 0) {
  DriveAnswer answer;
  std::vector<std::uint8_t> buffer(length, 0xEE);
  platform::ScsiRequest request;
  request.cdb = cdb.data();
  request.cdbLength = static_cast<std::uint8_t>(cdb.size());
  request.direction = length ? platform::DataDirection::In : platform::DataDirection::None;
  request.data = length ? buffer.data() : nullptr;
  request.dataLength = length;
  answer.result = drive.Execute(request);
  buffer.resize(std::min<std::size_t>(answer.result.transferred, buffer.size()));
  answer.data = std::move(buffer);
  return answer;
}

// Sends a data-out command with `parameters`.
inline DriveAnswer SendOut(vdrive::VirtualDrive& drive, std::vector<std::uint8_t> cdb,
                           std::vector<std::uint8_t> parameters) {
  DriveAnswer answer;
  platform::ScsiRequest request;
  request.cdb = cdb.data();
  request.cdbLength = static_cast<std::uint8_t>(cdb.size());
  request.direction = platform::DataDirection::Out;
  request.data = parameters.data();
  request.dataLength = static_cast<std::uint32_t>(parameters.size());
  answer.result = drive.Execute(request);
  return answer;
}

// Command blocks as the system builds them.
inline std::vector<std::uint8_t> ReadTocCdb(std::uint8_t format, bool msf, std::uint8_t track, std::uint16_t length) {
  return {0x43, static_cast<std::uint8_t>(msf ? 0x02 : 0x00), format, 0, 0, 0, track,
          static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length), 0};
}
inline std::vector<std::uint8_t> TrackInfoCdb(std::uint8_t track, std::uint16_t length = 38) {
  return {0x52, 0x01, 0, 0, 0, track, 0, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length), 0};
}
inline std::vector<std::uint8_t> Read10Cdb(std::uint32_t lba, std::uint16_t count) {
  return {0x28, 0, static_cast<std::uint8_t>(lba >> 24), static_cast<std::uint8_t>(lba >> 16),
          static_cast<std::uint8_t>(lba >> 8), static_cast<std::uint8_t>(lba), 0,
          static_cast<std::uint8_t>(count >> 8), static_cast<std::uint8_t>(count), 0};
}
inline std::vector<std::uint8_t> DiscInfoCdb(std::uint16_t length = 56) {
  return {0x51, 0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length), 0};
}
inline std::vector<std::uint8_t> GetConfigCdb(std::uint8_t type, std::uint16_t feature, std::uint16_t length = 114) {
  return {0x46, type, static_cast<std::uint8_t>(feature >> 8), static_cast<std::uint8_t>(feature), 0, 0, 0,
          static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length), 0};
}
inline std::vector<std::uint8_t> ModeSenseCdb(std::uint8_t pageAndControl, std::uint16_t length) {
  return {0x5A, 0, pageAndControl, 0, 0, 0, 0, static_cast<std::uint8_t>(length >> 8),
          static_cast<std::uint8_t>(length), 0};
}

// MSF of a block address, worked out independently of the drive: frames = LBA + 150.
inline std::vector<std::uint8_t> Msf(std::uint32_t lba) {
  const std::uint32_t frames = lba + 150;
  return {static_cast<std::uint8_t>(frames / 4500), static_cast<std::uint8_t>(frames / 75 % 60),
          static_cast<std::uint8_t>(frames % 75)};
}

// The directory record of `name` in the one-block directory at `extent` (empty if absent).
inline std::vector<std::uint8_t> FindRecord(vdrive::VirtualDrive& drive, std::uint32_t extent, const std::string& name) {
  auto dir = Send(drive, Read10Cdb(extent, 1), 2048);
  for (std::size_t at = 0; at + 33 < dir.data.size() && dir.data[at] != 0; at += dir.data[at]) {
    const std::string id(reinterpret_cast<const char*>(&dir.data[at + 33]), dir.data[at + 32]);
    if (id == name) return std::vector<std::uint8_t>(dir.data.begin() + at, dir.data.begin() + at + dir.data[at]);
  }
  return {};
}

// Extent and size of the entry `name` in the directory at `extent`; {0, 0} if absent.
inline std::pair<std::uint32_t, std::uint32_t> FindEntry(vdrive::VirtualDrive& drive, std::uint32_t extent,
                                                         const std::string& name) {
  const std::vector<std::uint8_t> record = FindRecord(drive, extent, name);
  if (record.size() < 33) return {0, 0};
  return {GetLE32(&record[2]), GetLE32(&record[10])};
}

}  // namespace tarnwick::test
