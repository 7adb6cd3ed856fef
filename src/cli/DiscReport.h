#pragma once
// --info: the disc in a drive as the drive itself describes it.
#include "jobs/DiscLayout.h"

#include <string>
#include <vector>

namespace kq {
class TSCSIDevice;
}

namespace kq::cli {

using namespace jobs;
// "blank", "appendable, 1 session", "closed, 2 sessions", ...: the sessions
// that hold data, not the empty one an appendable disc keeps open.
std::string StateText(const DiscSummary& disc);

// The lines of a described disc after its state: capacity (the medium's
// own when the drive told it, else used + free), used and free space, then
// each session's tracks and the TOC. `cd` adds playing minutes; a medium
// of more than one layer gets the layers' capacity.
std::vector<std::string> DescribeDisc(const std::vector<TrackSummary>& tracks, const std::optional<TocSummary>& toc,
                                      std::optional<int64_t> capacity, bool cd, int mediaType = 0);

struct DiscReport {
    std::string state;  // StateText, once the disc information came
    std::vector<std::string> lines;
    std::string error;  // set when the drive could not describe the disc
};

// Asks the selected drive: READ DISC INFORMATION, READ TRACK INFORMATION
// for each track, READ TOC. A failed or short reply ends in `error`. A
// disc written in place is described by ReadRandomAccessReport.
DiscReport ReadDiscReport(TSCSIDevice& device, bool cd, int mediaType = 0);

// Written in place rather than in sessions: DVD+RW, DVD-RAM, BD-RE, a
// restricted-overwrite DVD-RW, a BD-R formatted for random recording.
bool RandomAccess(int mediaType);

// Such a disc: "overwritable" ("unformatted" for a BD-RE not yet formatted),
// its formatted capacity, and as used the ISO 9660 volume on it.
DiscReport ReadRandomAccessReport(TSCSIDevice& device, int mediaType);

}  // namespace kq::cli
