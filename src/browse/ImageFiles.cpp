#include "browse/ImageFiles.h"

#include <algorithm>

namespace tarnwick {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Patterns(const std::vector<std::string>& extensions) {
  std::string text;
  for (const std::string& extension : extensions) text += (text.empty() ? "*." : " *.") + extension;
  return text;
}

}  // namespace

const std::vector<TImageFileType>& ImageFileTypes() {
  static const std::vector<TImageFileType> types = {
      {"ISO 9660 image", {"iso"}},
      {"Raw disc image", {"img"}},
      {"Disc description", {"disc"}},
      {"CUE sheet", {"cue"}},
      {"CloneCD image", {"ccd"}},
      {"Nero image", {"nrg"}},
      {"Alcohol image", {"mds"}},
      {"cdrdao table of contents", {"toc"}},
  };
  return types;
}

std::string ImageFileFilters() {
  std::vector<std::string> all;
  std::string perKind;
  for (const TImageFileType& type : ImageFileTypes()) {
    all.insert(all.end(), type.extensions.begin(), type.extensions.end());
    perKind += ";;" + type.description + " (" + Patterns(type.extensions) + ")";
  }
  return "Disc images (" + Patterns(all) + ")" + perKind + ";;All files (*)";
}

bool IsImageFileName(const std::string& path) {
  const std::size_t dot = path.find_last_of('.');
  const std::size_t separator = path.find_last_of("/\\");
  if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return false;
  std::string extension = path.substr(dot + 1);
  std::transform(extension.begin(), extension.end(), extension.begin(), LowerAscii);
  for (const TImageFileType& type : ImageFileTypes())
    if (std::find(type.extensions.begin(), type.extensions.end(), extension) != type.extensions.end()) return true;
  return false;
}

}  // namespace tarnwick
