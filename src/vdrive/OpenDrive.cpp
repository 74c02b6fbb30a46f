// Opening a virtual drive from a file: a disc description or a bare image.
#include <filesystem>

#include "vdrive/DescriptionParser.h"
#include "vdrive/RescueMap.h"
#include "vdrive/VirtualDrive.h"
#include "vdrive/images/ImageReaders.h"
#include "vdrive/images/ImageSupport.h"
#include "platform/LocalPath.h"

namespace tarnwick::vdrive {

namespace {

DiscModel ModelFromImage(const std::string& path, const std::string& givenMap) {
  std::string error;
  auto file = ImageFile::Open(path, error);
  if (!file) throw DescriptionError(path + ": cannot open the image: " + error);
  const std::uint64_t blocks = file->size() / kBlockSize;
  if (blocks == 0) throw DescriptionError(path + ": the image holds no complete 2048-byte block");
  if (blocks > 0xFFFFFFFFull) throw DescriptionError(path + ": the image is too large");
  DiscModel model;
  model.source = path;
  model.medium.profile = PressedProfileFor(blocks);
  model.medium.status = DiscStatus::Complete;
  model.medium.capacity = static_cast<std::uint32_t>(blocks);
  model.medium.layers = LayersFor(model.medium.profile, model.medium.capacity);
  model.drive.pages[0x2A] = DefaultCapabilitiesPage();
  model.drive.pages[0x05] = DefaultWriteParametersPage();
  Track track;
  track.number = 1;
  track.session = 1;
  track.start = 0;
  track.length = static_cast<std::uint32_t>(blocks);
  track.file = std::move(file);
  model.tracks.push_back(std::move(track));
  model.sessions = 1;
  // An image saved from a damaged disc fails where the disc did: its map lies beside it.
  // A map named by the caller must be there.
  const std::string mapPath = givenMap.empty() ? MapPathFor(path) : givenMap;
  std::error_code ec;
  if (!givenMap.empty() || std::filesystem::exists(platform::LocalPath(mapPath), ec)) {
    std::string mapError;
    const std::optional<TRescueMap> map = TRescueMap::Load(mapPath, mapError);
    if (!map) throw DescriptionError(mapPath + ": " + mapError);
    if (map->Size() != blocks * kBlockSize)
      throw DescriptionError(mapPath + ": the map is for an image of " + std::to_string(map->Size()) +
                             " bytes; " + path + " holds " + std::to_string(blocks * kBlockSize));
    AddMapFaults(model, *map, 0);
  }
  return model;
}

}  // namespace

std::shared_ptr<VirtualDrive> ParseDiscDescription(const std::string& text, const std::string& baseDir,
                                                   const std::string& name) {
  return std::make_shared<VirtualDrive>(ParseDescription(text, baseDir, name));
}

std::shared_ptr<VirtualDrive> OpenVirtualDrive(const std::string& path, const std::string& mapPath) {
  if (CurrentMemoryFiles() == nullptr) {
    std::error_code ec;
    [[maybe_unused]] const std::uintmax_t size = std::filesystem::file_size(platform::LocalPath(path), ec);
    if (ec) {
      // Opening says why better: a pipe or a device is no regular file.
      std::string error;
      if (!ImageFile::Open(path, error)) throw DescriptionError(path + ": " + error);
      throw DescriptionError(path + ": " + ec.message());
    }
  }
  using images::ImageKind;
  const ImageKind kind = images::DetectImageKind(path);
  if (!mapPath.empty() && kind != ImageKind::Plain)
    throw DescriptionError(path + ": a map goes with a plain image; a disc description names its map with 'fault map='");
  switch (kind) {
    case ImageKind::Description: {
      const std::string text = images::ReadSheet(path);
      const std::string baseDir = platform::Utf8Text(platform::LocalPath(path).parent_path());
      DiscModel model = ParseDescription(text, baseDir.empty() ? "." : baseDir, path);
      model.source = path;
      return std::make_shared<VirtualDrive>(std::move(model));
    }
    case ImageKind::Cue:
      return std::make_shared<VirtualDrive>(images::ReadCueSheet(path));
    case ImageKind::CloneCd:
      return std::make_shared<VirtualDrive>(images::ReadCloneCd(path));
    case ImageKind::Nero:
      return std::make_shared<VirtualDrive>(images::ReadNero(path));
    case ImageKind::Alcohol:
      return std::make_shared<VirtualDrive>(images::ReadAlcohol(path));
    case ImageKind::CdrdaoToc:
      return std::make_shared<VirtualDrive>(images::ReadCdrdaoToc(path));
    case ImageKind::Plain:
      break;
  }
  return std::make_shared<VirtualDrive>(ModelFromImage(path, mapPath));
}

}  // namespace tarnwick::vdrive
