// MODE SENSE (10) and MODE SELECT (10): replies and parameter lists pass
// through the device's ModeBuffer.
#include "drive/ByteOrder.h"
#include "drive/DriveMessages.h"
#include "drive/TSCSIDevice.h"

#include <algorithm>
#include <cstring>

namespace kq {

namespace {

std::array<uint8_t, 10> ModeSenseCdb(uint8_t pageCode, bool defaults, uint16_t length) {
    std::array<uint8_t, 10> cdb{0x5A};
    cdb[2] = static_cast<uint8_t>(pageCode | (defaults ? 0x80 : 0));
    PutBE16(std::span(cdb).subspan(7), length);
    return cdb;
}

std::array<uint8_t, 10> ModeSelectCdb(uint8_t length) {
    std::array<uint8_t, 10> cdb{0x55, 0x10};
    cdb[8] = length;
    return cdb;
}

}  // namespace

bool TSCSIDevice::ModeSense10(uint8_t pageCode, std::span<uint8_t> buffer, bool defaults,
                              uint16_t length, uint16_t clearLength) {
    constexpr int kTimeoutMs = 20000;
    auto lock = LockCommands();
    std::fill_n(buffer.begin(), std::min<size_t>(size_t{clearLength} + 1, buffer.size()), 0);
    if (length > buffer.size() || length > modeBuffer_.size()) return false;
    auto reply = std::span(modeBuffer_).first(length);
    std::fill(reply.begin(), reply.end(), 0);
    if (!RunCommand(ModeSenseCdb(pageCode, defaults, length), DataIn(reply), kTimeoutMs))
        return false;
    std::copy(reply.begin(), reply.end(), buffer.begin());
    return true;
}

// Byte 8 alone carries the length: a longer list would be cut silently.
bool TSCSIDevice::ModeSelect10(std::span<const uint8_t> list, size_t length) {
    constexpr int kTimeoutMs = 10000;
    auto lock = LockCommands();
    if (length > 255 || length > list.size()) {
        SetLastErrorText(DriveMessage(Msg::ParameterListTooLong));
        return false;
    }
    auto out = std::span(modeBuffer_).first(length);
    std::copy_n(list.begin(), length, out.begin());
    return RunCommand(ModeSelectCdb(static_cast<uint8_t>(length)), DataOut(out), kTimeoutMs);
}

}  // namespace kq
