// A drive whose every answer the test writes, served through the transport's testing
// entry points: for the disc queries whose fallbacks hang on answers no sane disc
// gives (a READ CAPACITY above 7F000000h, an ATIP lead-out of 00:04:00, a REQUEST
// SENSE that fails). Commands go through the real ExecuteCommand; the drive logs
// every command block it received.
#pragma once

#include <cstring>
#include <functional>
#include <optional>
#include <vector>

#include "drive/SCSIDevice.h"
#include "platform/ByteOrder.h"
#include "platform/Platform.h"
#include "transport/Srb.h"
#include "transport/Transport.h"

namespace tarnwick::test {

struct Reply {
  bool ok = true;
  std::vector<std::uint8_t> data;
  std::uint8_t key = 0, asc = 0, ascq = 0;

  static Reply Data(std::vector<std::uint8_t> bytes) { return Reply{true, std::move(bytes)}; }
  static Reply Fail(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq = 0) { return Reply{false, {}, key, asc, ascq}; }
  static Reply Unsupported() { return Fail(0x05, 0x20); }
};

// Answers one command block; nullopt means the command is not supported.
using Script = std::function<std::optional<Reply>(const std::vector<std::uint8_t>& cdb)>;

class ScriptedDrive {
 public:
  explicit ScriptedDrive(Script script) : script_(std::move(script)) {
    Current() = this;
    ResetTransportForTesting();
    InstallEntryPointsForTesting(&SupportInfo, &Send);
  }
  ~ScriptedDrive() {
    ResetTransportForTesting();
    Current() = nullptr;
  }
  ScriptedDrive(const ScriptedDrive&) = delete;
  ScriptedDrive& operator=(const ScriptedDrive&) = delete;

  void Attach(TSCSIDevice& device) const {
    device.HaId = 0;
    device.Target = 0;
    device.Lun = 0;
  }
  const std::vector<std::vector<std::uint8_t>>& Log() const { return log_; }
  // Operation codes in the order received (READ TOC as 43 followed by its format).
  std::vector<int> Opcodes() const {
    std::vector<int> out;
    for (const auto& c : log_) out.push_back(c[0] == 0x43 ? 0x4300 + (c[2] & 0x0F) : c[0]);
    return out;
  }
  void ClearLog() { log_.clear(); }

 private:
  static ScriptedDrive*& Current() {
    static ScriptedDrive* current = nullptr;
    return current;
  }
  static std::uint32_t SupportInfo() { return (SS_COMP << 8) | 1; }
  static std::uint32_t Send(void* request) {
    auto* head = static_cast<SRB_Header*>(request);
    if (head->SRB_Cmd != SC_EXEC_SCSI_CMD || Current() == nullptr) {
      head->SRB_Status = SS_ERR;
      return SS_ERR;
    }
    auto* srb = static_cast<SRB_ExecSCSICmd*>(request);
    std::vector<std::uint8_t> cdb(srb->CDBByte, srb->CDBByte + srb->SRB_CDBLen);
    Current()->log_.push_back(cdb);
    const Reply reply = Current()->script_(cdb).value_or(Reply::Unsupported());
    if (reply.ok) {
      const std::size_t n = std::min<std::size_t>(reply.data.size(), srb->SRB_BufLen);
      if (n != 0) std::memcpy(srb->SRB_BufPointer, reply.data.data(), n);
      srb->SRB_Status = SS_COMP;
    } else {
      std::memset(srb->SenseArea, 0, sizeof srb->SenseArea);
      srb->SenseArea[0] = 0x70;
      srb->SenseArea[2] = reply.key;
      srb->SenseArea[7] = 10;
      srb->SenseArea[12] = reply.asc;
      srb->SenseArea[13] = reply.ascq;
      srb->SRB_TargStat = 2;
      srb->SRB_Status = SS_ERR;
    }
    return srb->SRB_Status;
  }

  Script script_;
  std::vector<std::vector<std::uint8_t>> log_;
};

// Answer builders in wire order.
inline std::vector<std::uint8_t> ConfigAnswer(std::uint16_t profile) {
  std::vector<std::uint8_t> a(16, 0);
  PutBE32(a.data(), 12);
  PutBE16(a.data() + 6, profile);
  return a;
}
inline std::vector<std::uint8_t> AtipAnswer(std::uint8_t discType, std::uint8_t m, std::uint8_t s, std::uint8_t f) {
  std::vector<std::uint8_t> a(28, 0);
  PutBE16(a.data(), 26);
  a[6] = discType;
  a[12] = m;
  a[13] = s;
  a[14] = f;
  return a;
}
inline std::vector<std::uint8_t> CapacityAnswer(std::uint32_t lastBlock) {
  std::vector<std::uint8_t> a(8, 0);
  PutBE32(a.data(), lastBlock);
  PutBE32(a.data() + 4, 2048);
  return a;
}
inline std::vector<std::uint8_t> FormatCapacitiesAnswer(std::uint32_t blocks) {
  std::vector<std::uint8_t> a(12, 0);
  a[3] = 8;
  PutBE32(a.data() + 4, blocks);
  a[8] = 0x02;  // formatted medium
  PutBE24(a.data() + 9, 2048);
  return a;
}
struct TrackFields {
  std::uint8_t session = 1;
  std::uint32_t start = 0, next = 0, free = 0, size = 0;
  bool blank = false, nextValid = false;
};
inline std::vector<std::uint8_t> TrackAnswer(std::uint8_t track, const TrackFields& f) {
  std::vector<std::uint8_t> a(36, 0);
  PutBE16(a.data(), 34);
  a[2] = track;
  a[3] = f.session;
  a[6] = f.blank ? 0x40 : 0x00;
  a[7] = f.nextValid ? 0x01 : 0x00;
  PutBE32(a.data() + 8, f.start);
  PutBE32(a.data() + 12, f.next);
  PutBE32(a.data() + 16, f.free);
  PutBE32(a.data() + 24, f.size);
  return a;
}

}  // namespace tarnwick::test
