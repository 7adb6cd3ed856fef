#pragma once
// Reading the burnt track back and comparing it with the image.
#include "cli/DiscCompare.h"

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

// Reads the image's sectors from LBA 0 with READ (10) and compares their
// MD5 digest (over the image's own length) with the image file's.
// `percent` follows the reading; `stop` true ends it as "failed".
VerifyOutcome VerifyTrack(TSCSIDevice& drive, const std::string& image, std::atomic<int>& percent,
                          const std::function<bool()>& stop);

// The same against a digest the disc must have; the image file, compared
// byte for byte on the way, names the first differing sector.
VerifyOutcome VerifyAgainst(TSCSIDevice& drive, const std::string& image, const ExpectedDigest& expected,
                            std::atomic<int>& percent, const std::function<bool()>& stop);

}  // namespace kq::cli
