// TSCSIDevice: one optical drive reached through the process-wide transport. It
// keeps the device list, selects and identifies a drive, executes MMC commands with
// error capture and a command trace, and answers the disc-level queries.
//
// Fields carry the names the rest of the component and the window use; the class is
// split over several source files in this folder, one concern each.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <functional>
#include <string>
#include <vector>

#include "drive/DebugSink.h"
#include "drive/Disc.h"
#include "transport/Srb.h"

namespace tarnwick {

class TSCSIDevice;

// Debug message outlet: (Sender, Message, mType). Types: 0 error, 1 progress,
// 3 tree limit, 4 import error.
using TOnDebugMsg = std::function<void(TSCSIDevice* Sender, const std::string& Message, std::uint8_t mType)>;
using TDeviceChangedEvent = std::function<void(TSCSIDevice* Sender)>;

// READ TRACK INFORMATION answer, 38 bytes; the 16- and 32-bit fields are turned to
// host order after a successful query.
#pragma pack(push, 1)
struct TTrackInformation {
  std::uint16_t DataLength;
  std::uint8_t TrackNumber;
  std::uint8_t SessionNumber;
  std::uint8_t Flags[4];
  std::uint32_t TrackStartAddress;
  std::uint32_t NextWritableAddress;
  std::uint32_t FreeBlockCount;
  std::uint32_t FixedPacketSize;
  std::uint32_t TrackSize;
  std::uint32_t LastRecordedAddress;
  std::uint8_t Rest[6];
};
#pragma pack(pop)
static_assert(sizeof(TTrackInformation) == 38);
static_assert(offsetof(TTrackInformation, TrackStartAddress) == 8 && offsetof(TTrackInformation, TrackSize) == 24 &&
              offsetof(TTrackInformation, LastRecordedAddress) == 28);

class TSCSIDevice {
 public:
  TSCSIDevice();
  virtual ~TSCSIDevice();
  TSCSIDevice(const TSCSIDevice&) = delete;
  TSCSIDevice& operator=(const TSCSIDevice&) = delete;

  // ---- Device discovery (DeviceList.cpp) ----
  bool InitializeDevices(bool PreferSPTI);
  void ScanDevices();
  void QueryHostAdapter(std::uint8_t adapter);
  char GetDriveLetter();  // 0 when none is found
  std::uint8_t DiskInfoDriveLetter(std::uint8_t ha, std::uint8_t target, std::uint8_t lun);

  std::vector<std::string> DeviceList;
  std::int8_t AdapterCount = 0;
  bool DoDebug = false;
  bool Erasing = false;

  // ---- Selection and identity (Selection.cpp) ----
  void SelectDevice(const std::string& line);
  void IdentifyDevice();
  bool ProbeWriteModes();
  bool TryWriteMode(int mode);

  std::string DeviceText;
  std::string DeviceIdentity;
  std::uint8_t DeviceType = 127;
  bool BufQuirk = false;
  bool LinkSizeQuirk = false;
  bool DvdRwQuirk = false;
  static bool ReadyPollQuirk;  // process-wide: follows the last successful selection
  std::uint8_t WriteModes = 0;
  std::uint8_t WriteParametersPage[54] = {};
  TDeviceChangedEvent OnDeviceChange;

  // ---- Command execution and error state (ExecuteCommand.cpp, ErrorText.cpp) ----
  // Completes the request with the current address, sends it, waits, captures errors
  // and traces failures. Returns SRB_Status == SS_COMP.
  bool ExecuteCommand(SRB_ExecSCSICmd& srb, std::int32_t timeoutMs);
  // The same with the data buffer lent to the request instead of copied: the SRB_BufLen
  // bytes at SRB_BufPointer, which points into `lent`, are the data phase. `lent`
  // comes back holding the data, or empty when the transport may still write into it.
  bool ExecuteCommand(SRB_ExecSCSICmd& srb, std::int32_t timeoutMs, std::vector<std::uint8_t>& lent);
  bool AbortRequest(SRB_ExecSCSICmd* pending);
  void BuildErrorText(const SRB_ExecSCSICmd& srb);
  void AdditionalSenseText(const SRB_ExecSCSICmd& srb);

  std::uint8_t HaId = 254;
  std::uint8_t Target = 254;
  std::uint8_t Lun = 254;
  std::string LastErrorText;
  std::uint8_t LastSense[SENSE_AREA_LEN] = {};
  // Commands that ended with a unit attention or a not-ready condition, the signs that
  // the medium may have been changed; only ever grows.
  std::uint32_t MediumEvents() const { return mediumEvents_; }

  // ---- Debug messages (Debug.cpp) ----
  void DebugMessage(const std::string& text, std::uint8_t mType);
  // The sink messages are appended to; nullptr unassigns. The sink tells the device
  // when it goes away (Notification), so a destroyed sink is never written to.
  void SetDebugWindow(TDebugSink* sink);
  TDebugSink* DebugWindow() const { return debugWindow_; }
  void Notification(TDebugSink* component, TOperation operation);
  TOnDebugMsg OnDebugMessage;
  // Whether a failed command's trace line (its bytes, its data and the drive's answer)
  // is made at all. A listener that shows none of them turns this off: on a damaged
  // disc they come by the thousand, each a few hundred characters long.
  bool TraceFailures = true;

  // ---- TOC, tracks, sectors (Commands.cpp) ----
  bool TestUnitReady(std::int32_t timeoutMs);
  bool RequestSense(std::uint8_t* buffer, std::uint8_t length);
  bool Inquiry();
  bool ReadToc(std::uint8_t format, std::uint8_t* buffer, std::uint8_t control, bool msf, std::uint8_t track,
               std::uint32_t allocationLength);
  bool ReadTrackInfo(std::uint32_t track);
  bool ReadSectors(std::uint32_t lba, std::uint16_t count, std::uint32_t bufferLength, std::uint8_t* buffer);
  // READ(10) of `count` sectors into the count x 2048 bytes of `buffer` from `offset`
  // on; the buffer grows to hold them and is lent to the request, so bulk data is not
  // copied. It holds at least offset + count x 2048 bytes afterwards whatever the
  // outcome; when the transport kept it (a request it may still write into) the caller
  // gets a new one, a different data(), and what it held outside the read is gone.
  bool ReadSectorsInto(std::uint32_t lba, std::uint16_t count, std::vector<std::uint8_t>& buffer,
                       std::size_t offset = 0);

  // The first track of session s: from the full TOC (format 2, point A0 of that
  // session), else from READ TRACK INFORMATION's session field, else s itself.
  std::uint8_t FirstTrackOfSession(std::uint8_t session);
  // The first block of a track (AAh: the lead-out) in LBA form, from the table of
  // contents, else from READ TRACK INFORMATION; none when the drive tells neither
  // (TrackStart.cpp).
  std::optional<std::uint32_t> TrackStartLba(std::uint8_t track);

  // Aligned so that its 32-bit fields are: std::max, std::optional and the like bind
  // references to them.
  alignas(4) TTrackInformation TrackInfo = {};
  std::uint8_t InquiryData[131] = {};

  static std::uint32_t MsfToFrames(std::uint8_t h, std::uint8_t m, std::uint8_t s, std::uint8_t f);
  static std::uint16_t Swap16(std::uint16_t v);
  static std::uint32_t Swap32(std::uint32_t v);
  static void ReverseCopy(const void* source, void* destination, std::size_t count);

  // ---- Capabilities and speeds (Capabilities.cpp) ----
  bool ModeSense(std::uint8_t page, std::uint8_t* destination, bool defaults, std::uint16_t length,
                 std::uint16_t clearLength);
  bool ModeSelect(const std::uint8_t* list, std::uint16_t length);
  bool GetConfiguration(std::uint8_t requestType, std::uint8_t startFeature, std::uint16_t length,
                        std::uint8_t* buffer);
  bool SetSpeed(std::uint32_t readMultiple, std::uint32_t writeMultiple);
  bool ReadCapabilities();
  bool HasVendorPage30();
  bool SetWriteParameters(bool testWrite, bool underrun);
  void SetWriteSpeed(std::uint16_t value);

  std::uint32_t Capabilities = 0;
  std::uint8_t CapabilitiesPage[22] = {};
  std::uint16_t DeviceMaxReadSpeed = 0;
  std::uint16_t DeviceMaxWriteSpeed = 0;
  std::uint16_t ReadSpeed = 0;
  std::uint16_t WriteSpeed = 0;
  bool UnderrunProtection = false;
  bool FinalizeDisc = false;

  // ---- Disc and session information (DiscInfo.cpp) ----
  void GetDiscInfo(TDisc& disc);
  std::uint8_t GetLastSession();
  std::uint8_t GetMediumType();
  std::uint32_t GetUsedBlocks();
  std::uint32_t GetFreeBlocks();
  std::uint32_t GetDiscBlocks();
  // READ TRACK INFORMATION for the track after the last session's tracks into TrackInfo.
  bool ReadTrackAfterLastSession();
  bool ReadDiscInformation(std::uint8_t* buffer, std::uint8_t length);
  bool ReadDiscInfo();
  bool WaitUntilReady(std::int32_t budgetMs, std::int32_t intervalMs);
  bool ReadCapacity(std::uint32_t& lastBlock, std::uint32_t& blockLength);
  bool ReadFormatCapacities(std::uint32_t& blocks, std::uint32_t& blockLength);

  TDisc DiscInfo;
  std::uint8_t AtipData[26] = {};
  // The current profile the last GetMediumType was told; 0 when GET CONFIGURATION failed.
  std::uint16_t MediumProfile() const { return mediumProfile_; }

  // ---- The medium's name (DiscStructure.cpp) ----
  // READ DISC STRUCTURE of `format` for media type 0 (DVD, HD DVD) or 1 (BD).
  bool ReadDiscStructure(std::uint8_t mediaType, std::uint8_t format, std::uint8_t* buffer, std::uint16_t length);
  // The layers of a DVD or HD DVD from its physical format information; 0 when the
  // drive does not tell.
  std::uint8_t GetLayerCount();
  // The layers of a Blu-ray disc from its first disc information unit; 0 when the
  // drive does not tell.
  std::uint8_t GetBdLayerCount();
  struct TMedium {
    std::uint8_t Index = 0;     // GetMediumType
    std::uint16_t Profile = 0;  // the current profile, 0 when not told
    std::uint8_t Layers = 0;    // asked only where the profile does not tell; 0: not asked or not told
    std::string Name;           // MediumName of the three
  };
  // GetMediumType, and the layer count where the profile leaves it open.
  TMedium GetMedium();

 private:
  bool Execute(SRB_ExecSCSICmd& srb, std::int32_t timeoutMs, std::vector<std::uint8_t>* lent);
  void ResetSelection();
  void TraceFailedCommand(const SRB_ExecSCSICmd& srb);
  SRB_HAInquiry haInquiry_ = {};
  // Adapters the scan probes: the last answered host adapter count, 0 after a failed inquiry.
  unsigned adaptersToScan_ = 0;
  TDebugSink* debugWindow_ = nullptr;
  std::uint32_t mediumEvents_ = 0;
  std::uint16_t mediumProfile_ = 0;
};

}  // namespace tarnwick
