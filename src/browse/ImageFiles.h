// The kinds of image file the tool opens as a virtual drive, in one table: the
// window's "Open image..." filter and its drag-and-drop check both come from it.
#pragma once

#include <string>
#include <vector>

namespace tarnwick {

struct TImageFileType {
  std::string description;               // "ISO 9660 image"
  std::vector<std::string> extensions;   // lower case, without the dot: {"iso"}
};

// Every kind of image file the virtual drive reads.
const std::vector<TImageFileType>& ImageFileTypes();

// File-dialog filters: one line for all kinds together, one per kind, then all files,
// separated by ";;" ("Disc images (*.iso *.disc);;ISO 9660 image (*.iso);;...").
std::string ImageFileFilters();

// Whether a file name ends in one of the table's extensions (ASCII letters in any case).
bool IsImageFileName(const std::string& path);

}  // namespace tarnwick
