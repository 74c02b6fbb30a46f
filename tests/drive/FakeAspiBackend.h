// A scripted ASPI back-end for drive tests: installed as the transport's entry points,
// it records every execute request and answers host adapter inquiries, INQUIRY of the
// drives it holds, and any other command through a handler the test sets.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "support/Environment.h"
#include "transport/Srb.h"
#include "transport/Transport.h"

namespace tarnwick::test {

struct SentCommand {
  std::uint8_t ha = 0, target = 0, lun = 0, flags = 0, cdbLength = 0, senseLength = 0;
  std::vector<std::uint8_t> cdb;  // cdbLength bytes
  std::uint32_t bufferLength = 0;
  std::vector<std::uint8_t> dataOut;  // the buffer of a data-out request
};

class FakeAspiBackend {
 public:
  using Address = std::tuple<std::uint8_t, std::uint8_t, std::uint8_t>;
  // Answers one non-INQUIRY command: fills the buffer, returns the status to write.
  using Handler = std::function<std::uint8_t(SRB_ExecSCSICmd&)>;

  FakeAspiBackend() {
    test::SetEnv("TARNWICK_NO_REAL_DRIVES", "1");
    ResetTransportForTesting();
    Instance() = this;
    InstallEntryPointsForTesting(&SupportInfo, &Send);
  }
  ~FakeAspiBackend() {
    ResetTransportForTesting();
    Instance() = nullptr;
  }
  FakeAspiBackend(const FakeAspiBackend&) = delete;
  FakeAspiBackend& operator=(const FakeAspiBackend&) = delete;

  // A drive at the address answering INQUIRY with type, vendor (8), product (16), revision (4).
  void AddDrive(Address a, std::uint8_t type, const std::string& vendor, const std::string& product,
                const std::string& revision) {
    std::vector<std::uint8_t> inq(36, 0);
    inq[0] = type;
    auto put = [&](std::size_t at, const std::string& s, std::size_t n) {
      for (std::size_t i = 0; i < n; ++i) inq[at + i] = i < s.size() ? static_cast<std::uint8_t>(s[i]) : ' ';
    };
    put(8, vendor, 8);
    put(16, product, 16);
    put(32, revision, 4);
    drives[a] = inq;
  }
  std::vector<SentCommand> Commands(std::uint8_t opcode) const {
    std::vector<SentCommand> out;
    for (const auto& c : log)
      if (!c.cdb.empty() && c.cdb[0] == opcode) out.push_back(c);
    return out;
  }

  std::uint8_t adapterCount = 1;
  bool adapterInquiryFails = false;
  std::string managerId = "TEST MANAGER", identifier = "  TEST HA  ";
  std::map<Address, std::vector<std::uint8_t>> drives;
  std::map<Address, std::uint8_t> diskInfoLetters;  // address -> letter index
  Handler handler;                                  // everything but INQUIRY; none: status 4
  std::vector<SentCommand> log;
  std::vector<std::uint8_t> adapterInquiries;

 private:
  static FakeAspiBackend*& Instance() {
    static FakeAspiBackend* instance = nullptr;
    return instance;
  }
  static std::uint32_t SupportInfo() { return 0x0100u | Instance()->adapterCount; }
  static std::uint32_t Send(void* request) { return Instance()->Serve(request); }

  std::uint32_t Serve(void* request) {
    auto* head = static_cast<SRB_Header*>(request);
    if (head->SRB_Cmd == SC_HA_INQUIRY) {
      auto* ha = static_cast<SRB_HAInquiry*>(request);
      adapterInquiries.push_back(ha->SRB_HaId);
      ha->HA_Count = adapterCount;
      std::memcpy(ha->HA_ManagerId, managerId.data(), std::min<std::size_t>(16, managerId.size()));
      std::memcpy(ha->HA_Identifier, identifier.data(), std::min<std::size_t>(16, identifier.size()));
      return ha->SRB_Status = adapterInquiryFails ? SS_INVALID_HA : SS_COMP;
    }
    if (head->SRB_Cmd == SC_GET_DISK_INFO) {
      auto* gd = static_cast<SRB_GetDiskInfo*>(request);
      auto it = diskInfoLetters.find({gd->SRB_HaId, gd->SRB_Target, gd->SRB_Lun});
      if (it == diskInfoLetters.end()) return gd->SRB_Status = SS_NO_DEVICE;
      gd->SRB_Int13HDriveInfo = it->second;
      return gd->SRB_Status = SS_COMP;
    }
    if (head->SRB_Cmd != SC_EXEC_SCSI_CMD) return head->SRB_Status = SS_ERR;
    auto& srb = *static_cast<SRB_ExecSCSICmd*>(request);
    SentCommand sent;
    sent.ha = srb.SRB_HaId;
    sent.target = srb.SRB_Target;
    sent.lun = srb.SRB_Lun;
    sent.flags = srb.SRB_Flags;
    sent.cdbLength = srb.SRB_CDBLen;
    sent.senseLength = srb.SRB_SenseLen;
    sent.cdb.assign(srb.CDBByte, srb.CDBByte + std::min<std::size_t>(srb.SRB_CDBLen, 16));
    sent.bufferLength = srb.SRB_BufLen;
    if ((srb.SRB_Flags & SRB_DIR_OUT) && srb.SRB_BufPointer)
      sent.dataOut.assign(srb.SRB_BufPointer, srb.SRB_BufPointer + srb.SRB_BufLen);
    log.push_back(sent);

    const Address address{srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun};
    if (srb.CDBByte[0] == 0x12) {
      auto it = drives.find(address);
      if (it == drives.end()) return srb.SRB_Status = SS_NO_DEVICE;
      std::memcpy(srb.SRB_BufPointer, it->second.data(), std::min<std::size_t>(srb.SRB_BufLen, it->second.size()));
      return srb.SRB_Status = SS_COMP;
    }
    if (!drives.count(address)) return srb.SRB_Status = SS_NO_DEVICE;
    return srb.SRB_Status = handler ? handler(srb) : SS_ERR;
  }
};

}  // namespace tarnwick::test
