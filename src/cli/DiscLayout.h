#pragma once
// What READ DISC INFORMATION, READ TRACK INFORMATION and READ TOC say of
// the disc, decoded from the bytes that arrived; a reply too short for a
// field gives nullopt, never a read past it.
#include "cli/DiscState.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kq::cli {

struct DiscSummary {
    DiscState state = DiscState::Blank;
    DiscStatusFields status{0};
    int firstTrack = 0;          // first track on the disc
    int sessions = 0;            // counts an empty session left open for appending
    int lastSessionFirstTrack = 0;
    int lastTrack = 0;           // last track of the last session
};

struct TrackSummary {
    int number = 0;
    int session = 0;
    uint32_t start = 0;
    uint32_t size = 0;                   // reserved or written length
    uint32_t freeBlocks = 0;
    bool blank = false;                  // nothing written yet
    bool data = false;                   // a data track (track mode bit 2), not audio
    bool packet = false;                 // written in packets (incremental)
    std::optional<uint32_t> nextWritable;  // only while the track takes data
    std::optional<uint32_t> lastRecorded;  // when the drive tells it
};

struct TocSummary {
    int firstTrack = 0;
    int lastTrack = 0;
    std::vector<std::pair<int, uint32_t>> starts;  // track number, start
    std::optional<uint32_t> leadOut;
};

std::optional<DiscSummary> DecodeDiscInformation(std::span<const uint8_t> reply);
std::optional<TrackSummary> DecodeTrackInformation(std::span<const uint8_t> reply);
// TOC format 0 with LBA addresses; descriptors cut short are left out.
std::optional<TocSummary> DecodeToc(std::span<const uint8_t> reply);

// Sectors written or otherwise taken (the gaps of closed sessions) and
// sectors still free, from the tracks: the last one that takes data
// tells where writing would go on.
struct DiscSpace {
    uint64_t used = 0;
    uint64_t free = 0;
};
DiscSpace SpaceOf(const std::vector<TrackSummary>& tracks, const std::optional<TocSummary>& toc);

}  // namespace kq::cli
