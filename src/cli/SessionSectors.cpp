#include "cli/SessionSectors.h"

#include "burner/kqCDBC.h"
#include "jobs/DiscLayout.h"

#include <array>
#include <span>

namespace kq::cli {
namespace {

// Blocks written in one track: up to its next writable address while it
// is open, else up to its last recorded address.
std::optional<uint32_t> TrackSectors(TQCDBurner& burner, uint8_t number) {
    alignas(4) std::array<uint8_t, kTrackInformationLength> reply{};
    if (!burner.ReadTrackInformation(kByTrackNumber, number, reply, kTrackInformationLength)) return std::nullopt;
    auto t = DecodeTrackInformation(reply);
    if (!t) return std::nullopt;
    if (t->nextWritable && *t->nextWritable >= t->start) return *t->nextWritable - t->start;
    if (t->lastRecorded && *t->lastRecorded >= t->start) return *t->lastRecorded - t->start + 1;
    return t->blank ? std::optional<uint32_t>(0) : std::nullopt;
}

}  // namespace

std::optional<uint32_t> LastSessionSectors(TQCDBurner& burner) {
    alignas(4) std::array<uint8_t, kDiscInformationLength> reply{};
    if (!burner.ReadDiscInformation(reply, kDiscInformationLength)) return std::nullopt;
    auto disc = DecodeDiscInformation(reply);
    if (!disc) return std::nullopt;
    uint32_t total = 0;
    for (int t = disc->lastSessionFirstTrack; t >= 1 && t <= disc->lastTrack; ++t) {
        auto sectors = TrackSectors(burner, static_cast<uint8_t>(t));
        if (!sectors) return std::nullopt;
        total += *sectors;
    }
    return total;
}

}  // namespace kq::cli
