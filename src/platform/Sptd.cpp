#include "platform/Sptd.h"

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

constexpr uint8_t kStatusGood = 0x00;

// Windows errors of a call that reached no drive, by what they mean. Any
// other is still a failure of the adapter, never a drive's answer.
constexpr FailureCode kCallFailures[] = {
    {121, PassFailure::TimedOut},  // ERROR_SEM_TIMEOUT
    // ERROR_DEVICE_NOT_CONNECTED, ERROR_DEV_NOT_EXIST, ERROR_NO_SUCH_DEVICE
    {1167, PassFailure::NoDevice}, {55, PassFailure::NoDevice}, {433, PassFailure::NoDevice},
    {1111, PassFailure::BusReset},        // ERROR_BUS_RESET
    {1117, PassFailure::TransportError},  // ERROR_IO_DEVICE
    // The system refuses the command itself: a user without the right
    // to send it, as EPERM on Linux.
    {5, PassFailure::Filtered},  // ERROR_ACCESS_DENIED
};

}  // namespace

SptdBlock BuildSptdBlock(const PassThroughRequest& request) {
    SptdBlock b{};
    b.Length = offsetof(SptdBlock, Filler);
    b.CdbLength = static_cast<uint8_t>(std::min(request.cdb.size(), sizeof b.Cdb));
    std::memcpy(b.Cdb, request.cdb.data(), b.CdbLength);
    b.SenseInfoLength = static_cast<uint8_t>(std::min(request.sense.size(), sizeof b.Sense));
    b.SenseInfoOffset = offsetof(SptdBlock, Sense);
    b.TimeOutValue = request.timeoutSeconds;
    b.DataIn = request.direction == PassDirection::In    ? kSptdDataIn
               : request.direction == PassDirection::Out ? kSptdDataOut
                                                         : kSptdDataUnspecified;
    // Without a direction the buffer still goes along, as the sender gave it.
    if (!request.data.empty()) {
        b.DataBuffer = request.data.data();
        b.DataTransferLength = static_cast<uint32_t>(request.data.size());
    }
    return b;
}

PassThroughOutcome DecodeSptd(const SptdBlock& b, const PassThroughRequest& request, bool callSucceeded,
                              uint32_t lastError) {
    PassThroughOutcome out;
    if (!callSucceeded) {
        out.failure = FailureOf(kCallFailures, lastError, PassFailure::CallFailed);
        out.systemError = static_cast<int>(lastError);
        return out;
    }
    out.scsiStatus = b.ScsiStatus;
    // DataTransferLength comes back as what moved, never more than was asked.
    size_t asked = b.DataBuffer ? request.data.size() : 0;
    out.transferred = std::min<size_t>(b.DataTransferLength, asked);
    if (b.ScsiStatus != kStatusGood) {
        out.senseLength = std::min<size_t>({b.SenseInfoLength, sizeof b.Sense, request.sense.size()});
        std::memcpy(request.sense.data(), b.Sense, out.senseLength);
    }
    if (b.ScsiStatus == kStatusGood && b.DataIn == kSptdDataOut && out.transferred < asked)
        out.failure = PassFailure::ShortWrite;
    return out;
}

}  // namespace platform
