#include "drive/TSCSIDevice.h"

#include "drive/SenseFields.h"
#include "transport/InFlightRequest.h"

namespace kq {

TSCSIDevice::TSCSIDevice() : flight_(std::make_unique<InFlightRequest>()) {
    if (ASPIInitialized()) {
        HostAdapterInquiry(0);
        RescanDevices();
    }
}

TSCSIDevice::~TSCSIDevice() = default;

std::string TSCSIDevice::LastErrorText() const {
    std::lock_guard lock(errorLock_);
    return lastErrorText_;
}

std::array<uint8_t, SENSE_LEN> TSCSIDevice::LastSense() const {
    std::lock_guard lock(errorLock_);
    return lastSense_;
}

uint8_t TSCSIDevice::SenseAsc() const {
    std::lock_guard lock(errorLock_);
    return SenseFields(lastSense_).Asc();
}

void TSCSIDevice::SendDebugMessage(const std::string& text, uint8_t kind) {
    if (OnDebugMessage) OnDebugMessage(*this, text, kind);
}

}  // namespace kq
