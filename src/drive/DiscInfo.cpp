// Readiness, sense, disc information, TOC/PMA/ATIP, features and the
// drive's buffer: the wrappers that tell what is in the drive.
#include "drive/ReplyLength.h"
#include "drive/TSCSIDevice.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace kq {

namespace {

std::array<uint8_t, 10> Cdb10(uint8_t opcode, uint8_t allocation) {
    std::array<uint8_t, 10> cdb{opcode};
    cdb[8] = allocation;
    return cdb;
}

}  // namespace

bool TSCSIDevice::TestUnitReady(int timeoutMs) {
    constexpr std::array<uint8_t, 6> cdb{0x00};
    return RunCommand(cdb, NoData(), timeoutMs);
}

bool TSCSIDevice::RequestSense(std::span<uint8_t> buffer, uint8_t length) {
    constexpr int kTimeoutMs = 10000;
    if (length > buffer.size()) return false;
    const std::array<uint8_t, 6> cdb{0x03, 0, 0, 0, length, 0};
    return RunCommand(cdb, length ? DataIn(buffer.first(length)) : NoData(), kTimeoutMs);
}

bool TSCSIDevice::ReadDiscInformation(std::span<uint8_t> buffer, uint8_t length) {
    constexpr int kTimeoutMs = 10000;
    if (length > buffer.size()) return false;
    return RunCommand(Cdb10(0x51, length), DataIn(buffer.first(length)), kTimeoutMs);
}

bool TSCSIDevice::ReadTrackInformation(uint8_t addressType, uint32_t number,
                                       std::span<uint8_t> buffer, uint16_t length) {
    constexpr int kTimeoutMs = 10000;
    if (length > buffer.size()) return false;
    std::array<uint8_t, 10> cdb{0x52, static_cast<uint8_t>(addressType & 0x03)};
    PutBE32(std::span(cdb).subspan(2, 4), number);
    PutBE16(std::span(cdb).subspan(7, 2), length);
    return RunCommand(cdb, DataIn(buffer.first(length)), kTimeoutMs);
}

bool TSCSIDevice::ReadTocPmaAtip(uint8_t format, std::span<uint8_t> buffer, bool msf,
                                 uint8_t track, uint8_t control, int length) {
    constexpr int kTimeoutMs = 10000;
    if (length < 0 || length > 255) throw std::out_of_range("READ TOC/PMA/ATIP length above 255");
    if (static_cast<size_t>(length) > buffer.size()) return false;
    auto cdb = Cdb10(0x43, static_cast<uint8_t>(length));
    cdb[1] = msf ? 0x02 : 0x00;
    cdb[2] = format;
    cdb[6] = track;
    cdb[9] = control;
    return RunCommand(cdb, DataIn(buffer.first(static_cast<size_t>(length))), kTimeoutMs);
}

bool TSCSIDevice::GetConfiguration(uint8_t requestType, uint8_t feature, uint8_t length,
                                   std::span<uint8_t> buffer) {
    constexpr int kTimeoutMs = 30000;
    if (length > buffer.size()) return false;
    auto cdb = Cdb10(0x46, length);
    cdb[1] = requestType;
    cdb[3] = feature;
    return RunCommand(cdb, DataIn(buffer.first(length)), kTimeoutMs);
}

// Bytes past the reply's own length are zeroed, so readers of the block
// see nothing the drive did not declare.
bool TSCSIDevice::RefreshDiscInformation() {
    auto lock = LockCommands();
    discInformation_.fill(0);
    disc_.reset();
    if (!ReadDiscInformation(discInformation_, static_cast<uint8_t>(discInformation_.size())))
        return false;
    disc_ = DecodeDiscInformation(discInformation_);
    const size_t received = Length16Reply(discInformation_, discInformation_.size());
    std::fill(discInformation_.begin() + static_cast<std::ptrdiff_t>(received),
              discInformation_.end(), 0);
    const uint16_t length = GetBE16(discInformation_);
    std::memcpy(discInformation_.data(), &length, sizeof length);  // host order
    return true;
}

int TSCSIDevice::RecordedSessionCount() {
    auto lock = LockCommands();
    if (!RefreshDiscInformation() || !disc_ || disc_->status.DiscStatus() == kDiscEmpty) return 0;
    const uint8_t lastSession = disc_->status.LastSessionState();
    discInformation_[2] = lastSession;
    // An appendable disc counts its empty last session; it holds no data.
    const bool emptyLast = lastSession == kSessionEmpty && disc_->status.DiscStatus() == kDiscIncomplete;
    return emptyLast && disc_->sessions > 0 ? disc_->sessions - 1 : disc_->sessions;
}

bool TSCSIDevice::ReadBufferCapacity(uint32_t& size, uint32_t& free) {
    constexpr int kTimeoutMs = 10000;
    auto lock = LockCommands();
    auto reply = std::span(TransferBuffer).first(32);
    std::fill(reply.begin(), reply.end(), 0);
    const bool sent = RunCommand(Cdb10(0x5C, 32), DataIn(reply), kTimeoutMs);
    const ReplyView r(reply, Length16Reply(reply, reply.size()));
    if (!sent || !r.Has(4, 8)) {
        deviceFreeBufferSize_ = 0;
        return false;
    }
    size = *r.BE32(4);
    free = *r.BE32(8);
    deviceBufferSize_ = size;
    deviceFreeBufferSize_ = free == 0xFFFFFFFFu ? size : free;
    return true;
}

}  // namespace kq
