#pragma once
// A disc's data track against an image, byte for byte, or against the
// digest in a checksum companion. Nothing is written.
#include "jobs/DiscCompare.h"
#include "jobs/DiscJob.h"
#include "jobs/JobLog.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kq {
class TQCDBurner;
}

namespace kq::jobs {

// What the disc is compared with: an image file, or a digest and where it
// was found.
struct Reference {
    std::string image;
    std::optional<ExpectedDigest> digest;
    std::string source;
};

// The argument is a companion by its name, else an image when it is
// there, else the image whose companion is found by the burn's rules.
// nullopt after a line saying why there is none.
std::optional<Reference> FindReference(const std::string& named, JobLog& log);

struct DiscCheckResult {
    JobEnd end = JobEnd::Failed;
    std::string text;                        // "ok", or how the disc differs, in the drive's words
    std::optional<uint32_t> firstDiffering;  // the disc's sector
};

// Refused: the length the digest covers cannot be known. Failed: the disc
// differs or cannot be read.
DiscCheckResult CheckDisc(TQCDBurner& burner, const ReadingDrive& drive, const Reference& reference, JobLog& log,
                          const ReadRunner& runner, const StopAsked& stop);

}  // namespace kq::jobs
