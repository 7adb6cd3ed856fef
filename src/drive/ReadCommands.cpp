// Reading recorded data back, as a verify after a burn does.
#include "drive/ByteOrder.h"
#include "drive/TSCSIDevice.h"

namespace kq {

namespace {

// READ (10): logical block address in bytes 2-5, block count in 7-8.
std::array<uint8_t, 10> Read10Cdb(uint32_t lba, uint16_t blocks) {
    std::array<uint8_t, 10> cdb{0x28};
    PutBE32(std::span(cdb).subspan(2), lba);
    PutBE16(std::span(cdb).subspan(7), blocks);
    return cdb;
}

}  // namespace

bool TSCSIDevice::Read10(uint32_t lba, uint16_t blocks, std::span<uint8_t> data) {
    // A slow drive spins up and retries a weak sector within this.
    constexpr int kTimeoutMs = 60000;
    const size_t bytes = size_t{blocks} * 2048;
    if (data.size() < bytes) return false;
    return RunCommand(Read10Cdb(lba, blocks), DataIn(data.first(bytes)), kTimeoutMs);
}

}  // namespace kq
