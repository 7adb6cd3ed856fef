#pragma once
// Reading a run of sectors off the disc for a copy, a check or a verify:
// large reads while they succeed, then sector by sector with a bounded
// number of retries around a sector that fails.
#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace kq {
class TSCSIDevice;
}

namespace kq::jobs {

// How often a failed sector is read again before it counts as unreadable.
inline constexpr int kReadRetries = 3;

struct SectorRun {
    uint32_t start = 0;    // first sector (the disc's address)
    uint32_t sectors = 0;
    bool cd = false;       // READ CD may return what READ (10) refuses
};

enum class ReadEnd { Done, Unreadable, Stopped, SinkRefused };

struct ReadResult {
    ReadEnd end = ReadEnd::Done;
    uint32_t failedSector = 0;        // Unreadable: where, as the disc numbers it
    std::string driveText;            // Unreadable: the drive's error text
    std::vector<uint32_t> bad;        // zero-filled sectors, with keepGoing
};

// Where the sectors go, in order.
struct SectorSink {
    // Room for the next `bytes` to be read into, kept until they are taken;
    // unset: a buffer of the reader's own. Less room ends the read.
    std::function<std::span<uint8_t>(size_t bytes)> room;
    // Takes the bytes just read; false ends the read (SinkRefused).
    std::function<bool(std::span<const uint8_t> bytes)> take;
};

// Reads the run into `sink`. A sector still failing after its retries ends
// the read, or with keepGoing is handed on as zeros and listed in `bad`; a
// failure that no retry can mend (the drive gone, the disc out) always
// ends it. `bytesDone` follows the reading; `stop` true ends it.
ReadResult ReadSectorRun(TSCSIDevice& drive, const SectorRun& run, bool keepGoing, const SectorSink& sink,
                         std::atomic<int64_t>& bytesDone, const std::function<bool()>& stop);

}  // namespace kq::jobs
