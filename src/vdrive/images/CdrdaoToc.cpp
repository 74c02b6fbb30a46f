// cdrdao table-of-contents files: an optional disc type (CD_DA, CD_ROM, CD_ROM_XA),
// then per track "TRACK <mode>" with its data from DATAFILE/FILE "name" [#offset]
// [length] or FILE/AUDIOFILE "name" [#offset] start [length], PREGAP/START marking blocks before the track proper, and flags, ISRC and
// CD_TEXT blocks that do not change where the data lies. The format knows one
// session; a comment line "// SESSION n" starts session n, placed after the one
// before it by the usual gap (as REM SESSION does in CUE sheets).
#include <optional>

#include "vdrive/RawSector.h"
#include "vdrive/images/ImageReaders.h"
#include "vdrive/images/ImageSupport.h"

namespace tarnwick::vdrive::images {

namespace {

constexpr SheetMode kModes[] = {
    {"AUDIO", true, SectorLayout::User, kRawSectorSize},
    {"MODE1", false, SectorLayout::User, kBlockSize},
    {"MODE1_RAW", false, SectorLayout::Mode1Raw, kRawSectorSize},
    {"MODE2", false, SectorLayout::Mode2Xa, kXaSectorSize},
    {"MODE2_FORM1", false, SectorLayout::User, kBlockSize},
    {"MODE2_FORM_MIX", false, SectorLayout::Mode2Xa, kXaSectorSize},
    {"MODE2_RAW", false, SectorLayout::Mode2Raw, kRawSectorSize},
};

struct TocTrack {
  int number = 0;
  int line = 0;
  int session = 1;
  const SheetMode* mode = nullptr;
  std::shared_ptr<ImageFile> file;
  std::uint64_t offset = 0;
  std::optional<std::uint64_t> blocks;  // from the file part's length
  std::uint32_t pregap = 0;             // blocks before the track proper (PREGAP, START)
  bool pregapInFile = false;            // START: those blocks are the first of the file part
  std::optional<std::uint32_t> gapBefore;
};

// Words of a line, a quoted string kept as one word (with its quotes removed and
// marked by a leading '"'); a "//" outside quotes ends the line.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size() || line.compare(i, 2, "//") == 0) break;
    if (line[i] == '"') {
      std::string word = "\"";
      for (++i; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) ++i;
        word += line[i];
      }
      ++i;
      words.push_back(std::move(word));
    } else {
      std::string word;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') word += line[i++];
      words.push_back(std::move(word));
    }
  }
  return words;
}

class TocReader {
 public:
  explicit TocReader(std::string path) : path_(std::move(path)) {}

  DiscModel Run() {
    const std::vector<std::string> lines = SheetLines(ReadSheet(path_));
    int depth = 0;  // inside CD_TEXT { ... }
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const int n = static_cast<int>(i + 1);
      const std::string& text = lines[i];
      const std::size_t b = text.find_first_not_of(" \t");
      if (b != std::string::npos && text.compare(b, 2, "//") == 0) {
        Comment(n, text.substr(b + 2));
        continue;
      }
      const std::vector<std::string> w = Words(text);
      for (const std::string& word : w) {
        if (word == "{") ++depth;
        if (word == "}") --depth;
      }
      if (depth < 0) Fail(path_, n, "'}' without '{'");
      if (w.empty() || w[0] == "}" || (depth > 0 && Upper(w[0]) != "CD_TEXT")) continue;
      Statement(n, w);
      if (depth > 1000) Fail(path_, n, "CD_TEXT nested too deep");
    }
    if (depth != 0) Fail(path_, static_cast<int>(lines.size()), "CD_TEXT block not closed");
    if (tracks_.empty()) Fail(path_, 0, "the file names no TRACK");
    return Layout();
  }

 private:
  void Comment(int line, const std::string& rest) {
    const std::vector<std::string> w = Words(rest);
    if (w.size() != 2 || Upper(w[0]) != "SESSION") return;
    std::uint64_t n = 0;
    if (!ParseNumber(w[1], 99, n) || n == 0) Fail(path_, line, "SESSION needs a number 1 to 99");
    if (n == 1) {
      if (!tracks_.empty()) Fail(path_, line, "session 1 must come before every track");
    } else if (static_cast<int>(n) != session_ + 1 || tracks_.empty() || tracks_.back().session != session_) {
      Fail(path_, line, "session " + std::to_string(n) + " does not follow a session with tracks");
    }
    session_ = static_cast<int>(n);
    if (session_ > 1) pendingGap_ = SessionGap(session_);
  }

  void Statement(int line, const std::vector<std::string>& w) {
    const std::string keyword = Upper(w[0]);
    if (keyword == "CD_DA" || keyword == "CD_ROM" || keyword == "CD_ROM_XA" || keyword == "CD_I") {
      if (!tracks_.empty()) Fail(path_, line, keyword + " after the first TRACK");
      return;
    }
    if (keyword == "CATALOG" || keyword == "CD_TEXT" || keyword == "ISRC" || keyword == "COPY" || keyword == "NO" ||
        keyword == "PRE_EMPHASIS" || keyword == "TWO_CHANNEL_AUDIO" || keyword == "FOUR_CHANNEL_AUDIO" ||
        keyword == "INDEX")
      return;
    if (keyword == "TRACK") return NewTrack(line, w);
    if (tracks_.empty()) Fail(path_, line, keyword + " before any TRACK");
    TocTrack& t = tracks_.back();
    if (keyword == "DATAFILE" || keyword == "FILE" || keyword == "AUDIOFILE") return FilePart(line, w, t, keyword);
    if (keyword == "PREGAP") {
      std::uint32_t blocks = 0;
      if (w.size() != 2 || !ParseMsf(w[1], blocks)) Fail(path_, line, "PREGAP needs mm:ss:ff");
      if (t.file) Fail(path_, line, "PREGAP after the track's data");
      t.pregap = blocks;
      return;
    }
    if (keyword == "START") {
      std::uint32_t blocks = 0;
      if (w.size() > 2 || (w.size() == 2 && !ParseMsf(w[1], blocks))) Fail(path_, line, "START takes mm:ss:ff");
      if (w.size() == 1) {
        if (!t.blocks) Fail(path_, line, "START without a length before it");
        blocks = static_cast<std::uint32_t>(*t.blocks);
      }
      t.pregap = blocks;
      t.pregapInFile = true;
      return;
    }
    if (keyword == "ZERO" || keyword == "SILENCE") Fail(path_, line, keyword + " (blocks without data) is not supported");
    Fail(path_, line, "unknown statement '" + w[0] + "'");
  }

  void NewTrack(int line, const std::vector<std::string>& w) {
    if (w.size() < 2 || w.size() > 3) Fail(path_, line, "TRACK needs a mode");
    if (tracks_.size() == kMaxTracks) Fail(path_, line, "more than 99 tracks");
    const SheetMode* found = FindSheetMode(kModes, Upper(w[1]));
    if (!found) Fail(path_, line, "track mode '" + w[1] + "' is not supported");
    if (w.size() == 3) Fail(path_, line, "sub-channel data in the data file is not supported");
    if (!tracks_.empty() && !tracks_.back().file) Fail(path_, tracks_.back().line, "track has no DATAFILE or FILE");
    TocTrack t;
    t.number = static_cast<int>(tracks_.size()) + 1;
    t.line = line;
    t.session = session_;
    t.mode = found;
    t.gapBefore = pendingGap_;
    pendingGap_.reset();
    tracks_.push_back(std::move(t));
  }

  void FilePart(int line, const std::vector<std::string>& w, TocTrack& t, const std::string& keyword) {
    if (t.file) Fail(path_, line, "a track made of several data parts is not supported");
    if (w.size() < 2 || w[1].empty() || w[1][0] != '"') Fail(path_, line, keyword + " needs a quoted file name");
    const std::string name = w[1].substr(1);
    std::size_t next = 2;
    std::uint64_t offset = 0;
    bool offsetGiven = false;
    if (next < w.size() && !w[next].empty() && w[next][0] == '#') {
      if (!ParseNumber(std::string_view(w[next]).substr(1), 0xFFFFFFFFFFFFull, offset)) Fail(path_, line, "bad #offset");
      offsetGiven = true;
      ++next;
    }
    // FILE/AUDIOFILE: the position of the track's first block in the file (mm:ss:ff
    // or samples, from the file's start or its #offset), then the length. Only
    // DATAFILE without #offset goes on where the part before it in the same file ended.
    std::uint64_t startBlocks = 0;
    const bool positioned = keyword != "DATAFILE";
    if (positioned) {
      if (next >= w.size()) Fail(path_, line, keyword + " needs a start");
      startBlocks = Length(line, w[next++], t);
    }
    std::optional<std::uint64_t> blocks;
    if (next < w.size()) blocks = Length(line, w[next++], t);
    if (next != w.size()) Fail(path_, line, "unexpected '" + w[next] + "'");
    t.file = OpenCompanion(path_, line, name);
    if (!offsetGiven && !positioned && lastFile_ == t.file->path()) offset = lastEnd_;
    t.offset = offset + startBlocks * t.mode->size;
    if (t.offset > t.file->size()) Truncated(t);
    if (!blocks) {
      const std::uint64_t rest = t.file->size() - t.offset;
      if (rest % t.mode->size != 0) Truncated(t);
      blocks = rest / t.mode->size;
    }
    t.blocks = blocks;
    lastFile_ = t.file->path();
    lastEnd_ = t.offset + *blocks * t.mode->size;
  }

  // A length: mm:ss:ff blocks, or a number of audio samples (4 bytes each).
  std::uint64_t Length(int line, const std::string& word, const TocTrack& t) {
    std::uint32_t msf = 0;
    if (ParseMsf(word, msf)) return msf;
    std::uint64_t samples = 0;
    if (ParseNumber(word, 0xFFFFFFFFFFull, samples) && t.mode->audio) return samples / 588;
    Fail(path_, line, "'" + word + "' is not a length (mm:ss:ff)");
  }

  [[noreturn]] void Truncated(const TocTrack& t) {
    Fail(path_, t.line, "the data file '" + t.file->path() + "' is truncated: it ends inside track " + std::to_string(t.number));
  }

  DiscModel Layout() {
    DiscModel model;
    std::uint64_t cursor = 0;
    for (std::size_t i = 0; i < tracks_.size(); ++i) {
      const TocTrack& t = tracks_[i];
      if (!t.file) Fail(path_, t.line, "track has no DATAFILE or FILE");
      const std::uint64_t inFile = t.pregapInFile ? t.pregap : 0;
      if (*t.blocks <= inFile) Fail(path_, t.line, "track " + std::to_string(t.number) + " holds no block after its START");
      const std::uint64_t length = *t.blocks - inFile;
      if (t.offset + *t.blocks * t.mode->size > t.file->size()) Truncated(t);
      std::uint64_t start = 0;
      if (i == 0) start = 0;
      else if (t.gapBefore) start = cursor + *t.gapBefore;
      else start = cursor + t.pregap;
      if (start + length > kMaxCdBlocks) Fail(path_, t.line, "track " + std::to_string(t.number) + " ends beyond any CD");
      Track track;
      track.number = t.number;
      track.session = t.session;
      track.audio = t.mode->audio;
      track.start = static_cast<std::uint32_t>(start);
      track.length = static_cast<std::uint32_t>(length);
      track.line = t.line;
      if (!track.audio) {
        track.file = t.file;
        track.offset = t.offset + inFile * t.mode->size;
        track.sectorSize = t.mode->size;
        track.layout = t.mode->layout;
      }
      model.tracks.push_back(std::move(track));
      cursor = start + length;
    }
    FinishImageModel(model, path_, MediumHint{});
    return model;
  }

  std::string path_;
  std::vector<TocTrack> tracks_;
  int session_ = 1;
  std::optional<std::uint32_t> pendingGap_;
  std::string lastFile_;
  std::uint64_t lastEnd_ = 0;
};

}  // namespace

DiscModel ReadCdrdaoToc(const std::string& path) { return TocReader(path).Run(); }

}  // namespace tarnwick::vdrive::images
