#pragma once
// Reading the burnt track back and comparing it with the image.
#include "app/ChecksumList.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace kq {
class TSCSIDevice;
}

namespace kq::cli {

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

// Reads the track's sectors from LBA 0 with READ (10) and compares the
// digest of its first `bytes` bytes with the expected one; the image file
// is not read again. `percent` follows the reading; `stop` true ends it as
// "failed".
VerifyOutcome VerifyTrack(TSCSIDevice& drive, const ExpectedTrack& expected, std::atomic<int>& percent,
                          const std::function<bool()>& stop);

}  // namespace kq::cli
