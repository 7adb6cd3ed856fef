#pragma once
// The Windows SCSI pass-through call (IOCTL_SCSI_PASS_THROUGH_DIRECT) as
// two pure steps, so its logic is tested with canned driver answers on any
// system: the block handed to the driver, built from a request, and the
// block the driver wrote back turned into one outcome.
#include "platform/OpticalDrive.h"

#include <cstddef>
#include <cstdint>

namespace platform {

// SCSI_PASS_THROUGH_DIRECT followed by the room for the sense bytes the
// driver copies back: 80 bytes with 32-bit pointers. The Windows build
// checks each field against the system's own declaration.
struct SptdBlock {
    uint16_t Length;
    uint8_t ScsiStatus;
    uint8_t PathId;
    uint8_t TargetId;
    uint8_t Lun;
    uint8_t CdbLength;
    uint8_t SenseInfoLength;
    uint8_t DataIn;
    uint32_t DataTransferLength;
    uint32_t TimeOutValue;
    void* DataBuffer;
    uint32_t SenseInfoOffset;
    uint8_t Cdb[16];
    uint32_t Filler;  // keeps the sense area aligned
    uint8_t Sense[32];
};
static_assert(sizeof(void*) != 4 || sizeof(SptdBlock) == 80);
static_assert(sizeof(void*) != 4 || offsetof(SptdBlock, Sense) == 48);

// DataIn values of the driver interface.
inline constexpr uint8_t kSptdDataOut = 0;
inline constexpr uint8_t kSptdDataIn = 1;
inline constexpr uint8_t kSptdDataUnspecified = 2;

SptdBlock BuildSptdBlock(const PassThroughRequest& request);

// The outcome of one DeviceIoControl call: `callSucceeded` and `lastError`
// as the call left them, `block` as the driver wrote it back. Nothing the
// driver wrote is trusted past what the request has room for.
PassThroughOutcome DecodeSptd(const SptdBlock& block, const PassThroughRequest& request, bool callSucceeded,
                              uint32_t lastError);

}  // namespace platform
