#include "vdrive/ImageFile.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace tarnwick::vdrive {

namespace {

std::atomic<const MemoryFiles*> memoryFiles{nullptr};

class MemoryFile final : public platform::ReadOnlyFile {
 public:
  explicit MemoryFile(std::string_view bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(std::uint64_t offset, std::uint8_t* destination, std::size_t length) const override {
    if (offset > bytes_.size() || bytes_.size() - offset < length) return false;
    if (length > 0) std::memcpy(destination, bytes_.data() + offset, length);
    return true;
  }

 private:
  std::string_view bytes_;
};

}  // namespace

void UseMemoryFiles(const MemoryFiles* files) { memoryFiles = files; }

const MemoryFiles* CurrentMemoryFiles() { return memoryFiles; }

std::shared_ptr<ImageFile> ImageFile::Open(const std::string& path, std::string& error) {
  if (const MemoryFiles* files = memoryFiles.load()) {
    const std::optional<std::string_view> bytes = files->Find(path);
    if (!bytes) {
      error = "No such file or directory";
      return nullptr;
    }
    return std::make_shared<ImageFile>(Key{}, std::make_unique<MemoryFile>(*bytes), path, bytes->size());
  }
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
  return ahead_.Read(*file_, size_, offset, destination, length, platform::LentReadRoom(destination, length));
}

const std::uint8_t* ImageFile::CommandView(std::uint64_t offset, std::size_t length) {
  return ahead_.View(*file_, size_, offset, length);
}

}  // namespace tarnwick::vdrive
