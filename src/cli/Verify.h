#pragma once
// Reading the burnt track back and comparing it with the image.
#include <array>
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

// The same for a burn of the image tree: the first `bytes` of the disc
// against the SHA-256 of the bytes that were sent.
VerifyOutcome VerifySent(TSCSIDevice& drive, uint64_t bytes, const std::array<uint8_t, 32>& sent,
                         std::atomic<int>& percent, const std::function<bool()>& stop);

}  // namespace kq::cli
