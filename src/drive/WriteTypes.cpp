// Which write types a drive takes: offer each in the write parameters
// page and see whether the drive accepts it.
#include "drive/ModePage.h"
#include "drive/TSCSIDevice.h"

#include <algorithm>

namespace kq {

namespace {
constexpr uint8_t kWriteParametersPage = 0x05;
constexpr uint16_t kPageRequest = 512;
constexpr size_t kHeader = 8;
}  // namespace

// Reads page 05h into WriteParametersPage (through the second work
// buffer); the page offset of the reply or nothing on failure.
std::optional<size_t> TSCSIDevice::SenseWriteParametersPage(bool tryByte7) {
    pageBuffer1_.fill(0);
    pageBuffer2_.fill(0);
    if (!ModeSense10(kWriteParametersPage, pageBuffer1_, false, kPageRequest, kPageRequest - 1))
        return std::nullopt;
    const auto page = FindModePage(pageBuffer1_, kPageRequest, kWriteParametersPage, 8, tryByte7, 2);
    if (!page) return std::nullopt;
    std::copy(page->bytes.begin(), page->bytes.end(), pageBuffer2_.begin());
    std::copy_n(pageBuffer2_.begin(), writeParametersPage_.size(), writeParametersPage_.begin());
    return page->offset;
}

bool TSCSIDevice::TryWriteType(uint8_t kind) {
    auto lock = LockCommands();
    // Here the page code is not looked for at byte 7.
    if (!SenseWriteParametersPage(false)) return false;
    auto& page = writeParametersPage_;
    page[4] = 0;
    if (kind == 2) page[2] = 0x01;
    if (kind == 1) page[2] = 0x02;
    if (kind == 0) {
        page[4] = 0x01;
        page[2] = 0x03;
    }
    page[3] = 0x00;
    page[8] = 0;
    page[9] = 0;
    PutBE16(std::span(page).subspan(14), 150);  // audio pause, blocks

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
    if (TryWriteType(0)) types.Include(TWriteType::CanWriteRaw);
    if (TryWriteType(1)) types.Include(TWriteType::CanWriteSAO);
    if (TryWriteType(2)) types.Include(TWriteType::CanWriteTAO);
    writeTypes_ = types.bits;
    return true;
}

}  // namespace kq
