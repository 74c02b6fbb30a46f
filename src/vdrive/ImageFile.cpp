#include "vdrive/ImageFile.h"

namespace tarnwick::vdrive {

std::shared_ptr<ImageFile> ImageFile::Open(const std::string& path, std::string& error) {
  auto file = platform::ReadOnlyFile::Open(path, error);
  if (!file) return nullptr;
  const std::uint64_t size = file->Size();
  return std::make_shared<ImageFile>(Key{}, std::move(file), path, size);
}

ImageFile::ImageFile(Key, std::unique_ptr<platform::ReadOnlyFile> file, std::string path, std::uint64_t size)
    : file_(std::move(file)), path_(std::move(path)), size_(size) {}

bool ImageFile::Read(std::uint64_t offset, std::uint8_t* destination, std::size_t length) const {
  return file_->ReadAt(offset, destination, length);
}

bool ImageFile::CommandRead(std::uint64_t offset, std::uint8_t* destination, std::size_t length) {
  return ahead_.Read(*file_, size_, offset, destination, length);
}

const std::uint8_t* ImageFile::CommandView(std::uint64_t offset, std::size_t length) {
  return ahead_.View(*file_, size_, offset, length);
}

}  // namespace tarnwick::vdrive
