// Published speed and buffer properties, the unit-wide flags seen through
// the device, and the byte helpers of the command wrappers.
#include "drive/DriveUnitState.h"
#include "drive/TSCSIDevice.h"
#include "transport/ReleaseHandle.h"

#include <algorithm>

namespace kq {

bool TSCSIDevice::SlowReadyQuirk() { return DriveUnit().SlowReadyQuirk; }
bool TSCSIDevice::CloseImmediate() { return DriveUnit().CloseImmediate; }
uint16_t TSCSIDevice::MediaType() { return DriveUnit().MediaType; }
void TSCSIDevice::SetMediaType(uint16_t type) { DriveUnit().MediaType = type; }

void TSCSIDevice::SetReleaseHandleAfterCommand(bool value) { StoreReleaseHandleAfterCommand(value); }
bool TSCSIDevice::ReleaseHandleAfterCommand() { return kq::ReleaseHandleAfterCommand(); }

// The drive's answer does not matter: the next burn sends the speed again.
void TSCSIDevice::SetWriteSpeed(uint32_t speed) {
    (void)SetCDSpeed(ReadSpeed, static_cast<uint16_t>(std::min<uint32_t>(speed, 0xFFFF)));  // sent again per burn
    writeSpeed_ = speed;
}

void TSCSIDevice::TakeDeviceFreeBuffer(uint32_t bytes) {
    uint32_t free = deviceFreeBufferSize_.load();
    while (!deviceFreeBufferSize_.compare_exchange_weak(free, free > bytes ? free - bytes : 0)) {
    }
}

void TSCSIDevice::ReverseBytes(std::span<const uint8_t> source, std::span<uint8_t> destination) {
    const size_t n = std::min(source.size(), destination.size());
    for (size_t i = 0; i < n; ++i) destination[n - 1 - i] = source[i];
}

void TSCSIDevice::SetLastErrorText(std::string text) {
    std::lock_guard lock(errorLock_);
    lastErrorText_ = std::move(text);
}

}  // namespace kq
