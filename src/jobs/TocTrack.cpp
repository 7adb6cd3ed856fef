#include "jobs/TocTrack.h"

#include "drive/DiscReplies.h"
#include "drive/SenseFields.h"
#include "drive/TSCSIDevice.h"

#include <algorithm>
#include <array>

namespace kq::jobs {

namespace {

constexpr uint8_t kKeyIllegalRequest = 0x05, kAscInvalidOpcode = 0x20;

std::optional<TocSummary> ReadToc(TSCSIDevice& drive, std::string& error) {
    alignas(4) std::array<uint8_t, kTocLength> reply{};
    if (!drive.ReadTocPmaAtip(kTocFormat, reply, false, 0, 0, kTocLength)) {
        error = "the drive describes no track and gives no TOC [" + drive.LastErrorText() + "]";
        return std::nullopt;
    }
    auto toc = DecodeToc(reply);
    if (!toc) error = "the drive's TOC is too short";
    return toc;
}

bool Audio(const TocSummary& toc, int track) {
    return std::find(toc.audioTracks.begin(), toc.audioTracks.end(), track) != toc.audioTracks.end();
}

// The track's start and where the next one (or the lead-out) begins.
std::optional<std::pair<uint32_t, uint32_t>> Bounds(const TocSummary& toc, int track) {
    for (size_t i = 0; i < toc.starts.size(); ++i) {
        if (toc.starts[i].first != track) continue;
        const uint32_t start = toc.starts[i].second;
        const std::optional<uint32_t> end = i + 1 < toc.starts.size() ? toc.starts[i + 1].second : toc.leadOut;
        if (!end || *end <= start) return std::nullopt;
        return std::pair{start, *end};
    }
    return std::nullopt;
}

std::optional<int> ChosenTrack(const TocSummary& toc, std::optional<int> number, std::string& error) {
    for (const auto& [track, start] : toc.starts) {
        if (number && track != *number) continue;
        if (!Audio(toc, track)) return track;
        if (number) error = "track " + std::to_string(track) + " holds no data";
        return std::nullopt;
    }
    error = number ? "the disc has no track " + std::to_string(*number) + " in its TOC"
                   : "the disc holds no data track";
    return std::nullopt;
}

// The shortest of the TOC's length, the disc's end and the file system's.
void Shorten(TSCSIDevice& drive, DataTrack& t) {
    uint32_t last = 0;
    if (drive.ReadCapacity(last) && last >= t.start && last - t.start + 1 < t.sectors) {
        t.sectors = last - t.start + 1;
        t.source = LengthSource::Capacity;
    }
    if (const auto volume = IsoVolumeSectors(drive, t.start); volume && *volume < t.sectors) {
        t.sectors = *volume;
        t.source = LengthSource::IsoVolume;
    }
}

}  // namespace

bool RefusedAsUnknown(TSCSIDevice& drive) {
    if (!drive.LastCommandReachedDrive()) return false;
    const auto bytes = drive.LastSense();
    const SenseFields sense(bytes);
    return sense.Key() == kKeyIllegalRequest && sense.Asc() == kAscInvalidOpcode;
}

DataTrackFinding FindTocTrack(TSCSIDevice& drive, std::optional<int> number) {
    DataTrackFinding found;
    auto lock = drive.LockCommands();
    const auto toc = ReadToc(drive, found.error);
    if (!toc) return found;
    const auto track = ChosenTrack(*toc, number, found.error);
    if (!track) return found;
    const auto bounds = Bounds(*toc, *track);
    if (!bounds) {
        found.error = "the TOC does not tell where track " + std::to_string(*track) + " ends";
        return found;
    }
    DataTrack t;
    t.number = *track;
    t.start = bounds->first;
    t.sectors = bounds->second - bounds->first;
    t.source = LengthSource::Toc;
    Shorten(drive, t);
    found.track = t;
    return found;
}

std::string LengthSourceName(LengthSource source) {
    switch (source) {
        case LengthSource::TrackInformation: return "READ TRACK INFORMATION";
        case LengthSource::Toc: return "the TOC";
        case LengthSource::Capacity: return "READ CAPACITY";
        case LengthSource::IsoVolume: return "its ISO 9660 volume";
    }
    return "";
}

}  // namespace kq::jobs
