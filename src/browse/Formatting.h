// Text formats shared by the window and the command-line tool: padded numbers, MSF
// addresses, megabytes, byte counts and rates.
#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

// Decimal text of value, preceded by `pad` repeated (width - length) times when the
// text is shorter than width.
std::string PadNumber(std::int64_t value, int width, const std::string& pad);

// "mmm:ss:ff" (three-digit minutes) from the bytes of a READ TOC MSF descriptor.
std::string MsfText(std::uint8_t minutes, std::uint8_t seconds, std::uint8_t frames);

// The same text for a logical block address (block 0 is 000:02:00). Addresses past
// 255:59:74, which a DVD's later sessions reach and the MSF bytes cannot hold, keep the
// layout with as many minute digits as they need.
std::string LbaMsfText(std::uint32_t lba);

// Whole megabytes of a count of 2048-byte blocks, ties to the even number.
std::int64_t BlocksToMegabytes(std::uint32_t blocks);

// "702.83 MB": blocks as megabytes with two decimals and the given decimal separator.
std::string FormatMegabytes(std::uint32_t blocks, const std::string& decimalSeparator);

// A byte count for people: "1 byte", "512 bytes", then with two decimals and the
// given separator "4.24 KB", "703.12 MB", "1.34 GB" (units of 1024).
std::string SizeText(std::uint64_t bytes, const std::string& decimalSeparator);

// A rate the same way with one decimal: "850 bytes/s", "512.0 KB/s", "21.3 MB/s".
std::string RateText(double bytesPerSecond, const std::string& decimalSeparator);

}  // namespace tarnwick
