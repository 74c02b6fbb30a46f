#include "vdrive/images/ImageSupport.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "vdrive/RawSector.h"
#include "platform/LocalPath.h"
#include "platform/Text.h"

namespace tarnwick::vdrive::images {

namespace fs = std::filesystem;

void Fail(const std::string& file, int line, const std::string& what) {
  if (line > 0) throw DescriptionError(file + ":" + std::to_string(line) + ": " + what);
  throw DescriptionError(file + ": " + what);
}

std::string ReadSheet(const std::string& path) {
  std::string error;
  const auto file = ImageFile::Open(path, error);
  if (!file) Fail(path, 0, error);
  const std::uint64_t size = file->size();
  if (size > kMaxSheetBytes) Fail(path, 0, "too large for a sheet (" + std::to_string(size) + " bytes)");
  std::string text(static_cast<std::size_t>(size), '\0');
  if (size > 0 && !file->Read(0, reinterpret_cast<std::uint8_t*>(text.data()), text.size()))
    Fail(path, 0, "cannot be read");
  return text;
}

std::vector<std::string> SheetLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  return lines;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

namespace {

bool IsFile(const fs::path& path) {
  if (const MemoryFiles* files = CurrentMemoryFiles()) return files->Find(platform::Utf8Text(path)).has_value();
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

// The entry of `dir` whose name equals `name` without regard to case. Files held in
// memory are found by their exact names only.
fs::path FindNoCase(const fs::path& dir, const std::string& name) {
  std::error_code ec;
  const fs::path exact = dir / platform::LocalPath(name);
  if (IsFile(exact)) return exact;
  if (CurrentMemoryFiles() != nullptr) return {};
  if (fs::is_directory(exact, ec)) return exact;
  const std::string wanted = Upper(name);
  for (fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec), end; !ec && it != end; it.increment(ec))
    if (Upper(platform::Utf8Text(it->path().filename())) == wanted) return dir / it->path().filename();
  return {};
}

// FindBeside for a name in this system's path text.
std::string FindBesideAs(const std::string& sheetPath, const std::string& name) {
  std::string slashed = name;
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  if (slashed.empty()) return {};
  const fs::path dir = platform::LocalPath(sheetPath).parent_path();
  const fs::path given = platform::LocalPath(slashed);
  if (given.is_absolute() && IsFile(given)) return platform::Utf8Text(given);
  if (!given.is_absolute() && slashed.find(':') == std::string::npos) {
    fs::path at = dir;
    bool found = true;
    for (const fs::path& part : given) {
      if (part == ".") continue;
      if (part == "..") {
        at /= part;
        continue;
      }
      fs::path next = FindNoCase(at, platform::Utf8Text(part));
      if (next.empty()) {
        found = false;
        break;
      }
      at = next;
    }
    if (found && IsFile(at)) return platform::Utf8Text(at);
  }
  // A path written on another machine ("D:\rips\disc.bin"): its file name beside the sheet.
  const fs::path bare = FindNoCase(dir, platform::Utf8Text(given.filename()));
  if (!bare.empty() && IsFile(bare)) return platform::Utf8Text(bare);
  return {};
}

}  // namespace

std::string FindBeside(const std::string& sheetPath, const std::string& written) {
  // A sheet written on Windows names its files in that system's code page: the name
  // is looked for in UTF-8, then (where the system takes them) in the bytes written.
  const std::string name = platform::ForeignTextToUtf8(written);
  std::string found = FindBesideAs(sheetPath, name);
  if (found.empty() && name != written) {
    try {
      found = FindBesideAs(sheetPath, written);
    } catch (const std::exception&) {
      // A name this system cannot hold in a path is no file here.
    }
  }
  return found;
}

std::shared_ptr<ImageFile> OpenCompanion(const std::string& sheetPath, int line, const std::string& name) {
  const std::string found = FindBeside(sheetPath, name);
  if (found.empty()) Fail(sheetPath, line, "the data file '" + name + "' is missing");
  std::string error;
  auto file = ImageFile::Open(found, error);
  if (!file) Fail(sheetPath, line, "cannot open the data file '" + found + "': " + error);
  return file;
}

std::string SiblingWithExtension(const std::string& sheetPath, const std::string& extension) {
  const std::string stem = platform::Utf8Text(platform::LocalPath(sheetPath).stem());
  const std::string name = FindBeside(sheetPath, stem + extension);
  return name;
}

bool ParseNumber(std::string_view text, std::uint64_t max, std::uint64_t& value) {
  if (text.empty() || text.size() > 19) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return value <= max;
}

bool ParseMsf(std::string_view text, std::uint32_t& blocks) {
  const std::size_t a = text.find(':');
  const std::size_t b = a == std::string_view::npos ? a : text.find(':', a + 1);
  if (b == std::string_view::npos) return false;
  std::uint64_t m = 0, s = 0, f = 0;
  if (!ParseNumber(text.substr(0, a), 999, m) || !ParseNumber(text.substr(a + 1, b - a - 1), 59, s) ||
      !ParseNumber(text.substr(b + 1), 74, f))
    return false;
  blocks = static_cast<std::uint32_t>((m * 60 + s) * 75 + f);
  return true;
}

std::uint32_t SessionGap(int nextSession) { return nextSession <= 2 ? 11400u : 6900u; }

void FinishImageModel(DiscModel& model, const std::string& path, const MediumHint& hint) {
  if (model.tracks.empty()) Fail(path, 0, "the image holds no track");
  if (model.tracks.size() > kMaxTracks) Fail(path, 0, "more than 99 tracks");
  int sessions = 0;
  for (std::size_t i = 0; i < model.tracks.size(); ++i) {
    const Track& t = model.tracks[i];
    const std::string name = "track " + std::to_string(t.number);
    if (t.number < 1 || t.number > 99) Fail(path, t.line, "track number " + std::to_string(t.number) + " is not 1 to 99");
    if (t.length == 0) Fail(path, t.line, name + " holds no block");
    if (std::uint64_t{t.start} + t.length > 0x7FFFFFFFull) Fail(path, t.line, name + " lies beyond any disc");
    if (i == 0) {
      if (t.session != 1) Fail(path, t.line, "the first track is not in session 1");
    } else {
      const Track& p = model.tracks[i - 1];
      if (t.number != p.number + 1) Fail(path, t.line, name + " does not follow track " + std::to_string(p.number));
      if (t.session != p.session && t.session != p.session + 1)
        Fail(path, t.line, name + ": session " + std::to_string(t.session) + " does not follow session " +
                               std::to_string(p.session));
      if (t.start < p.end()) Fail(path, t.line, name + " starts inside track " + std::to_string(p.number));
    }
    sessions = t.session;
    if (t.audio || !t.file) continue;
    // The offset is checked on its own first: a hostile one would wrap the sum.
    if (t.offset > t.file->size())
      Fail(path, t.line, "the data file '" + t.file->path() + "' is truncated: " + name + " starts at byte " +
                             std::to_string(t.offset) + ", the file holds " + std::to_string(t.file->size()));
    const std::uint64_t needed = t.offset + std::uint64_t{t.length} * t.sectorSize;
    if (t.sectorSize < LayoutSectorSize(t.layout) || t.file->size() < needed)
      Fail(path, t.line, "the data file '" + t.file->path() + "' is truncated: " + name + " needs " +
                             std::to_string(needed) + " bytes, the file holds " + std::to_string(t.file->size()));
  }
  model.source = path;
  model.sessions = sessions;
  MediumState& m = model.medium;
  if (hint.profile != profile::kNone) m.profile = hint.profile;
  else if (hint.appendable || sessions > 1) m.profile = profile::kCdR;
  else m.profile = PressedProfileFor(model.LeadOut());
  m.status = hint.appendable && !IsReadOnlyProfile(m.profile) ? DiscStatus::Incomplete : DiscStatus::Complete;
  m.capacity = std::max(DefaultCapacity(m.profile), model.LeadOut());
  m.layers = LayersFor(m.profile, m.capacity);
  model.drive.pages[0x2A] = DefaultCapabilitiesPage();
  model.drive.pages[0x05] = DefaultWriteParametersPage();
}

}  // namespace tarnwick::vdrive::images
