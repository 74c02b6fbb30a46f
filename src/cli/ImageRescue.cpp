#include "cli/ImageRescue.h"

#include <algorithm>
#include <filesystem>

#include "cli/Interruption.h"
#include "platform/LocalPath.h"

namespace tarnwick::cli {

namespace {
namespace fs = std::filesystem;
constexpr std::uint64_t kBlock = 2048;
}  // namespace

ImageOutput::ImageOutput(const std::string& path, std::uint64_t size) {
  const fs::path local = platform::LocalPath(path);
  std::error_code ec;
  if (!fs::exists(local, ec)) std::ofstream(local, std::ios::binary);
  file_.open(local, std::ios::binary | std::ios::in | std::ios::out);
  if (file_ && fs::file_size(local, ec) < size && !ec) fs::resize_file(local, size, ec);
  if (ec) file_.setstate(std::ios::failbit);
}

bool ImageOutput::Write(std::uint64_t offset, const std::uint8_t* data, std::uint64_t length) {
  file_.seekp(static_cast<std::streamoff>(offset));
  file_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(length));
  return static_cast<bool>(file_);
}

ImageRescue::ImageRescue(TSCSIDevice& drive, const TRescuePolicy& policy, ImageOutput& image, vdrive::TRescueMap& map,
                         std::string mapPath, std::uint32_t base)
    : drive_(drive), policy_(policy), image_(image), map_(map), mapPath_(std::move(mapPath)), base_(base) {
  keep_ = [this](std::uint32_t lba, const std::uint8_t* data, std::uint32_t count) {
    if (data) {
      const std::uint64_t offset = std::uint64_t{lba - base_} * kBlock;
      if (!image_.Write(offset, data, count * kBlock)) {
        writeFailed_ = true;
        return false;
      }
      map_.Set(offset, count * kBlock, '+');
    }
    return !InterruptionScope::Interrupted();
  };
}

std::vector<TSectorSpan> ImageRescue::Unread(const ImageArea& area) const {
  std::vector<TSectorSpan> blocks;
  for (const vdrive::TRescueMap::Area& a : map_.Areas()) {
    if (a.status == '+') continue;
    const std::uint64_t first = base_ + a.pos / kBlock, end = first + a.size / kBlock;
    const std::uint64_t from = std::max<std::uint64_t>(first, area.blocks.first);
    const std::uint64_t to = std::min<std::uint64_t>(end, area.blocks.end());
    if (from < to) blocks.push_back({static_cast<std::uint32_t>(from), static_cast<std::uint32_t>(to - from)});
  }
  return blocks;
}

void ImageRescue::Run(std::vector<ImageArea>& areas) {
  for (ImageArea& area : areas) {
    for (const TSectorSpan& piece : Unread(area)) {
      if (piece.first >= area.blocks.end()) break;  // cut off with the trailing blocks
      const std::uint64_t cut = std::clamp<std::uint64_t>(area.trailingFrom, piece.first, piece.end());
      if (cut > piece.first) Read({piece.first, static_cast<std::uint32_t>(cut - piece.first)});
      if (Going() && cut < piece.end()) ReadTrailing({static_cast<std::uint32_t>(cut), static_cast<std::uint32_t>(piece.end() - cut)}, area);
      if (!Going()) return;
    }
  }
}

void ImageRescue::Read(TSectorSpan span) {
  TSectorRescue rescue(drive_, policy_);
  end_ = rescue.Forward(span, keep_);
  if (end_ == TRescueEnd::Complete) end_ = rescue.Return(keep_);
  endLba_ = rescue.EndLba();
  if (end_ != TRescueEnd::Complete) endText_ = drive_.LastErrorText;
  for (const TSectorSpan& bad : rescue.Bad()) map_.Set(std::uint64_t{bad.first - base_} * kBlock, bad.count * kBlock, '-');
  for (const TSectorSpan& left : rescue.Untried())
    map_.Set(std::uint64_t{left.first - base_} * kBlock, left.count * kBlock, '/');
  if (!image_.Flush() || !map_.Save(mapPath_)) writeFailed_ = true;
}

void ImageRescue::ReadTrailing(TSectorSpan span, ImageArea& area) {
  Read(span);
  if (end_ != TRescueEnd::NotOnDisc) return;
  // The refused run holds the first block not on the disc: find it block by block.
  std::uint64_t lba = endLba_;
  for (end_ = TRescueEnd::Complete; lba < span.end(); ++lba) {
    Read({static_cast<std::uint32_t>(lba), 1});
    if (!Going()) break;
  }
  if (end_ != TRescueEnd::NotOnDisc || writeFailed_) return;
  const std::string refusal = endText_;
  // It and what follows it are no data only when the track's last block is refused too.
  const std::uint64_t last = area.blocks.end() - 1;
  if (lba < last) {
    Read({static_cast<std::uint32_t>(last), 1});
    if (end_ != TRescueEnd::NotOnDisc) {
      if (!Going()) return;
      end_ = TRescueEnd::NotOnDisc;
      endLba_ = static_cast<std::uint32_t>(lba);
      endText_ = refusal;
      return;
    }
  }
  leftOut_.push_back({{static_cast<std::uint32_t>(lba), static_cast<std::uint32_t>(area.blocks.end() - lba)}, lba, area.track});
  area.blocks.count = static_cast<std::uint32_t>(lba - area.blocks.first);
  end_ = TRescueEnd::Complete;
}

}  // namespace tarnwick::cli
