// What the drive can read and write and how fast (capabilities page 2Ah, vendor page
// 30h, GET CONFIGURATION features), and the write parameters page 05h put into the
// known state that free-space queries expect.
#include <cstring>

#include "drive/AnswerBuffers.h"
#include "drive/ModePage.h"
#include "drive/SCSIDevice.h"
#include "platform/ByteOrder.h"

namespace tarnwick {

namespace {

constexpr std::uint8_t kCapabilitiesPage = 0x2A;
constexpr std::uint8_t kVendorPage = 0x30;
constexpr std::uint8_t kWriteParametersPage = 0x05;
constexpr std::uint8_t kFeatureDvdPlusRw = 0x2A;
constexpr std::uint8_t kFeatureDvdRWrite = 0x2F;

// Shifts the page at `offset` of the 256-byte page buffer down to byte 0.
void ShiftPage(std::uint8_t (&buffer)[256], std::size_t offset) {
  std::memmove(buffer, buffer + offset, 255 - offset);
}

std::uint32_t CapabilityBits(const std::uint8_t* page) {
  std::uint32_t caps = 0;
  const std::uint8_t read = page[2], write = page[3];
  if (read & 0x01) caps |= kCapCdRRead;
  if (read & 0x02) caps |= kCapCdRwRead;
  if (read & 0x04) caps |= kCapMethod2Read;
  if (read & 0x08) caps |= kCapDvdRomRead;
  if (read & 0x10) caps |= kCapDvdRRead;
  if (read & 0x20) caps |= kCapDvdRamRead;
  if (write & 0x01) caps |= kCapCdRWrite;
  if (write & 0x02) caps |= kCapCdRwWrite;
  if (write & 0x04) caps |= kCapTestWrite;
  if (write & 0x10) caps |= kCapDvdRWrite;
  if (write & 0x20) caps |= kCapDvdRamWrite;
  if (page[4] & 0x80) caps |= kCapUnderrunProtection;
  return caps;
}

bool DvdRamWriter(const std::uint8_t* page) { return (page[3] & 0x20) != 0; }

}  // namespace

bool TSCSIDevice::ReadCapabilities() {
  auto& buffers = AnswerBuffers();
  auto& page = buffers.PageBuffer;
  Capabilities = 0;
  DeviceMaxWriteSpeed = 0;
  DeviceMaxReadSpeed = 0;
  std::memset(CapabilitiesPage, 0, sizeof CapabilitiesPage);
  std::size_t offset = 15;

  // Default values first: the bits and the drive's own maxima.
  std::memset(page, 0, sizeof page);
  if (ModeSense(kCapabilitiesPage, page, true, 128, 255)) {
    offset = FindModePage(page, kCapabilitiesPage, 8);
    ShiftPage(page, offset);
    std::memcpy(CapabilitiesPage, page, sizeof CapabilitiesPage);
    Capabilities |= CapabilityBits(CapabilitiesPage);
    // The vendor page query reuses the page buffer; the speeds are read from the copy.
    if (HasVendorPage30() || BufQuirk) Capabilities |= kCapUnderrunProtection;

    const std::uint16_t maxWrite = GetBE16(CapabilitiesPage + 18);
    const std::uint16_t maxRead = GetBE16(CapabilitiesPage + 8);
    if (maxWrite != 0)
      DeviceMaxWriteSpeed = SpeedMultiple(maxWrite);
    else if (DvdRamWriter(CapabilitiesPage))
      DeviceMaxWriteSpeed = 1;
    if (maxRead != 0)
      DeviceMaxReadSpeed = SpeedMultiple(maxRead);
    else if (DvdRamWriter(CapabilitiesPage))
      DeviceMaxReadSpeed = 1;

    auto& config = buffers.ConfigBuffer;
    const struct {
      std::uint8_t feature;
      std::uint32_t readBits, writeBits;
    } features[] = {{kFeatureDvdPlusRw, kCapDvdPlusRwRead, kCapDvdPlusRwWrite},
                    {kFeatureDvdRWrite, kCapDvdRRead, kCapDvdRWrite}};
    for (const auto& f : features) {
      if (!GetConfiguration(2, f.feature, sizeof config, config)) continue;
      BEToHost16InPlace(config + 6);
      BEToHost16InPlace(config + 8);
      if (GetHost16(config + 8) == f.feature) {
        Capabilities |= f.readBits;
        if (config[12] == 1) Capabilities |= f.writeBits;
      }
    }
  }

  // Current values: the page copy the rest of the component reads.
  std::memset(page, 0, sizeof page);
  if (!ModeSense(kCapabilitiesPage, page, false, 128, 255)) return false;
  offset = FindModePage(page, kCapabilitiesPage, offset);
  ShiftPage(page, offset);
  std::memcpy(CapabilitiesPage, page, sizeof CapabilitiesPage);
  if (DvdRamWriter(CapabilitiesPage)) {
    PutHost16(CapabilitiesPage + 18, 177);
    PutHost16(CapabilitiesPage + 20, 177);
  } else {
    BEToHost16InPlace(CapabilitiesPage + 18);
    BEToHost16InPlace(CapabilitiesPage + 20);
  }
  BEToHost16InPlace(CapabilitiesPage + 14);
  BEToHost16InPlace(CapabilitiesPage + 8);
  BEToHost16InPlace(CapabilitiesPage + 12);
  std::memset(page, 0, sizeof page);

  const std::uint16_t currentMaxWrite = SpeedMultiple(GetHost16(CapabilitiesPage + 18));
  const std::uint16_t currentMaxRead = SpeedMultiple(GetHost16(CapabilitiesPage + 8));
  if (currentMaxWrite > DeviceMaxWriteSpeed) DeviceMaxWriteSpeed = currentMaxWrite;
  if (currentMaxRead > DeviceMaxReadSpeed) DeviceMaxReadSpeed = currentMaxRead;
  return true;
}

bool TSCSIDevice::HasVendorPage30() {
  auto& page = AnswerBuffers().PageBuffer;
  std::memset(page, 0, 128);
  if (!ModeSense(kVendorPage, page, false, 128, 255)) return false;
  return FindModePage(page, kVendorPage, 0) != 0;  // a page is never found at offset 0
}

bool TSCSIDevice::SetWriteParameters(bool testWrite, bool underrun) {
  auto& buffers = AnswerBuffers();
  auto& answer = buffers.PageBuffer512A;
  auto& work = buffers.PageBuffer512B;
  std::memset(answer, 0, sizeof answer);
  std::memset(work, 0, sizeof work);
  if (!ModeSense(kWriteParametersPage, answer, false, 512, 511)) return false;

  const std::size_t offset = FindModePage(answer, kWriteParametersPage, 8);
  std::memcpy(work, answer + offset, sizeof work - offset);
  std::uint8_t* p = WriteParametersPage;
  std::memcpy(p, work, sizeof WriteParametersPage);

  p[1] = 0x32;  // page length
  p[2] = 0x01;  // write type: track at once
  p[4] = 0x08;  // data block type: mode 1, 2048 user bytes
  p[3] = 0x04;  // track mode: data
  if (LinkSizeQuirk) p[2] |= 0x20;  // link size valid
  const bool nextSession = !testWrite && !FinalizeDisc;
  p[3] = static_cast<std::uint8_t>((p[3] & 0x3F) | (nextSession ? 0xC0 : 0x00));
  if ((Capabilities & kCapUnderrunProtection) && underrun)
    p[2] |= 0x40;
  else
    p[2] &= static_cast<std::uint8_t>(~0x40);
  if (DvdRwQuirk) {
    p[2] = 0x41;
    p[3] = static_cast<std::uint8_t>((p[3] & 0x3F) | (FinalizeDisc ? 0x00 : 0xC0));
  }
  if ((Capabilities & kCapTestWrite) && testWrite)
    p[2] |= 0x10;
  else
    p[2] &= static_cast<std::uint8_t>(~0x10);
  std::memset(p + 5, 0, 9);  // link size, bytes 6-7, session format, byte 9, packet size

  // Mode parameter header (8 zero bytes) and the page: code, length and 32h bytes.
  std::uint8_t list[8 + 0x32 + 2] = {};
  std::memcpy(list + 8, p, 0x32 + 2);
  return ModeSelect(list, sizeof list);
}

}  // namespace tarnwick
