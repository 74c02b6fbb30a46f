// Byte-order helpers: every big-endian (MMC) and little-endian (ISO 9660) field is
// read and written through these, never by hand.
#pragma once

#include <cstdint>
#include <cstring>

namespace tarnwick {

inline std::uint16_t GetBE16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
inline std::uint32_t GetBE24(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
}
inline std::uint32_t GetBE32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}
inline std::uint16_t GetLE16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t GetLE32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}
inline std::uint64_t GetBE64(const std::uint8_t* p) {
  return (std::uint64_t{GetBE32(p)} << 32) | GetBE32(p + 4);
}
inline std::uint64_t GetLE64(const std::uint8_t* p) {
  return std::uint64_t{GetLE32(p)} | (std::uint64_t{GetLE32(p + 4)} << 32);
}
inline void PutBE16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 8);
  p[1] = static_cast<std::uint8_t>(v);
}
inline void PutBE24(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 16);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v);
}
inline void PutBE32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 24);
  p[1] = static_cast<std::uint8_t>(v >> 16);
  p[2] = static_cast<std::uint8_t>(v >> 8);
  p[3] = static_cast<std::uint8_t>(v);
}
inline void PutLE16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutLE32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}
inline void PutBE64(std::uint8_t* p, std::uint64_t v) {
  PutBE32(p, static_cast<std::uint32_t>(v >> 32));
  PutBE32(p + 4, static_cast<std::uint32_t>(v));
}
inline void PutLE64(std::uint8_t* p, std::uint64_t v) {
  PutLE32(p, static_cast<std::uint32_t>(v));
  PutLE32(p + 4, static_cast<std::uint32_t>(v >> 32));
}
// ISO 9660 "both-endian" 32-bit field: little-endian copy then big-endian copy.
inline void PutBoth32(std::uint8_t* p, std::uint32_t v) {
  PutLE32(p, v);
  PutBE32(p + 4, v);
}
inline void PutBoth16(std::uint8_t* p, std::uint32_t v) {
  PutLE16(p, v);
  PutBE16(p + 2, v);
}

// Host-order fields inside answer buffers: some answers are kept with their big-endian
// fields turned to host order in place, and are read back in host order.
inline std::uint16_t GetHost16(const std::uint8_t* p) {
  std::uint16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline std::uint32_t GetHost32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void PutHost16(std::uint8_t* p, std::uint16_t v) { std::memcpy(p, &v, sizeof v); }
inline void PutHost32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, sizeof v); }
inline void BEToHost16InPlace(std::uint8_t* p) { PutHost16(p, GetBE16(p)); }
inline void BEToHost32InPlace(std::uint8_t* p) { PutHost32(p, GetBE32(p)); }

}  // namespace tarnwick
