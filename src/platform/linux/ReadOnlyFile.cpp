#include "platform/ReadOnlyFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/linux/UniqueFd.h"

namespace tarnwick::platform {
namespace {

class PosixReadOnlyFile final : public ReadOnlyFile {
 public:
  PosixReadOnlyFile(UniqueFd fd, std::uint64_t size) : fd_(std::move(fd)), size_(size) {}

  std::uint64_t Size() const override { return size_; }

  bool ReadAt(std::uint64_t offset, std::uint8_t* destination, std::size_t length) const override {
    while (length > 0) {
      const ssize_t got = ::pread(fd_.get(), destination, length, static_cast<off_t>(offset));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      destination += got;
      offset += static_cast<std::uint64_t>(got);
      length -= static_cast<std::size_t>(got);
    }
    return true;
  }

 private:
  UniqueFd fd_;
  std::uint64_t size_;
};

}  // namespace

std::unique_ptr<ReadOnlyFile> ReadOnlyFile::Open(const std::string& path, std::string& error) {
  // O_NONBLOCK keeps the open itself from waiting for a writer on a FIFO; the file
  // type is checked before anything is read, and the flag cleared again.
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd) {
    error = std::strerror(errno);
    return nullptr;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) {
    error = std::strerror(errno);
    return nullptr;
  }
  if (S_ISDIR(st.st_mode)) {
    error = "is a directory";
    return nullptr;
  }
  std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
  if (S_ISBLK(st.st_mode)) {
    // A block device (a loop device, a partition holding an image) reports its size
    // only through its end.
    const off_t end = ::lseek(fd.get(), 0, SEEK_END);
    if (end < 0) {
      error = std::strerror(errno);
      return nullptr;
    }
    size = static_cast<std::uint64_t>(end);
  } else if (!S_ISREG(st.st_mode)) {
    error = "is not a regular file";
    return nullptr;
  }
  const int flags = ::fcntl(fd.get(), F_GETFL);
  if (flags >= 0) ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
  return std::make_unique<PosixReadOnlyFile>(std::move(fd), size);
}

}  // namespace tarnwick::platform
