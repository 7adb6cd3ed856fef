#include "cli/Verify.h"

#include "app/MD5.h"
#include "cli/ProgressLine.h"
#include "cli/SpeedMultiple.h"
#include "drive/TSCSIDevice.h"

#include <filesystem>

namespace kq::cli {

namespace {

constexpr uint64_t kSector = 2048;

}  // namespace

const char* VerifyWord(VerifyResult result) {
    constexpr const char* kWords[] = {"ok", "differs", "failed"};
    return kWords[static_cast<size_t>(result)];
}

VerifyOutcome VerifyTrack(TSCSIDevice& drive, const std::string& image, std::atomic<int>& percent,
                          const std::function<bool()>& stop) {
    const ExpectedDigest expected{DigestKind::MD5, MD5Print(MD5File(image))};
    return VerifyAgainst(drive, image, expected, percent, stop);
}

VerifyOutcome VerifyAgainst(TSCSIDevice& drive, const std::string& image, const ExpectedDigest& expected,
                            std::atomic<int>& percent, const std::function<bool()>& stop) {
    std::error_code ec;
    const uint64_t imageBytes = std::filesystem::file_size(image, ec);
    if (ec) return {VerifyResult::Failed, "cannot read the image: " + ec.message()};
    // An empty image has nothing on the disc to compare.
    if (imageBytes == 0) return {VerifyResult::Ok, ""};
    const SectorRun run{0, static_cast<uint32_t>((imageBytes + kSector - 1) / kSector),
                        !IsDvdMedium(TSCSIDevice::MediaType())};
    std::atomic<int64_t> done{0};
    auto stopOrShow = [&] {
        percent.store(PercentOf(done.load(), static_cast<int64_t>(imageBytes)));
        return stop();
    };
    const CompareResult result = CompareDisc(drive, run, imageBytes, image, expected, done, stopOrShow);
    percent.store(PercentOf(done.load(), static_cast<int64_t>(imageBytes)));
    switch (result.end) {
    case CompareEnd::Equal: return {VerifyResult::Ok, ""};
    case CompareEnd::Differs:
        if (result.firstDiffering) return {VerifyResult::Differs, "first differing sector " + std::to_string(*result.firstDiffering)};
        return {VerifyResult::Differs, ""};
    case CompareEnd::Stopped: return {VerifyResult::Failed, "stopped"};
    default: return {VerifyResult::Failed, CompareText(result, expected, "the image")};
    }
}

}  // namespace kq::cli
