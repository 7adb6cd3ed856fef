#pragma once
// Reading the burnt track back and comparing it with the image.
#include "jobs/DiscCompare.h"
#include "digest/ChecksumList.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace kq {
class TSCSIDevice;
}

namespace kq::cli {

using namespace jobs;
enum class VerifyResult { Ok, Differs, Failed };

struct VerifyOutcome {
    VerifyResult result = VerifyResult::Failed;
    std::string detail;  // the drive's text when a read failed
};

// "ok", "differs" or "failed", as the verify line and the report say it.
const char* VerifyWord(VerifyResult result);

// What the disc must hold from LBA 0: `bytes` bytes whose digest of
// `kind` is `digest` (the checked digest, or the one the burn sent).
struct ExpectedTrack {
    DigestKind kind = DigestKind::MD5;
    std::string digest;
    uint64_t bytes = 0;
};

// Reads the track from LBA 0 and compares the digest of its first `bytes`
// bytes with the expected one (the checked digest, or the one the burn
// sent); the image file is not trusted for the verdict, since it may have
// changed since it was checked. When they differ and `image` is named, it
// is read against the disc once more to name the first differing sector.
// `percent` follows the reading; `stop` true ends it as "failed".
VerifyOutcome VerifyTrack(TSCSIDevice& drive, const ExpectedTrack& expected, const std::string& image,
                          std::atomic<int>& percent, const std::function<bool()>& stop);

}  // namespace kq::cli
