#pragma once
// Request blocks in the ASPI layout, their codes and status values, and the
// transport entry through which every drive command leaves.
//
// Blocks are packed, in the ASPI field order; the pointer fields are
// pointer-sized, so a 32-bit build has the ASPI sizes and a 64-bit build
// the widened layout that every 64-bit ASPI-compatible layer shares.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <system_error>

namespace kq {

// Command codes (SRB_Cmd).
inline constexpr uint8_t SC_HA_INQUIRY = 0x00;
inline constexpr uint8_t SC_GET_DEV_TYPE = 0x01;
inline constexpr uint8_t SC_EXEC_SCSI_CMD = 0x02;
inline constexpr uint8_t SC_ABORT_SRB = 0x03;
inline constexpr uint8_t SC_GET_DISK_INFO = 0x06;

// Status values (SRB_Status), and the support-information status.
inline constexpr uint8_t SS_PENDING = 0x00;
inline constexpr uint8_t SS_COMP = 0x01;
inline constexpr uint8_t SS_ABORTED = 0x02;
inline constexpr uint8_t SS_ABORT_FAIL = 0x03;
inline constexpr uint8_t SS_ERR = 0x04;
inline constexpr uint8_t SS_INVALID_CMD = 0x80;
inline constexpr uint8_t SS_INVALID_HA = 0x81;
inline constexpr uint8_t SS_NO_DEVICE = 0x82;
inline constexpr uint8_t SS_INVALID_SRB = 0xE0;
inline constexpr uint8_t SS_BUFFER_ALIGN = 0xE1;
inline constexpr uint8_t SS_ASPI_IS_BUSY = 0xE5;  // the layer could not take the request now
inline constexpr uint8_t SS_BUFFER_TOO_BIG = 0xE6;
inline constexpr uint8_t SS_NO_ADAPTERS = 0xE8;

// Execute-block flags (SRB_Flags).
inline constexpr uint8_t SRB_DIR_IN = 0x08;
inline constexpr uint8_t SRB_DIR_OUT = 0x10;
inline constexpr uint8_t SRB_EVENT_NOTIFY = 0x40;

// Host adapter status (SRB_HaStat). HASTAT_TIMEOUT is also given to a
// request still pending when the wait ended, HASTAT_PHASE_ERR to one whose
// system call failed.
inline constexpr uint8_t HASTAT_OK = 0x00;
inline constexpr uint8_t HASTAT_TIMEOUT = 0x09;
inline constexpr uint8_t HASTAT_COMMAND_TIMEOUT = 0x0B;
inline constexpr uint8_t HASTAT_MESSAGE_REJECT = 0x0D;
inline constexpr uint8_t HASTAT_BUS_RESET = 0x0E;
inline constexpr uint8_t HASTAT_PARITY_ERROR = 0x0F;
inline constexpr uint8_t HASTAT_REQUEST_SENSE_FAILED = 0x10;
inline constexpr uint8_t HASTAT_SEL_TO = 0x11;  // the target did not answer selection
inline constexpr uint8_t HASTAT_DO_DU = 0x12;   // data overrun or underrun
inline constexpr uint8_t HASTAT_BUS_FREE = 0x13;
inline constexpr uint8_t HASTAT_PHASE_ERR = 0x14;

// Target status (SRB_TargStat), the drive's own SCSI status byte.
inline constexpr uint8_t kTargetStatusGood = 0x00;
inline constexpr uint8_t kTargetStatusCheckCondition = 0x02;
inline constexpr uint8_t kTargetStatusBusy = 0x08;
inline constexpr uint8_t kTargetStatusReservationConflict = 0x18;
inline constexpr uint8_t kTargetStatusQueueFull = 0x28;

inline constexpr size_t SENSE_LEN = 33;         // bytes of the sense area
inline constexpr uint8_t SENSE_REQUEST_LEN = 24;  // SRB_SenseLen the drive layer asks for
inline constexpr uint8_t NoAddress = 254;  // HaId of "no drive selected"

#pragma pack(push, 1)

// The header every block starts with, written once: a block of any kind
// is read through SRB_Header until its code is known.
#define KQ_SRB_HEADER_FIELDS \
    uint8_t SRB_Cmd;         \
    uint8_t SRB_Status;      \
    uint8_t SRB_HaId;        \
    uint8_t SRB_Flags;       \
    uint32_t SRB_Hdr_Rsvd

struct SRB_Header {
    KQ_SRB_HEADER_FIELDS;
};

struct SRB_HAInquiry {
    KQ_SRB_HEADER_FIELDS;
    uint8_t HA_Count;
    uint8_t HA_SCSI_ID;
    uint8_t HA_ManagerId[16];
    uint8_t HA_Identifier[16];
    uint8_t HA_Unique[16];
    uint16_t HA_Rsvd1;
};

struct SRB_GDEVBlock {
    KQ_SRB_HEADER_FIELDS;
    uint8_t SRB_Target;
    uint8_t SRB_Lun;
    uint8_t SRB_DeviceType;
    uint8_t SRB_Rsvd1;
};

struct SRB_ExecSCSICmd {
    KQ_SRB_HEADER_FIELDS;
    uint8_t SRB_Target;
    uint8_t SRB_Lun;
    uint16_t SRB_Rsvd1;
    uint32_t SRB_BufLen;
    uint8_t* SRB_BufPointer;
    uint8_t SRB_SenseLen;
    uint8_t SRB_CDBLen;
    uint8_t SRB_HaStat;
    uint8_t SRB_TargStat;
    void* SRB_PostProc;  // completion event handle when SRB_EVENT_NOTIFY is set
    uint8_t SRB_Rsvd2[20];
    uint8_t CDBByte[16];
    uint8_t SenseArea[SENSE_LEN];
};

struct SRB_Abort {
    KQ_SRB_HEADER_FIELDS;
    void* SRB_ToAbort;
};

struct SRB_GetDiskInfo {
    KQ_SRB_HEADER_FIELDS;
    uint8_t SRB_Target;
    uint8_t SRB_Lun;
    uint8_t SRB_DriveFlags;
    uint8_t SRB_Int13HDriveInfo;
    uint8_t SRB_Heads;
    uint8_t SRB_Sectors;
    uint8_t SRB_Rsvd1[10];
};

#undef KQ_SRB_HEADER_FIELDS
#pragma pack(pop)

static_assert(sizeof(SRB_Header) == 8);
static_assert(sizeof(SRB_HAInquiry) == 60);
static_assert(offsetof(SRB_HAInquiry, HA_Unique) == 42);
static_assert(sizeof(SRB_GDEVBlock) == 12);
static_assert(sizeof(SRB_GetDiskInfo) == 24);
static_assert(offsetof(SRB_GetDiskInfo, SRB_Int13HDriveInfo) == 11);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_BufLen) == 12);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_BufPointer) == 16);
static_assert(offsetof(SRB_Abort, SRB_ToAbort) == 8);
// Where the execute block's fields fall: its pointers are 4 bytes wide on
// 32-bit Windows and 8 on a 64-bit build.
struct SrbExecLayout {
    size_t size, senseLen, postProc, rsvd2, cdb, sense, abortSize;
};
inline constexpr SrbExecLayout kSrbExecLayout = UINTPTR_MAX == 0xFFFFFFFFu
                                                    ? SrbExecLayout{97, 20, 24, 28, 48, 64, 12}
                                                    : SrbExecLayout{105, 24, 28, 36, 56, 72, 16};
static_assert(sizeof(SRB_ExecSCSICmd) == kSrbExecLayout.size);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_SenseLen) == kSrbExecLayout.senseLen);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_PostProc) == kSrbExecLayout.postProc);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_Rsvd2) == kSrbExecLayout.rsvd2);
static_assert(offsetof(SRB_ExecSCSICmd, CDBByte) == kSrbExecLayout.cdb);
static_assert(offsetof(SRB_ExecSCSICmd, SenseArea) == kSrbExecLayout.sense);
static_assert(sizeof(SRB_Abort) == kSrbExecLayout.abortSize);

// The status byte is the layer's hand-over: a layer completing a request
// from another thread writes every other field first and the status last
// (StoreSrbStatus), then signals the event; the sender reads the status
// with LoadSrbStatus before it looks at anything else.
inline uint8_t LoadSrbStatus(const uint8_t& status) {
    return std::atomic_ref<uint8_t>(const_cast<uint8_t&>(status)).load(std::memory_order_acquire);
}
inline void StoreSrbStatus(uint8_t& status, uint8_t value) {
    std::atomic_ref<uint8_t>(status).store(value, std::memory_order_release);
}

// A failed system call's own error number (errno, or the Win32 error),
// kept by the pass-through layer in the manager's reserved bytes behind a
// tag, so that the drive layer can give the system's words for it. 0 when
// the block carries none.
inline constexpr uint8_t kSystemErrorTag = 0x53;
inline void StoreSystemError(SRB_ExecSCSICmd& srb, int code) {
    const auto value = static_cast<uint32_t>(code);
    srb.SRB_Rsvd2[0] = kSystemErrorTag;
    for (int i = 0; i < 4; ++i) srb.SRB_Rsvd2[1 + i] = static_cast<uint8_t>(value >> (8 * i));
}
inline int SystemErrorOf(const SRB_ExecSCSICmd& srb) {
    if (srb.SRB_Rsvd2[0] != kSystemErrorTag) return 0;
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= uint32_t{srb.SRB_Rsvd2[1 + i]} << (8 * i);
    return static_cast<int>(value);
}

// The event handle kept in SRB_PostProc (an eventfd descriptor on Linux,
// an event HANDLE on Windows).
inline std::intptr_t PostProcHandle(const SRB_ExecSCSICmd& srb) {
    return reinterpret_cast<std::intptr_t>(srb.SRB_PostProc);
}

// ---- Transport entry (one per process) ----

// The entry points' calling convention: the ASPI library's is __cdecl,
// exported under the plain names.
#ifdef _WIN32
#define KQ_ASPI_CALL __cdecl
#else
#define KQ_ASPI_CALL
#endif

using SendASPI32CommandFn = uint32_t(KQ_ASPI_CALL*)(void* srb);
using GetASPI32SupportInfoFn = uint32_t(KQ_ASPI_CALL*)();

// Layer names: the ASPI library, and our own pass-through layer.
// The loader tries the library in the current folder, then by name.
#ifdef _WIN32
inline constexpr const char* kAspiLibraryName = "WNASPI32.DLL";
inline constexpr const char* kAspiLibraryHere = ".\\WNASPI32.DLL";
#else
inline constexpr const char* kAspiLibraryName = "libwnaspi32.so";
inline constexpr const char* kAspiLibraryHere = "./libwnaspi32.so";
#endif
inline constexpr const char* kPassThroughLayerName = "QXASPI32";

// How a layer holds one drive for a burn. The pass-through layer opens it
// exclusively; a layer without these (the ASPI library, the virtual
// recorder) answers for its drives itself and needs no claim.
struct DriveClaimFns {
    bool (*claim)(uint8_t HaId, uint8_t Target, uint8_t Lun, std::error_code& why) = nullptr;
    void (*release)(uint8_t HaId, uint8_t Target, uint8_t Lun) = nullptr;
};

// Installs a layer behind the entry: both entry points, the loaded flag,
// the layer's name and how it claims a drive.
void InstallTransport(SendASPI32CommandFn send, GetASPI32SupportInfoFn info, std::string layerName,
                      DriveClaimFns claim = {});
// Clears the entry; requests the layer still holds after a time-out are
// given a last chance to finish first.
void ReleaseTransport();

bool ASPILoaded();
std::string ASPILayerName();
// Submits a block to the active layer; SS_INVALID_HA when none is loaded.
uint32_t SendASPI32Command(void* srb);
// 0 when no layer is loaded.
uint32_t GetASPI32SupportInfo();
// Holds the drive at this address for a burn: true, claiming nothing, when
// the layer needs no claim; false with the system's reason when refused.
[[nodiscard]] bool ClaimTransportDrive(uint8_t HaId, uint8_t Target, uint8_t Lun, std::error_code& why);
void ReleaseTransportDrive(uint8_t HaId, uint8_t Target, uint8_t Lun);

// Why a claim was refused, as the user can act on it.
enum class ClaimRefusal { InUse, NoPermission, Gone, Other };
ClaimRefusal ClaimRefusalOf(const std::error_code& why);

// ---- Loader ----

// A library without one of the two entry points: "Echec de l'assert",
// naming the unit and the line of the entry that is missing (477 support
// information, 478 command).
class EAssertionFailed : public std::runtime_error {
public:
    EAssertionFailed(const char* unit, int line);
    const char* Unit() const { return unit_; }
    int Line() const { return line_; }

private:
    const char* unit_;
    int line_;
};

// Chooses the layer behind the entry once: the pass-through layer when
// preferred and its scan finds a drive; else the ASPI library (DllPath,
// ./libwnaspi32.so, libwnaspi32.so, the first that loads); else the
// pass-through layer when the scan (which runs once per process) finds a
// drive. Returns the loaded flag. Throws EAssertionFailed, leaving nothing
// installed, when the loaded library lacks an entry point.
[[nodiscard]] bool LoadASPI(bool PreferSPTI, const std::string& DllPath);
// Program end (also run by the unit's finalisation): clears the entry and
// frees the library.
void ReleaseASPI();
// True while an ASPI library is held.
bool ASPILibraryLoaded();

}  // namespace kq
