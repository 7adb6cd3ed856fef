#include "cli/Verify.h"

#include "app/MD5.h"
#include "drive/TSCSIDevice.h"
#include "platform/Sha256.h"

#include <algorithm>
#include <filesystem>
#include <optional>
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

namespace {

// Reads the first `bytes` of the disc with READ (10), handing each piece
// to `take`; the failure, or nullopt when all was read.
std::optional<VerifyOutcome> ReadBack(TSCSIDevice& drive, uint64_t bytes, std::atomic<int>& percent,
                                      const std::function<bool()>& stop,
                                      const std::function<void(const uint8_t*, size_t)>& take) {
    const uint64_t sectors = (bytes + kSector - 1) / kSector;
    std::vector<uint8_t> buffer(size_t{kBlocksPerRead} * kSector);
    for (uint64_t lba = 0; lba < sectors;) {
        if (stop()) return VerifyOutcome{VerifyResult::Failed, "stopped"};
        auto blocks = static_cast<uint16_t>(std::min<uint64_t>(kBlocksPerRead, sectors - lba));
        auto commands = drive.LockCommands();  // the error text belongs to this read
        if (!drive.Read10(static_cast<uint32_t>(lba), blocks, buffer))
            return VerifyOutcome{VerifyResult::Failed,
                                 "READ (10) at sector " + std::to_string(lba) + ": " + drive.LastErrorText()};
        commands.unlock();
        take(buffer.data(), static_cast<size_t>(std::min<uint64_t>(uint64_t{blocks} * kSector, bytes - lba * kSector)));
        lba += blocks;
        percent.store(static_cast<int>(lba * 100 / sectors));
    }
    return std::nullopt;
}

}  // namespace

VerifyOutcome VerifyTrack(TSCSIDevice& drive, const std::string& image, std::atomic<int>& percent,
                          const std::function<bool()>& stop) {
    std::error_code ec;
    const uint64_t imageBytes = std::filesystem::file_size(image, ec);
    if (ec) return {VerifyResult::Failed, "cannot read the image: " + ec.message()};
    TMD5Context context;
    MD5Init(context);
    auto failed = ReadBack(drive, imageBytes, percent, stop, [&](const uint8_t* bytes, size_t n) {
        MD5Update(context, bytes, static_cast<uint32_t>(n));
    });
    if (failed) return *failed;
    TMD5Digest disc = MD5Final(context);
    // An empty image has nothing on the disc to compare.
    if (imageBytes == 0) return {VerifyResult::Ok, ""};
    return {disc == MD5File(image) ? VerifyResult::Ok : VerifyResult::Differs, ""};
}

VerifyOutcome VerifySent(TSCSIDevice& drive, uint64_t bytes, const std::array<uint8_t, 32>& sent,
                         std::atomic<int>& percent, const std::function<bool()>& stop) {
    platform::Sha256 disc;
    auto failed = ReadBack(drive, bytes, percent, stop, [&](const uint8_t* at, size_t n) { disc.Update(at, n); });
    if (failed) return *failed;
    const auto digest = disc.Final();
    if (!digest) return {VerifyResult::Failed, "the system's SHA-256 failed"};
    return {*digest == sent ? VerifyResult::Ok : VerifyResult::Differs, ""};
}

}  // namespace kq::cli
