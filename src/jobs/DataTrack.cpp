#include "jobs/DataTrack.h"

#include "burner/IsoStructures.h"
#include "jobs/DiscLayout.h"
#include "jobs/DiscState.h"
#include "jobs/TocTrack.h"
#include "drive/MediaTypes.h"
#include "drive/TSCSIDevice.h"

#include <algorithm>
#include <array>
#include <vector>

namespace kq::jobs {

namespace {

// A Track-At-Once CD track ends in two blocks that hold no user data.
constexpr uint32_t kCdRunOut = 2;

bool IsCd(int mediaType) { return TraitsOf(mediaType).family == MediaFamily::Cd; }

std::optional<DiscSummary> ReadDisc(TSCSIDevice& drive, std::string& error) {
    alignas(4) std::array<uint8_t, kDiscInformationLength> info{};
    if (!drive.ReadDiscInformation(info, kDiscInformationLength)) {
        error = "the drive cannot describe the disc [" + drive.LastErrorText() + "]";
        return std::nullopt;
    }
    auto disc = DecodeDiscInformation(info);
    if (!disc) error = "the drive's disc information is too short";
    else if (DecodeDiscState(disc->status) == DiscState::Blank) error = "the disc is blank: there is nothing to read";
    return disc;
}

std::optional<TrackSummary> ReadTrack(TSCSIDevice& drive, int number, std::string& error) {
    alignas(4) std::array<uint8_t, kTrackInformationLength> reply{};
    if (!drive.ReadTrackInformation(kByTrackNumber, static_cast<uint32_t>(number), reply, kTrackInformationLength)) {
        error = "the drive cannot describe track " + std::to_string(number) + " [" + drive.LastErrorText() + "]";
        return std::nullopt;
    }
    auto track = DecodeTrackInformation(reply);
    if (!track) error = "the drive's information on track " + std::to_string(number) + " is too short";
    return track;
}

// Where the TOC puts the end of the track: the next track's start or the
// lead-out. It bounds what READ TRACK INFORMATION says.
std::optional<uint32_t> TocEnd(TSCSIDevice& drive, int number) {
    alignas(4) std::array<uint8_t, kTocLength> reply{};
    if (!drive.ReadTocPmaAtip(kTocFormat, reply, false, 0, 0, kTocLength)) return std::nullopt;
    auto toc = DecodeToc(reply);
    if (!toc) return std::nullopt;
    for (const auto& [track, start] : toc->starts)
        if (track > number) return start;
    return toc->leadOut;
}

// A closed CD track that was not written in packets may end in run-out
// blocks, which the drive refuses to read; those of a disc written at
// once read as data and belong to the image.
bool EndsInRunOut(TSCSIDevice& drive, const DataTrack& t) {
    if (t.sectors <= kCdRunOut) return false;
    std::vector<uint8_t> probe(size_t{kCdRunOut} * kSectorSize);
    auto commands = drive.LockCommands();
    return !drive.Read10(t.start + t.sectors - kCdRunOut, kCdRunOut, probe);
}

DataTrack Measure(TSCSIDevice& drive, const TrackSummary& s, int mediaType) {
    DataTrack t;
    t.number = s.number;
    t.start = s.start;
    if (s.nextWritable && *s.nextWritable >= s.start) {  // still open: what was written so far
        t.sectors = *s.nextWritable - s.start;
        t.incomplete = true;
        return t;
    }
    uint32_t size = s.size;
    if (auto end = TocEnd(drive, s.number); end && *end > s.start) size = std::min(size, *end - s.start);
    if (s.lastRecorded && *s.lastRecorded >= s.start) size = std::min(size, *s.lastRecorded + 1 - s.start);
    t.sectors = size;
    const MediaRecording recording = RecordingOf(mediaType);
    t.wholeDisc = recording == MediaRecording::Overwritable;
    t.exact = !s.packet && (recording == MediaRecording::WriteOnce || recording == MediaRecording::Blankable);
    if (s.size > size) t.runOut = IsCd(mediaType) ? s.size - size : 0;
    // Without the last recorded address, the run-out is told by reading it.
    if (IsCd(mediaType) && !s.packet && !s.lastRecorded && EndsInRunOut(drive, t)) {
        t.sectors -= kCdRunOut;
        t.runOut = kCdRunOut;
    }
    return t;
}

}  // namespace

DataTrackFinding FindDataTrack(TSCSIDevice& drive, std::optional<int> number, int mediaType) {
    DataTrackFinding found;
    auto lock = drive.LockCommands();
    auto disc = ReadDisc(drive, found.error);
    if (!disc && RefusedAsUnknown(drive)) return FindTocTrack(drive, number);
    if (!disc || !found.error.empty()) return found;
    const int first = std::max(1, disc->firstTrack), last = disc->lastTrack;
    if (number && (*number < first || *number > last)) {
        found.error = "the disc has no track " + std::to_string(*number) + " (tracks " + std::to_string(first) +
                      " to " + std::to_string(last) + ")";
        return found;
    }
    for (int n = number.value_or(first); n <= (number ? *number : last); ++n) {
        auto track = ReadTrack(drive, n, found.error);
        if (!track && RefusedAsUnknown(drive)) return FindTocTrack(drive, number);
        if (!track) return found;
        if (track->blank || !track->data) {
            if (number) found.error = "track " + std::to_string(n) + (track->blank ? " is blank" : " holds no data");
            continue;
        }
        found.track = Measure(drive, *track, mediaType);
        found.error.clear();
        if (found.track->sectors == 0) found.error = "track " + std::to_string(n) + " holds no readable sector";
        if (!found.error.empty()) found.track.reset();
        return found;
    }
    if (found.error.empty()) found.error = "the disc holds no data track";
    return found;
}

std::optional<uint32_t> IsoVolumeSectors(TSCSIDevice& drive, uint32_t start) {
    std::vector<uint8_t> sector(kSectorSize);
    auto commands = drive.LockCommands();
    if (!drive.Read10(start + iso::vd::kFirstSector, 1, sector)) return std::nullopt;
    const auto volume = iso::ReadPrimaryVolume(sector);
    if (!volume) return std::nullopt;
    return volume->sectors;
}

ImageLength ImageLengthOf(TSCSIDevice& drive, const DataTrack& track) {
    if (!track.wholeDisc) return {track.sectors, {}};
    const auto volume = IsoVolumeSectors(drive, track.start);
    if (volume && *volume <= track.sectors)
        return {*volume, "the disc's file system ends after " + std::to_string(*volume) + " sectors: so does the image"};
    uint32_t last = 0;
    bool told = false;
    {
        auto commands = drive.LockCommands();
        told = drive.ReadCapacity(last);
    }
    const std::string whole = std::to_string(track.sectors);
    if (!told || last + uint64_t{1} != uint64_t{track.start} + track.sectors)
        return {std::nullopt, "the disc holds no ISO 9660 volume, and the drive gives its track " + whole +
                                  " sectors but its capacity " + (told ? std::to_string(last + uint64_t{1}) : "not at all") +
                                  ": the image's length cannot be known"};
    return {track.sectors, "the disc holds no ISO 9660 volume: the image is its whole formatted capacity, " + whole +
                               " sectors"};
}

std::string DataTrackText(const DataTrack& t) {
    // The run-out blocks belong to the track, not to the image.
    std::string text = "track " + std::to_string(t.number) + ": " + std::to_string(t.sectors + t.runOut) +
                       " sectors from " + std::to_string(t.start);
    if (t.runOut)
        text += "; the image is the first " + std::to_string(t.sectors) + ", the last " + std::to_string(t.runOut) +
                " are run-out blocks";
    if (t.incomplete) text += " (incomplete: only the sectors written before it was left unclosed)";
    if (t.source != LengthSource::TrackInformation)
        text += " (the drive does not describe tracks: the length is from " + LengthSourceName(t.source) + ")";
    return text;
}

}  // namespace kq::jobs
