// Telling the image formats apart: binary formats by their signatures, text sheets
// by their first statement, and otherwise by the file name's extension.
#include <algorithm>
#include <cstring>
#include <filesystem>

#include "vdrive/DescriptionParser.h"
#include "vdrive/images/ImageReaders.h"
#include "vdrive/images/ImageSupport.h"
#include "platform/LocalPath.h"

namespace tarnwick::vdrive::images {

namespace {

// The first word of the first line that is neither blank nor a comment.
std::string FirstWord(const std::string& text, bool& tocComment) {
  tocComment = false;
  for (const std::string& raw : SheetLines(text)) {
    std::size_t i = raw.find_first_not_of(" \t");
    if (i == std::string::npos) continue;
    if (raw.compare(i, 2, "//") == 0) {
      tocComment = true;
      continue;
    }
    std::size_t end = raw.find_first_of(" \t", i);
    return Upper(raw.substr(i, end == std::string::npos ? std::string::npos : end - i));
  }
  return {};
}

ImageKind KindOfText(const std::string& text) {
  if (text.find('\0') != std::string::npos) return ImageKind::Plain;
  if (LooksLikeDescription(text)) return ImageKind::Description;
  bool tocComment = false;
  const std::string word = FirstWord(text, tocComment);
  if (word == "[CLONECD]") return ImageKind::CloneCd;
  if (word == "CD_ROM" || word == "CD_DA" || word == "CD_ROM_XA" || word == "CD_I" || word == "CD_TEXT")
    return ImageKind::CdrdaoToc;
  if (word == "FILE" || word == "REM" || word == "CDTEXTFILE" || word == "PERFORMER" || word == "TITLE" ||
      word == "SONGWRITER")
    return ImageKind::Cue;
  if (word == "CATALOG") return text.find('"') != std::string::npos ? ImageKind::CdrdaoToc : ImageKind::Cue;
  if (word == "TRACK") return tocComment ? ImageKind::CdrdaoToc : ImageKind::Plain;
  return ImageKind::Plain;
}

ImageKind KindOfExtension(const std::string& path) {
  const std::string ext = Upper(platform::Utf8Text(platform::LocalPath(path).extension()));
  if (ext == ".CUE") return ImageKind::Cue;
  if (ext == ".CCD") return ImageKind::CloneCd;
  if (ext == ".NRG") return ImageKind::Nero;
  if (ext == ".MDS") return ImageKind::Alcohol;
  if (ext == ".TOC") return ImageKind::CdrdaoToc;
  return ImageKind::Plain;
}

}  // namespace

ImageKind DetectImageKind(const std::string& path) {
  std::string error;
  auto file = ImageFile::Open(path, error);
  if (!file) Fail(path, 0, "cannot open the image: " + error);
  const std::uint64_t size = file->size();
  std::uint8_t head[16] = {};
  if (size >= sizeof head && file->Read(0, head, sizeof head) && std::memcmp(head, "MEDIA DESCRIPTOR", 16) == 0)
    return ImageKind::Alcohol;
  std::uint8_t tail[12] = {};
  if (size >= 12 && file->Read(size - 12, tail, 12) && std::memcmp(tail, "NER5", 4) == 0) return ImageKind::Nero;
  if (size >= 8 && std::memcmp(tail + 4, "NERO", 4) == 0) return ImageKind::Nero;
  // A sheet holds no NUL; an image almost always has one in its first block (the
  // system area is zeros), so the whole file is read as text only when its start
  // could be one.
  std::uint8_t start[2048];
  const std::size_t startBytes = static_cast<std::size_t>(std::min<std::uint64_t>(size, sizeof start));
  const bool textual =
      file->Read(0, start, startBytes) && std::memchr(start, '\0', startBytes) == nullptr;
  if (size <= kMaxSheetBytes && textual) {
    std::string text(static_cast<std::size_t>(size), '\0');
    if (size == 0 || file->Read(0, reinterpret_cast<std::uint8_t*>(text.data()), text.size())) {
      const ImageKind kind = KindOfText(text);
      if (kind != ImageKind::Plain) return kind;
    }
  }
  return KindOfExtension(path);
}

}  // namespace tarnwick::vdrive::images
