// Which write types a drive takes: offer each in the write parameters
// page and see whether the drive accepts it.
#include "drive/ModePage.h"
#include "drive/TSCSIDevice.h"
#include "drive/WriteParametersPage.h"

#include <algorithm>

namespace kq {

namespace {

using namespace wparams;

constexpr uint16_t kPageRequest = 512;
constexpr size_t kHeader = 8;

// Each write type is offered with a block type the drive pairs with it.
struct WriteTypeProbe { TWriteType type; uint8_t writeType, blockType; };
constexpr WriteTypeProbe kProbes[] = {
    {TWriteType::CanWriteRaw, kRaw, kRawPq},
    {TWriteType::CanWriteSAO, kSessionAtOnce, kRaw2352},
    {TWriteType::CanWriteTAO, kTrackAtOnce, kRaw2352},
};

}  // namespace

// Reads page 05h into WriteParametersPage (through the second work
// buffer); the page offset of the reply or nothing on failure.
std::optional<size_t> TSCSIDevice::SenseWriteParametersPage(bool tryByte7) {
    pageBuffer1_.fill(0);
    pageBuffer2_.fill(0);
    if (!ModeSense10(kPageCode, pageBuffer1_, false, kPageRequest, kPageRequest - 1))
        return std::nullopt;
    const auto page = FindModePage(pageBuffer1_, kPageRequest, kPageCode, 8, tryByte7, 2);
    if (!page) return std::nullopt;
    std::copy(page->bytes.begin(), page->bytes.end(), pageBuffer2_.begin());
    std::copy_n(pageBuffer2_.begin(), writeParametersPage_.size(), writeParametersPage_.begin());
    return page->offset;
}

bool TSCSIDevice::TryWriteType(uint8_t kind) {
    const auto* probe = std::find_if(std::begin(kProbes), std::end(kProbes),
                                     [&](const WriteTypeProbe& p) { return static_cast<uint8_t>(p.type) == kind; });
    if (probe == std::end(kProbes)) return false;
    auto lock = LockCommands();
    // Here the page code is not looked for at byte 7.
    if (!SenseWriteParametersPage(false)) return false;
    auto& page = writeParametersPage_;
    page[kTypeByte] = probe->writeType;
    page[kTrackByte] = 0;
    page[kBlockTypeByte] = probe->blockType;
    page[kSessionFormatByte] = 0;
    page[kSessionFormatByte + 1] = 0;
    PutBE16(std::span(page).subspan(kAudioPauseAt), kAudioPauseBlocks);

    // The page as long as the drive said it is; a length of 246 or more
    // makes a list MODE SELECT (10) cannot carry, and it refuses it.
    const size_t pageLength = size_t{page[1]} + 2;
    auto& list = pageBuffer1_;
    list.fill(0);
    std::copy_n(page.begin(), std::min(pageLength, page.size()), list.begin() + kHeader);
    return ModeSelect10(list, pageLength + kHeader);
}

bool TSCSIDevice::ProbeWriteTypes() {
    TWriteTypes types;
    for (const WriteTypeProbe& p : kProbes)
        if (TryWriteType(static_cast<uint8_t>(p.type))) types.Include(p.type);
    writeTypes_ = types.bits;
    return true;
}

}  // namespace kq
