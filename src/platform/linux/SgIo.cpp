#include "platform/linux/SgIo.h"

#include <algorithm>

namespace platform {

namespace {

// Host byte (host_status) values of the kernel's SCSI layer; any other is
// a failure of the adapter. The transient ones never reached the drive: a
// USB or SATA link that hiccups answers so, and the command may be sent again.
constexpr FailureCode kHostFailures[] = {
    {0x00, PassFailure::None},                                  // DID_OK
    {0x01, PassFailure::NoDevice}, {0x04, PassFailure::NoDevice},  // DID_NO_CONNECT, DID_BAD_TARGET
    {0x03, PassFailure::TimedOut},                              // DID_TIME_OUT
    {0x08, PassFailure::BusReset},                              // DID_RESET
    {0x02, PassFailure::Transient},                             // DID_BUS_BUSY
    {0x0B, PassFailure::Transient},                             // DID_SOFT_ERROR
    {0x0C, PassFailure::Transient},                             // DID_IMM_RETRY
    {0x0D, PassFailure::Transient},                             // DID_REQUEUE
    {0x0E, PassFailure::Transient},                             // DID_TRANSPORT_DISRUPTED
};

// Driver byte (driver_status): the low nibble; DRIVER_SENSE only says that
// sense bytes came with the status.
constexpr uint16_t kDriverMask = 0x0F;
constexpr FailureCode kDriverFailures[] = {
    {0x00, PassFailure::None},       // DRIVER_OK
    {0x01, PassFailure::Transient},  // DRIVER_BUSY
    {0x06, PassFailure::TimedOut},   // DRIVER_TIMEOUT
    {0x08, PassFailure::None},      // DRIVER_SENSE
};

size_t Transferred(const sg_io_hdr_t& h) {
    if (h.resid <= 0) return h.dxfer_len;
    return h.dxfer_len - std::min<unsigned>(static_cast<unsigned>(h.resid), h.dxfer_len);
}

}  // namespace

sg_io_hdr_t BuildSgIoHeader(const PassThroughRequest& request) {
    sg_io_hdr_t h{};
    h.interface_id = 'S';
    switch (request.direction) {
        case PassDirection::In: h.dxfer_direction = SG_DXFER_FROM_DEV; break;
        case PassDirection::Out: h.dxfer_direction = SG_DXFER_TO_DEV; break;
        case PassDirection::None: h.dxfer_direction = SG_DXFER_NONE; break;
    }
    // The kernel wants no buffer when there is no data phase.
    if (request.direction != PassDirection::None && !request.data.empty()) {
        h.dxferp = request.data.data();
        h.dxfer_len = static_cast<unsigned>(request.data.size());
    } else {
        h.dxfer_direction = SG_DXFER_NONE;
    }
    h.cmdp = const_cast<unsigned char*>(request.cdb.data());
    h.cmd_len = static_cast<unsigned char>(std::min<size_t>(request.cdb.size(), 16));
    h.sbp = request.sense.data();
    h.mx_sb_len = static_cast<unsigned char>(std::min<size_t>(request.sense.size(), 255));
    h.timeout = request.timeoutSeconds * 1000u;
    return h;
}

PassThroughOutcome DecodeSgIo(const sg_io_hdr_t& h, int ioctlResult, int callErrno) {
    PassThroughOutcome out;
    if (ioctlResult < 0) return FailedCallOutcome(callErrno);
    out.scsiStatus = h.status;
    out.senseLength = std::min<size_t>(h.sb_len_wr, h.mx_sb_len);
    out.transferred = Transferred(h);
    out.failure = FailureOf(kHostFailures, h.host_status, PassFailure::TransportError);
    if (out.failure == PassFailure::None)
        out.failure = FailureOf(kDriverFailures, h.driver_status & kDriverMask, PassFailure::TransportError);
    if (out.failure == PassFailure::None && h.status == 0 && h.dxfer_direction == SG_DXFER_TO_DEV &&
        out.transferred < h.dxfer_len)
        out.failure = PassFailure::ShortWrite;
    return out;
}

}  // namespace platform
