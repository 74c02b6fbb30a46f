// Finding the drives: starting the transport, the host adapter inquiry, the scan of
// every address that builds DeviceList, and the drive letter of the current drive.
#include <cstring>

#include "drive/SCSIDevice.h"
#include "drive/TextFields.h"
#include "platform/Platform.h"
#include "transport/Transport.h"
#include "transport/Volume.h"

namespace tarnwick {

TSCSIDevice::TSCSIDevice() {
  if (ASPIInitialized()) {
    QueryHostAdapter(0);
    ScanDevices();
  }
}

TSCSIDevice::~TSCSIDevice() { SetDebugWindow(nullptr); }

bool TSCSIDevice::InitializeDevices(bool PreferSPTI) {
  const bool started = InitASPI(PreferSPTI);  // never throws
  if (started) {
    QueryHostAdapter(0);
    ScanDevices();
  }
  return started;
}

void TSCSIDevice::QueryHostAdapter(std::uint8_t adapter) {
  std::memset(&haInquiry_, 0, sizeof haInquiry_);
  haInquiry_.SRB_Cmd = SC_HA_INQUIRY;
  haInquiry_.SRB_HaId = adapter;
  SendASPI32Command(&haInquiry_);
  const bool answered = haInquiry_.SRB_Status == SS_COMP;
  const std::uint8_t count = answered ? haInquiry_.HA_Count : 255;
  AdapterCount = static_cast<std::int8_t>(count == 0 ? 7 : count);
  // The published count is a signed byte, so 128 adapters or more read as negative.
  // Linux numbers its host adapters on, one more with every USB drive plugged in, so
  // such counts happen; the scan keeps the answered count whole.
  adaptersToScan_ = answered ? static_cast<std::uint8_t>(AdapterCount) : 0;
}

void TSCSIDevice::ScanDevices() {
  DeviceList.clear();
  const std::uint8_t savedHa = HaId, savedTarget = Target, savedLun = Lun;
  if (DoDebug) DebugMessage(">>> " + TransportName(), 1);

  // A failed host adapter inquiry leaves nothing to scan; an answered count is scanned
  // whole, even where the signed AdapterCount reads it as negative.
  const int adapters = adaptersToScan_;
  for (int adapter = 0; adapter < adapters; ++adapter) {
    const auto ha = static_cast<std::uint8_t>(adapter);
    QueryHostAdapter(ha);
    const std::string identifier(
        TrimControls(FieldText(haInquiry_.HA_Identifier, sizeof haInquiry_.HA_Identifier)));
    if (DoDebug)
      DebugMessage(">>> " + FieldText(haInquiry_.HA_ManagerId, sizeof haInquiry_.HA_ManagerId) + " (" + identifier +
                       ")",
                   1);
    for (std::uint8_t target = 0; target < 8; ++target) {
      for (std::uint8_t lun = 0; lun < 8; ++lun) {
        HaId = ha;
        Target = target;
        Lun = lun;
        std::memset(InquiryData, 0, sizeof InquiryData);
        if (!Inquiry()) continue;
        const std::uint8_t type = InquiryData[0];
        if (type != 5 && type != 4) continue;
        const char letter = GetDriveLetter();
        std::string line = std::to_string(adapter) + ":" + std::to_string(target) + ":" + std::to_string(lun) + ",";
        line += letter != 0 ? std::string(1, letter) + ":" : std::string("?:");
        line += " ";
        line.append(reinterpret_cast<const char*>(InquiryData + 8), 8 + 16 + 4);
        if (type == 4) line += " (not supported)";
        DeviceList.push_back(line);
      }
    }
  }

  HaId = savedHa;
  Target = savedTarget;
  Lun = savedLun;
  LastErrorText.clear();
}

char TSCSIDevice::GetDriveLetter() {
  for (char letter = 'B'; letter <= 'Z'; ++letter) {
    transport::ScopedVolume volume(transport::OpenVolume(static_cast<std::uint8_t>(letter - 'A')));
    if (!volume.valid()) continue;
    platform::SCSI_ADDRESS address = {};
    address.Length = sizeof address;
    std::uint32_t returned = 0;
    if (platform::Current().DeviceIoControl(volume.get(), platform::IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address,
                                            sizeof address, &returned) &&
        address.PortNumber == HaId && address.TargetId == Target)
      return letter;
  }
  // An index beyond Z names no drive letter and counts as none.
  const std::uint8_t index = DiskInfoDriveLetter(HaId, Target, Lun);
  if (index < 26) return static_cast<char>('A' + index);
  return 0;
}

std::uint8_t TSCSIDevice::DiskInfoDriveLetter(std::uint8_t ha, std::uint8_t target, std::uint8_t lun) {
  SRB_GetDiskInfo request = {};
  request.SRB_Cmd = SC_GET_DISK_INFO;
  request.SRB_HaId = ha;
  request.SRB_Target = target;
  request.SRB_Lun = lun;
  SendASPI32Command(&request);
  return request.SRB_Status == SS_COMP ? request.SRB_Int13HDriveInfo : 128;
}

}  // namespace tarnwick
