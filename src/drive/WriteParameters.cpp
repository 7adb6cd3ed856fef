// The write parameters page (05h) for a burn: track-at-once Mode 1 on CD,
// the forms each DVD medium needs, and the drive's test-write and
// underrun abilities.
#include "drive/ByteOrder.h"
#include "drive/TSCSIDevice.h"
#include "drive/WriteParametersPage.h"

#include <algorithm>

namespace kq {

namespace {

using namespace wparams;

// When another session may follow: never, always, unless the disc is
// finalized, or also not after a test write (which records nothing on CD).
enum NextSession : uint8_t {
    kNever = 0, kAlways = 1, kNotIfFinal = 2, kNotIfTest = 4,
    kUnlessFinal = kAlways | kNotIfFinal, kUnlessFinalOrTest = kUnlessFinal | kNotIfTest,
};

struct PageRow {
    uint16_t medium;      // the single-layer kin a dual-layer medium writes as
    uint8_t writeType;
    bool linkSizeValid;
    bool driveOptions;    // test write and BUFE as the drive can do them (DVD-RW takes neither)
    NextSession next;
    uint8_t trackByte;    // fixed packet and track mode
    uint8_t linkSize;     // blocks
    uint32_t packetSize;  // blocks
};

// DVD-R and DVD-RW link by one 16-block ECC block; DVD+R and DVD+RW say
// so too. Any medium without a row of its own is written as a CD.
constexpr PageRow kCdRow{media::CdR, kTrackAtOnce, false, true, kUnlessFinalOrTest, kDataUninterrupted, 0, 0};
constexpr PageRow kRows[] = {
    {media::DvdR, kPacket, true, true, kUnlessFinal, kFixedPacket | kDataIncremental, 16, 16},
    {media::DvdRw, kTrackAtOnce, false, true, kUnlessFinal, kFixedPacket | kDataUninterrupted, 0, 0},
    {media::DvdRwRestricted, kPacket, true, false, kUnlessFinal, kDataIncremental, 16, 0},
    {media::DvdRwSequential, kPacket, true, false, kUnlessFinal, kDataIncremental, 16, 0},
    {media::DvdPlusR, kSessionAtOnce, true, true, kAlways, kDataUninterrupted, 0, 16},
    {media::DvdPlusRw, kSessionAtOnce, true, true, kNever, kDataUninterrupted, 16, 0},
};

const PageRow& RowOf(uint16_t medium) {
    const auto* row =
        std::find_if(std::begin(kRows), std::end(kRows), [&](const PageRow& r) { return r.medium == medium; });
    return row == std::end(kRows) ? kCdRow : *row;
}

}  // namespace

bool TSCSIDevice::SetWriteParameters(bool testWrite, bool underrun, uint16_t mediaType) {
    // DVD-RAM is written like a hard disk and BD without the page at all.
    if (!TraitsOf(mediaType).writeParameters) return true;
    const PageRow& row = RowOf(TraitsOf(mediaType).kin);
    auto lock = LockCommands();
    if (!SenseWriteParametersPage(true)) return false;
    const TDeviceCapabilities caps = Capabilities();
    uint8_t type = row.writeType;
    if (row.linkSizeValid || LinkSizeQuirk()) type |= kLinkSizeValid;
    if (row.driveOptions && underrun && caps.Contains(TDeviceCapability::CanUnderrunProtect)) type |= kBufe;
    if (row.driveOptions && testWrite && caps.Contains(TDeviceCapability::CanTestWrite)) type |= kTestWrite;
    const bool next = (row.next & kAlways) && !((row.next & kNotIfFinal) && FinalizeDisc()) &&
                      !((row.next & kNotIfTest) && testWrite);

    auto page = std::span(writeParametersPage_);
    page[1] = kPageLength;
    page[kTypeByte] = type;
    page[kTrackByte] = static_cast<uint8_t>(row.trackByte | (next ? kNextSessionAllowed : 0));
    page[kBlockTypeByte] = kMode1;
    page[kLinkSizeByte] = row.linkSize;
    std::fill_n(page.begin() + 6, 4, 0);  // application code and session format: a data disc
    PutBE32(page.subspan(kPacketSizeAt), row.packetSize);
    PutBE16(page.subspan(kAudioPauseAt), kAudioPauseBlocks);

    auto& list = pageBuffer1_;
    list.fill(0);
    std::copy_n(page.begin(), kPageSize, list.begin() + 8);
    return ModeSelect10(list, kPageSize + 8);
}

}  // namespace kq
