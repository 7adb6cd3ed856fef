// The write parameters page (05h) for a burn: track-at-once Mode 1 on CD,
// the forms each DVD medium needs, and the drive's test-write and
// underrun abilities.
#include "drive/ByteOrder.h"
#include "drive/TSCSIDevice.h"

#include <algorithm>

namespace kq {

namespace {

constexpr uint8_t kBufe = 0x40, kLinkSizeValid = 0x20, kTestWrite = 0x10;
constexpr uint8_t kNextSessionAllowed = 0xC0, kFixedPacket = 0x20;

bool IsOneOf(uint16_t type, std::initializer_list<uint16_t> types) {
    return std::find(types.begin(), types.end(), type) != types.end();
}

void SetPacketSize(std::span<uint8_t> page, uint32_t blocks) { PutBE32(page.subspan(10), blocks); }

}  // namespace

bool TSCSIDevice::SetWriteParameters(bool testWrite, bool underrun, uint16_t mediaType) {
    using namespace media;
    // DVD-RAM is written like a hard disk and BD without the page at all;
    // a dual-layer DVD takes the page of its single-layer kin.
    if (!TraitsOf(mediaType).writeParameters) return true;
    mediaType = TraitsOf(mediaType).kin;
    auto lock = LockCommands();
    if (!SenseWriteParametersPage(true)) return false;
    auto page = std::span(writeParametersPage_);
    page[1] = 50;
    if (mediaType == DvdR) {
        page[2] = 0x60, page[3] = 0xE5, page[5] = 16;
        SetPacketSize(page, 16);
    } else {
        page[2] = 0x01, page[3] = 0x04, page[5] = 0;
        SetPacketSize(page, 0);
    }
    page[4] = 8;  // Mode 1, 2048 bytes
    if (IsOneOf(mediaType, {DvdPlusRw, DvdPlusR})) {
        page[2] = 0x22;
        page[3] |= kNextSessionAllowed;
    }
    if (LinkSizeQuirk()) page[2] |= kLinkSizeValid;
    if (IsOneOf(mediaType, {DvdR, DvdRw, DvdRwRestricted, DvdRwSequential, DvdPlusR})) {
        // Multi-session 00b: the session's close closes the disc too.
        page[3] = FinalizeDisc() ? static_cast<uint8_t>((page[3] & ~kNextSessionAllowed) | kFixedPacket)
                                 : static_cast<uint8_t>(page[3] | kNextSessionAllowed | kFixedPacket);
    } else if (!testWrite && !FinalizeDisc()) {
        page[3] |= kNextSessionAllowed;
    } else if ((page[3] & kNextSessionAllowed) == kNextSessionAllowed) {
        page[3] &= static_cast<uint8_t>(~kNextSessionAllowed);
    }
    const TDeviceCapabilities caps = Capabilities();
    const bool bufe = underrun && caps.Contains(TDeviceCapability::CanUnderrunProtect);
    page[2] = static_cast<uint8_t>(bufe ? page[2] | kBufe : page[2] & ~kBufe);
    const bool dummy = testWrite && caps.Contains(TDeviceCapability::CanTestWrite);
    page[2] = static_cast<uint8_t>(dummy ? page[2] | kTestWrite : page[2] & ~kTestWrite);
    page[6] = page[7] = page[8] = page[9] = 0;
    if (mediaType == DvdPlusR) {
        SetPacketSize(page, 16);
        page[3] = 0xC4;
    }
    if (IsOneOf(mediaType, {DvdRwRestricted, DvdRwSequential}))
        page[2] = 0x20, page[3] = FinalizeDisc() ? 0x05 : 0xC5, page[5] = 16;
    if (mediaType == DvdPlusRw) page[3] = 0x04, page[5] = 16;
    PutBE16(page.subspan(14), 150);  // audio pause, blocks

    auto& list = pageBuffer1_;
    list.fill(0);
    std::copy_n(page.begin(), 52, list.begin() + 8);
    return ModeSelect10(list, 60);
}

}  // namespace kq
