#include "jobs/TrackReader.h"

#include "drive/SenseFields.h"
#include "drive/TSCSIDevice.h"

#include <algorithm>

namespace kq::jobs {

namespace {

constexpr uint32_t kSector = kSectorSize;
constexpr uint32_t kSectorsPerRead = 32;
constexpr uint8_t kKeyMediumError = 0x03, kKeyHardwareError = 0x04, kKeyIllegalRequest = 0x05,
                  kKeyAbortedCommand = 0x0B;
constexpr uint8_t kAscIllegalModeForTrack = 0x64;

struct Attempt {
    bool ok = false;
    bool mendable = false;  // worth reading again
    std::string why;
};

bool IllegalMode(const SenseFields& sense) {
    return sense.Key() == kKeyIllegalRequest && sense.Asc() == kAscIllegalModeForTrack;
}

// Which failures a retry may mend, decided here alone: the disc's own
// errors. A drive that is gone, not ready or refusing the command will
// answer the same again.
bool Mendable(TSCSIDevice& drive) {
    if (!drive.LastCommandReachedDrive()) return false;
    const auto bytes = drive.LastSense();
    const SenseFields sense(bytes);
    const uint8_t key = sense.Key();
    return key == kKeyMediumError || key == kKeyHardwareError || key == kKeyAbortedCommand || IllegalMode(sense);
}

// One read; a CD sector of a mode READ (10) does not return is asked for
// again with READ CD.
Attempt ReadOnce(TSCSIDevice& drive, const SectorRun& run, uint32_t lba, uint32_t count, std::span<uint8_t> into) {
    auto commands = drive.LockCommands();  // the error text belongs to this read
    const auto blocks = static_cast<uint16_t>(count);
    bool ok = drive.Read10(lba, blocks, into);
    if (!ok && run.cd) {
        const auto sense = drive.LastSense();
        if (IllegalMode(SenseFields(sense))) ok = drive.ReadCd(lba, blocks, into);
    }
    if (ok) return {true, false, {}};
    return {false, Mendable(drive), drive.LastErrorText()};
}

class RunReader {
public:
    RunReader(TSCSIDevice& drive, const SectorRun& run, bool keepGoing, const SectorSink& sink,
              std::atomic<int64_t>& bytesDone, const std::function<bool()>& stop)
        : drive_(drive), run_(run), keepGoing_(keepGoing), sink_(sink), bytesDone_(bytesDone), stop_(stop),
          buffer_(sink.room ? 0 : size_t{kSectorsPerRead} * kSector) {}

    ReadResult Run() {
        for (uint32_t done = 0; done < run_.sectors && result_.end == ReadEnd::Done;) {
            if (stop_()) return Ended(ReadEnd::Stopped);
            const uint32_t count = std::min(kSectorsPerRead, run_.sectors - done);
            const uint32_t lba = run_.start + done;
            const auto into = Room(count);
            if (into.empty()) return Ended(ReadEnd::SinkRefused);
            if (ReadOnce(drive_, run_, lba, count, into).ok) Hand(into);
            else ReadOneByOne(lba, count);
            done += count;
        }
        return result_;
    }

private:
    ReadResult Ended(ReadEnd end) {
        result_.end = end;
        return result_;
    }

    void Unreadable(uint32_t lba, const std::string& why) {
        result_.end = ReadEnd::Unreadable;
        result_.failedSector = lba;
        result_.driveText = why;
    }

    // Room for `count` sectors; empty when the sink has less.
    std::span<uint8_t> Room(uint32_t count) {
        const size_t bytes = size_t{count} * kSector;
        if (!sink_.room) return std::span(buffer_).first(bytes);
        const std::span<uint8_t> room = sink_.room(bytes);
        return room.size() < bytes ? std::span<uint8_t>() : room.first(bytes);
    }

    void Hand(std::span<const uint8_t> sectors) {
        if (!sink_.take(sectors)) result_.end = ReadEnd::SinkRefused;
        bytesDone_.fetch_add(static_cast<int64_t>(sectors.size()));
    }

    // A read of several sectors failed: each is read alone, so that only
    // the sectors that are really bad are retried, listed and named.
    void ReadOneByOne(uint32_t first, uint32_t count) {
        for (uint32_t i = 0; i < count && result_.end == ReadEnd::Done; ++i) {
            const uint32_t lba = first + i;
            const auto sector = Room(1);
            if (sector.empty()) return (void)Ended(ReadEnd::SinkRefused);
            Attempt attempt;
            for (int tries = 0; tries < kReadRetries && !attempt.ok && !stop_(); ++tries) {
                attempt = ReadOnce(drive_, run_, lba, 1, sector);
                if (!attempt.mendable) break;
            }
            if (stop_() && !attempt.ok) return (void)Ended(ReadEnd::Stopped);
            if (!attempt.ok && (!keepGoing_ || !attempt.mendable)) return Unreadable(lba, attempt.why);
            if (!attempt.ok) {
                std::fill(sector.begin(), sector.end(), 0);
                result_.bad.push_back(lba);
            }
            Hand(sector);
        }
    }

    TSCSIDevice& drive_;
    const SectorRun& run_;
    bool keepGoing_;
    const SectorSink& sink_;
    std::atomic<int64_t>& bytesDone_;
    const std::function<bool()>& stop_;
    std::vector<uint8_t> buffer_;
    ReadResult result_;
};

}  // namespace

ReadResult ReadSectorRun(TSCSIDevice& drive, const SectorRun& run, bool keepGoing, const SectorSink& sink,
                         std::atomic<int64_t>& bytesDone, const std::function<bool()>& stop) {
    return RunReader(drive, run, keepGoing, sink, bytesDone, stop).Run();
}

}  // namespace kq::jobs
