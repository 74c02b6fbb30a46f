// A local file opened for positioned reads (disc images): blocks are read where they
// are asked for, so a file of any size opens at once and is never loaded whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tarnwick::platform {

class ReadOnlyFile {
 public:
  virtual ~ReadOnlyFile() = default;
  // Opens `path` (UTF-8) for reading; nullptr with `error` set (the system's reason)
  // on failure. Only regular files and block devices are accepted (a FIFO, a socket
  // or a character device is refused without waiting), so opening never blocks.
  static std::unique_ptr<ReadOnlyFile> Open(const std::string& path, std::string& error);
  // Size in bytes when the file was opened.
  virtual std::uint64_t Size() const = 0;
  // Reads exactly `length` bytes at `offset`; false on an error or end of file.
  // Safe to call from several threads at once.
  virtual bool ReadAt(std::uint64_t offset, std::uint8_t* destination, std::size_t length) const = 0;
};

}  // namespace tarnwick::platform
