// The first block of a track, or of the lead-out, as a logical block address.
//
// The table of contents is asked for in LBA form: its MSF form cannot express a
// block past 255:59:74 (block 1151849), which a DVD's later sessions pass. A drive
// that refuses the LBA form is asked READ TRACK INFORMATION for the track, and as a
// last resort the MSF form of the table of contents.
#include <array>

#include "drive/SCSIDevice.h"
#include "platform/ByteOrder.h"

namespace tarnwick {

namespace {

constexpr std::uint8_t kLeadOut = 0xAA;
constexpr std::uint32_t kTocAllocation = 12;  // the header and the first descriptor
constexpr std::uint32_t kFirstBlockFrames = 150;

}  // namespace

std::optional<std::uint32_t> TSCSIDevice::TrackStartLba(std::uint8_t track) {
  std::array<std::uint8_t, kTocAllocation> toc{};
  // The answer must hold the first descriptor and name the track asked for.
  auto describes = [&] { return GetBE16(toc.data()) >= 10 && (track == 0 || toc[6] == track); };
  if (ReadToc(0, toc.data(), 0, false, track, kTocAllocation) && describes()) return GetBE32(toc.data() + 8);

  if (track != kLeadOut && track != 0 && ReadTrackInfo(track) && TrackInfo.TrackNumber == track)
    return TrackInfo.TrackStartAddress;

  toc.fill(0);
  if (ReadToc(0, toc.data(), 0, true, track, kTocAllocation) && describes()) {
    const std::uint32_t frames = MsfToFrames(0, toc[9], toc[10], toc[11]);
    if (frames >= kFirstBlockFrames) return frames - kFirstBlockFrames;
  }
  return std::nullopt;
}

}  // namespace tarnwick
