// The pass-through layer's two entry points: support information, and
// each request block answered by the layer or turned into one call on the
// drive.
#include "transport/PassThrough.h"
#include "transport/SPTITable.h"

#include "transport/SrbDispatch.h"
#include "transport/kqASPI.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace kq {

namespace {

constexpr uint8_t kInquiry = 0x12;
constexpr size_t kSenseRoom = 32;

uint32_t Answer(uint8_t& statusField, uint8_t status) {
    StoreSrbStatus(statusField, status);
    return status;
}

// The layer's answer to each kind of block (DispatchSrb). It holds no
// request after its call returns, so it has nothing to abort.
struct SptiLayer {
    static uint32_t HaInquiry(SRB_HAInquiry& srb);
    static uint32_t DeviceType(SRB_GDEVBlock& srb);
    static uint32_t Execute(SRB_ExecSCSICmd& srb);
    // The layer knows no disk information.
    static uint32_t DiskInfo(SRB_GetDiskInfo& srb) {
        Answer(srb.SRB_Status, SS_PENDING);
        return SS_ERR;
    }
    static uint32_t Unknown(SRB_Header& srb) { return Answer(srb.SRB_Status, SS_ERR); }
};

uint32_t SptiLayer::HaInquiry(SRB_HAInquiry& srb) {
    const uint8_t count = SPTIAdapterCount();
    srb.HA_Count = count;
    if (srb.SRB_HaId >= count) return Answer(srb.SRB_Status, SS_INVALID_HA);
    srb.HA_SCSI_ID = 7;
    std::memcpy(srb.HA_ManagerId, kSPTIManagerId, sizeof srb.HA_ManagerId);
    // "SPTI n", zero-filled; the adapter number in whole decimal, since
    // the system's host numbers often have two or three digits.
    std::memset(srb.HA_Identifier, 0, sizeof srb.HA_Identifier);
    const std::string id = "SPTI " + std::to_string(srb.SRB_HaId);
    std::memcpy(srb.HA_Identifier, id.data(), id.size());
    std::memset(srb.HA_Unique, 0, 13);
    srb.HA_Unique[0] = 7;     // buffer alignment mask 0x0007
    srb.HA_Unique[3] = 8;     // targets
    srb.HA_Unique[6] = 0xFF;  // maximum transfer 255 x 64 KiB
    return Answer(srb.SRB_Status, SS_COMP);
}

uint32_t SptiLayer::DeviceType(SRB_GDEVBlock& srb) {
    const bool found = SPTIFindDrive(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun) != 0;
    srb.SRB_DeviceType = found ? 5 : 0x1F;
    return Answer(srb.SRB_Status, found ? SS_COMP : SS_NO_DEVICE);
}

platform::PassDirection Direction(uint8_t flags) {
    if (flags & SRB_DIR_IN) return platform::PassDirection::In;
    if (flags & SRB_DIR_OUT) return platform::PassDirection::Out;
    return platform::PassDirection::None;
}

// The one place where a call's outcome becomes the request's status,
// adapter status, target status and sense.
uint8_t DecideStatus(SRB_ExecSCSICmd& srb, const platform::PassThroughOutcome& out,
                     std::span<const uint8_t> sense) {
    using platform::PassFailure;
    // The system refused the command before the drive saw it.
    if (out.failure == PassFailure::Filtered) return SS_INVALID_CMD;
    if (out.failure == PassFailure::None && out.scsiStatus == 0) return SS_COMP;
    // The adapter did not carry it this time: the sender may try again.
    if (out.failure == PassFailure::Transient) return SS_ASPI_IS_BUSY;
    std::memcpy(srb.SenseArea, sense.data(), std::min(out.senseLength, sense.size()));
    srb.SRB_TargStat = out.scsiStatus;
    switch (out.failure) {
        case PassFailure::TimedOut: srb.SRB_HaStat = HASTAT_TIMEOUT; break;
        case PassFailure::NoDevice: srb.SRB_HaStat = HASTAT_SEL_TO; break;
        case PassFailure::BusReset: srb.SRB_HaStat = HASTAT_BUS_RESET; break;
        case PassFailure::ShortWrite: srb.SRB_HaStat = HASTAT_DO_DU; break;
        // A call that failed brought no answer of the drive: without an
        // adapter status it would pass for a drive busy with no sense, and
        // the write would be retried for as long as the burn's patience lasts.
        case PassFailure::TransportError: case PassFailure::CallFailed: srb.SRB_HaStat = HASTAT_PHASE_ERR; break;
        default: break;  // the drive's own SCSI status
    }
    // The system's own reason goes along, for words the user can act on.
    if (out.failure == PassFailure::CallFailed && out.systemError != 0) StoreSystemError(srb, out.systemError);
    return SS_ERR;
}

platform::PassThroughOutcome Call(TSPTIDrive& drive, SRB_ExecSCSICmd& srb, std::span<uint8_t> sense) {
    const platform::PassDirection direction = Direction(srb.SRB_Flags);
    // A request without a direction keeps its buffer: the system decides
    // whether the command moves data.
    std::span<uint8_t> data;
    if (srb.SRB_BufPointer) data = std::span(srb.SRB_BufPointer, srb.SRB_BufLen);
    const size_t cdbLength = std::min<size_t>(srb.SRB_CDBLen, sizeof srb.CDBByte);
    platform::PassThroughRequest rq{std::span(srb.CDBByte, cdbLength), direction, data,
                                    kPassThroughTimeoutSeconds, sense};
    // A drive that will not open any more is gone (unplugged, taken off
    // the bus): no command reaches it.
    platform::PassThroughOutcome out;
    out.failure = platform::PassFailure::NoDevice;
    if (drive.Handle) out = drive.Handle->PassThrough(rq);
    // Nothing of a short reply is left from before the command.
    if (direction == platform::PassDirection::In && out.transferred < data.size())
        std::fill(data.begin() + static_cast<std::ptrdiff_t>(out.transferred), data.end(), 0);
    return out;
}

uint32_t SptiLayer::Execute(SRB_ExecSCSICmd& srb) {
    const uint8_t index = SPTIFindDrive(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
    if (index == 0) return Answer(srb.SRB_Status, SS_NO_DEVICE);
    TSPTIDrive& drive = spti::Table()[index];
    // The scan's copy answers INQUIRY; the drive is not asked again.
    if (srb.CDBByte[0] == kInquiry) {
        if (srb.SRB_BufPointer)
            std::memcpy(srb.SRB_BufPointer, drive.InquiryData.data(), std::min<size_t>(36, srb.SRB_BufLen));
        return Answer(srb.SRB_Status, SS_COMP);
    }
    std::lock_guard guard(drive.CommandLock);
    if (!drive.Handle) drive.Handle = SPTIOpenDrive(index);
    std::array<uint8_t, kSenseRoom> sense{};
    const size_t senseLength = std::min<size_t>(srb.SRB_SenseLen, kSenseRoom);
    const platform::PassThroughOutcome out = Call(drive, srb, std::span(sense).first(senseLength));
    const uint8_t status = DecideStatus(srb, out, sense);
    if (ReleaseHandleAfterCommand() && !drive.Claimed) drive.Handle.reset();
    return Answer(srb.SRB_Status, status);
}

}  // namespace

uint32_t SPTIGetSupportInfo() { return SupportInfoOf(SPTIAdapterCount()); }

uint32_t SPTISendCommand(void* block) {
    if (!block) return SS_ERR;
    SptiLayer layer;
    return DispatchSrb(block, layer);
}

}  // namespace kq
