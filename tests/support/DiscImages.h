// Writes the disc of a disc description in the image formats other programs keep
// discs in, with every data block as a whole mode 1 sector (sync, header, EDC/ECC;
// the track-at-once Nero image keeps the user data alone),
// so that reading an image back can be compared with the description block for block.
#pragma once

#include <filesystem>
#include <string>

namespace tarnwick::test {

enum class ImageFormat {
  Cue,            // one BINARY file, REM SESSION lines
  CueFilePerSession,  // one BINARY file per session, named in another letter case than on disk
  CloneCd,        // .ccd + .img (+ an empty .sub)
  NeroDao,        // NER5 footer, CUEX/DAOX/SINF/MTYP
  NeroDaoOld,     // NERO footer, CUES/DAOI/SINF/MTYP
  NeroDaoSub,     // as NeroDao, 2448-byte sectors (96 bytes of subchannel data behind each)
  NeroTao,        // NERO footer, ETNF/SINF/MTYP, 2048-byte sectors
  NeroTaoNew,     // NER5 footer, ETN2/SINF/MTYP, 2048-byte sectors
  Alcohol,        // .mds + .mdf
  AlcoholSub,     // as Alcohol, 2448-byte sectors with subchannel data
  CdrdaoToc,      // .toc + .bin, "// SESSION n" comments between sessions
};

inline constexpr ImageFormat kAllImageFormats[] = {
    ImageFormat::Cue,     ImageFormat::CueFilePerSession, ImageFormat::CloneCd,    ImageFormat::NeroDao,
    ImageFormat::NeroDaoOld, ImageFormat::NeroDaoSub,     ImageFormat::NeroTao,    ImageFormat::NeroTaoNew,
    ImageFormat::Alcohol, ImageFormat::AlcoholSub,        ImageFormat::CdrdaoToc};

const char* FormatName(ImageFormat format);

// Writes the description's disc into `dir` as `stem` plus the format's extensions and
// returns the file to open (the sheet, or the image itself). Throws std::runtime_error
// when the disc cannot be kept in that format (CUE and cdrdao sheets place sessions by
// the usual gaps between them and cannot hold others).
std::filesystem::path WriteDiscImage(const std::filesystem::path& description, ImageFormat format,
                                     const std::filesystem::path& dir, const std::string& stem = "disc");

}  // namespace tarnwick::test
