#pragma once
// A disc's data track into an image file, with its .sha256 (and .md5)
// companion beside it.
#include "jobs/DiscJob.h"
#include "jobs/JobLog.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kq {
class TQCDBurner;
}

namespace kq::jobs {

struct ReadImageOptions {
    std::string out;         // the image file
    bool force = false;      // an image already there is replaced
    bool md5 = false;        // an .md5 companion too
    bool keepGoing = false;  // unreadable sectors become zeros, listed in OUT.bad
};

// The files a read writes: the image takes its name only once complete.
struct ReadTarget {
    explicit ReadTarget(const std::string& out);
    std::string image, part, sha256, md5, bad;
};

// Every file the read may write, before the drive is asked anything:
// false with the line that says why one may not be.
bool CheckReadTarget(const ReadImageOptions& options, JobLog& log);

struct ImageReadResult {
    JobEnd end = JobEnd::Failed;
    std::optional<uint32_t> failedSector;  // the sector that ended the read
    std::vector<uint32_t> bad;             // zero-filled (keepGoing); the job then fails
    std::string sha256;                    // of a complete image
};

// Reads the drive's data track into options.out. Failed: a sector could
// not be read (or was zero-filled with keepGoing) or the image could not
// be written; Stopped: what was read stays in OUT.part. The lines go to
// `log`, the drive's own words in "[...]".
ImageReadResult ReadImageFile(TQCDBurner& burner, const ReadingDrive& drive, const ReadImageOptions& options,
                              JobLog& log, const ReadRunner& runner, const StopAsked& stop);

}  // namespace kq::jobs
