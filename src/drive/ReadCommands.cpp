// Reading recorded data back: a verify after a burn, reading a disc into
// an image, checking it against one.
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

// READ CD: expected sector type any (byte 1 = 0), LBA in bytes 2-5, block
// count in 6-8, byte 9 = 10h: the 2048 user bytes of each sector, nothing
// of its header, sync or error codes; no sub-channel.
std::array<uint8_t, 12> ReadCdCdb(uint32_t lba, uint32_t blocks) {
    std::array<uint8_t, 12> cdb{0xBE};
    PutBE32(std::span(cdb).subspan(2), lba);
    PutBE24(std::span(cdb).subspan(6), blocks);
    cdb[9] = 0x10;
    return cdb;
}

}  // namespace

bool TSCSIDevice::ReadCd(uint32_t lba, uint16_t blocks, std::span<uint8_t> data) {
    constexpr int kTimeoutMs = 60000;  // as READ (10): the drive retries a weak sector itself
    const size_t bytes = size_t{blocks} * kSectorSize;
    if (data.size() < bytes) return false;
    return RunCommand(ReadCdCdb(lba, blocks), DataIn(data.first(bytes)), kTimeoutMs);
}

bool TSCSIDevice::Read10(uint32_t lba, uint16_t blocks, std::span<uint8_t> data) {
    // A slow drive spins up and retries a weak sector within this.
    constexpr int kTimeoutMs = 60000;
    const size_t bytes = size_t{blocks} * kSectorSize;
    if (data.size() < bytes) return false;
    return RunCommand(Read10Cdb(lba, blocks), DataIn(data.first(bytes)), kTimeoutMs);
}

}  // namespace kq
