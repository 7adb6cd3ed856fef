#pragma once
// Mode page 05h (write parameters): the stored page, its defaults and the
// checks a recorder makes before it takes a new one.
#include "vrecorder/Medium.h"
#include "vrecorder/Sense.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace vrec {

inline constexpr uint8_t kWriteParametersPage = 0x05;
inline constexpr uint8_t kWriteParametersLength = 0x32;  // page length byte
inline constexpr size_t kWriteParametersSize = kWriteParametersLength + 2;

enum WriteType : uint8_t { kPacket = 0, kTrackAtOnce = 1, kSessionAtOnce = 2, kRaw = 3 };

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
    uint8_t Type() const { return page_[2] & 0x0F; }
    bool TestWrite() const { return page_[2] & 0x10; }
    bool Bufe() const { return page_[2] & 0x40; }
    uint8_t MultiSession() const { return page_[3] >> 6; }
    bool NextSessionAllowed() const { return MultiSession() == 3; }
    bool FixedPacket() const { return page_[3] & 0x20; }
    uint8_t TrackMode() const { return page_[3] & 0x0F; }
    uint8_t DataBlockType() const { return page_[4] & 0x0F; }

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
