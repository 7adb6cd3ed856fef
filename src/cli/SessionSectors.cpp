#include "cli/SessionSectors.h"

#include "burner/kqCDBC.h"
#include "drive/ByteOrder.h"

#include <array>
#include <span>

namespace kq::cli {

namespace {

// Blocks written in one track: up to its next writable address while it
// is open, else up to its last recorded address.
std::optional<uint32_t> TrackSectors(TQCDBurner& burner, uint8_t number) {
    alignas(4) std::array<uint8_t, 36> reply{};
    if (!burner.ReadTrackInformation(1, number, reply, reply.size())) return std::nullopt;
    ReplyView r(reply, size_t{GetBE16(std::span(reply))} + 2);
    auto start = r.BE32(8), nwa = r.BE32(12), last = r.BE32(28);
    auto flags = r.Byte(7), blank = r.Byte(6);
    if (!start || !flags || !blank) return std::nullopt;
    if ((*flags & 0x01) && nwa && *nwa >= *start) return *nwa - *start;
    if ((*flags & 0x02) && last && *last >= *start) return *last - *start + 1;
    return (*blank & 0x40) ? std::optional<uint32_t>(0) : std::nullopt;
}

}  // namespace

std::optional<uint32_t> LastSessionSectors(TQCDBurner& burner) {
    const auto& info = burner.DiscInformationBlock();
    uint32_t total = 0;
    for (unsigned t = info[5]; t >= 1 && t <= info[6]; ++t) {
        auto sectors = TrackSectors(burner, static_cast<uint8_t>(t));
        if (!sectors) return std::nullopt;
        total += *sectors;
    }
    return total;
}

}  // namespace kq::cli
