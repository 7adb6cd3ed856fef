#include "jobs/DiscCheck.h"

#include "burner/kqCDBC.h"
#include "digest/ChecksumCompanion.h"

#include <filesystem>

namespace kq::jobs {
namespace {

namespace fs = std::filesystem;

constexpr uint64_t kSector = kSectorSize;

std::optional<Reference> FromCompanion(const CompanionFinding& found, const std::string& named, JobLog& console) {
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

}  // namespace

std::optional<Reference> FindReference(const std::string& named, JobLog& console) {
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

namespace {

// The image a companion was written beside: its name without the
// companion's extension, as is or with ".iso" ("x.iso.sha256", "x.md5").
std::optional<std::string> ImageBeside(const std::string& companion) {
    const fs::path stem = fs::path(companion).replace_extension();
    std::error_code ec;
    for (const fs::path& candidate : {stem, fs::path(stem).concat(".iso")})
        if (candidate != fs::path(companion) && fs::is_regular_file(candidate, ec)) return candidate.string();
    return std::nullopt;
}

// The zeros a burn adds after an image: up to 300 sectors on CD (a short
// image's track, a post-gap), up to the next 16-sector block on DVD, the
// next 32-sector cluster on BD.
uint32_t PaddingAllowed(MediaFamily family, uint32_t imageSectors) {
    const auto upTo = [imageSectors](uint32_t block) { return (block - imageSectors % block) % block; };
    switch (family) {
        case MediaFamily::Dvd: return upTo(16);
        case MediaFamily::Bd: return upTo(32);
        default: return 300;
    }
}

// The first sector of the run that is not all zeros; nullopt when all are
// (or when the read failed: `read` tells).
std::optional<uint32_t> FirstNonZero(TQCDBurner& burner, const SectorRun& run, ReadResult& read,
                                     const StopAsked& stop) {
    std::optional<uint32_t> found;
    uint32_t at = run.start;
    const SectorSink sink{{}, [&](std::span<const uint8_t> bytes) {
                              for (size_t i = 0; i < bytes.size() && !found; ++i)
                                  if (bytes[i] != 0) found = at + static_cast<uint32_t>(i / kSector);
                              at += static_cast<uint32_t>(bytes.size() / kSector);
                              return !found;
                          }};
    std::atomic<int64_t> done{0};
    read = ReadSectorRun(burner, run, false, sink, done, stop);
    return found;
}

class CheckJob {
public:
    CheckJob(const Reference& reference, JobLog& console, const ReadRunner& runner, const StopAsked& stop)
        : console_(console), runner_(runner), stop_(stop), reference_(reference) {}
    DiscCheckResult Run(TQCDBurner& burner, const ReadingDrive& drive);

private:
    std::optional<uint64_t> BytesToCompare(TQCDBurner& burner, const ReadingDrive& drive);
    std::optional<uint64_t> LengthBesideCompanion(const ReadingDrive& drive);
    std::optional<uint64_t> BytesBesideCompanion(const ReadingDrive& drive);
    std::string TrailingSectors(TQCDBurner& burner, const ReadingDrive& drive);
    DiscCheckResult Report(const CompareResult& result, const ReadingDrive& drive, const std::string& trailing);

    JobLog& console_;
    const ReadRunner& runner_;
    const StopAsked& stop_;
    Reference reference_;
    uint64_t imageBytes_ = 0;
};

DiscCheckResult CheckJob::Run(TQCDBurner& burner, const ReadingDrive& drive) {
    const auto length = BytesToCompare(burner, drive);
    if (!length) return {JobEnd::Refused, {}, std::nullopt};
    const uint64_t bytes = *length;
    const uint32_t sectors = static_cast<uint32_t>((bytes + kSector - 1) / kSector);
    console_.Line("checking " + DataTrackText(drive.track) + " against " + reference_.source);
    std::atomic<int64_t> done{0};
    CompareResult result;
    const MediaFamily family = TraitsOf(drive.mediaType).family;
    const SectorRun run{drive.track.start, sectors, family == MediaFamily::Cd};
    runner_([&] { result = CompareDisc(burner, run, bytes, reference_.image, reference_.digest, done, stop_); }, done,
            static_cast<int64_t>(sectors * kSector), family);
    const std::string trailing = result.end == CompareEnd::Equal ? TrailingSectors(burner, drive) : "";
    return Report(result, drive, trailing);
}

// An image is compared over its own length, as far as the track goes. A
// digest covers the image beside its companion, when there is one the
// track holds (an image read from a disc keeps the padding after its
// file system); else the track, or the file system on it when that ends
// sooner (a short image padded when burnt; an overwritable disc).
std::optional<uint64_t> CheckJob::BytesToCompare(TQCDBurner& burner, const ReadingDrive& drive) {
    const uint64_t track = uint64_t{drive.track.sectors} * kSector;
    if (!reference_.image.empty()) {
        std::error_code ec;
        imageBytes_ = fs::file_size(reference_.image, ec);
        return std::min(imageBytes_, track);
    }
    if (const auto beside = BytesBesideCompanion(drive)) {
        console_.Line("the digest covers the " + std::to_string(*beside) + " bytes of the image beside " +
                      reference_.source);
        return beside;
    }
    const auto volume = IsoVolumeSectors(burner, drive.track.start);
    if (volume && *volume < drive.track.sectors) {
        console_.Line("the disc's file system ends after " + std::to_string(*volume) +
                      " sectors: the digest covers those");
        return uint64_t{*volume} * kSector;
    }
    if (!drive.track.wholeDisc) return track;
    return LengthBesideCompanion(drive);
}

std::optional<uint64_t> CheckJob::BytesBesideCompanion(const ReadingDrive& drive) {
    const uint64_t track = uint64_t{drive.track.sectors} * kSector;
    std::error_code ec;
    const auto image = ImageBeside(reference_.source);
    const uint64_t bytes = image ? fs::file_size(*image, ec) : 0;
    if (!image || ec || bytes == 0 || bytes > track) return std::nullopt;
    return bytes;
}

std::optional<uint64_t> CheckJob::LengthBesideCompanion(const ReadingDrive& drive) {
    const auto image = ImageBeside(reference_.source);
    const auto bytes = BytesBesideCompanion(drive);
    if (!bytes) {
        console_.Error("check: the " + MediaName(drive.mediaType) +
                       " holds no ISO 9660 volume, and no image lies beside " + reference_.source +
                       ": the length its digest covers cannot be known (check against the image itself)");
        return std::nullopt;
    }
    console_.Line("the disc holds no ISO 9660 volume: the digest covers the " + std::to_string(*bytes) +
                  " bytes of " + *image);
    return bytes;
}

// A closed track of a recordable disc ends where its burn ended it:
// sectors past the image are a difference, unless they are the zeros the
// burn pads with. Empty when there are none such.
std::string CheckJob::TrailingSectors(TQCDBurner& burner, const ReadingDrive& drive) {
    const DataTrack& t = drive.track;
    const uint32_t imageSectors = static_cast<uint32_t>((imageBytes_ + kSector - 1) / kSector);
    if (reference_.image.empty() || !t.exact || imageSectors == 0 || t.sectors <= imageSectors) return {};
    const uint32_t extra = t.sectors - imageSectors;
    const MediaFamily family = TraitsOf(drive.mediaType).family;
    const std::string past = std::to_string(extra) + " sectors past the image's " + std::to_string(imageSectors);
    if (extra > PaddingAllowed(family, imageSectors)) return "differs: the disc's track holds " + past;
    ReadResult read;
    const SectorRun run{t.start + imageSectors, extra, family == MediaFamily::Cd};
    if (const auto at = FirstNonZero(burner, run, read, stop_))
        return "differs: the disc's track holds " + past + ", and sector " + std::to_string(*at) + " of them is not zeros";
    if (read.end == ReadEnd::Unreadable)
        return "unreadable: sector " + std::to_string(read.failedSector) + " [" + read.driveText + "]";
    return read.end == ReadEnd::Stopped ? "stopped" : "";
}

DiscCheckResult CheckJob::Report(const CompareResult& result, const ReadingDrive& drive, const std::string& trailing) {
    if (drive.track.incomplete) console_.Line("the track was never closed: only its readable part was checked");
    const uint64_t track = uint64_t{drive.track.sectors} * kSector;
    std::string text = CompareText(result, reference_.digest, reference_.source);
    const bool discShorter = result.end == CompareEnd::Equal && imageBytes_ > track;
    if (discShorter) {
        text = "differs: the disc's track ends after " + std::to_string(drive.track.sectors) + " sectors, the image holds " +
               std::to_string((imageBytes_ + kSector - 1) / kSector);
    } else if (!trailing.empty()) {
        text = trailing;
    } else if (result.end == CompareEnd::Equal && !reference_.image.empty() && imageBytes_ + kSector <= track &&
               !drive.track.exact) {
        console_.Line("the track holds " + std::to_string((track - imageBytes_) / kSector) +
                      " sectors after the image's end; they were not compared");
    }
    if (result.end == CompareEnd::Equal && !discShorter && trailing.empty()) {
        console_.Line("check: ok");
        return {JobEnd::Success, "ok", std::nullopt};
    }
    console_.Error("check: " + text);
    const bool stopped = result.end == CompareEnd::Stopped || trailing == "stopped";
    return {stopped ? JobEnd::Stopped : JobEnd::Failed, text, result.firstDiffering};
}

}  // namespace

DiscCheckResult CheckDisc(TQCDBurner& burner, const ReadingDrive& drive, const Reference& reference, JobLog& log,
                          const ReadRunner& runner, const StopAsked& stop) {
    return CheckJob(reference, log, runner, stop).Run(burner, drive);
}

}  // namespace kq::jobs
