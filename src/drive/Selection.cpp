// Selecting a drive by its device-list line: identification, the model flags that
// adjust the command layer to a few drives, and the probe of accepted write types.
#include <cstring>
#include <optional>
#include <string_view>

#include "drive/AnswerBuffers.h"
#include "drive/SCSIDevice.h"
#include "drive/TextFields.h"
#include "platform/ByteOrder.h"

namespace tarnwick {

// Shared by every drive object; follows the last successful selection in any of them.
bool TSCSIDevice::ReadyPollQuirk = false;

namespace {

constexpr const char* kInvalidDevice = "INVALID DEVICE ID / NOT A CD OR DVD DRIVE";

struct LineAddress {
  std::uint8_t ha, target, lun;
};

// A decimal number of 1 to 3 digits, at most 255.
std::optional<std::uint8_t> ParseByte(std::string_view digits) {
  if (digits.empty() || digits.size() > 3) return std::nullopt;
  unsigned value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value > 255) return std::nullopt;
  return static_cast<std::uint8_t>(value);
}

// "adapter:target:lun,..." as the scan writes it; any adapter number is accepted,
// so drives on adapter 10 and above can be selected.
std::optional<LineAddress> ParseLineAddress(std::string_view line) {
  const auto colon1 = line.find(':');
  if (colon1 == std::string_view::npos) return std::nullopt;
  const auto colon2 = line.find(':', colon1 + 1);
  if (colon2 == std::string_view::npos) return std::nullopt;
  const auto comma = line.find(',', colon2 + 1);
  if (comma == std::string_view::npos) return std::nullopt;
  const auto ha = ParseByte(line.substr(0, colon1));
  const auto target = ParseByte(line.substr(colon1 + 1, colon2 - colon1 - 1));
  const auto lun = ParseByte(line.substr(colon2 + 1, comma - colon2 - 1));
  if (!ha || !target || !lun) return std::nullopt;
  return LineAddress{*ha, *target, *lun};
}

}  // namespace

void TSCSIDevice::ResetSelection() {
  DeviceText.clear();
  DeviceIdentity.clear();
  DeviceType = 127;
  HaId = Target = Lun = 254;
}

void TSCSIDevice::SelectDevice(const std::string& line) {
  if (line.size() < 5) {
    if (!line.empty()) DebugMessage(kInvalidDevice, 0);
    ResetSelection();
    return;
  }
  try {
    const auto address = ParseLineAddress(line);
    if (!address) {
      DebugMessage(kInvalidDevice, 0);
      ResetSelection();
      return;
    }
    HaId = address->ha;
    Target = address->target;
    Lun = address->lun;
    DeviceText = line;
    IdentifyDevice();
    if (InquiryData[0] != 5 && InquiryData[0] != 4) {
      DebugMessage(kInvalidDevice, 0);
      ResetSelection();
      return;
    }

    const auto raw = [this](std::size_t from, std::size_t n) {
      return std::string_view(reinterpret_cast<const char*>(InquiryData + from), n);
    };
    // A drive whose product is empty after trimming is still a CD/DVD drive by its
    // device type and can be read like any other: it is accepted, and no model flag
    // matches it (the prefix tests below look only at the text that is there).
    const std::string_view product = TrimControls(raw(16, 16));
    const std::string_view vendor = TrimControls(raw(8, 8));
    BufQuirk = product == "CD-W512EB";
    LinkSizeQuirk = product == "CRX175E" || product == "CD-RW  CRX800E";
    ReadyPollQuirk = product.starts_with("UJDA") || vendor.starts_with("TDK");
    DvdRwQuirk = raw(16, 16) == "DVD-RW  DVR-103 " || raw(16, 16) == "DVD-RW  DVR-104 ";

    if (OnDeviceChange) OnDeviceChange(this);
    ProbeWriteModes();
  } catch (...) {
    DebugMessage(kInvalidDevice, 0);
    ResetSelection();
  }
}

void TSCSIDevice::IdentifyDevice() {
  ReadCapabilities();
  if (!Inquiry()) {
    DeviceIdentity = LastErrorText;
    return;
  }
  DeviceType = InquiryData[0];
  for (std::size_t i = 8; i <= 55; ++i)
    if (InquiryData[i] < 0x20) InquiryData[i] = 0x20;
  const auto* text = reinterpret_cast<const char*>(InquiryData);
  DeviceIdentity = std::string(text + 8, 8) + " " + std::string(text + 16, 16) + " " + std::string(text + 32, 4);
}

bool TSCSIDevice::ProbeWriteModes() {
  WriteModes = 0;
  if (TryWriteMode(0)) WriteModes |= 1;  // raw
  if (TryWriteMode(1)) WriteModes |= 2;  // session at once
  if (TryWriteMode(2)) WriteModes |= 4;  // track at once
  return true;
}

bool TSCSIDevice::TryWriteMode(int mode) {
  auto& buffers = AnswerBuffers();
  auto& answer = buffers.PageBuffer512A;
  auto& page = buffers.PageBuffer512B;
  std::memset(answer, 0, sizeof answer);
  std::memset(page, 0, sizeof page);
  if (!ModeSense(0x05, answer, false, 512, 511)) return false;

  const std::size_t offset = answer[16] == 0x05 ? 16 : 8;
  std::memcpy(page, answer + offset, sizeof page - offset);
  std::memcpy(WriteParametersPage, page, sizeof WriteParametersPage);

  page[4] = 0;  // data block type
  switch (mode) {
    case 2:
      page[2] = 1;  // track at once
      break;
    case 1:
      page[2] = 2;  // session at once
      break;
    default:
      page[4] = 1;
      page[2] = 3;  // raw
      break;
  }
  page[3] = 0;
  page[8] = 0;  // session format
  page[9] = 0;
  PutBE16(page + 14, 150);  // audio pause length

  // Mode parameter header without block descriptor, then the page as long as the
  // drive says it is.
  const std::size_t pageBytes = std::size_t{page[1]} + 2;
  std::uint8_t list[8 + 257] = {};
  std::memcpy(list + 8, page, pageBytes);
  return ModeSelect(list, static_cast<std::uint16_t>(pageBytes + 8));
}

}  // namespace tarnwick
