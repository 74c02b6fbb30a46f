#include "vdrive/ImageFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tarnwick::vdrive {

std::shared_ptr<ImageFile> ImageFile::Open(const std::string& path, std::string& error) {
  platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
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
  return std::make_shared<ImageFile>(Key{}, std::move(fd), path, static_cast<std::uint64_t>(st.st_size));
}

ImageFile::ImageFile(Key, platform::UniqueFd fd, std::string path, std::uint64_t size)
    : fd_(std::move(fd)), path_(std::move(path)), size_(size) {}

bool ImageFile::Read(std::uint64_t offset, std::uint8_t* destination, std::size_t length) const {
  while (length > 0) {
    ssize_t got = ::pread(fd_.get(), destination, length, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    destination += got;
    offset += static_cast<std::uint64_t>(got);
    length -= static_cast<std::size_t>(got);
  }
  return true;
}

}  // namespace tarnwick::vdrive
