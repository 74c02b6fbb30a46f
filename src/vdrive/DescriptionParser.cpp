#include "vdrive/DescriptionParser.h"

#include <cctype>
#include <charconv>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <vector>

#include "vdrive/DescriptionError.h"
#include "vdrive/RescueMap.h"
#include "platform/LocalPath.h"

namespace tarnwick::vdrive {

namespace {

const std::set<std::string> kKeywords = {"drive", "medium", "disc", "image", "session", "track", "fault"};

struct QuirkName {
  const char* name;
  bool Quirks::*flag;
};
constexpr QuirkName kQuirkNames[] = {
    {"pad", &Quirks::padAnswers},
    {"reject-default-pages", &Quirks::rejectDefaultPages},
    {"toc-format-in-byte9", &Quirks::tocFormatInByte9},
    {"config-start-ignored", &Quirks::configStartIgnored},
    {"config-unknown-feature-rejected", &Quirks::configUnknownFeatureRejected},
    {"sticky-sense", &Quirks::stickySense},
    {"no-residue", &Quirks::noResidue},
};

struct Field {
  std::string key;
  std::string value;
  bool hasValue = false;
};

struct Statement {
  int line = 0;
  std::string keyword;
  std::vector<Field> fields;
};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsKeyChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_'; }

// The parts of `text` between separators (an empty text has none, and a separator at
// the end adds none).
std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) parts.push_back(part);
  return parts;
}

// Splits `text` at commas into trimmed, non-empty items.
std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  for (const std::string& item : Split(text, ',')) {
    const auto first = item.find_first_not_of(" \t");
    if (first == std::string::npos) continue;
    items.push_back(item.substr(first, item.find_last_not_of(" \t") - first + 1));
  }
  return items;
}

std::optional<std::uint64_t> ParseUnsigned(const std::string& text, int base) {
  std::string digits = text;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    digits = digits.substr(2);
    base = 16;
  }
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

class Parser {
 public:
  Parser(std::string baseDir, std::string name) : baseDir_(std::move(baseDir)), name_(std::move(name)) {}

  DiscModel Run(const std::string& text);

 private:
  [[noreturn]] void Fail(int line, const std::string& what) const {
    throw DescriptionError(name_ + ":" + std::to_string(line) + ": " + what);
  }

  std::vector<Field> Tokenize(const std::string& line, int number) const;
  void CheckKeys(const Statement& s, const std::set<std::string>& allowed, const std::set<std::string>& flags) const;
  const Field* Find(const Statement& s, const std::string& key) const;
  std::uint64_t Number(const Statement& s, const Field& f, std::uint64_t max, int base = 10) const;
  bool YesNo(const Statement& s, const Field& f) const;
  Sense ParseSense(const Statement& s, const Field& f) const;
  std::vector<std::uint8_t> HexBytes(const Statement& s, const Field& f) const;
  std::shared_ptr<ImageFile> OpenFile(int line, const std::string& file);

  void Drive(const Statement& s);
  void Medium(const Statement& s);
  void Disc(const Statement& s);
  void Image(const Statement& s);
  void Session(const Statement& s);
  void AddTrack(const Statement& s);
  void Fault(const Statement& s);
  void CheckSessionHasTracks() const;
  void Finish();

  std::string baseDir_;
  std::string name_;
  DiscModel model_;

  std::optional<std::vector<std::uint8_t>> pageList_;
  int pageListLine_ = 0;
  std::map<std::uint8_t, std::vector<std::uint8_t>> pageContent_;
  bool profileGiven_ = false;
  std::optional<std::uint8_t> layers_;
  int mediumLine_ = 0;
  std::optional<DiscStatus> status_;
  int discLine_ = 0;
  bool capacityGiven_ = false;
  int currentSession_ = 0;
  int sessionLine_ = 0;
  std::shared_ptr<ImageFile> image_;
  int imageLine_ = 0;
  struct TrackSource {
    std::string file;
    std::optional<std::uint64_t> offset;
  };
  std::vector<TrackSource> sources_;  // one per track
};

std::vector<Field> Parser::Tokenize(const std::string& line, int number) const {
  std::vector<Field> fields;
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size() || line[i] == '#') break;
    Field field;
    const std::size_t keyStart = i;
    while (i < line.size() && IsKeyChar(line[i])) ++i;
    field.key = line.substr(keyStart, i - keyStart);
    if (field.key.empty()) Fail(number, std::string("unexpected character '") + line[i] + "'");
    if (i < line.size() && line[i] == '=') {
      field.hasValue = true;
      ++i;
      if (i < line.size() && line[i] == '"') {
        ++i;
        bool closed = false;
        while (i < line.size()) {
          char c = line[i++];
          if (c == '"') {
            closed = true;
            break;
          }
          if (c == '\\' && i < line.size() && (line[i] == '"' || line[i] == '\\')) c = line[i++];
          field.value += c;
        }
        if (!closed) Fail(number, "unterminated quoted value of '" + field.key + "'");
      } else {
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '#') field.value += line[i++];
        if (field.value.empty()) Fail(number, "missing value of '" + field.key + "'");
      }
    }
    if (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '#')
      Fail(number, "unexpected character '" + std::string(1, line[i]) + "' after '" + field.key + "'");
    fields.push_back(std::move(field));
  }
  return fields;
}

void Parser::CheckKeys(const Statement& s, const std::set<std::string>& allowed,
                       const std::set<std::string>& flags) const {
  std::set<std::string> seen;
  for (const Field& f : s.fields) {
    if (f.hasValue ? allowed.count(f.key) == 0 : flags.count(f.key) == 0) {
      if (!f.hasValue && allowed.count(f.key)) Fail(s.line, "missing value of '" + f.key + "'");
      Fail(s.line, "unknown key '" + f.key + "' in '" + s.keyword + "'");
    }
    if (!seen.insert(f.key).second) Fail(s.line, "'" + f.key + "' given twice");
  }
}

const Field* Parser::Find(const Statement& s, const std::string& key) const {
  for (const Field& f : s.fields)
    if (f.key == key) return &f;
  return nullptr;
}

std::uint64_t Parser::Number(const Statement& s, const Field& f, std::uint64_t max, int base) const {
  const auto value = ParseUnsigned(f.value, base);
  if (!value) Fail(s.line, "bad number '" + f.value + "' for '" + f.key + "'");
  if (*value > max) Fail(s.line, "'" + f.key + "' is too large (at most " + std::to_string(max) + ")");
  return *value;
}

bool Parser::YesNo(const Statement& s, const Field& f) const {
  if (!f.hasValue) return true;
  const std::string v = Lower(f.value);
  if (v == "yes" || v == "true" || v == "1") return true;
  if (v == "no" || v == "false" || v == "0") return false;
  Fail(s.line, "'" + f.key + "' takes yes or no, not '" + f.value + "'");
}

Sense Parser::ParseSense(const Statement& s, const Field& f) const {
  const std::vector<std::string> parts = Split(f.value, '/');
  if (parts.size() != 3) Fail(s.line, "sense '" + f.value + "' is not KEY/ASC/ASCQ");
  std::uint64_t v[3];
  for (int i = 0; i < 3; ++i) {
    const auto n = ParseUnsigned(parts[i], 16);
    if (!n || *n > 0xFF || (i == 0 && *n > 0x0F)) Fail(s.line, "sense '" + f.value + "' is not KEY/ASC/ASCQ");
    v[i] = *n;
  }
  if (v[0] == 0) Fail(s.line, "sense key 0 reports no error");
  return Sense{static_cast<std::uint8_t>(v[0]), static_cast<std::uint8_t>(v[1]), static_cast<std::uint8_t>(v[2])};
}

std::vector<std::uint8_t> Parser::HexBytes(const Statement& s, const Field& f) const {
  std::string digits;
  for (char c : f.value) {
    if (c == ' ' || c == ':' || c == '\t') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) Fail(s.line, "'" + f.key + "' takes hexadecimal bytes");
    digits += c;
  }
  if (digits.size() % 2 != 0) Fail(s.line, "'" + f.key + "' has an odd number of hex digits");
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < digits.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  return bytes;
}

std::shared_ptr<ImageFile> Parser::OpenFile(int line, const std::string& file) {
  std::filesystem::path path = platform::LocalPath(file);
  // A network or device path (\\server\share, \\.\pipe\...) is taken as given, even
  // where the library does not see a root in it.
  const bool network = file.size() > 1 && (file[0] == '\\' || file[0] == '/') && file[1] == file[0];
  if (path.is_relative() && !network) path = platform::LocalPath(baseDir_) / path;
  std::string error;
  auto image = ImageFile::Open(platform::Utf8Text(path), error);
  if (!image) Fail(line, "cannot open '" + file + "': " + error);
  return image;
}

void Parser::Drive(const Statement& s) {
  CheckKeys(s,
            {"vendor", "product", "revision", "type", "version", "inquiry-length", "address", "ready-after",
             "profiles", "pages", "reject", "quirks", "write-types", "page2a", "page05", "page30"},
            {});
  DriveSettings& d = model_.drive;
  for (const Field& f : s.fields) {
    const std::string& k = f.key;
    if (k == "vendor" || k == "product" || k == "revision") {
      const std::size_t width = k == "vendor" ? 8 : k == "product" ? 16 : 4;
      if (f.value.size() > width) Fail(s.line, "'" + k + "' is longer than " + std::to_string(width) + " characters");
      (k == "vendor" ? d.vendor : k == "product" ? d.product : d.revision) = f.value;
    } else if (k == "type") {
      d.deviceType = static_cast<std::uint8_t>(Number(s, f, 0x1F));
    } else if (k == "version") {
      d.inquiryVersion = static_cast<std::uint8_t>(Number(s, f, 0xFF));
    } else if (k == "inquiry-length") {
      d.inquiryLength = static_cast<std::uint32_t>(Number(s, f, 255));
      if (d.inquiryLength < 36) Fail(s.line, "'inquiry-length' must be at least 36");
    } else if (k == "address") {
      std::vector<std::uint8_t> parts;
      for (const std::string& part : Split(f.value, ':')) {
        const auto n = ParseUnsigned(part, 10);
        if (!n || *n > 255) Fail(s.line, "bad address '" + f.value + "' (HOST:TARGET:LUN)");
        parts.push_back(static_cast<std::uint8_t>(*n));
      }
      if (parts.size() != 3 && parts.size() != 4) Fail(s.line, "bad address '" + f.value + "' (HOST:TARGET:LUN)");
      d.hasAddress = true;
      d.host = parts[0];
      d.path = parts.size() == 4 ? parts[1] : 0;
      d.target = parts[parts.size() - 2];
      d.lun = parts.back();
    } else if (k == "ready-after") {
      d.readyAfter = static_cast<std::uint32_t>(Number(s, f, 0xFFFFFFFF));
    } else if (k == "profiles") {
      d.profiles.clear();
      for (const std::string& item : SplitList(f.value)) {
        auto p = ProfileByName(item);
        if (!p) p = static_cast<std::uint16_t>(Number(s, Field{k, item, true}, 0xFFFF));
        d.profiles.push_back(*p);
      }
    } else if (k == "pages") {
      pageList_.emplace();
      pageListLine_ = s.line;
      for (const std::string& item : SplitList(f.value))
        pageList_->push_back(static_cast<std::uint8_t>(Number(s, Field{k, item, true}, 0x3E, 16)));
    } else if (k == "reject") {
      for (const std::string& item : SplitList(f.value))
        d.rejected[static_cast<std::uint8_t>(Number(s, Field{k, item, true}, 0xFF, 16))] = sense::kInvalidOpcode;
    } else if (k == "quirks") {
      for (const std::string& item : SplitList(f.value)) {
        bool known = false;
        for (const QuirkName& q : kQuirkNames)
          if (Lower(item) == q.name) {
            d.quirks.*(q.flag) = true;
            known = true;
          }
        if (!known) Fail(s.line, "unknown quirk '" + item + "'");
      }
    } else if (k == "write-types") {
      d.writeTypes = 0;
      for (const std::string& item : SplitList(f.value))
        d.writeTypes |= static_cast<std::uint8_t>(1u << Number(s, Field{k, item, true}, 3));
    } else {  // pageNN: the bytes of one mode page
      const auto code = static_cast<std::uint8_t>(std::stoul(k.substr(4), nullptr, 16));
      std::vector<std::uint8_t> page = HexBytes(s, f);
      if (page.size() < 2 || (page[0] & 0x3F) != code || page[1] != page.size() - 2)
        Fail(s.line, "'" + k + "' must start with the page code and the length of the bytes after it");
      pageContent_[code] = std::move(page);
    }
  }
}

void Parser::Medium(const Statement& s) {
  CheckKeys(s, {"profile", "present", "changed", "absent", "layers"}, {"absent", "changed"});
  mediumLine_ = s.line;
  for (const Field& f : s.fields) {
    if (f.key == "profile") {
      auto p = ProfileByName(f.value);
      if (!p) {
        const auto n = ParseUnsigned(f.value, 10);
        if (!n || *n == 0 || *n > 0xFFFF) Fail(s.line, "unknown profile '" + f.value + "'");
        p = static_cast<std::uint16_t>(*n);
      }
      model_.medium.profile = *p;
      profileGiven_ = true;
    } else if (f.key == "present") {
      model_.medium.present = YesNo(s, f);
    } else if (f.key == "absent") {
      model_.medium.present = !YesNo(s, f);
    } else if (f.key == "changed") {
      model_.medium.changed = YesNo(s, f);
    } else if (f.key == "layers") {
      const auto n = ParseUnsigned(f.value, 10);
      if (!n || *n < 1 || *n > 4) Fail(s.line, "layers must be 1 to 4, not '" + f.value + "'");
      layers_ = static_cast<std::uint8_t>(*n);
    }
  }
}

void Parser::Disc(const Statement& s) {
  CheckKeys(s, {"status", "capacity", "next-writable"}, {});
  discLine_ = s.line;
  for (const Field& f : s.fields) {
    if (f.key == "status") {
      const std::string v = Lower(f.value);
      if (v == "empty") status_ = DiscStatus::Empty;
      else if (v == "incomplete") status_ = DiscStatus::Incomplete;
      else if (v == "complete") status_ = DiscStatus::Complete;
      else Fail(s.line, "status must be empty, incomplete or complete, not '" + f.value + "'");
    } else if (f.key == "capacity") {
      model_.medium.capacity = static_cast<std::uint32_t>(Number(s, f, 0xFFFFFFFF));
      capacityGiven_ = true;
    } else if (f.key == "next-writable") {
      model_.medium.nextWritable = static_cast<std::uint32_t>(Number(s, f, 0xFFFFFFFF));
    }
  }
}

void Parser::Image(const Statement& s) {
  CheckKeys(s, {"file"}, {});
  const Field* file = Find(s, "file");
  if (!file) Fail(s.line, "'image' needs file=");
  if (image_) Fail(s.line, "a second 'image' (the first is on line " + std::to_string(imageLine_) + ")");
  image_ = OpenFile(s.line, file->value);
  imageLine_ = s.line;
}

// The session begun last must have a track before the next one begins or the text ends.
void Parser::CheckSessionHasTracks() const {
  if (currentSession_ > 0 && model_.FirstTrackOfSession(currentSession_) == nullptr)
    Fail(sessionLine_, "session " + std::to_string(currentSession_) + " has no tracks");
}

void Parser::Session(const Statement& s) {
  CheckKeys(s, {"number"}, {});
  CheckSessionHasTracks();
  const int expected = currentSession_ + 1;
  if (const Field* f = Find(s, "number")) {
    if (Number(s, *f, 99) != static_cast<std::uint64_t>(expected))
      Fail(s.line, "session " + f->value + " should be session " + std::to_string(expected));
  }
  currentSession_ = expected;
  sessionLine_ = s.line;
}

void Parser::AddTrack(const Statement& s) {
  CheckKeys(s, {"number", "type", "start", "length", "file", "offset"}, {});
  if (currentSession_ == 0) Fail(s.line, "track outside a session (put 'session number=1' before it)");
  Track t;
  t.line = s.line;
  t.session = currentSession_;
  t.number = model_.tracks.empty() ? 1 : model_.tracks.back().number + 1;
  if (const Field* f = Find(s, "number")) {
    if (Number(s, *f, 99) != static_cast<std::uint64_t>(t.number))
      Fail(s.line, "track " + f->value + " should be track " + std::to_string(t.number));
  }
  if (const Field* f = Find(s, "type")) {
    const std::string v = Lower(f->value);
    if (v != "data" && v != "audio") Fail(s.line, "track type must be data or audio, not '" + f->value + "'");
    t.audio = v == "audio";
  }
  const Field* start = Find(s, "start");
  const Field* length = Find(s, "length");
  if (!start || !length) Fail(s.line, "a track needs start= and length=");
  t.start = static_cast<std::uint32_t>(Number(s, *start, 0xFFFFFFFF));
  t.length = static_cast<std::uint32_t>(Number(s, *length, 0xFFFFFFFF));
  if (t.length == 0) Fail(s.line, "track length 0");
  if (std::uint64_t{t.start} + t.length > 0xFFFFFFFFull) Fail(s.line, "track ends beyond the last block address");
  if (!model_.tracks.empty()) {
    const Track& prev = model_.tracks.back();
    if (t.start < prev.end())
      Fail(s.line, "track " + std::to_string(t.number) + " overlaps track " + std::to_string(prev.number) +
                       " (which ends before block " + std::to_string(prev.end()) + ")");
  }
  TrackSource source;
  if (const Field* f = Find(s, "file")) source.file = f->value;
  if (const Field* f = Find(s, "offset")) source.offset = Number(s, *f, 0xFFFFFFFFFFFFull);
  if (t.audio && (!source.file.empty() || source.offset)) Fail(s.line, "audio tracks hold no file data");
  if (!source.file.empty()) t.file = OpenFile(s.line, source.file);
  model_.tracks.push_back(std::move(t));
  sources_.push_back(std::move(source));
  model_.sessions = currentSession_;
}

void Parser::Fault(const Statement& s) {
  CheckKeys(s, {"command", "start", "count", "sense", "marginal", "chance", "seed", "map"}, {"read"});
  const Field* read = Find(s, "read");
  const Field* command = Find(s, "command");
  if (const Field* map = Find(s, "map")) {
    if (read || command || Find(s, "count")) Fail(s.line, "'fault map=' takes start= alone");
    std::filesystem::path path = platform::LocalPath(map->value);
    if (path.is_relative()) path = platform::LocalPath(baseDir_) / path;
    std::string error;
    const std::optional<TRescueMap> rescue = TRescueMap::Load(platform::Utf8Text(path), error);
    if (!rescue) Fail(s.line, "map '" + map->value + "': " + error);
    const Field* start = Find(s, "start");
    AddMapFaults(model_, *rescue, start ? static_cast<std::uint32_t>(Number(s, *start, 0xFFFFFFFF)) : 0);
    return;
  }
  if ((read != nullptr) == (command != nullptr)) Fail(s.line, "a fault is either 'read' or 'command='");
  const Field* senseField = Find(s, "sense");
  if (command) {
    for (const char* key : {"start", "count", "marginal", "chance", "seed"})
      if (Find(s, key)) Fail(s.line, std::string(key) + "= belongs to 'fault read'");
    const auto opcode = static_cast<std::uint8_t>(Number(s, *command, 0xFF, 16));
    model_.drive.rejected[opcode] = senseField ? ParseSense(s, *senseField) : sense::kInvalidOpcode;
    return;
  }
  const Field* start = Find(s, "start");
  if (!start) Fail(s.line, "'fault read' needs start=");
  ReadFault fault;
  fault.start = static_cast<std::uint32_t>(Number(s, *start, 0xFFFFFFFF));
  if (const Field* count = Find(s, "count")) fault.count = static_cast<std::uint32_t>(Number(s, *count, 0xFFFFFFFF));
  else fault.count = 1;
  if (fault.count == 0) Fail(s.line, "'fault read' with count 0");
  if (senseField) fault.sense = ParseSense(s, *senseField);
  const Field* marginal = Find(s, "marginal");
  const Field* chance = Find(s, "chance");
  if (marginal && chance) Fail(s.line, "a read fault is either marginal= or chance=");
  if (marginal) {
    fault.failFirst = static_cast<std::uint32_t>(Number(s, *marginal, 0xFFFFFFFF));
    if (fault.failFirst == 0) Fail(s.line, "'marginal' needs at least one failing read");
  }
  if (chance) {
    double p = 0;
    const auto [end, ec] = std::from_chars(chance->value.data(), chance->value.data() + chance->value.size(), p);
    if (ec != std::errc() || end != chance->value.data() + chance->value.size() || !(p > 0 && p <= 1))
      Fail(s.line, "'chance' takes a probability above 0 and at most 1, not '" + chance->value + "'");
    fault.chance = p;
  }
  if (const Field* seed = Find(s, "seed")) {
    if (!chance) Fail(s.line, "seed= belongs to a fault with chance=");
    fault.seed = Number(s, *seed, UINT64_MAX);
  }
  model_.readFaults.push_back(fault);
}

void Parser::Finish() {
  CheckSessionHasTracks();

  // Where each data track's blocks come from: its own file, else the flat image.
  for (std::size_t i = 0; i < model_.tracks.size(); ++i) {
    Track& t = model_.tracks[i];
    const TrackSource& source = sources_[i];
    if (t.audio) continue;
    if (!t.file && image_) {
      t.file = image_;
      t.offset = source.offset.value_or(std::uint64_t{t.start} * kBlockSize);
    } else {
      t.offset = source.offset.value_or(0);
    }
    if (!t.file) continue;
    const std::uint64_t needed = t.offset + std::uint64_t{t.length} * kBlockSize;
    if (t.file->size() < needed)
      Fail(t.line, "'" + t.file->path() + "' is too short for track " + std::to_string(t.number) + ": " +
                       std::to_string(t.file->size()) + " bytes, the track needs " + std::to_string(needed));
  }

  // The medium: its profile, status and capacity, with defaults that fit the tracks.
  MediumState& m = model_.medium;
  const int line = discLine_ ? discLine_ : mediumLine_;
  const bool hasTracks = !model_.tracks.empty();
  if (!profileGiven_) {
    if (status_ && *status_ != DiscStatus::Complete) m.profile = profile::kCdR;
    else if (!hasTracks) m.profile = profile::kCdR;
    else m.profile = PressedProfileFor(model_.LeadOut());
  }
  m.status = status_.value_or(hasTracks ? DiscStatus::Complete : DiscStatus::Empty);
  if (m.status == DiscStatus::Empty && hasTracks) Fail(line, "an empty disc cannot have tracks");
  if (m.status != DiscStatus::Empty && !hasTracks) Fail(line ? line : 1, "a disc that is not empty needs tracks");
  if (IsReadOnlyProfile(m.profile) && m.status != DiscStatus::Complete)
    Fail(line ? line : 1, "a pressed disc (CD-ROM, DVD-ROM) is always complete");
  if (!capacityGiven_) m.capacity = std::max(DefaultCapacity(m.profile, layers_.value_or(1)), model_.LeadOut());
  if (m.capacity < model_.LeadOut())
    Fail(line ? line : 1, "capacity " + std::to_string(m.capacity) + " is smaller than the end of the last track (" +
                              std::to_string(model_.LeadOut()) + ")");
  if (m.nextWritable && *m.nextWritable < model_.LeadOut())
    Fail(line, "next-writable lies inside the recorded tracks");
  m.layers = layers_.value_or(LayersFor(m.profile, m.capacity));

  // Mode pages: the capabilities and write parameters pages unless a list says otherwise.
  auto& pages = model_.drive.pages;
  const std::vector<std::uint8_t> list = pageList_.value_or(std::vector<std::uint8_t>{0x2A, 0x05});
  for (std::uint8_t code : list) {
    if (code == 0x2A) pages[code] = DefaultCapabilitiesPage();
    else if (code == 0x05) pages[code] = DefaultWriteParametersPage();
    else if (code == 0x30) pages[code] = {0x30, 0x02, 0x00, 0x00};
    else if (pageContent_.count(code) == 0) {
      std::ostringstream text;
      text << "page " << std::hex << int{code} << " needs its bytes (page" << std::hex << int{code} << "=...)";
      Fail(pageListLine_, text.str());
    }
  }
  for (auto& [code, bytes] : pageContent_) pages[code] = bytes;
}

DiscModel Parser::Run(const std::string& text) {
  model_.source = name_;
  std::istringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<Field> fields = Tokenize(line, number);
    if (fields.empty()) continue;
    Statement s;
    s.line = number;
    s.keyword = Lower(fields.front().key);
    if (fields.front().hasValue || kKeywords.count(s.keyword) == 0)
      Fail(number, "unknown keyword '" + fields.front().key + "'");
    s.fields.assign(fields.begin() + 1, fields.end());
    for (Field& f : s.fields) f.key = Lower(f.key);
    if (s.keyword == "drive") Drive(s);
    else if (s.keyword == "medium") Medium(s);
    else if (s.keyword == "disc") Disc(s);
    else if (s.keyword == "image") Image(s);
    else if (s.keyword == "session") Session(s);
    else if (s.keyword == "track") AddTrack(s);
    else Fault(s);
  }
  Finish();
  return std::move(model_);
}

}  // namespace

DiscModel ParseDescription(const std::string& text, const std::string& baseDir, const std::string& name) {
  return Parser(baseDir, name).Run(text);
}

bool LooksLikeDescription(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::size_t i = line.find_first_not_of(" \t\r");
    if (i == std::string::npos || line[i] == '#') continue;
    std::size_t end = i;
    while (end < line.size() && IsKeyChar(line[end])) ++end;
    if (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '\r' && line[end] != '#')
      return false;
    return kKeywords.count(Lower(line.substr(i, end - i))) != 0;
  }
  return false;
}

}  // namespace tarnwick::vdrive
