// Written by hand rather than with iconv: glibc's iconv stops with EILSEQ at an
// unpaired surrogate, while names on a disc must still come out, with a replacement
// mark in place of the broken unit. The decoding itself is small and complete here.
#include "platform/Text.h"

#include "platform/ByteOrder.h"

namespace tarnwick::platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Writes the UTF-8 form of `cp` at `out` (room for 4 bytes); returns the end.
char* PutUtf8(char* out, char32_t cp) {
  if (cp < 0x80) {
    *out++ = static_cast<char>(cp);
  } else if (cp < 0x800) {
    *out++ = static_cast<char>(0xC0 | (cp >> 6));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (cp >> 12));
    *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (cp >> 18));
    *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

// Calls emit(code point) for every character of the text: a pair of surrogates is one
// character, an unpaired surrogate is the replacement mark.
template <typename Emit>
void ForEachCodePoint(const std::uint8_t* data, std::size_t units, Emit emit) {
  for (std::size_t i = 0; i < units; ++i) {
    const char32_t unit = GetBE16(data + 2 * i);
    if (IsHighSurrogate(unit) && i + 1 < units) {
      const char32_t next = GetBE16(data + 2 * (i + 1));
      if (IsLowSurrogate(next)) {
        emit(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
        ++i;
        continue;
      }
    }
    emit(IsHighSurrogate(unit) || IsLowSurrogate(unit) ? kReplacement : unit);
  }
}

}  // namespace

std::string Utf16BeToUtf8(const std::uint8_t* data, std::size_t byteLength) {
  std::string out;
  if (data == nullptr) return out;
  const std::size_t units = byteLength / 2;
  // The length is counted first, so the text is written into room sized once (held
  // inside the string itself for a short name) instead of growing a byte at a time.
  std::size_t length = 0;
  ForEachCodePoint(data, units,
                   [&length](char32_t cp) { length += cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4; });
  out.resize(length);
  char* end = out.data();
  ForEachCodePoint(data, units, [&end](char32_t cp) { end = PutUtf8(end, cp); });
  return out;
}

std::size_t Utf8SequenceLength(const std::string& text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
  const std::uint8_t lead = byte(i);
  std::size_t length = 0;
  std::uint8_t low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k)
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
  return length;
}

bool IsValidUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    if (static_cast<std::uint8_t>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = Utf8SequenceLength(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

}  // namespace tarnwick::platform
