// CUE sheets: FILE lines naming the data files, TRACK lines with their modes, INDEX
// 00/01 positions inside the file, PREGAP/POSTGAP blocks not in the file, and
// "REM SESSION nn" starting a session (with "REM LEAD-OUT mm:ss:ff" giving the
// length of the lead-out before it where a writer records it).
#include <algorithm>
#include <optional>

#include "platform/ByteOrder.h"
#include "vdrive/RawSector.h"
#include "vdrive/images/ImageReaders.h"
#include "vdrive/images/ImageSupport.h"

namespace tarnwick::vdrive::images {

namespace {

constexpr std::uint32_t kLeadInAndPregap = 4650;

struct DataFile {
  std::shared_ptr<ImageFile> file;
  std::uint64_t dataStart = 0;  // where the sectors begin (after a WAVE header)
  std::uint64_t dataEnd = 0;
};

struct CueTrack {
  int number = 0;
  int line = 0;
  int session = 1;
  std::size_t fileIndex = 0;
  bool audio = false;
  SectorLayout layout = SectorLayout::User;
  std::uint32_t sectorSize = kBlockSize;
  std::uint32_t pregap = 0, postgap = 0;
  std::optional<std::uint32_t> index0, index1;
  std::optional<std::uint32_t> gapBefore;  // blocks between the previous session and this one
};

constexpr SheetMode kModes[] = {
    {"AUDIO", true, SectorLayout::User, kRawSectorSize},
    {"MODE1/2048", false, SectorLayout::User, kBlockSize},
    {"MODE1/2352", false, SectorLayout::Mode1Raw, kRawSectorSize},
    {"MODE2/2048", false, SectorLayout::User, kBlockSize},
    {"MODE2/2336", false, SectorLayout::Mode2Xa, kXaSectorSize},
    {"MODE2/2352", false, SectorLayout::Mode2Raw, kRawSectorSize},
};

// Words of a sheet line; a double-quoted word may hold blanks.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    std::string word;
    if (line[i] == '"') {
      const std::size_t close = line.find('"', i + 1);
      word = line.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
      i = close == std::string::npos ? line.size() : close + 1;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') word += line[i++];
    }
    words.push_back(std::move(word));
  }
  return words;
}

// The sound data of a RIFF WAVE file: the bytes of its "data" chunk.
void FindWaveData(const std::string& sheet, int line, DataFile& data) {
  std::uint8_t head[12];
  const ImageFile& f = *data.file;
  if (!f.Read(0, head, sizeof head) || std::string_view(reinterpret_cast<char*>(head), 4) != "RIFF" ||
      std::string_view(reinterpret_cast<char*>(head + 8), 4) != "WAVE")
    Fail(sheet, line, "'" + f.path() + "' is not a WAVE file");
  std::uint64_t at = 12;
  for (int chunks = 0; chunks < 64 && at + 8 <= f.size(); ++chunks) {
    std::uint8_t chunk[8];
    if (!f.Read(at, chunk, sizeof chunk)) break;
    const std::uint64_t size = GetLE32(chunk + 4);
    if (std::string_view(reinterpret_cast<char*>(chunk), 4) == "data") {
      data.dataStart = at + 8;
      data.dataEnd = std::min(f.size(), data.dataStart + size);
      return;
    }
    at += 8 + size + (size & 1);
  }
  Fail(sheet, line, "'" + f.path() + "' holds no WAVE data chunk");
}

class CueParser {
 public:
  explicit CueParser(std::string path) : path_(std::move(path)) {}

  DiscModel Run() {
    const std::vector<std::string> lines = SheetLines(ReadSheet(path_));
    for (std::size_t i = 0; i < lines.size(); ++i) Statement(static_cast<int>(i + 1), lines[i]);
    if (tracks_.empty()) Fail(path_, 0, "the sheet names no track");
    CheckTrack();
    return Layout();
  }

 private:
  void Statement(int line, const std::string& text) {
    const std::vector<std::string> w = Words(text);
    if (w.empty()) return;
    const std::string keyword = Upper(w[0]);
    if (keyword == "REM") return Remark(line, w);
    if (keyword == "FILE") return File(line, w);
    if (keyword == "TRACK") return NewTrack(line, w);
    if (keyword == "INDEX") return Index(line, w);
    if (keyword == "PREGAP" || keyword == "POSTGAP") {
      CueTrack& t = Current(line, keyword);
      std::uint32_t blocks = 0;
      if (w.size() != 2 || !ParseMsf(w[1], blocks)) Fail(path_, line, keyword + " needs mm:ss:ff");
      if (keyword == "PREGAP") {
        if (t.index0 || t.index1) Fail(path_, line, "PREGAP comes before the track's INDEX lines");
        t.pregap = blocks;
      } else {
        t.postgap = blocks;
      }
      return;
    }
    if (keyword == "CATALOG" || keyword == "CDTEXTFILE" || keyword == "PERFORMER" || keyword == "TITLE" ||
        keyword == "SONGWRITER" || keyword == "ISRC" || keyword == "FLAGS")
      return;  // titles and flags do not change where the data lies
    Fail(path_, line, "unknown command '" + w[0] + "'");
  }

  void Remark(int line, const std::vector<std::string>& w) {
    if (w.size() < 2) return;
    const std::string what = Upper(w[1]);
    if (what == "SESSION") {
      std::uint64_t n = 0;
      if (w.size() != 3 || !ParseNumber(w[2], 99, n) || n == 0) Fail(path_, line, "REM SESSION needs a number 1 to 99");
      if (n == 1) {
        if (!tracks_.empty() || sessionSeen_) Fail(path_, line, "session 1 must come before every track");
      } else if (static_cast<int>(n) != session_ + 1 || tracks_.empty() || tracks_.back().session != session_) {
        Fail(path_, line, "session " + std::to_string(n) + " does not follow a session with tracks");
      }
      sessionSeen_ = true;
      session_ = static_cast<int>(n);
      if (session_ > 1) pendingGap_ = leadOut_ ? *leadOut_ + kLeadInAndPregap : SessionGap(session_);
      leadOut_.reset();
    } else if (what == "LEAD-OUT") {
      std::uint32_t blocks = 0;
      if (w.size() != 3 || !ParseMsf(w[2], blocks)) Fail(path_, line, "REM LEAD-OUT needs mm:ss:ff");
      leadOut_ = blocks;
    } else if (what == "ORIGINAL" && w.size() >= 4 && Upper(w[2]).rfind("MEDIA-TYPE", 0) == 0) {
      const std::string type = Upper(w[3]);
      if (auto p = ProfileByName(type == "CD" ? "CD-ROM" : type == "DVD" ? "DVD-ROM" : type)) hint_.profile = *p;
    }
    // Other remarks (comments of the writing program) are notes.
  }

  void File(int line, const std::vector<std::string>& w) {
    if (w.size() < 3) Fail(path_, line, "FILE needs a file name and a type");
    if (files_.size() == kMaxTracks) Fail(path_, line, "more than 99 FILE lines");
    const std::string type = Upper(w.back());
    // An unquoted name with blanks spreads over several words.
    std::string name = w[1];
    for (std::size_t i = 2; i + 1 < w.size(); ++i) name += " " + w[i];
    if (type != "BINARY" && type != "MOTOROLA" && type != "WAVE")
      Fail(path_, line, "file type '" + w.back() + "' is not BINARY, MOTOROLA or WAVE");
    DataFile data;
    data.file = OpenCompanion(path_, line, name);
    data.dataEnd = data.file->size();
    if (type == "WAVE") FindWaveData(path_, line, data);
    files_.push_back(std::move(data));
    fileTypes_.push_back(type);
  }

  CueTrack& Current(int line, const std::string& keyword) {
    if (tracks_.empty()) Fail(path_, line, keyword + " outside a TRACK");
    return tracks_.back();
  }

  void NewTrack(int line, const std::vector<std::string>& w) {
    if (files_.empty()) Fail(path_, line, "TRACK before any FILE");
    if (tracks_.size() == kMaxTracks) Fail(path_, line, "more than 99 tracks");
    std::uint64_t number = 0;
    if (w.size() != 3 || !ParseNumber(w[1], 99, number) || number == 0)
      Fail(path_, line, "TRACK needs a number 1 to 99 and a mode");
    const SheetMode* found = FindSheetMode(kModes, Upper(w[2]));
    if (!found) Fail(path_, line, "unknown track mode '" + w[2] + "'");
    if (!tracks_.empty()) CheckTrack();
    if (!found->audio && fileTypes_.back() == "WAVE") Fail(path_, line, "a data track cannot come from a WAVE file");
    CueTrack t;
    t.number = static_cast<int>(number);
    t.line = line;
    t.session = session_;
    t.fileIndex = files_.size() - 1;
    t.audio = found->audio;
    t.layout = found->layout;
    t.sectorSize = found->size;
    t.gapBefore = pendingGap_;
    pendingGap_.reset();
    tracks_.push_back(t);
  }

  void Index(int line, const std::vector<std::string>& w) {
    CueTrack& t = Current(line, "INDEX");
    std::uint64_t number = 0;
    std::uint32_t at = 0;
    if (w.size() != 3 || !ParseNumber(w[1], 99, number) || !ParseMsf(w[2], at))
      Fail(path_, line, "INDEX needs a number and mm:ss:ff");
    if (t.fileIndex + 1 != files_.size()) Fail(path_, line, "INDEX of a track whose FILE has been left");
    if (number == 0) {
      if (t.index0 || t.index1) Fail(path_, line, "INDEX 00 must come first");
      t.index0 = at;
    } else if (number == 1) {
      if (t.index1) Fail(path_, line, "second INDEX 01");
      if (t.index0 && at < *t.index0) Fail(path_, line, "INDEX 01 lies before INDEX 00");
      t.index1 = at;
    } else if (!t.index1 || at < *t.index1) {
      Fail(path_, line, "INDEX " + w[1] + " before INDEX 01");
    }
  }

  void CheckTrack() {
    const CueTrack& t = tracks_.back();
    if (!t.index1) Fail(path_, t.line, "track " + std::to_string(t.number) + " has no INDEX 01");
  }

  // Places the tracks: their bytes inside each file, then their block addresses.
  DiscModel Layout() {
    DiscModel model;
    std::uint64_t cursor = 0;      // first block after the previous track and its post-gap
    std::uint64_t byteAt = 0;      // byte of the current track's first sector in its file
    for (std::size_t i = 0; i < tracks_.size(); ++i) {
      const CueTrack& t = tracks_[i];
      const DataFile& data = files_[t.fileIndex];
      const std::uint32_t begin = t.index0.value_or(*t.index1);
      const bool firstInFile = i == 0 || tracks_[i - 1].fileIndex != t.fileIndex;
      if (firstInFile) {
        byteAt = data.dataStart + std::uint64_t{begin} * t.sectorSize;
      } else {
        const CueTrack& p = tracks_[i - 1];
        const std::uint32_t pBegin = p.index0.value_or(*p.index1);
        if (begin < *p.index1) Fail(path_, t.line, "track " + std::to_string(t.number) + " starts inside track " + std::to_string(p.number));
        byteAt += std::uint64_t{begin - pBegin} * p.sectorSize;
      }
      const std::uint64_t dataAt = byteAt + std::uint64_t{*t.index1 - begin} * t.sectorSize;
      // Blocks up to the next track's first sector in the same file, or to the end of the file.
      std::uint64_t length = 0;
      const bool lastInFile = i + 1 == tracks_.size() || tracks_[i + 1].fileIndex != t.fileIndex;
      if (!lastInFile) {
        const CueTrack& n = tracks_[i + 1];
        const std::uint32_t nBegin = n.index0.value_or(*n.index1);
        if (nBegin < *t.index1) Fail(path_, n.line, "track " + std::to_string(n.number) + " starts inside track " + std::to_string(t.number));
        length = nBegin - *t.index1;
        if (dataAt + length * t.sectorSize > data.dataEnd) TooShort(t, data);
      } else {
        if (dataAt > data.dataEnd) TooShort(t, data);
        const std::uint64_t bytes = data.dataEnd - dataAt;
        if (bytes % t.sectorSize != 0) TooShort(t, data);
        length = bytes / t.sectorSize;
      }
      if (length == 0) Fail(path_, t.line, "track " + std::to_string(t.number) + " holds no sector");
      if (length > kMaxCdBlocks) Fail(path_, t.line, "track " + std::to_string(t.number) + " is longer than any CD");

      std::uint64_t start = 0;
      if (i == 0) start = 0;
      else if (t.session != tracks_[i - 1].session) start = cursor + t.gapBefore.value_or(SessionGap(t.session));
      else start = cursor + t.pregap + (*t.index1 - begin);
      if (start + length > kMaxCdBlocks) Fail(path_, t.line, "track " + std::to_string(t.number) + " ends beyond any CD");

      Track track;
      track.number = t.number;
      track.session = t.session;
      track.audio = t.audio;
      track.start = static_cast<std::uint32_t>(start);
      track.length = static_cast<std::uint32_t>(length);
      track.line = t.line;
      if (!t.audio) {
        track.file = data.file;
        track.offset = dataAt;
        track.sectorSize = t.sectorSize;
        track.layout = t.layout;
      }
      model.tracks.push_back(std::move(track));
      cursor = start + length + t.postgap;
    }
    FinishImageModel(model, path_, hint_);
    return model;
  }

  [[noreturn]] void TooShort(const CueTrack& t, const DataFile& data) {
    Fail(path_, t.line, "the data file '" + data.file->path() + "' is truncated: it ends inside track " +
                            std::to_string(t.number));
  }

  std::string path_;
  std::vector<DataFile> files_;
  std::vector<std::string> fileTypes_;
  std::vector<CueTrack> tracks_;
  int session_ = 1;
  bool sessionSeen_ = false;
  MediumHint hint_;
  std::optional<std::uint32_t> leadOut_;
  std::optional<std::uint32_t> pendingGap_;
};

}  // namespace

DiscModel ReadCueSheet(const std::string& path) { return CueParser(path).Run(); }

}  // namespace tarnwick::vdrive::images
