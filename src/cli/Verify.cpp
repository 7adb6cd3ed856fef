#include "cli/Verify.h"

#include "app/RunningDigest.h"
#include "drive/TSCSIDevice.h"
#include "platform/Sha256.h"

#include <algorithm>
#include <vector>

namespace kq::cli {

namespace {

constexpr uint32_t kSector = 2048;
constexpr uint16_t kBlocksPerRead = 32;

}  // namespace

const char* VerifyWord(VerifyResult result) {
    constexpr const char* kWords[] = {"ok", "differs", "failed"};
    return kWords[static_cast<size_t>(result)];
}

VerifyOutcome VerifyTrack(TSCSIDevice& drive, const ExpectedTrack& expected, std::atomic<int>& percent,
                          const std::function<bool()>& stop) {
    const uint64_t imageBytes = expected.bytes;
    if (expected.digest.empty()) return {VerifyResult::Failed, "no digest of the image to compare with"};
    const uint64_t sectors = (imageBytes + kSector - 1) / kSector;
    std::vector<uint8_t> buffer(size_t{kBlocksPerRead} * kSector);
    TRunningDigest disc(expected.kind);
    for (uint64_t lba = 0; lba < sectors;) {
        if (stop()) return {VerifyResult::Failed, "stopped"};
        auto blocks = static_cast<uint16_t>(std::min<uint64_t>(kBlocksPerRead, sectors - lba));
        auto commands = drive.LockCommands();  // the error text belongs to this read
        if (!drive.Read10(static_cast<uint32_t>(lba), blocks, buffer))
            return {VerifyResult::Failed, "READ (10) at sector " + std::to_string(lba) + ": " + drive.LastErrorText()};
        commands.unlock();
        uint64_t wanted = std::min<uint64_t>(uint64_t{blocks} * kSector, imageBytes - lba * kSector);
        disc.Update(buffer.data(), static_cast<size_t>(wanted));
        lba += blocks;
        percent.store(static_cast<int>(lba * 100 / sectors));
    }
    return {disc.FinalPrint() == expected.digest ? VerifyResult::Ok : VerifyResult::Differs, ""};
}

}  // namespace kq::cli
