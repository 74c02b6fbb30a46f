// Read-only access to a disc image file. Blocks are read with positioned reads when
// asked for, so an image of any size opens at once and is never loaded whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ReadOnlyFile.h"
#include "vdrive/ReadAhead.h"

namespace tarnwick::vdrive {

// Files held in memory that stand for the file system: while a set is in use (a fuzz
// target's, for the whole process), every image, sheet and data file is opened from
// it, and no file of the machine is opened or looked at.
class MemoryFiles {
 public:
  virtual ~MemoryFiles() = default;
  // The bytes of the file at `path` (UTF-8, as the readers compose it), not copied:
  // an image opened from them reads them where they lie. None when the set holds no
  // such file.
  virtual std::optional<std::string_view> Find(const std::string& path) const = 0;
};

// Puts `files` in the place of the file system (nullptr: the file system again). The
// set and the bytes it hands out must outlive its use and every image opened from it.
void UseMemoryFiles(const MemoryFiles* files);
// The set in use, or nullptr.
const MemoryFiles* CurrentMemoryFiles();

class ImageFile {
  struct Key {
    explicit Key() = default;
  };

 public:
  // Opens `path` for reading; nullptr with `error` set (the system's reason) on failure.
  static std::shared_ptr<ImageFile> Open(const std::string& path, std::string& error);

  ImageFile(Key, std::unique_ptr<platform::ReadOnlyFile> file, std::string path, std::uint64_t size);  // only through Open

  const std::string& path() const { return path_; }
  // Size in bytes when the file was opened.
  std::uint64_t size() const { return size_; }
  // Reads exactly `length` bytes at `offset`; false on an error or end of file.
  bool Read(std::uint64_t offset, std::uint8_t* destination, std::size_t length) const;
  // The same for a drive's read commands, through the file's read-ahead window (see
  // vdrive/ReadAhead.h), or through the room the calling thread's reader lends around
  // `destination` (platform/ReadRoom.h); the view is valid until the next of these calls. One caller
  // at a time: a drive makes them under its lock.
  bool CommandRead(std::uint64_t offset, std::uint8_t* destination, std::size_t length);
  const std::uint8_t* CommandView(std::uint64_t offset, std::size_t length);

 private:
  std::unique_ptr<platform::ReadOnlyFile> file_;
  std::string path_;
  std::uint64_t size_;
  ReadAhead ahead_;
};

}  // namespace tarnwick::vdrive
