#pragma once
// Mode page 05h (write parameters): the stored page, its defaults and the
// checks a recorder makes before it takes a new one.
#include "drive/WriteParametersPage.h"
#include "vrecorder/Medium.h"
#include "vrecorder/Sense.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace vrec {

namespace wp = kq::wparams;
inline constexpr uint8_t kWriteParametersPage = wp::kPageCode;
inline constexpr uint8_t kWriteParametersLength = wp::kPageLength;
inline constexpr size_t kWriteParametersSize = wp::kPageSize;
using wp::kPacket, wp::kTrackAtOnce, wp::kSessionAtOnce, wp::kRaw;

struct WriteAbilities {
    bool testWrite = true;
    bool bufe = true;
    bool packet = true;
    bool tao = true;
    bool sao = true;
    bool raw = true;
};

class WriteParameters {
public:
    using Page = std::array<uint8_t, kWriteParametersSize>;

    // What the drive holds after power-on: track at once, Mode 1 data.
    static WriteParameters Default();
    static Page ChangeableMask(const WriteAbilities& abilities);
    explicit WriteParameters(const Page& page) : page_(page) {}

    const Page& Bytes() const { return page_; }
    uint8_t Type() const { return page_[wp::kTypeByte] & wp::kWriteTypeMask; }
    bool TestWrite() const { return page_[wp::kTypeByte] & wp::kTestWrite; }
    bool Bufe() const { return page_[wp::kTypeByte] & wp::kBufe; }
    bool LinkSizeValid() const { return page_[wp::kTypeByte] & wp::kLinkSizeValid; }
    uint8_t MultiSession() const { return page_[wp::kTrackByte] >> wp::kMultiSessionShift; }
    bool NextSessionAllowed() const { return MultiSession() == 3; }
    bool FixedPacket() const { return page_[wp::kTrackByte] & wp::kFixedPacket; }
    uint8_t TrackMode() const { return page_[wp::kTrackByte] & wp::kTrackModeMask; }
    uint8_t DataBlockType() const { return page_[wp::kBlockTypeByte] & wp::kBlockTypeMask; }
    uint8_t LinkSize() const { return page_[wp::kLinkSizeByte]; }
    uint8_t SessionFormat() const { return page_[wp::kSessionFormatByte]; }

private:
    Page page_{};
};

// Bytes per block of a data block type; 0 for the reserved ones.
uint32_t BlockSizeOf(uint8_t dataBlockType);

// Checks a page sent with MODE SELECT (page code, length 32h and the 50
// bytes after it) against the loaded medium and the drive's abilities.
// `medium` is None when no writable medium is loaded: the page is then
// checked against everything the drive can write. On media that do not
// use the page (DVD+R, DVD+RW, DVD-RAM, restricted overwrite DVD-RW) only
// its length is checked: drives take it, keep it and ignore it there.
std::optional<Sense> CheckWriteParameters(std::span<const uint8_t> page, MediumKind medium,
                                          const WriteAbilities& abilities);

}  // namespace vrec
