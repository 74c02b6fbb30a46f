// The disc-level questions: is a disc ready, how many sessions, what medium, how
// large, how full and how free. Each is a short chain of queries taken in a fixed
// order, so that drives answering only part of the command set still give a result.
#include <algorithm>
#include <cstring>

#include "drive/AnswerBuffers.h"
#include "drive/SCSIDevice.h"
#include "platform/ByteOrder.h"

namespace tarnwick {

namespace {

constexpr std::int32_t kTestUnitReadyMs = 5000;
constexpr std::uint8_t kInvisibleTrack = 255;
constexpr std::uint8_t kFirstDvdIndex = 4;   // medium indexes below are CDs
constexpr std::uint32_t kLargestTrustedCapacity = 0x7F000000;
constexpr std::uint32_t kSmallAtipLeadOut = 20000;

// Flags of a READ TRACK INFORMATION answer (bytes 6 and 7).
bool TrackIsBlank(const TTrackInformation& t) { return (t.Flags[2] & 0x40) != 0; }
bool NextWritableValid(const TTrackInformation& t) { return (t.Flags[3] & 0x01) != 0; }

// The blocks in use up to a track: where the next write would go when the drive
// gives that address; the track's start when nothing is recorded in it; its end
// otherwise.
std::uint32_t UsedUpToTrack(const TTrackInformation& t) {
  if (NextWritableValid(t) || t.NextWritableAddress != 0) return t.NextWritableAddress;
  if (TrackIsBlank(t)) return t.TrackStartAddress;
  return t.TrackStartAddress + t.TrackSize;
}

// The free blocks a track answer stands for. The track size of a blank track (the
// invisible track of a CD, an empty DVD) is room still to be written and counts; the
// size of a recorded track is data, not free room, and does not.
std::uint32_t FreeOfTrack(const TTrackInformation& t) {
  return TrackIsBlank(t) ? std::max(t.FreeBlockCount, t.TrackSize) : t.FreeBlockCount;
}

// A CD asks for its invisible track, other media for track 1. The medium indexes
// below 4 are CDs, and so is index 0 (no index) unless the drive named a profile of a
// known medium, which then is not a CD (every CD profile has an index).
std::uint8_t TrackForFreeRoom(std::uint8_t mediumIndex, std::uint16_t profile) {
  const bool cd = mediumIndex != 0 ? mediumIndex < kFirstDvdIndex : !IsKnownProfile(profile);
  return cd ? kInvisibleTrack : 1;
}

// READ TOC format 4 (ATIP, with MSF) into AtipData. Some drives ignore the format
// field and answer every READ TOC with a plain TOC and good status; taken for an ATIP,
// its lead-out descriptor would pass for the disc's capacity. An ATIP answer keeps
// bytes 2-3 reserved (zero) and reaches at least byte 14, where a plain TOC names its
// first and last track (never 0 on a disc that has a TOC); such an answer counts as a
// failed ATIP query.
bool ReadAtip(TSCSIDevice& drive) {
  std::memset(drive.AtipData, 0, sizeof drive.AtipData);
  if (!drive.ReadToc(4, drive.AtipData, 0, true, 0, sizeof drive.AtipData)) return false;
  const std::uint8_t* atip = drive.AtipData;
  return atip[2] == 0 && atip[3] == 0 && GetBE16(atip) >= 13;
}

// The start of the lead-out (MSF in bytes 12-14) of the ATIP answer in AtipData.
std::uint32_t AtipLeadOut(const TSCSIDevice& drive) {
  return TSCSIDevice::MsfToFrames(0, drive.AtipData[12], drive.AtipData[13], drive.AtipData[14]);
}

}  // namespace

void TSCSIDevice::GetDiscInfo(TDisc& disc) {
  auto& b = AnswerBuffers();
  DiscInfo = TDisc{};

  if (!TestUnitReady(kTestUnitReadyMs)) {
    WaitUntilReady(3000, 5000);
    if (!TestUnitReady(kTestUnitReadyMs)) return;
  }
  DiscInfo.Ready = true;

  std::memset(b.TocBuffer, 0, sizeof b.TocBuffer);
  if (ReadToc(0, b.TocBuffer, 0, false, 0, sizeof b.TocBuffer)) {
    if (ReadToc(1, b.SessionAnswer, 0, false, 0, sizeof b.SessionAnswer)) {
      DiscInfo.FirstSession = b.SessionAnswer[2];
      DiscInfo.LastSession = b.SessionAnswer[3];
    }
    DiscInfo.Capacity = ReadAtip(*this) ? AtipLeadOut(*this) : 0;
    DiscInfo.MediumName = "CD-ROM";
  }

  std::memset(b.ConfigBuffer, 0, sizeof b.ConfigBuffer);
  if (GetConfiguration(2, 0, sizeof b.ConfigBuffer, b.ConfigBuffer)) {
    BEToHost16InPlace(b.ConfigBuffer + 6);
    const std::uint16_t profile = GetHost16(b.ConfigBuffer + 6);
    const TProfileEntry* entry = FindProfile(profile);
    DiscInfo.MediumName = entry->Name;
    DiscInfo.Erasable = entry->Erasable;
    DiscInfo.Profile = profile;

    // How full the medium is, from the track where writing would go on. Nothing in
    // the program reads these three fields today; they are filled with the numbers a
    // user would take for the truth: the used blocks up to the next writable address
    // and the capacity as used plus free blocks of that track. A drive that does not
    // answer the track query gives the formatted size instead.
    const std::uint8_t medium = GetMediumType();
    if (ReadTrackInfo(TrackForFreeRoom(medium, mediumProfile_))) {
      DiscInfo.Used = UsedUpToTrack(TrackInfo);
      DiscInfo.BlockSize = 2048;
      DiscInfo.Capacity = std::max(DiscInfo.Capacity, DiscInfo.Used + TrackInfo.FreeBlockCount);
    } else if (ReadFormatCapacities(DiscInfo.Used, DiscInfo.BlockSize)) {
      DiscInfo.Capacity = std::max(DiscInfo.Capacity, DiscInfo.Used);
    }
  }

  if (ReadDiscInfo()) {
    const std::uint8_t state = b.DiscInfoBuffer[2];
    DiscInfo.DiscStatus = state & 0x03;
    DiscInfo.SessionState = (state >> 2) & 0x03;
    DiscInfo.Erasable = (state & 0x10) != 0;
  } else {
    ReadCapacity(DiscInfo.Used, DiscInfo.BlockSize);
    if (ReadTrackInfo(0)) DiscInfo.MediumName = "CD-ROM";
  }

  if (DiscInfo.Used > DiscInfo.Capacity) DiscInfo.Capacity = DiscInfo.Used;
  disc = DiscInfo;
}

// Where a further session would go: track `GetLastSession` + 1 on a disc of one track
// per session. A disc whose sessions hold more tracks (the audio tracks before the data
// session of an enhanced CD) has that number on one of its recorded tracks, whose start
// and free blocks say nothing of the disc's end; the track after the disc's last track
// (from the table of contents) is asked instead. When the table of contents does not
// tell, the first answer stands.
bool TSCSIDevice::ReadTrackAfterLastSession() {
  const std::uint8_t last = GetLastSession();
  const auto track = static_cast<std::uint8_t>(last + 1);
  if (!ReadTrackInfo(track)) return false;
  if (track == 1 || TrackInfo.SessionNumber == 0 || TrackInfo.SessionNumber > last) return true;
  const TTrackInformation recorded = TrackInfo;
  std::uint8_t toc[4] = {};
  if (ReadToc(0, toc, 0, false, 0, sizeof toc) && toc[3] >= track && toc[3] < 99)
    return ReadTrackInfo(static_cast<std::uint8_t>(toc[3] + 1));
  TrackInfo = recorded;
  return true;
}

std::uint8_t TSCSIDevice::GetLastSession() {
  auto& answer = AnswerBuffers().SessionAnswer;
  if (!ReadToc(1, answer, 0, false, 0, sizeof answer)) return 0;
  return answer[3];
}

std::uint8_t TSCSIDevice::GetMediumType() {
  auto& b = AnswerBuffers();
  std::uint8_t index = 0;
  mediumProfile_ = 0;
  if (GetConfiguration(2, 0, sizeof b.ConfigBuffer, b.ConfigBuffer)) {
    mediumProfile_ = GetBE16(b.ConfigBuffer + 6);
    index = ProfileToMediumIndex(mediumProfile_);
    // A known medium without an index (a dual-layer DVD, a Blu-ray disc) is no CD: it
    // has no ATIP, and its disc information must not pass it off as a CD-R.
    if (index != 0 || IsKnownProfile(mediumProfile_)) return index;
  }
  if (ReadAtip(*this)) {
    if ((AtipData[6] & 0x80) == 0)
      index = 1;
    else
      index = (AtipData[6] & 0x40) != 0 ? 3 : 2;
  }
  if (ReadDiscInfo() && index == 0) index = (b.DiscInfoBuffer[2] & 0x10) != 0 ? 3 : 2;
  if (index == 0 && TestUnitReady(kTestUnitReadyMs)) index = 1;
  return index;
}

std::uint32_t TSCSIDevice::GetUsedBlocks() {
  const auto track = static_cast<std::uint8_t>(GetLastSession() + 1);
  if (ReadTrackInfo(track)) {
    const std::uint32_t next = TrackInfo.NextWritableAddress;
    if (track == 1 || next != 0) return next;
  }

  std::uint32_t lastBlock = 0;
  std::uint32_t blockLength = 0;
  if (ReadCapacity(lastBlock, blockLength)) {
    if (lastBlock <= kLargestTrustedCapacity) return lastBlock;
    // Larger answers come from drives that report a blank or unformatted medium
    // badly; the formatted size takes their place.
    std::uint32_t blocks = 0;
    return ReadFormatCapacities(blocks, blockLength) ? blocks : 0;
  }

  // Last resort: the track after the last session once more. The blocks in use are
  // those before where that track would be written (or its end when it is recorded),
  // not its free block count, which is the room left.
  if (ReadTrackInfo(static_cast<std::uint8_t>(GetLastSession() + 1))) return UsedUpToTrack(TrackInfo);
  return 0;
}

std::uint32_t TSCSIDevice::GetFreeBlocks() {
  const std::uint8_t medium = GetMediumType();

  // Put the write parameters into a known state (finalising on) first: some drives
  // report the free room of the next track only for the write mode that is set.
  const bool finalize = FinalizeDisc;
  FinalizeDisc = true;
  SetWriteParameters(false, UnderrunProtection);
  FinalizeDisc = finalize;

  // On a DVD track 1 is asked first; on a disc of several sessions it is the closed
  // track of the first one, with no room, while the room left lies in the track after
  // the last session. So an answer without free room also goes on to that track.
  if (ReadTrackInfo(TrackForFreeRoom(medium, mediumProfile_)) && FreeOfTrack(TrackInfo) != 0)
    return FreeOfTrack(TrackInfo);
  if (ReadTrackAfterLastSession()) return FreeOfTrack(TrackInfo);
  return 0;
}

std::uint32_t TSCSIDevice::GetDiscBlocks() {
  if (ReadAtip(*this)) {
    std::uint32_t blocks = AtipLeadOut(*this);
    // A lead-out this early is not a real capacity; a larger READ CAPACITY answer wins.
    std::uint32_t lastBlock = 0;
    std::uint32_t blockLength = 0;
    if (blocks < kSmallAtipLeadOut && ReadCapacity(lastBlock, blockLength) && lastBlock > blocks) blocks = lastBlock;
    return blocks;
  }

  if (ReadTrackAfterLastSession()) return TrackInfo.FreeBlockCount + TrackInfo.TrackStartAddress;

  std::uint32_t blocks = 0;
  std::uint32_t blockLength = 0;
  if (ReadFormatCapacities(blocks, blockLength)) return blocks;
  return GetUsedBlocks();
}

}  // namespace tarnwick
