#include "cli/Verify.h"

#include "app/MD5.h"
#include "drive/TSCSIDevice.h"

#include <algorithm>
#include <filesystem>
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

VerifyOutcome VerifyTrack(TSCSIDevice& drive, const std::string& image, std::atomic<int>& percent,
                          const std::function<bool()>& stop) {
    std::error_code ec;
    const uint64_t imageBytes = std::filesystem::file_size(image, ec);
    if (ec) return {VerifyResult::Failed, "cannot read the image: " + ec.message()};
    const uint64_t sectors = (imageBytes + kSector - 1) / kSector;
    std::vector<uint8_t> buffer(size_t{kBlocksPerRead} * kSector);
    TMD5Context context;
    MD5Init(context);
    for (uint64_t lba = 0; lba < sectors;) {
        if (stop()) return {VerifyResult::Failed, "stopped"};
        auto blocks = static_cast<uint16_t>(std::min<uint64_t>(kBlocksPerRead, sectors - lba));
        auto commands = drive.LockCommands();  // the error text belongs to this read
        if (!drive.Read10(static_cast<uint32_t>(lba), blocks, buffer))
            return {VerifyResult::Failed, "READ (10) at sector " + std::to_string(lba) + ": " + drive.LastErrorText()};
        commands.unlock();
        uint64_t wanted = std::min<uint64_t>(uint64_t{blocks} * kSector, imageBytes - lba * kSector);
        MD5Update(context, buffer.data(), static_cast<uint32_t>(wanted));
        lba += blocks;
        percent.store(static_cast<int>(lba * 100 / sectors));
    }
    TMD5Digest disc = MD5Final(context);
    // An empty image has nothing on the disc to compare.
    if (imageBytes == 0) return {VerifyResult::Ok, ""};
    return {disc == MD5File(image) ? VerifyResult::Ok : VerifyResult::Differs, ""};
}

}  // namespace kq::cli
