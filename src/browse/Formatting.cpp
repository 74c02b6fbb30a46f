#include "browse/Formatting.h"

#include <algorithm>
#include <charconv>
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
