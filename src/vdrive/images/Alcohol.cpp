// Alcohol images: the .mds descriptor (vdrive/images/AlcoholLayout.h) places each
// track (its block address, sector size, subchannel data and mode) in the .mdf data
// file named by its file name block ("*.mdf": the descriptor's own name). Lead-in
// entries of ADR 5 say what the medium is, as in a CloneCD control file: B0h in the
// last session says another session may still be written (an appendable CD-R), C0h
// that the disc is a recordable one.
#include <cstring>
#include <filesystem>
#include <map>

#include "platform/ByteOrder.h"
#include "vdrive/RawSector.h"
#include "vdrive/images/AlcoholLayout.h"
#include "vdrive/images/ImageReaders.h"
#include "vdrive/images/ImageSupport.h"
#include "platform/LocalPath.h"

namespace tarnwick::vdrive::images {

namespace {

// Descriptors are small: a header, 99 sessions at most and their track blocks.
constexpr std::uint64_t kMaxDescriptorBytes = 1 << 20;

class MdsReader {
 public:
  explicit MdsReader(std::string path) : path_(std::move(path)) {}

  DiscModel Run() {
    std::string error;
    auto file = ImageFile::Open(path_, error);
    if (!file) Fail(path_, 0, "cannot open the descriptor: " + error);
    if (file->size() > kMaxDescriptorBytes) Fail(path_, 0, "too large for a descriptor");
    bytes_.resize(file->size());
    if (!bytes_.empty() && !file->Read(0, bytes_.data(), bytes_.size())) Fail(path_, 0, "cannot be read");

    const auto h = Record<alcohol::Header>(0, "header");
    if (std::memcmp(h.signature, alcohol::kSignature, 16) != 0) Fail(path_, 0, "no MEDIA DESCRIPTOR signature");
    const unsigned sessions = GetLE16(h.sessions);
    if (sessions == 0 || sessions > 99) Fail(path_, 0, std::to_string(sessions) + " sessions");
    MediumHint hint;
    switch (GetLE16(h.mediumType)) {
      case 0x00: hint.profile = profile::kCdRom; break;
      case 0x01: hint.profile = profile::kCdR; break;
      case 0x02: hint.profile = profile::kCdRw; break;
      case 0x10: hint.profile = profile::kDvdRom; break;
      case 0x12: hint.profile = profile::kDvdR; break;
      default: break;
    }

    DiscModel model;
    bool appendable = false, recordable = false;
    const std::uint64_t sessionsAt = GetLE32(h.sessionsOffset);
    for (unsigned s = 0; s < sessions; ++s) {
      const auto session = Record<alcohol::Session>(sessionsAt + s * sizeof(alcohol::Session), "session block");
      const int number = GetLE16(session.number);
      const std::int64_t end = static_cast<std::int32_t>(GetLE32(session.end));
      const std::uint64_t blocksAt = GetLE32(session.tracksOffset);
      std::vector<std::size_t> mine;
      for (unsigned b = 0; b < session.blocks; ++b) {
        const std::uint64_t at = blocksAt + b * sizeof(alcohol::TrackBlock);
        const auto block = Record<alcohol::TrackBlock>(at, "track block");
        if (block.point == 0xB0 && s + 1 == sessions) appendable = true;
        if (block.point == 0xC0) recordable = true;
        if (block.point < 1 || block.point > 99) continue;
        if (model.tracks.size() == kMaxTracks) Fail(path_, 0, "more than 99 tracks");
        model.tracks.push_back(MakeTrack(block, number));
        mine.push_back(model.tracks.size() - 1);
      }
      // Tracks without a length in an extra block run to the next track or the session's end.
      for (std::size_t k = 0; k < mine.size(); ++k) {
        Track& t = model.tracks[mine[k]];
        if (t.length != 0) continue;
        const std::int64_t next = k + 1 < mine.size() ? model.tracks[mine[k + 1]].start : end;
        if (next <= std::int64_t{t.start} || next > 0x7FFFFFFF) Fail(path_, 0, "track " + std::to_string(t.number) + " has no length");
        t.length = static_cast<std::uint32_t>(next - t.start);
      }
    }
    if ((appendable || recordable) && (hint.profile == profile::kNone || hint.profile == profile::kCdRom))
      hint.profile = profile::kCdR;
    hint.appendable = appendable;
    FinishImageModel(model, path_, hint);
    return model;
  }

 private:
  template <typename T>
  T Record(std::uint64_t at, const char* what) const {
    if (at > bytes_.size() || bytes_.size() - at < sizeof(T))
      Fail(path_, 0, std::string(what) + " at byte " + std::to_string(at) + " lies past the end of the file");
    T record;
    std::memcpy(&record, bytes_.data() + at, sizeof record);
    return record;
  }

  Track MakeTrack(const alcohol::TrackBlock& b, int session) {
    Track t;
    t.number = b.point;
    t.session = session;
    const std::string name = "track " + std::to_string(t.number);
    const std::int64_t start = static_cast<std::int32_t>(GetLE32(b.startSector));
    if (start < 0) Fail(path_, 0, name + " starts at block " + std::to_string(start));
    t.start = static_cast<std::uint32_t>(start);
    const unsigned kind = b.mode & 0x0F;
    const std::uint32_t size = GetLE16(b.sectorSize);
    const std::uint32_t sub = b.subchannel ? kSubchannelSize : 0;
    t.sectorSize = size;
    switch (kind) {
      case 0x9: t.audio = true; break;
      case 0xA: t.layout = size - sub == kBlockSize ? SectorLayout::User : SectorLayout::Mode1Raw; break;
      case 0xB: case 0xC:
        t.layout = size - sub == kBlockSize ? SectorLayout::User
                   : size - sub == kXaSectorSize ? SectorLayout::Mode2Xa : SectorLayout::Mode2Raw;
        break;
      default: Fail(path_, 0, name + " has mode " + std::to_string(b.mode) + ", which holds no readable data");
    }
    if (!t.audio && size < sub + LayoutSectorSize(t.layout)) Fail(path_, 0, name + ": sector size " + std::to_string(size) + " does not fit its mode");
    if (const std::uint64_t extraAt = GetLE32(b.extraOffset)) {
      const auto extra = Record<alcohol::Extra>(extraAt, "extra block");
      t.length = GetLE32(extra.length);
    }
    if (t.audio) return t;
    t.offset = GetLE64(b.startOffset);
    if (GetLE32(b.filenames) == 0) Fail(path_, 0, name + " names no data file");
    t.file = OpenData(GetLE32(b.filenameOffset));
    return t;
  }

  std::shared_ptr<ImageFile> OpenData(std::uint64_t blockAt) {
    const auto f = Record<alcohol::Filename>(blockAt, "file name block");
    const std::uint64_t at = GetLE32(f.nameOffset);
    std::string name;
    if (at >= bytes_.size()) Fail(path_, 0, "the data file name lies past the end of the file");
    for (std::uint64_t i = at; i < bytes_.size() && name.size() < 1024; i += f.wide ? 2 : 1) {
      const unsigned c = f.wide ? (i + 1 < bytes_.size() ? GetLE16(&bytes_[i]) : 0) : bytes_[i];
      if (c == 0) break;
      name += c < 0x80 ? static_cast<char>(c) : '?';
    }
    if (name.empty() || name.rfind("*.", 0) == 0)
      name = platform::Utf8Text(platform::LocalPath(path_).stem()) + (name.empty() ? ".mdf" : name.substr(1));
    auto it = opened_.find(name);
    if (it != opened_.end()) return it->second;
    auto file = OpenCompanion(path_, 0, name);
    opened_[name] = file;
    return file;
  }

  std::string path_;
  std::vector<std::uint8_t> bytes_;
  std::map<std::string, std::shared_ptr<ImageFile>> opened_;
};

}  // namespace

DiscModel ReadAlcohol(const std::string& path) { return MdsReader(path).Run(); }

}  // namespace tarnwick::vdrive::images
