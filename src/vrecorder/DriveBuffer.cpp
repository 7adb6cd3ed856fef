#include "vrecorder/DriveBuffer.h"

#include <algorithm>

namespace vrec {

void DriveBuffer::Update(uint64_t nowMs) {
    if (rate_ == 0) {
        fill_ = 0;
        lastMs_ = nowMs;
        return;
    }
    if (nowMs <= lastMs_) return;
    uint64_t drained = (nowMs - lastMs_) * rate_ / 1000;
    if (drained == 0) return;  // keep the remainder for the next call
    // Draining more than was there means the disc waited for data.
    if (streaming_ && drained > fill_) ranDry_ = true;
    fill_ -= static_cast<uint32_t>(std::min<uint64_t>(drained, fill_));
    lastMs_ = nowMs;
}

void DriveBuffer::Put(uint32_t bytes, uint64_t nowMs) {
    if (fill_ == 0) lastMs_ = nowMs;  // an idle drive starts its clock now
    fill_ = std::min(size_, fill_ + bytes);
    if (rate_ == 0) fill_ = 0;
}

uint32_t DriveBuffer::MsFor(uint64_t bytes) const {
    if (rate_ == 0 || bytes == 0) return 0;
    return static_cast<uint32_t>((bytes * 1000 + rate_ - 1) / rate_);
}

uint32_t DriveBuffer::MsUntilRoomFor(uint32_t bytes) const {
    uint32_t want = std::min(bytes, size_);
    return want <= Free() ? 0 : MsFor(want - Free());
}

uint32_t DriveBuffer::MsUntilEmpty() const { return MsFor(fill_); }

}  // namespace vrec
