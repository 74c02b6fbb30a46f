// ASPI for Win32 request records, byte for byte as the published headers lay them
// out (packed). The published sizes (execute request 97 bytes with our 33-byte sense
// area, host adapter inquiry 60, abort 12, get disk info 24) are those of a 32-bit
// build. In a 64-bit build the pointer and handle fields (SRB_BufPointer,
// SRB_PostProc, SRB_ToAbort) are 8 bytes wide, so every field after them moves by 4
// (or 8) bytes and the records grow; the non-pointer fields keep their published
// order and neighbours. The asserts check both widths.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarnwick {

// Command codes.
inline constexpr std::uint8_t SC_HA_INQUIRY = 0x00;
inline constexpr std::uint8_t SC_GET_DEV_TYPE = 0x01;
inline constexpr std::uint8_t SC_EXEC_SCSI_CMD = 0x02;
inline constexpr std::uint8_t SC_ABORT_SRB = 0x03;
inline constexpr std::uint8_t SC_GET_DISK_INFO = 0x06;

// Status codes.
inline constexpr std::uint8_t SS_PENDING = 0x00;
inline constexpr std::uint8_t SS_COMP = 0x01;
inline constexpr std::uint8_t SS_ERR = 0x04;
inline constexpr std::uint8_t SS_INVALID_HA = 0x81;
inline constexpr std::uint8_t SS_NO_DEVICE = 0x82;
inline constexpr std::uint8_t SS_NO_ADAPTERS = 0xE8;

// Flags.
inline constexpr std::uint8_t SRB_DIR_IN = 0x08;
inline constexpr std::uint8_t SRB_DIR_OUT = 0x10;
inline constexpr std::uint8_t SRB_EVENT_NOTIFY = 0x40;

// Host adapter status of a timed-out command.
inline constexpr std::uint8_t HASTAT_COMMAND_TIMEOUT = 0x09;

inline constexpr std::size_t SENSE_AREA_LEN = 33;
inline constexpr bool kPointer32 = sizeof(void*) == 4;

#pragma pack(push, 1)

struct SRB_HAInquiry {
  std::uint8_t SRB_Cmd;
  std::uint8_t SRB_Status;
  std::uint8_t SRB_HaId;
  std::uint8_t SRB_Flags;
  std::uint32_t SRB_Hdr_Rsvd;
  std::uint8_t HA_Count;
  std::uint8_t HA_SCSI_ID;
  std::uint8_t HA_ManagerId[16];
  std::uint8_t HA_Identifier[16];
  std::uint8_t HA_Unique[16];
  std::uint16_t HA_Rsvd1;
};
static_assert(sizeof(SRB_HAInquiry) == 60);
static_assert(offsetof(SRB_HAInquiry, HA_Count) == 8 && offsetof(SRB_HAInquiry, HA_ManagerId) == 10 &&
              offsetof(SRB_HAInquiry, HA_Identifier) == 26 && offsetof(SRB_HAInquiry, HA_Unique) == 42);

struct SRB_GDEVBlock {
  std::uint8_t SRB_Cmd;
  std::uint8_t SRB_Status;
  std::uint8_t SRB_HaId;
  std::uint8_t SRB_Flags;
  std::uint32_t SRB_Hdr_Rsvd;
  std::uint8_t SRB_Target;
  std::uint8_t SRB_Lun;
  std::uint8_t SRB_DeviceType;
  std::uint8_t SRB_Rsvd1;
};
static_assert(sizeof(SRB_GDEVBlock) == 12 && offsetof(SRB_GDEVBlock, SRB_DeviceType) == 10);

struct SRB_ExecSCSICmd {
  std::uint8_t SRB_Cmd;           // 0
  std::uint8_t SRB_Status;        // 1
  std::uint8_t SRB_HaId;          // 2
  std::uint8_t SRB_Flags;         // 3
  std::uint32_t SRB_Hdr_Rsvd;     // 4
  std::uint8_t SRB_Target;        // 8
  std::uint8_t SRB_Lun;           // 9
  std::uint16_t SRB_Rsvd1;        // 10
  std::uint32_t SRB_BufLen;       // 12
  std::uint8_t* SRB_BufPointer;   // 16
  std::uint8_t SRB_SenseLen;      // 20 (24 in 64-bit)
  std::uint8_t SRB_CDBLen;
  std::uint8_t SRB_HaStat;
  std::uint8_t SRB_TargStat;
  void* SRB_PostProc;             // 24 (28): the completion event
  std::uint8_t SRB_Rsvd2[20];
  std::uint8_t CDBByte[16];       // 48 (56)
  std::uint8_t SenseArea[SENSE_AREA_LEN];  // 64 (72)
};
static_assert(offsetof(SRB_ExecSCSICmd, SRB_BufLen) == 12 && offsetof(SRB_ExecSCSICmd, SRB_BufPointer) == 16);
static_assert(kPointer32 ? (offsetof(SRB_ExecSCSICmd, SRB_SenseLen) == 20 && offsetof(SRB_ExecSCSICmd, SRB_PostProc) == 24 &&
                            offsetof(SRB_ExecSCSICmd, CDBByte) == 48 && offsetof(SRB_ExecSCSICmd, SenseArea) == 64 &&
                            sizeof(SRB_ExecSCSICmd) == 97)
                         : (offsetof(SRB_ExecSCSICmd, SRB_SenseLen) == 24 && offsetof(SRB_ExecSCSICmd, SRB_PostProc) == 28 &&
                            offsetof(SRB_ExecSCSICmd, CDBByte) == 56 && offsetof(SRB_ExecSCSICmd, SenseArea) == 72 &&
                            sizeof(SRB_ExecSCSICmd) == 105));

struct SRB_Abort {
  std::uint8_t SRB_Cmd;
  std::uint8_t SRB_Status;
  std::uint8_t SRB_HaId;
  std::uint8_t SRB_Flags;
  std::uint32_t SRB_Hdr_Rsvd;
  void* SRB_ToAbort;
};
static_assert(offsetof(SRB_Abort, SRB_ToAbort) == 8 && sizeof(SRB_Abort) == (kPointer32 ? 12 : 16));

struct SRB_GetDiskInfo {
  std::uint8_t SRB_Cmd;
  std::uint8_t SRB_Status;
  std::uint8_t SRB_HaId;
  std::uint8_t SRB_Flags;
  std::uint32_t SRB_Hdr_Rsvd;
  std::uint8_t SRB_Target;
  std::uint8_t SRB_Lun;
  std::uint8_t SRB_DriveFlags;
  std::uint8_t SRB_Int13HDriveInfo;  // byte 11
  std::uint8_t SRB_Heads;
  std::uint8_t SRB_Sectors;
  std::uint8_t SRB_Rsvd1[10];
};
static_assert(sizeof(SRB_GetDiskInfo) == 24 && offsetof(SRB_GetDiskInfo, SRB_Int13HDriveInfo) == 11);

// The common head every request starts with.
struct SRB_Header {
  std::uint8_t SRB_Cmd;
  std::uint8_t SRB_Status;
  std::uint8_t SRB_HaId;
  std::uint8_t SRB_Flags;
  std::uint32_t SRB_Hdr_Rsvd;
};
static_assert(sizeof(SRB_Header) == 8);

#pragma pack(pop)

}  // namespace tarnwick
