#include "browse/Formatting.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <cstdio>

namespace tarnwick {

std::string PadNumber(std::int64_t value, int width, const std::string& pad) {
  char digits[24];
  const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  const int length = static_cast<int>(end - digits);
  std::string result;
  result.reserve(static_cast<std::size_t>(std::max(width - length, 0)) * pad.size() + static_cast<std::size_t>(length));
  if (pad.size() == 1 && width > length) {
    result.append(static_cast<std::size_t>(width - length), pad[0]);
  } else {
    for (int i = length; i < width; ++i) result += pad;
  }
  result.append(digits, static_cast<std::size_t>(length));
  return result;
}

std::string MsfText(std::uint8_t minutes, std::uint8_t seconds, std::uint8_t frames) {
  return PadNumber(minutes, 3, "0") + ":" + PadNumber(seconds, 2, "0") + ":" + PadNumber(frames, 2, "0");
}

std::string LbaMsfText(std::uint32_t lba) {
  const std::int64_t frames = std::int64_t{lba} + 150;
  return PadNumber(frames / 4500, 3, "0") + ":" + PadNumber(frames / 75 % 60, 2, "0") + ":" +
         PadNumber(frames % 75, 2, "0");
}

std::int64_t BlocksToMegabytes(std::uint32_t blocks) {
  // blocks / 512 rounded to the nearest whole number, a half to the even neighbour.
  std::int64_t whole = blocks / 512;
  std::uint32_t rest = blocks % 512;
  if (rest > 256 || (rest == 256 && (whole % 2) == 1)) ++whole;
  return whole;
}

namespace {

// `value` bytes in the largest unit of 1024 it reaches (with the given decimals,
// rounded, the text never reading 1024 of a unit), followed by `suffix`.
std::string InUnits(double value, int decimals, const std::string& suffix, const std::string& decimalSeparator) {
  static const char* const kUnits[] = {"KB", "MB", "GB", "TB"};
  const double roundsUp = 1024 - 0.5 * std::pow(10.0, -decimals);
  std::size_t unit = 0;
  value /= 1024;
  while (value >= roundsUp && unit + 1 < std::size(kUnits)) {
    value /= 1024;
    ++unit;
  }
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  std::string result = text;
  if (const std::size_t dot = result.find('.'); dot != std::string::npos) result.replace(dot, 1, decimalSeparator);
  return result + " " + kUnits[unit] + suffix;
}

}  // namespace

std::string SizeText(std::uint64_t bytes, const std::string& decimalSeparator) {
  if (bytes < 1024) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
  return InUnits(static_cast<double>(bytes), 2, "", decimalSeparator);
}

std::string RateText(double bytesPerSecond, const std::string& decimalSeparator) {
  if (bytesPerSecond < 1023.5) return std::to_string(std::lround(bytesPerSecond)) + " bytes/s";
  return InUnits(bytesPerSecond, 1, "/s", decimalSeparator);
}

std::string FormatMegabytes(std::uint32_t blocks, const std::string& decimalSeparator) {
  double megabytes = static_cast<double>(blocks) / 1024.0 / 1024.0 * 2048.0;
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", megabytes);
  std::string result = text;
  std::size_t dot = result.find('.');
  if (dot != std::string::npos) result.replace(dot, 1, decimalSeparator);
  return result + " MB";
}

}  // namespace tarnwick
