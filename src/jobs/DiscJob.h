#pragma once
// What the read and the check of a disc share, for the command line and
// the window alike: the drive and its data track, how the job ended, and
// who shows the progress while the sectors are read.
#include "drive/MediaTypes.h"
#include "jobs/DataTrack.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace kq::jobs {

struct ReadingDrive {
    std::string entry;
    int mediaType = 0;
    DataTrack track;
};

enum class JobEnd {
    Success,
    Failed,   // the disc differs or cannot be read, or a file cannot be written
    Refused,  // nothing to do it with: a target that may not be written, no image or companion
    Stopped,
};

// Runs `read` (on a thread of its own, or on the caller's) while showing
// the progress of `bytesDone` against `totalBytes`.
using ReadRunner = std::function<void(const std::function<void()>& read, const std::atomic<int64_t>& bytesDone,
                                      int64_t totalBytes, MediaFamily family)>;

// Asked between reads: true once the job should stop.
using StopAsked = std::function<bool()>;

}  // namespace kq::jobs
