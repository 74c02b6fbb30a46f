// A byte-by-byte ISO 9660 image builder for malformed and extreme cases: volume
// descriptors, directory records with any lengths, names, flags, dates and
// system-use bytes, placed wherever the test wants them. The written file is a bare
// image, which a virtual drive serves as one session starting at block 0.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tarnwick::test {

struct CraftedRecord {
  std::string name;  // identifier bytes as stored (see Ucs2Be for Joliet names)
  std::uint32_t extent = 0;
  std::uint32_t size = 0;
  std::uint8_t flags = 0;                                      // 1 hidden, 2 directory, 0x80 more extents
  std::array<std::uint8_t, 7> date{101, 6, 15, 12, 30, 44, 0};  // 2001-06-15 12:30:44
  std::string systemUse;   // bytes after the name and its padding byte
  int recordLength = -1;   // stored length byte; -1: the true length
  int nameLength = -1;     // stored name length; -1: name.size()

  static CraftedRecord Dot(std::uint32_t extent, std::uint32_t size);
  static CraftedRecord DotDot(std::uint32_t extent, std::uint32_t size);
  static CraftedRecord File(std::string name, std::uint32_t extent, std::uint32_t size);
  static CraftedRecord Dir(std::string name, std::uint32_t extent, std::uint32_t size = 2048);

  // The record as stored (length byte as given, contents at their true length).
  std::vector<std::uint8_t> Bytes() const;
};

// The records of a directory: its own record and its parent's (one sector each), then
// `records`.
std::vector<CraftedRecord> WithDots(std::uint32_t self, std::uint32_t parent, std::vector<CraftedRecord> records);

// A system-use entry of a record: signature, length, version 1, data.
std::string SuspEntry(const char* signature, const std::string& data);

// Big-endian UCS-2 bytes of a text, as Joliet names are stored.
std::string Ucs2Be(const std::u16string& text);

class CraftedIso {
 public:
  static constexpr std::size_t kSector = 2048;
  // A 40-sector primary volume: root at 20 holding SUB (at 21) and A.TXT, SUB holding
  // B.TXT; both files lie at 30. Failing sector 20 or 21 loses the root or SUB.
  static CraftedIso RootAndOneSubdirectory();
  // The same with BIG.BIN (recorded as 4294967295 bytes, ten digits) in the root in
  // place of A.TXT.
  static CraftedIso BigFileAndOneSubdirectory();
  // A 40-sector Rock Ridge volume whose root (at 20) holds the records after its own
  // two, and the same holding "target.txt" ("hello", at 30) and two symbolic links to
  // it: "link" -> target.txt and "absolute" -> /tmp/target.txt.
  static CraftedIso RockRidgeRoot(const std::vector<CraftedRecord>& records);
  static CraftedIso RockRidgeLinks();

  explicit CraftedIso(std::uint32_t sectors = 32);

  // The sector at lba, growing the image to hold it.
  std::uint8_t* Sector(std::uint32_t lba);
  std::uint32_t Sectors() const { return static_cast<std::uint32_t>(image_.size() / kSector); }

  // A volume descriptor of the type (1 primary, 2 supplementary with the Joliet
  // escape sequence unless `joliet` is false) whose root directory is the extent.
  void Descriptor(std::uint32_t lba, std::uint8_t type, std::uint32_t rootExtent, std::uint32_t rootSize,
                  bool joliet = true);
  void Terminator(std::uint32_t lba);

  // Lays records out from sector lba on, each in the order given; a record that does
  // not fit the rest of a sector starts the next one. Returns the bytes used, in
  // whole sectors (the directory's data length).
  std::uint32_t Directory(std::uint32_t lba, const std::vector<CraftedRecord>& records);
  // The data length Directory would give the records, without writing them.
  static std::uint32_t DirectoryLength(const std::vector<CraftedRecord>& records);

  void Raw(std::uint32_t lba, std::size_t offset, const std::vector<std::uint8_t>& bytes);
  void Data(std::uint32_t lba, const std::string& bytes);

  // Writes the image; returns the path as text.
  std::string Write(const std::filesystem::path& file) const;

 private:
  std::vector<std::uint8_t> image_;
};

}  // namespace tarnwick::test
