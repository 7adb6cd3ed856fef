#pragma once
// Locating a mode page in a MODE SENSE (10) reply. The reply carries no
// residual count, so its own mode data length (capped by what was asked)
// says how much arrived.
#include "drive/ReplyLength.h"

#include <cstdint>
#include <optional>
#include <span>

namespace kq {

struct FoundPage {
    size_t offset = 8;                   // where the page starts in the reply
    std::span<const uint8_t> bytes;      // the page as far as it arrived
};

// Where the page starts: after the header and block descriptor (16) or
// after the header alone (8); some drives are one byte short (7).
inline size_t PageOffset(const ReplyView& reply, uint8_t pageCode, size_t fallback,
                         bool tryByte7 = true) {
    if (reply.Byte(16) == pageCode) return 16;
    if (reply.Byte(8) == pageCode) return 8;
    if (tryByte7 && reply.Byte(7) == pageCode) return 7;
    return fallback;
}

// The page at its offset, or nothing when the reply is malformed: too
// short to hold `needed` page bytes, or a page length reaching past the
// reply's own mode data length. A page cut by the allocation length is
// taken as far as it came, as long as the needed bytes are there.
inline std::optional<FoundPage> FindModePage(std::span<const uint8_t> buffer, size_t asked,
                                             uint8_t pageCode, size_t fallback, bool tryByte7,
                                             size_t needed) {
    const ReplyView reply(buffer, Length16Reply(buffer, asked));
    const bool cut = buffer.size() >= 2 && size_t{GetBE16(buffer)} + 2 > asked;
    const size_t at = PageOffset(reply, pageCode, fallback, tryByte7);
    const auto length = reply.Byte(at + 1);
    if (!length) return std::nullopt;
    const size_t declared = size_t{*length} + 2;
    if (reply.Has(at, declared)) return FoundPage{at, reply.Bytes(at, declared)};
    if (cut && reply.Has(at, needed)) return FoundPage{at, reply.Bytes(at, declared)};
    return std::nullopt;
}

}  // namespace kq
