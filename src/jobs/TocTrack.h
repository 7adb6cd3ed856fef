#pragma once
// A data track told without READ TRACK INFORMATION, which many drives that
// only read refuse as an unknown command: the TOC gives its start and end
// (the next track's start or the lead-out), READ CAPACITY the disc's end,
// and a file system on it its own length.
#include "jobs/DataTrack.h"

namespace kq::jobs {

// True when the drive's last command was refused as one it does not know
// (05/20/00).
bool RefusedAsUnknown(TSCSIDevice& drive);

// Track `number`, else the first data track the TOC lists.
DataTrackFinding FindTocTrack(TSCSIDevice& drive, std::optional<int> number);

// "the TOC", "READ CAPACITY", "its ISO 9660 volume".
std::string LengthSourceName(LengthSource source);

}  // namespace kq::jobs
