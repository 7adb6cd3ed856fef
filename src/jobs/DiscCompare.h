#pragma once
// Comparing what a disc holds with an image file, byte for byte, and with
// a digest, in one reading: --check-disc and the verify after a burn.
#include "jobs/TrackReader.h"
#include "digest/ChecksumList.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kq {
class TSCSIDevice;
}

namespace kq::jobs {

// A digest the disc must have: from a companion, or the image's own.
struct ExpectedDigest {
    DigestKind kind = DigestKind::MD5;
    std::string print;  // lower-case hex
};

enum class CompareEnd { Equal, Differs, Unreadable, Stopped, ImageUnreadable };

struct CompareResult {
    CompareEnd end = CompareEnd::Equal;
    std::optional<uint32_t> firstDiffering;  // the disc's sector, against the image
    std::optional<std::string> discDigest;   // set when it is not the expected one
    ReadResult read;                         // Unreadable: where and why
    std::string imageError;                  // ImageUnreadable: the system's reason
};

// Reads the run and compares its first `bytes` with the file `image` (when
// not empty; a difference found there ends the reading unless a digest
// still has to be compared) and their digest with `expected` (when given).
CompareResult CompareDisc(TSCSIDevice& drive, const SectorRun& run, uint64_t bytes, const std::string& image,
                          const std::optional<ExpectedDigest>& expected, std::atomic<int64_t>& bytesDone,
                          const std::function<bool()>& stop);

// "differs: first differing sector 1234" and the like, for a result that
// is not Equal; `source` names where the expected digest came from.
std::string CompareText(const CompareResult& result, const std::optional<ExpectedDigest>& expected,
                        const std::string& source);

}  // namespace kq::jobs
