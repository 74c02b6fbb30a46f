// CloneCD images: a .ccd control file (INI sections [CloneCD], [Disc], [Session n],
// [Entry n] lead-in entries, [TRACK n]) with the .img of raw 2352-byte sectors beside
// it. The entries place the tracks: point 1-99 its start (PMin/PSec/PFrame or PLBA),
// A2h the session's lead-out, B0h (ADR 5) a next session that may still be written.
// The .img holds the sessions one after another without the blocks between them.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>

#include "vdrive/RawSector.h"
#include "vdrive/images/ImageReaders.h"
#include "vdrive/images/ImageSupport.h"
#include "platform/LocalPath.h"

namespace tarnwick::vdrive::images {

namespace {

struct Section {
  std::string name;  // upper case, without brackets
  int line = 0;
  std::map<std::string, std::pair<std::string, int>> keys;  // upper-case key -> value, line
};

struct Entry {
  int line = 0;
  int session = 0;
  int point = 0;
  int adr = 1;
  int control = 0;
  std::int64_t plba = 0;
};

class CcdReader {
 public:
  explicit CcdReader(std::string path) : path_(std::move(path)) {}

  DiscModel Run() {
    Parse();
    if (sections_.empty() || sections_.front().name != "CLONECD") Fail(path_, 1, "the file does not start with [CloneCD]");
    std::vector<Entry> entries;
    std::map<int, int> modes;  // track -> MODE
    for (const Section& s : sections_) {
      if (s.name.rfind("ENTRY ", 0) == 0) entries.push_back(ReadEntry(s));
      else if (s.name.rfind("TRACK ", 0) == 0) modes[static_cast<int>(Number(s.name.substr(6), s.line, 99))] =
          static_cast<int>(Number(Value(s, "MODE"), Line(s, "MODE"), 2));
    }
    if (entries.empty()) Fail(path_, 0, "no [Entry] sections");

    // Tracks and lead-outs by session.
    std::map<int, std::int64_t> leadOuts;
    bool appendable = false;
    int lastSession = 0;
    DiscModel model;
    for (const Entry& e : entries) lastSession = std::max(lastSession, e.session);
    for (const Entry& e : entries) {
      if (e.adr == 5 && e.point == 0xB0 && e.session == lastSession) appendable = true;
      if (e.adr != 1) continue;
      if (e.point == 0xA2) leadOuts[e.session] = e.plba;
      if (e.point < 1 || e.point > 99) continue;
      if (e.plba < 0 || e.plba >= kMaxCdBlocks) Fail(path_, e.line, "track " + std::to_string(e.point) + " starts outside a CD");
      Track t;
      t.number = e.point;
      t.session = e.session;
      t.audio = (e.control & 0x04) == 0;
      t.start = static_cast<std::uint32_t>(e.plba);
      t.line = e.line;
      model.tracks.push_back(std::move(t));
    }
    std::sort(model.tracks.begin(), model.tracks.end(), [](const Track& a, const Track& b) { return a.number < b.number; });
    for (std::size_t i = 0; i < model.tracks.size(); ++i) {
      Track& t = model.tracks[i];
      std::int64_t end = 0;
      if (i + 1 < model.tracks.size() && model.tracks[i + 1].session == t.session) {
        end = model.tracks[i + 1].start;
      } else {
        auto out = leadOuts.find(t.session);
        if (out == leadOuts.end()) Fail(path_, t.line, "session " + std::to_string(t.session) + " has no lead-out entry (point A2)");
        end = out->second;
      }
      if (end <= std::int64_t{t.start} || end > kMaxCdBlocks) Fail(path_, t.line, "track " + std::to_string(t.number) + " ends before it starts");
      t.length = static_cast<std::uint32_t>(end - t.start);
      auto mode = modes.find(t.number);
      if (!t.audio) {
        const int m = mode == modes.end() ? 1 : mode->second;
        if (m == 0) Fail(path_, t.line, "data track " + std::to_string(t.number) + " has MODE=0");
        t.layout = m == 2 ? SectorLayout::Mode2Raw : SectorLayout::Mode1Raw;
      }
      t.sectorSize = kRawSectorSize;
    }
    PlaceInImage(model);
    FinishImageModel(model, path_, MediumHint{appendable ? profile::kCdR : profile::kNone, appendable});
    return model;
  }

 private:
  void Parse() {
    const std::vector<std::string> lines = SheetLines(ReadSheet(path_));
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const int n = static_cast<int>(i + 1);
      std::string line = lines[i];
      const std::size_t b = line.find_first_not_of(" \t");
      if (b == std::string::npos || line[b] == ';') continue;
      line = line.substr(b, line.find_last_not_of(" \t") - b + 1);
      if (line.front() == '[') {
        if (line.back() != ']') Fail(path_, n, "unclosed section name");
        sections_.push_back({Upper(line.substr(1, line.size() - 2)), n, {}});
        continue;
      }
      const std::size_t eq = line.find('=');
      if (eq == std::string::npos || sections_.empty()) Fail(path_, n, "expected [section] or key=value");
      std::string key = Upper(line.substr(0, eq));
      key.erase(key.find_last_not_of(" \t") + 1);
      std::string value = line.substr(eq + 1);
      value.erase(0, value.find_first_not_of(" \t") == std::string::npos ? value.size() : value.find_first_not_of(" \t"));
      sections_.back().keys[key] = {value, n};
    }
  }

  std::string Value(const Section& s, const std::string& key) const {
    auto it = s.keys.find(key);
    if (it == s.keys.end()) Fail(path_, s.line, "[" + s.name + "] has no " + key + "=");
    return it->second.first;
  }
  int Line(const Section& s, const std::string& key) const {
    auto it = s.keys.find(key);
    return it == s.keys.end() ? s.line : it->second.second;
  }

  std::int64_t Number(const std::string& text, int line, std::int64_t max) const {
    std::uint64_t v = 0;
    bool ok = false;
    if (text.size() > 2 && (text[1] == 'x' || text[1] == 'X') && text[0] == '0') {
      ok = text.size() <= 10;
      for (std::size_t i = 2; ok && i < text.size(); ++i) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
        const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (d < 0) ok = false;
        v = v * 16 + static_cast<unsigned>(d);
      }
    } else {
      ok = ParseNumber(text, 0xFFFFFFFF, v);
    }
    if (!ok || v > static_cast<std::uint64_t>(max)) Fail(path_, line, "'" + text + "' is not a number up to " + std::to_string(max));
    return static_cast<std::int64_t>(v);
  }

  Entry ReadEntry(const Section& s) const {
    Entry e;
    e.line = s.line;
    e.session = static_cast<int>(Number(Value(s, "SESSION"), Line(s, "SESSION"), 99));
    e.point = static_cast<int>(Number(Value(s, "POINT"), Line(s, "POINT"), 0xFF));
    e.adr = static_cast<int>(Number(Value(s, "ADR"), Line(s, "ADR"), 0x0F));
    e.control = static_cast<int>(Number(Value(s, "CONTROL"), Line(s, "CONTROL"), 0x0F));
    if (e.session < 1) Fail(path_, Line(s, "SESSION"), "session 0");
    const std::int64_t m = Number(Value(s, "PMIN"), Line(s, "PMIN"), 255);
    const std::int64_t sec = Number(Value(s, "PSEC"), Line(s, "PSEC"), 255);
    const std::int64_t f = Number(Value(s, "PFRAME"), Line(s, "PFRAME"), 255);
    e.plba = (m * 60 + sec) * 75 + f - 150;
    return e;
  }

  // Where each session's sectors begin in the .img: after the sessions before it.
  // Some writers keep the 150 blocks of pre-gap before a later session's first track;
  // the first sector's header tells which layout the file has.
  void PlaceInImage(DiscModel& model) {
    std::string imgPath = SiblingWithExtension(path_, ".img");
    if (imgPath.empty()) Fail(path_, 0, "the data file '" + platform::Utf8Text(platform::LocalPath(path_).stem()) + ".img' is missing");
    std::string error;
    auto img = ImageFile::Open(imgPath, error);
    if (!img) Fail(path_, 0, "cannot open the data file '" + imgPath + "': " + error);
    std::uint64_t sessionBase = 0;  // byte of the session's first track in the .img
    std::uint32_t previousEnd = 0;
    int session = 0;
    std::uint32_t sessionStart = 0;
    for (Track& t : model.tracks) {
      if (t.session != session) {
        if (session != 0) {
          sessionBase += std::uint64_t{previousEnd - sessionStart} * kRawSectorSize;
          if (!t.audio && !HeaderAt(*img, sessionBase, t) &&
              HeaderAt(*img, sessionBase + 150ull * kRawSectorSize, t))
            sessionBase += 150ull * kRawSectorSize;
        }
        session = t.session;
        sessionStart = t.start;
      }
      t.offset = sessionBase + std::uint64_t{t.start - sessionStart} * kRawSectorSize;
      if (!t.audio) t.file = img;
      previousEnd = t.end();
    }
  }

  static bool HeaderAt(const ImageFile& img, std::uint64_t offset, const Track& t) {
    std::uint8_t sector[kRawSectorSize];
    std::uint8_t user[kBlockSize];
    return img.Read(offset, sector, sizeof sector) && ExtractUserData(t.layout, t.start, sector, user);
  }

  std::string path_;
  std::vector<Section> sections_;
};

}  // namespace

DiscModel ReadCloneCd(const std::string& path) { return CcdReader(path).Run(); }

}  // namespace tarnwick::vdrive::images
