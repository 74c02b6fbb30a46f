// Nero images (.nrg): the sectors first, then the chain of chunks that describes
// them (vdrive/images/NeroLayout.h). Per session: CUES/CUEX (the tracks' block
// addresses) with DAOI/DAOX (their sector size, mode and file offsets), or ETNF/ETN2
// (track-at-once: offset, length, mode and address together), and SINF (the number
// of tracks in the session). MTYP (the medium type) is checked for its size only:
// the disc is taken for a CD.
#include <cstring>
#include <map>
#include <optional>

#include "platform/ByteOrder.h"
#include "vdrive/RawSector.h"
#include "vdrive/images/ImageReaders.h"
#include "vdrive/images/ImageSupport.h"
#include "vdrive/images/NeroLayout.h"

namespace tarnwick::vdrive::images {

namespace {

// No real image has more chunks than this: three per session at most, up to 99 sessions.
constexpr int kMaxChunks = 1024;
constexpr std::uint32_t kMaxChunkBytes = 1 << 20;

struct NrgTrack {
  int number = 0;
  bool audio = false;
  SectorLayout layout = SectorLayout::User;
  std::uint32_t sectorSize = kBlockSize;
  std::uint64_t offset = 0;  // of the track's first block (index 1)
  std::uint64_t bytes = 0;
  std::optional<std::int64_t> start;
};

// The layout of a DAO/ETN track from its mode and sector size: the mode says what
// the sectors hold (mode 1, mode 2, audio), the size whether they are kept whole and
// with subchannel data. False when the two do not fit together.
bool DecodeMode(std::uint32_t mode, std::uint32_t sectorSize, NrgTrack& t) {
  using namespace nero;
  t.sectorSize = sectorSize;
  const bool sub = sectorSize == kRawSectorSize + kSubchannelSize;
  const bool whole = sectorSize == kRawSectorSize || sub;
  switch (mode) {
    case kModeMode1:
    case kModeMode1Raw:
    case kModeMode1RawSub:
      if (sectorSize == kBlockSize && mode == kModeMode1) t.layout = SectorLayout::User;
      else if (whole) t.layout = SectorLayout::Mode1Raw;
      else return false;
      return true;
    case kModeMode2Form1:
    case kModeMode2:
    case kModeMode2Raw:
    case kModeMode2RawSub:
      if (sectorSize == kBlockSize && mode == kModeMode2Form1) t.layout = SectorLayout::User;
      else if (sectorSize == kXaSectorSize && (mode == kModeMode2 || mode == kModeMode2Form1)) t.layout = SectorLayout::Mode2Xa;
      else if (whole) t.layout = SectorLayout::Mode2Raw;
      else return false;
      return true;
    case kModeAudio:
    case kModeAudioSub:
      t.audio = true;
      return whole;
    default:
      return false;
  }
}

// Track-at-once records carry no sector size: it follows from the mode.
std::uint32_t EtnSectorSize(std::uint32_t mode) {
  using namespace nero;
  switch (mode) {
    case kModeMode1: case kModeMode2Form1: return kBlockSize;
    case kModeMode2: return kXaSectorSize;
    case kModeMode1RawSub: case kModeAudioSub: case kModeMode2RawSub: return kRawSectorSize + kSubchannelSize;
    default: return kRawSectorSize;
  }
}

int FromBcd(std::uint8_t v) { return (v >> 4) * 10 + (v & 0x0F); }
bool IsBcd(std::uint8_t v) { return (v >> 4) <= 9 && (v & 0x0F) <= 9; }

// A CUES cue point's minutes, seconds and frames as recorded: written as BCD by some
// programs and as binary numbers by others (see Build).
struct CuePosition {
  std::uint8_t m = 0, s = 0, f = 0;

  // The block address in one reading; none when the bytes are no address in it.
  std::optional<std::int64_t> Lba(bool bcd) const {
    if (bcd && !(IsBcd(m) && IsBcd(s) && IsBcd(f))) return std::nullopt;
    const int minutes = bcd ? FromBcd(m) : m, seconds = bcd ? FromBcd(s) : s, frames = bcd ? FromBcd(f) : f;
    if (seconds >= 60 || frames >= 75) return std::nullopt;
    return (std::int64_t{minutes} * 60 + seconds) * 75 + frames - 150;
  }
};

class NeroReader {
 public:
  explicit NeroReader(std::string path) : path_(std::move(path)) {}

  DiscModel Run() {
    std::string error;
    file_ = ImageFile::Open(path_, error);
    if (!file_) Fail(path_, 0, "cannot open the image: " + error);
    const std::uint64_t size = file_->size();
    std::uint8_t tail[12] = {};
    if (size < 12 || !file_->Read(size - 12, tail, 12)) Fail(path_, 0, "too short for a Nero image");
    std::uint64_t chain = 0, chainEnd = 0;
    if (std::memcmp(tail, "NER5", 4) == 0) {
      chain = GetBE64(tail + 4);
      chainEnd = size - 12;
    } else if (std::memcmp(tail + 4, "NERO", 4) == 0) {
      chain = GetBE32(tail + 8);
      chainEnd = size - 8;
    } else {
      Fail(path_, 0, "no Nero footer (NERO or NER5) at the end of the file");
    }
    if (chain >= chainEnd) Fail(path_, 0, "the footer points outside the file (offset " + std::to_string(chain) + ")");
    ReadChain(chain, chainEnd);
    return Build();
  }

 private:
  [[noreturn]] void Bad(std::uint64_t at, const std::string& what) {
    Fail(path_, 0, "at byte " + std::to_string(at) + ": " + what);
  }

  void ReadChain(std::uint64_t at, std::uint64_t end) {
    for (int n = 0;; ++n) {
      if (n == kMaxChunks) Bad(at, "too many chunks");
      if (at + sizeof(nero::ChunkHead) > end) Bad(at, "the chunk chain runs past its end without END!");
      nero::ChunkHead head;
      if (!file_->Read(at, reinterpret_cast<std::uint8_t*>(&head), sizeof head)) Bad(at, "cannot be read");
      const std::string id(head.id, 4);
      const std::uint32_t size = GetBE32(head.size);
      const std::uint64_t body = at + sizeof head;
      if (id == "END!") return;
      if (size > kMaxChunkBytes || body + size > end) Bad(at, "chunk " + id + " of " + std::to_string(size) + " bytes runs past the chain");
      std::vector<std::uint8_t> data(size);
      if (size && !file_->Read(body, data.data(), size)) Bad(at, "cannot be read");
      Chunk(at, id, data);
      at = body + size;
    }
  }

  void Chunk(std::uint64_t at, const std::string& id, const std::vector<std::uint8_t>& d) {
    if (tracks_.size() > kMaxTracks) Bad(at, "more than 99 tracks");
    if (id == "CUES" || id == "CUEX") {
      if (d.size() % sizeof(nero::CueEntry) != 0) Bad(at, id + " is not a whole number of cue points");
      for (std::size_t i = 0; i < d.size(); i += sizeof(nero::CueEntry)) {
        nero::CueEntry e;
        std::memcpy(&e, &d[i], sizeof e);
        if (e.track == 0 || e.track == 0xAA || e.index != 1) continue;
        if (id == "CUEX") cueStarts_[FromBcd(e.track)] = static_cast<std::int32_t>(GetBE32(e.position));
        else cuePositions_[FromBcd(e.track)] = {e.position[1], e.position[2], e.position[3]};  // after a 0 byte
      }
    } else if (id == "DAOI" || id == "DAOX") {
      const std::size_t width = id == "DAOX" ? 8 : 4;
      const std::size_t per = sizeof(nero::DaoTrack) + 3 * width;
      if (d.size() < sizeof(nero::DaoHead) || (d.size() - sizeof(nero::DaoHead)) % per != 0)
        Bad(at, id + " does not hold whole track records");
      nero::DaoHead head;
      std::memcpy(&head, d.data(), sizeof head);
      int number = head.firstTrack;
      for (std::size_t i = sizeof head; i < d.size() && tracks_.size() <= kMaxTracks; i += per, ++number) {
        nero::DaoTrack rec;
        std::memcpy(&rec, &d[i], sizeof rec);
        NrgTrack t;
        t.number = number;
        if (!DecodeMode(rec.mode, GetBE16(rec.sectorSize), t))
          Bad(at, "track " + std::to_string(number) + ": mode " + std::to_string(rec.mode) + " with " +
                      std::to_string(GetBE16(rec.sectorSize)) + "-byte sectors is not known");
        const std::uint8_t* o = &d[i + sizeof rec];
        const std::uint64_t index1 = width == 8 ? GetBE64(o + 8) : GetBE32(o + 4);
        const std::uint64_t endAt = width == 8 ? GetBE64(o + 16) : GetBE32(o + 8);
        if (endAt < index1 || (endAt - index1) % t.sectorSize != 0) Bad(at, "track " + std::to_string(number) + " ends before it starts");
        t.offset = index1;
        t.bytes = endAt - index1;
        tracks_.push_back(t);
      }
    } else if (id == "ETNF" || id == "ETN2") {
      const bool wide = id == "ETN2";
      const std::size_t per = wide ? sizeof(nero::Etn2Track) : sizeof(nero::EtnfTrack);
      if (d.size() % per != 0) Bad(at, id + " does not hold whole track records");
      for (std::size_t i = 0; i < d.size() && tracks_.size() <= kMaxTracks; i += per) {
        NrgTrack t;
        t.number = static_cast<int>(tracks_.size()) + 1;
        std::uint32_t mode = 0;
        if (wide) {
          nero::Etn2Track r;
          std::memcpy(&r, &d[i], sizeof r);
          t.offset = GetBE64(r.offset);
          t.bytes = GetBE64(r.length);
          mode = GetBE32(r.mode);
          t.start = GetBE32(r.start);
        } else {
          nero::EtnfTrack r;
          std::memcpy(&r, &d[i], sizeof r);
          t.offset = GetBE32(r.offset);
          t.bytes = GetBE32(r.length);
          mode = GetBE32(r.mode);
          t.start = GetBE32(r.start);
        }
        if (!DecodeMode(mode, EtnSectorSize(mode), t)) Bad(at, "track " + std::to_string(t.number) + " has unknown mode " + std::to_string(mode));
        if (t.bytes % t.sectorSize != 0) Bad(at, "track " + std::to_string(t.number) + " is not a whole number of sectors");
        tracks_.push_back(t);
      }
    } else if (id == "SINF") {
      if (d.size() != 4) Bad(at, "SINF is not 4 bytes");
      sessionTracks_.push_back(GetBE32(d.data()));
    } else if (id == "MTYP") {
      if (d.size() != 4) Bad(at, "MTYP is not 4 bytes");
    }
    // Other chunks (CD-TEXT, disc information, relocation) do not place any data.
  }

  // The starts of the CUES cue points, in the reading that fits the tracks: bytes
  // that are not BCD can only be binary; of two possible readings the one whose
  // tracks follow each other in order, each after the end of the one before (their
  // lengths from DAOI), is taken, BCD first when both do (as more of the published
  // descriptions have it).
  void DecideCuePositions() {
    if (cuePositions_.empty()) return;
    std::optional<std::map<int, std::int64_t>> fallback;
    for (const bool bcd : {true, false}) {
      std::map<int, std::int64_t> starts;
      bool valid = true;
      for (const auto& [track, position] : cuePositions_) {
        const auto lba = position.Lba(bcd);
        if (!lba) valid = false;
        else starts[track] = *lba;
      }
      if (!valid) continue;
      if (InOrder(starts)) {
        cueStarts_.insert(starts.begin(), starts.end());
        return;
      }
      if (!fallback) fallback = std::move(starts);
    }
    if (!fallback) Fail(path_, 0, "the CUES cue points are no minutes, seconds and frames");
    cueStarts_.insert(fallback->begin(), fallback->end());
  }

  bool InOrder(const std::map<int, std::int64_t>& starts) const {
    std::int64_t end = 0;
    for (const NrgTrack& t : tracks_) {
      if (t.start) continue;
      const auto it = starts.find(t.number);
      if (it == starts.end() || it->second < end) return false;
      end = it->second + static_cast<std::int64_t>(t.bytes / t.sectorSize);
    }
    return true;
  }

  DiscModel Build() {
    if (tracks_.empty()) Fail(path_, 0, "no track records (DAOI/DAOX or ETNF/ETN2 chunks)");
    DecideCuePositions();
    std::uint64_t counted = 0;
    for (std::uint32_t n : sessionTracks_) counted += n;
    if (!sessionTracks_.empty() && counted != tracks_.size())
      Fail(path_, 0, "the sessions (SINF) hold " + std::to_string(counted) + " tracks, the track records " + std::to_string(tracks_.size()));
    DiscModel model;
    std::size_t session = 0, inSession = 0;
    for (const NrgTrack& r : tracks_) {
      if (!sessionTracks_.empty()) {
        while (session < sessionTracks_.size() && inSession == sessionTracks_[session]) {
          ++session;
          inSession = 0;
        }
      }
      ++inSession;
      std::optional<std::int64_t> start = r.start;
      if (!start) {
        auto it = cueStarts_.find(r.number);
        if (it == cueStarts_.end()) Fail(path_, 0, "track " + std::to_string(r.number) + " has no cue point (CUES/CUEX)");
        start = it->second;
      }
      if (*start < 0 || *start >= 0x7FFFFFFF) Fail(path_, 0, "track " + std::to_string(r.number) + " starts at block " + std::to_string(*start));
      Track t;
      t.number = r.number;
      t.session = static_cast<int>(session) + 1;
      t.audio = r.audio;
      t.start = static_cast<std::uint32_t>(*start);
      const std::uint64_t length = r.bytes / r.sectorSize;
      if (length > 0x7FFFFFFF) Fail(path_, 0, "track " + std::to_string(r.number) + " is too long");
      t.length = static_cast<std::uint32_t>(length);
      if (!r.audio) {
        t.file = file_;
        t.offset = r.offset;
        t.sectorSize = r.sectorSize;
        t.layout = r.layout;
      }
      model.tracks.push_back(std::move(t));
    }
    FinishImageModel(model, path_, MediumHint{});
    return model;
  }

  std::string path_;
  std::shared_ptr<ImageFile> file_;
  std::vector<NrgTrack> tracks_;
  std::map<int, std::int64_t> cueStarts_;
  std::map<int, CuePosition> cuePositions_;
  std::vector<std::uint32_t> sessionTracks_;
};

}  // namespace

DiscModel ReadNero(const std::string& path) { return NeroReader(path).Run(); }

}  // namespace tarnwick::vdrive::images
