#include "support/CraftedIso.h"

#include <cstring>
#include <fstream>
#include <stdexcept>

#include "platform/ByteOrder.h"

namespace tarnwick::test {
namespace {

std::size_t TrueLength(const CraftedRecord& r) {
  const std::size_t base = 33 + r.name.size();
  return base + (base % 2) + r.systemUse.size();
}

}  // namespace

namespace {

CraftedRecord Make(std::string name, std::uint32_t extent, std::uint32_t size, std::uint8_t flags) {
  CraftedRecord r;
  r.name = std::move(name);
  r.extent = extent;
  r.size = size;
  r.flags = flags;
  return r;
}

}  // namespace

CraftedRecord CraftedRecord::Dot(std::uint32_t extent, std::uint32_t size) {
  return Make(std::string(1, '\0'), extent, size, 2);
}

CraftedRecord CraftedRecord::DotDot(std::uint32_t extent, std::uint32_t size) {
  return Make(std::string(1, '\1'), extent, size, 2);
}

CraftedRecord CraftedRecord::File(std::string name, std::uint32_t extent, std::uint32_t size) {
  return Make(std::move(name), extent, size, 0);
}

CraftedRecord CraftedRecord::Dir(std::string name, std::uint32_t extent, std::uint32_t size) {
  return Make(std::move(name), extent, size, 2);
}

std::vector<CraftedRecord> WithDots(std::uint32_t self, std::uint32_t parent, std::vector<CraftedRecord> records) {
  records.insert(records.begin(), {CraftedRecord::Dot(self, 2048), CraftedRecord::DotDot(parent, 2048)});
  return records;
}

std::vector<std::uint8_t> CraftedRecord::Bytes() const {
  std::vector<std::uint8_t> out(TrueLength(*this), 0);
  out[0] = static_cast<std::uint8_t>(recordLength >= 0 ? recordLength : static_cast<int>(out.size()));
  PutBoth32(&out[2], extent);
  PutBoth32(&out[10], size);
  std::memcpy(&out[18], date.data(), date.size());
  out[25] = flags;
  PutBoth16(&out[28], 1);
  out[32] = static_cast<std::uint8_t>(nameLength >= 0 ? nameLength : static_cast<int>(name.size()));
  std::memcpy(&out[33], name.data(), name.size());
  std::memcpy(&out[out.size() - systemUse.size()], systemUse.data(), systemUse.size());
  return out;
}

std::string Ucs2Be(const std::u16string& text) {
  std::string bytes;
  for (char16_t c : text) {
    bytes += static_cast<char>(c >> 8);
    bytes += static_cast<char>(c & 0xFF);
  }
  return bytes;
}

CraftedIso::CraftedIso(std::uint32_t sectors) : image_(std::size_t{sectors} * kSector, 0) {}

std::uint8_t* CraftedIso::Sector(std::uint32_t lba) {
  const std::size_t end = (std::size_t{lba} + 1) * kSector;
  if (image_.size() < end) image_.resize(end, 0);
  return image_.data() + std::size_t{lba} * kSector;
}

void CraftedIso::Descriptor(std::uint32_t lba, std::uint8_t type, std::uint32_t rootExtent, std::uint32_t rootSize,
                            bool joliet) {
  std::uint8_t* s = Sector(lba);
  std::memset(s, 0, kSector);
  s[0] = type;
  std::memcpy(s + 1, "CD001", 5);
  s[6] = 1;
  if (type == 2 && joliet) std::memcpy(s + 88, "%/E", 3);
  const std::vector<std::uint8_t> root = CraftedRecord::Dot(rootExtent, rootSize).Bytes();
  std::memcpy(s + 156, root.data(), root.size());
}

void CraftedIso::Terminator(std::uint32_t lba) {
  std::uint8_t* s = Sector(lba);
  std::memset(s, 0, kSector);
  s[0] = 255;
  std::memcpy(s + 1, "CD001", 5);
  s[6] = 1;
}

std::uint32_t CraftedIso::DirectoryLength(const std::vector<CraftedRecord>& records) {
  std::size_t sector = 0, offset = 0;
  for (const CraftedRecord& r : records) {
    const std::size_t length = TrueLength(r);
    if (offset + length > kSector) {
      ++sector;
      offset = 0;
    }
    offset += length;
  }
  return static_cast<std::uint32_t>((sector + 1) * kSector);
}

std::uint32_t CraftedIso::Directory(std::uint32_t lba, const std::vector<CraftedRecord>& records) {
  std::size_t sector = 0, offset = 0;
  for (const CraftedRecord& r : records) {
    const std::vector<std::uint8_t> bytes = r.Bytes();
    if (bytes.size() > kSector) throw std::invalid_argument("record longer than a sector");
    if (offset + bytes.size() > kSector) {
      ++sector;
      offset = 0;
    }
    std::memcpy(Sector(static_cast<std::uint32_t>(lba + sector)) + offset, bytes.data(), bytes.size());
    offset += bytes.size();
  }
  Sector(static_cast<std::uint32_t>(lba + sector));
  return static_cast<std::uint32_t>((sector + 1) * kSector);
}

void CraftedIso::Raw(std::uint32_t lba, std::size_t offset, const std::vector<std::uint8_t>& bytes) {
  if (bytes.empty()) return;
  const std::size_t sectors = (offset + bytes.size() + kSector - 1) / kSector;
  for (std::size_t i = 0; i < sectors; ++i) Sector(static_cast<std::uint32_t>(lba + i));
  std::memcpy(image_.data() + std::size_t{lba} * kSector + offset, bytes.data(), bytes.size());
}

void CraftedIso::Data(std::uint32_t lba, const std::string& bytes) {
  Raw(lba, 0, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

std::string CraftedIso::Write(const std::filesystem::path& file) const {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(image_.data()), static_cast<std::streamsize>(image_.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
  return file.string();
}

CraftedIso CraftedIso::RootAndOneSubdirectory() {
  using R = CraftedRecord;
  CraftedIso iso(40);
  iso.Descriptor(16, 1, 20, 2048);
  iso.Terminator(17);
  iso.Directory(20, {R::Dot(20, 2048), R::DotDot(20, 2048), R::Dir("SUB", 21), R::File("A.TXT;1", 30, 1)});
  iso.Directory(21, {R::Dot(21, 2048), R::DotDot(20, 2048), R::File("B.TXT;1", 30, 1)});
  return iso;
}

std::string SuspEntry(const char* signature, const std::string& data) {
  return std::string(signature, 2) + static_cast<char>(4 + data.size()) + '\x01' + data;
}

CraftedIso CraftedIso::RockRidgeRoot(const std::vector<CraftedRecord>& records) {
  CraftedIso iso(40);
  iso.Descriptor(16, 1, 20, 2048);
  iso.Raw(16, 80, {0x28, 0, 0, 0, 0, 0, 0, 0x28});  // 40 blocks of volume space
  iso.Terminator(17);
  CraftedRecord dot = CraftedRecord::Dot(20, 2048);
  dot.systemUse = SuspEntry("SP", std::string("\xBE\xEF\x00", 3)) + SuspEntry("RR", "\x81");
  std::vector<CraftedRecord> all{dot, CraftedRecord::DotDot(20, 2048)};
  all.insert(all.end(), records.begin(), records.end());
  iso.Directory(20, all);
  return iso;
}

CraftedIso CraftedIso::RockRidgeLinks() {
  using R = CraftedRecord;
  // A name, and a link's target as one path component per entry (flags, length, text;
  // flag 8 is the root).
  const auto named = [](R record, const std::string& name) {
    record.systemUse = SuspEntry("NM", std::string(1, '\0') + name) + record.systemUse;
    return record;
  };
  R relative = R::File("LINK;1", 0, 0), absolute = R::File("ABSOLUTE;1", 0, 0);
  relative.systemUse = SuspEntry("SL", std::string("\0\0\x0a", 3) + "target.txt");
  absolute.systemUse = SuspEntry("SL", std::string("\0\x08\0\0\x03", 5) + "tmp" + std::string("\0\x0a", 2) +
                                                "target.txt");
  CraftedIso iso = RockRidgeRoot(
      {named(absolute, "absolute"), named(relative, "link"), named(R::File("TARGET.TXT;1", 30, 5), "target.txt")});
  iso.Data(30, "hello");
  return iso;
}

CraftedIso CraftedIso::BigFileAndOneSubdirectory() {
  using R = CraftedRecord;
  CraftedIso iso(40);
  iso.Descriptor(16, 1, 20, 2048);
  iso.Terminator(17);
  iso.Directory(20, {R::Dot(20, 2048), R::DotDot(20, 2048), R::File("BIG.BIN;1", 30, 4294967295u), R::Dir("SUB", 21)});
  iso.Directory(21, {R::Dot(21, 2048), R::DotDot(20, 2048), R::File("B.TXT;1", 30, 1)});
  return iso;
}

}  // namespace tarnwick::test
