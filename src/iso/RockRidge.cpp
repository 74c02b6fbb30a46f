#include "iso/RockRidge.h"

#include <algorithm>
#include <cstring>

#include "iso/Format.h"

namespace tarnwick::iso {
namespace {

// NM and SL flag bits.
constexpr std::uint8_t kContinue = 0x01;
constexpr std::uint8_t kCurrent = 0x02;
constexpr std::uint8_t kParent = 0x04;
constexpr std::uint8_t kRoot = 0x08;
constexpr std::uint8_t kVolumeRoot = 0x10;
constexpr std::uint8_t kHost = 0x20;
// TF: stamps in the 17-byte form instead of the 7-byte one.
constexpr std::uint8_t kLongForm = 0x80;

// Longer than any local file system takes for a name or a link target: the rest of a
// longer one is dropped and reported, so that records sharing continuation areas
// cannot make every entry as large as one record's entries may be.
constexpr std::size_t kMaxText = 4096;

constexpr std::size_t kShortStamp = 7;
constexpr std::size_t kLongStamp = 17;

// The seven-byte form: years since 1900, month, day, hour, minute, second, and the
// offset from UTC in quarter hours. All zero: not recorded.
std::optional<PosixStamp> ShortStamp(const std::uint8_t* p) {
  if (std::all_of(p, p + kShortStamp, [](std::uint8_t b) { return b == 0; })) return std::nullopt;
  PosixStamp s;
  s.Year = static_cast<std::int16_t>(1900 + p[0]);
  s.Month = p[1];
  s.Day = p[2];
  s.Hour = p[3];
  s.Minute = p[4];
  s.Second = p[5];
  s.Zoned = true;
  s.OffsetMinutes = static_cast<std::int16_t>(static_cast<std::int8_t>(p[6]) * 15);
  return s;
}

int Digits(const std::uint8_t* p, std::size_t n, bool& ok) {
  int v = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (p[i] < '0' || p[i] > '9') ok = false;
    v = v * 10 + (p[i] - '0');
  }
  return v;
}

// The seventeen-byte form: "YYYYMMDDHHMMSScc" digits and the offset byte. All
// digits zero: not recorded.
std::optional<PosixStamp> LongStamp(const std::uint8_t* p, bool& ok) {
  if (std::all_of(p, p + 16, [](std::uint8_t b) { return b == '0' || b == 0; })) return std::nullopt;
  // Digits stay below 10000 (year) and 100 (the others).
  PosixStamp s;
  s.Year = static_cast<std::int16_t>(Digits(p, 4, ok));
  s.Month = static_cast<std::uint8_t>(Digits(p + 4, 2, ok));
  s.Day = static_cast<std::uint8_t>(Digits(p + 6, 2, ok));
  s.Hour = static_cast<std::uint8_t>(Digits(p + 8, 2, ok));
  s.Minute = static_cast<std::uint8_t>(Digits(p + 10, 2, ok));
  s.Second = static_cast<std::uint8_t>(Digits(p + 12, 2, ok));
  Digits(p + 14, 2, ok);  // hundredths: checked, not kept
  s.Zoned = true;
  s.OffsetMinutes = static_cast<std::int16_t>(static_cast<std::int8_t>(p[16]) * 15);
  if (!ok) return std::nullopt;
  return s;
}

void ReadStamps(const SystemUseEntry& e, PosixEntry& out, std::vector<std::string>& problems) {
  if (e.Data.empty()) {
    problems.push_back("time stamp entry without flags");
    return;
  }
  const std::uint8_t flags = e.Data[0];
  const std::size_t size = (flags & kLongForm) ? kLongStamp : kShortStamp;
  std::size_t count = 0;
  for (std::size_t k = 0; k < kStampKinds; ++k) count += (flags >> k) & 1;
  if (1 + count * size > e.Data.size()) {
    problems.push_back(Format("time stamp entry holds %zu bytes for %zu stamps", e.Data.size() - 1, count));
    return;
  }
  const std::uint8_t* p = e.Data.data() + 1;
  for (std::size_t k = 0; k < kStampKinds; ++k) {
    if (!((flags >> k) & 1)) continue;
    bool ok = true;
    const auto stamp = (flags & kLongForm) ? LongStamp(p, ok) : ShortStamp(p);
    if (!ok) problems.push_back(Format("%s time stamp is not a number", StampName(static_cast<StampKind>(k))));
    if (stamp && !out.Stamps[k]) out.Stamps[k] = stamp;
    p += size;
  }
}

// One SL entry's components appended to the target. `joinNext` carries whether the
// next component continues the last one (no separator) across entries.
bool ReadLinkEntry(const SystemUseEntry& e, std::string& target, bool& joinNext, std::vector<std::string>& problems) {
  if (e.Data.empty()) {
    problems.push_back("symbolic link entry without flags");
    return false;
  }
  std::string text = target;
  bool join = joinNext;
  std::size_t pos = 1;
  while (pos < e.Data.size()) {
    if (pos + 2 > e.Data.size()) {
      problems.push_back("symbolic link component header runs past its entry");
      return false;
    }
    const std::uint8_t flags = e.Data[pos];
    const std::size_t length = e.Data[pos + 1];
    if (pos + 2 + length > e.Data.size()) {
      problems.push_back(Format("symbolic link component of %zu bytes is longer than its entry", length));
      return false;
    }
    std::string piece;
    if (flags & (kRoot | kVolumeRoot)) piece = "/";
    else if (flags & kParent) piece = "..";
    else if (flags & kCurrent) piece = ".";
    else if (!(flags & kHost)) piece.assign(reinterpret_cast<const char*>(e.Data.data() + pos + 2), length);
    if (!join && !text.empty() && text.back() != '/') text += '/';
    text += piece;
    join = (flags & kContinue) != 0;
    pos += 2 + length;
  }
  target = std::move(text);
  joinNext = join;
  return true;
}

void CutLongText(std::string& text, const char* what, std::vector<std::string>& problems) {
  if (text.size() <= kMaxText) return;
  problems.push_back(Format("%s longer than %zu bytes; the rest is dropped", what, kMaxText));
  text.resize(kMaxText);
}

bool SoundName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

}  // namespace

bool IsPosixExtensionId(const std::string& id) {
  return id == "RRIP_1991A" || id == "IEEE_P1282" || id == "IEEE_1282";
}

PosixEntry ReadPosixEntries(const std::vector<SystemUseEntry>& entries, std::vector<std::string>& problems) {
  PosixEntry out;
  std::string name;
  bool haveName = false, nameOpen = false;
  std::string target;
  bool haveLink = false, linkOpen = false, joinNext = false;

  for (const SystemUseEntry& e : entries) {
    const auto& d = e.Data;
    if (e.Is("NM")) {
      out.Present = true;
      if (d.empty()) {
        problems.push_back("name entry without flags");
        continue;
      }
      if (d[0] & kCurrent) out.NameCurrent = true;
      if (d[0] & kParent) out.NameParent = true;
      if (d[0] & (kCurrent | kParent | kHost)) continue;
      name.append(reinterpret_cast<const char*>(d.data() + 1), d.size() - 1);
      haveName = true;
      nameOpen = (d[0] & kContinue) != 0;
    } else if (e.Is("PX")) {
      out.Present = true;
      constexpr std::size_t need = sizeof(PosixAttributesEntry) - sizeof(SystemUseHeader);
      if (d.size() < need) {
        problems.push_back("attribute entry too short");
        continue;
      }
      if (out.Mode) continue;
      PosixAttributesEntry px;
      std::memcpy(reinterpret_cast<std::uint8_t*>(&px) + sizeof(SystemUseHeader), d.data(), need);
      out.Mode = GetLE32(px.Mode);
      out.Links = GetLE32(px.Links);
      out.User = GetLE32(px.User);
      out.Group = GetLE32(px.Group);
    } else if (e.Is("TF")) {
      out.Present = true;
      ReadStamps(e, out, problems);
    } else if (e.Is("SL")) {
      out.Present = true;
      if (ReadLinkEntry(e, target, joinNext, problems)) {
        haveLink = true;
        linkOpen = (d[0] & kContinue) != 0;
      }
    } else if (e.Is("CL") || e.Is("PL")) {
      out.Present = true;
      if (d.size() < sizeof(DirectoryLinkEntry::Location)) {
        problems.push_back(Format("%c%c entry too short", e.Signature[0], e.Signature[1]));
        continue;
      }
      auto& slot = e.Is("CL") ? out.ChildLocation : out.ParentLocation;
      if (!slot) slot = GetLE32(d.data());
    } else if (e.Is("RE")) {
      out.Present = true;
      out.Relocated = true;
    } else if (e.Is("PN") || e.Is("RR") || e.Is("SF")) {
      out.Present = true;
    }
  }

  if (nameOpen) problems.push_back("name continues past its last entry");
  if (haveName) {
    CutLongText(name, "name", problems);
    if (SoundName(name)) out.Name = std::move(name);
    else problems.push_back("name entry holds no usable name");
  }
  if (linkOpen) problems.push_back("symbolic link target continues past its last entry");
  if (haveLink || (out.Mode && (*out.Mode & kModeTypeMask) == kModeSymlink)) {
    out.Symlink = true;
    CutLongText(target, "symbolic link target", problems);
    if (target.find('\0') != std::string::npos) {
      // A local link would end at the NUL while listings show the whole target.
      problems.push_back("symbolic link target holds a NUL byte");
    } else {
      out.LinkTarget = std::move(target);
      if (out.LinkTarget.empty()) problems.push_back("symbolic link without a target");
    }
  }
  return out;
}

}  // namespace tarnwick::iso
