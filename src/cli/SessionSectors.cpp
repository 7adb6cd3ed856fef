#include "cli/SessionSectors.h"

#include "burner/kqCDBC.h"
#include "cli/DiscLayout.h"
#include "drive/ReplyLength.h"

#include <array>
#include <span>

namespace kq::cli {

namespace {

// Blocks written in one track: up to its next writable address while it
// is open, else up to its last recorded address.
std::optional<uint32_t> TrackSectors(TQCDBurner& burner, uint8_t number) {
    alignas(4) std::array<uint8_t, 36> reply{};
    if (!burner.ReadTrackInformation(1, number, reply, reply.size())) return std::nullopt;
    auto t = DecodeTrackInformation(std::span(reply).first(Length16Reply(reply, reply.size())));
    if (!t) return std::nullopt;
    if (t->nextWritable && *t->nextWritable >= t->start) return *t->nextWritable - t->start;
    if (t->lastRecorded && *t->lastRecorded >= t->start) return *t->lastRecorded - t->start + 1;
    return t->blank ? std::optional<uint32_t>(0) : std::nullopt;
}

}  // namespace

// The disc information is asked afresh rather than taken from the drive's
// cached block, whose length the drive layer keeps in host order and whose
// status byte the session count rewrites: only a reply as the drive sent
// it is decoded, and only as far as its own length says it arrived.
std::optional<uint32_t> LastSessionSectors(TQCDBurner& burner) {
    alignas(4) std::array<uint8_t, 34> reply{};
    if (!burner.ReadDiscInformation(reply, static_cast<uint8_t>(reply.size()))) return std::nullopt;
    auto disc = DecodeDiscInformation(std::span(reply).first(Length16Reply(reply, reply.size())));
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
