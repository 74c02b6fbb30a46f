// Reading the disc blocks an image holds into the image and its rescue map: only what
// the map does not mark read well is read; data goes into the image before the map
// calls it good, and the map is replaced whole after every stretch read.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "drive/SectorRescue.h"
#include "vdrive/RescueMap.h"

namespace tarnwick::cli {

// The image file, opened for reading and writing without losing what it holds.
class ImageOutput {
 public:
  ImageOutput(const std::string& path, std::uint64_t size);
  bool Write(std::uint64_t offset, const std::uint8_t* data, std::uint64_t length);
  bool Flush() { return static_cast<bool>(file_.flush()); }
  explicit operator bool() const { return static_cast<bool>(file_); }

 private:
  std::fstream file_;
};

// Disc blocks the image holds, at byte (block - base) x 2048. From `trailingFrom` on,
// blocks the drive refuses as not on the disc up to the area's end are the run-out
// and pre-gap after a track's data: they are left out, not counted as errors.
struct ImageArea {
  TSectorSpan blocks;
  std::uint64_t trailingFrom = 0;
  std::uint8_t track = 0;
};

class ImageRescue {
 public:
  ImageRescue(TSCSIDevice& drive, const TRescuePolicy& policy, ImageOutput& image, vdrive::TRescueMap& map,
              std::string mapPath, std::uint32_t base);

  // Reads the blocks of the areas not yet read well, until done or the work ends.
  // An area whose last blocks the drive refuses as not on the disc is cut before them.
  void Run(std::vector<ImageArea>& areas);
  // The blocks of `area` the map does not mark read well.
  std::vector<TSectorSpan> Unread(const ImageArea& area) const;

  TRescueEnd End() const { return end_; }
  std::uint32_t EndLba() const { return endLba_; }
  const std::string& EndText() const { return endText_; }
  bool WriteFailed() const { return writeFailed_; }
  // The trailing blocks left out, with the track each ended.
  const std::vector<ImageArea>& LeftOut() const { return leftOut_; }

 private:
  bool Going() const { return end_ == TRescueEnd::Complete && !writeFailed_; }
  void Read(TSectorSpan span);
  void ReadTrailing(TSectorSpan span, ImageArea& area);

  TSCSIDevice& drive_;
  TRescuePolicy policy_;
  ImageOutput& image_;
  vdrive::TRescueMap& map_;
  std::string mapPath_;
  std::uint32_t base_;
  TSectorRescue::TDeliver keep_;
  TRescueEnd end_ = TRescueEnd::Complete;
  std::uint32_t endLba_ = 0;
  std::string endText_;
  bool writeFailed_ = false;
  std::vector<ImageArea> leftOut_;
};

}  // namespace tarnwick::cli
