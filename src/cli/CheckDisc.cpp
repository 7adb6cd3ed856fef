#include "cli/CheckDisc.h"

#include "burner/kqCDBC.h"
#include "cli/DiscCompare.h"
#include "cli/DiscReading.h"
#include "cli/ExitCode.h"
#include "cli/Interrupt.h"
#include "cli/SpeedMultiple.h"
#include "digest/ChecksumCompanion.h"

#include <filesystem>

namespace kq::cli {

namespace {

namespace fs = std::filesystem;

constexpr uint64_t kSector = kSectorSize;

// What the disc is compared with: an image file, or a digest and where it
// was found.
struct Reference {
    std::string image;
    std::optional<ExpectedDigest> digest;
    std::string source;
};

std::optional<Reference> FromCompanion(const CompanionFinding& found, const std::string& named, Console& console) {
    switch (found.outcome) {
    case CompanionOutcome::Digest: return Reference{{}, ExpectedDigest{found.kind, found.expected}, found.path};
    case CompanionOutcome::None: console.Error("check: there is no image " + named + ", nor a checksum companion for it"); break;
    case CompanionOutcome::Unreadable: console.Error("check: cannot read " + found.path + ": " + found.why); break;
    case CompanionOutcome::NotListed:
        console.Error("check: " + found.path + " does not name the image; name the image (or its own companion) instead");
        break;
    default: console.Error("check: " + found.path + " holds no " + DigestName(found.kind) + " digest"); break;
    }
    return std::nullopt;
}

// The argument is a companion by its name, else an image when it is
// there, else the image whose companion is found by the burn's rules.
std::optional<Reference> FindReference(const std::string& named, Console& console) {
    std::error_code ec;
    if (LooksLikeCompanion(named)) {
        if (!fs::exists(named, ec)) {
            console.Error("check: there is no checksum file " + named);
            return std::nullopt;
        }
        return FromCompanion(ReadNamedCompanion(named), named, console);
    }
    if (fs::is_regular_file(named, ec)) return Reference{named, std::nullopt, named};
    if (fs::exists(named, ec)) {
        console.Error("check: " + named + " is not a file");
        return std::nullopt;
    }
    return FromCompanion(FindImageCompanion(named, true), named, console);
}

class CheckJob {
public:
    CheckJob(const CliOptions& o, Console& console) : o_(o), console_(console) {}
    int Run();

private:
    uint64_t BytesToCompare(TQCDBurner& burner, const ReadingDrive& drive);
    int Report(const CompareResult& result, const ReadingDrive& drive);

    const CliOptions& o_;
    Console& console_;
    Reference reference_;
    uint64_t imageBytes_ = 0;
};

int CheckJob::Run() {
    auto reference = FindReference(o_.checkDisc, console_);
    if (!reference) return kExitUsage;
    reference_ = *reference;
    TQCDBurner burner;
    int code = kExitNoRecorder;
    auto drive = PrepareReading(burner, o_, console_, code);
    if (!drive) return code;
    const uint64_t bytes = BytesToCompare(burner, *drive);
    const uint32_t sectors = static_cast<uint32_t>((bytes + kSector - 1) / kSector);
    console_.Line("checking " + DataTrackText(drive->track) + " against " + reference_.source);
    std::atomic<int64_t> done{0};
    CompareResult result;
    const MediaFamily family = TraitsOf(drive->mediaType).family;
    const SectorRun run{drive->track.start, sectors, family == MediaFamily::Cd};
    ReadWithProgress(
        console_,
        [&] { result = CompareDisc(burner, run, bytes, reference_.image, reference_.digest, done, InterruptRequested); },
        done, static_cast<int64_t>(sectors * kSector), family);
    return Report(result, *drive);
}

// An image is compared over its own length, as far as the track goes. A
// digest covers the track, or the file system on it when that ends sooner
// (a short image padded when burnt; an overwritable disc).
uint64_t CheckJob::BytesToCompare(TQCDBurner& burner, const ReadingDrive& drive) {
    const uint64_t track = uint64_t{drive.track.sectors} * kSector;
    if (!reference_.image.empty()) {
        std::error_code ec;
        imageBytes_ = fs::file_size(reference_.image, ec);
        return std::min(imageBytes_, track);
    }
    const auto volume = IsoVolumeSectors(burner, drive.track.start);
    if (!volume || *volume >= drive.track.sectors) return track;
    console_.Line("the disc's file system ends after " + std::to_string(*volume) + " sectors: the digest covers those");
    return uint64_t{*volume} * kSector;
}

int CheckJob::Report(const CompareResult& result, const ReadingDrive& drive) {
    if (drive.track.incomplete) console_.Line("the track was never closed: only its readable part was checked");
    const uint64_t track = uint64_t{drive.track.sectors} * kSector;
    std::string text = CompareText(result, reference_.digest, reference_.source);
    const bool discShorter = result.end == CompareEnd::Equal && imageBytes_ > track;
    if (discShorter) {
        text = "differs: the disc's track ends after " + std::to_string(drive.track.sectors) + " sectors, the image holds " +
               std::to_string((imageBytes_ + kSector - 1) / kSector);
    } else if (result.end == CompareEnd::Equal && !reference_.image.empty() && imageBytes_ + kSector <= track) {
        console_.Line("the track holds " + std::to_string((track - imageBytes_) / kSector) +
                      " sectors after the image's end; they were not compared");
    }
    if (result.end == CompareEnd::Equal && !discShorter) {
        console_.Line("check: ok");
        return kExitSuccess;
    }
    console_.Error("check: " + text);
    return result.end == CompareEnd::Stopped ? kExitAborted : kExitBurnFailed;
}

}  // namespace

int RunCheckDisc(const CliOptions& options, Console& console) { return CheckJob(options, console).Run(); }

}  // namespace kq::cli
