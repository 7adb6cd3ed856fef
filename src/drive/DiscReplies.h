#pragma once
// What READ DISC INFORMATION, READ TRACK INFORMATION, READ TOC/PMA/ATIP
// and READ CAPACITY say, decoded once. Each decoder takes the reply
// buffer as asked (zeroed before the command): the transport reports no
// residual, so the reply's own length field, capped by the buffer, says
// how much arrived. A reply too short for a needed field gives nullopt,
// never a read past it; bytes past the declared length are not read.
#include "drive/DiscStatus.h"

#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace kq {

// How READ TRACK INFORMATION names the track it describes.
enum TrackAddress : uint8_t { kByLba = 0, kByTrackNumber = 1, kBySession = 2 };
inline constexpr uint32_t kInvisibleTrack = 0xFF;  // by number: the track still to be written

// READ TOC/PMA/ATIP formats.
inline constexpr uint8_t kTocFormat = 0, kAtipFormat = 4;

// Lengths asked: room for every field decoded below. The TOC is held to
// the wrapper's 255 bytes, 31 tracks; the rest is left out.
inline constexpr uint8_t kDiscInformationLength = 34;
inline constexpr uint16_t kTrackInformationLength = 36;
inline constexpr int kTocLength = 255;
inline constexpr int kAtipLength = 28;

struct DiscSummary {
    DiscStatusFields status{0};
    int firstTrack = 0;          // first track on the disc
    int sessions = 0;            // counts an empty session left open for appending
    int lastSessionFirstTrack = 0;
    int lastTrack = 0;           // last track of the last session
    // The last possible lead-out start as the drive gives it (MSF on CD);
    // nullopt when it did not arrive or the drive does not know it.
    std::optional<uint32_t> leadOut;
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
    std::vector<int> audioTracks;  // those whose control field says audio, not data
};

struct CapacitySummary {
    uint32_t lastLba = 0;        // the last addressable block
    uint32_t blockLength = 0;    // bytes per block
};

std::optional<DiscSummary> DecodeDiscInformation(std::span<const uint8_t> reply);
std::optional<TrackSummary> DecodeTrackInformation(std::span<const uint8_t> reply);
// TOC format 0 with LBA addresses; descriptors cut short are left out.
std::optional<TocSummary> DecodeToc(std::span<const uint8_t> reply);
// The ATIP's last possible lead-out start as one MSF field (M << 16 |
// S << 8 | F), as the disc information gives it.
std::optional<uint32_t> DecodeAtipLeadOut(std::span<const uint8_t> reply);
// READ CAPACITY's reply has no length field: eight bytes, or nothing.
std::optional<CapacitySummary> DecodeCapacity(std::span<const uint8_t> reply);

}  // namespace kq
