#pragma once
// Which sectors of the disc hold a data track, and how many of them can be
// read: from READ DISC INFORMATION, READ TRACK INFORMATION and the TOC.
#include <cstdint>
#include <optional>
#include <string>

namespace kq {
class TSCSIDevice;
}

namespace kq::jobs {

// What told the track's length: READ TRACK INFORMATION, or, on a drive
// without it, the TOC, READ CAPACITY or the file system on the disc.
enum class LengthSource { TrackInformation, Toc, Capacity, IsoVolume };

struct DataTrack {
    int number = 0;
    uint32_t start = 0;
    uint32_t sectors = 0;       // readable: the image's length
    uint32_t runOut = 0;        // left out at the end: the run-out of a Track-At-Once CD track
    bool incomplete = false;    // never closed: only what reached the disc
    bool wholeDisc = false;     // an overwritable disc, one track over all of it
    bool exact = false;         // closed on a recordable disc: it ends where the burn ended it
    LengthSource source = LengthSource::TrackInformation;
};

struct DataTrackFinding {
    std::optional<DataTrack> track;
    std::string error;  // why there is none
};

// The first data track of the disc, or track `number`, in the selected drive.
DataTrackFinding FindDataTrack(TSCSIDevice& drive, std::optional<int> number, int mediaType);

// The volume space size of an ISO 9660 file system starting at `start`
// (its primary volume descriptor at start + 16); nullopt without one.
std::optional<uint32_t> IsoVolumeSectors(TSCSIDevice& drive, uint32_t start);

struct ImageLength {
    std::optional<uint32_t> sectors;  // nullopt: the drive's figures disagree
    std::string note;                 // how an overwritable disc's length was told, or why it cannot be
};

// The sectors an image of the track holds: on an overwritable disc (the
// track is the whole disc) the file system's size when it has one, else
// the whole formatted capacity, and that only when the track and READ
// CAPACITY agree on where it ends.
ImageLength ImageLengthOf(TSCSIDevice& drive, const DataTrack& track);

// "track 1: 844 sectors from 0; the image is the first 842, the last 2 are
// run-out blocks": the track, and what of it the image leaves out.
std::string DataTrackText(const DataTrack& track);

}  // namespace kq::jobs
