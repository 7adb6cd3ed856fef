#include "cli/Verify.h"

#include "jobs/ProgressLine.h"
#include "drive/MediaTypes.h"
#include "drive/TSCSIDevice.h"

namespace kq::cli {
namespace {

constexpr uint64_t kSector = kSectorSize;

// One reading of the track's first `bytes`, against the image file (when
// named) and the digest (when given), with `percent` following it.
CompareResult ReadAndCompare(TSCSIDevice& drive, uint64_t bytes, const std::string& image,
                             const std::optional<ExpectedDigest>& digest, std::atomic<int>& percent,
                             const std::function<bool()>& stop) {
    const bool cd = TraitsOf(TSCSIDevice::MediaType()).family == MediaFamily::Cd;
    const SectorRun run{0, static_cast<uint32_t>((bytes + kSector - 1) / kSector), cd};
    std::atomic<int64_t> done{0};
    auto stopOrShow = [&] {
        percent.store(PercentOf(done.load(), static_cast<int64_t>(bytes)));
        return stop();
    };
    CompareResult result = CompareDisc(drive, run, bytes, image, digest, done, stopOrShow);
    percent.store(PercentOf(done.load(), static_cast<int64_t>(bytes)));
    return result;
}

}  // namespace

const char* VerifyWord(VerifyResult result) {
    constexpr const char* kWords[] = {"ok", "differs", "failed"};
    return kWords[static_cast<size_t>(result)];
}

VerifyOutcome VerifyTrack(TSCSIDevice& drive, const ExpectedTrack& expected, const std::string& image,
                          std::atomic<int>& percent, const std::function<bool()>& stop) {
    if (expected.digest.empty()) return {VerifyResult::Failed, "no digest of the image to compare with"};
    // An empty image has nothing on the disc to compare.
    if (expected.bytes == 0) return {VerifyResult::Ok, ""};
    const ExpectedDigest digest{expected.kind, expected.digest};
    CompareResult result = ReadAndCompare(drive, expected.bytes, "", digest, percent, stop);
    // The digest decides; the image file, while it is there, is read again
    // only to name where the disc differs.
    if (result.end == CompareEnd::Differs && !image.empty()) {
        const CompareResult located = ReadAndCompare(drive, expected.bytes, image, std::nullopt, percent, stop);
        result.firstDiffering = located.firstDiffering;
    }
    switch (result.end) {
    case CompareEnd::Equal: return {VerifyResult::Ok, ""};
    case CompareEnd::Differs:
        if (result.firstDiffering) return {VerifyResult::Differs, "first differing sector " + std::to_string(*result.firstDiffering)};
        return {VerifyResult::Differs, ""};
    case CompareEnd::Stopped: return {VerifyResult::Failed, "stopped"};
    default: return {VerifyResult::Failed, CompareText(result, digest, "the image")};
    }
}

}  // namespace kq::cli
