// One reader per disc image format, each turning its sheet and data files into the
// virtual drive's disc model. docs/images.md describes the layouts. Every reader
// throws DescriptionError naming the file (and the line of a text sheet) when the
// image cannot be used.
#pragma once

#include <string>

#include "vdrive/DiscModel.h"

namespace tarnwick::vdrive::images {

enum class ImageKind { Plain, Description, Cue, CloneCd, Nero, Alcohol, CdrdaoToc };

// The format of `path`, by its content where it shows (a Nero footer, an Alcohol
// signature, the text of a sheet), else by its extension.
ImageKind DetectImageKind(const std::string& path);

DiscModel ReadCueSheet(const std::string& path);
DiscModel ReadCloneCd(const std::string& path);
DiscModel ReadNero(const std::string& path);
DiscModel ReadAlcohol(const std::string& path);
DiscModel ReadCdrdaoToc(const std::string& path);

}  // namespace tarnwick::vdrive::images
