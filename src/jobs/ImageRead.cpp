#include "cli/ReadImage.h"

#include "burner/kqCDBC.h"
#include "cli/DiscReading.h"
#include "cli/ExitCode.h"
#include "cli/Interrupt.h"
#include "jobs/OutputFiles.h"
#include "cli/SpeedMultiple.h"
#include "jobs/TrackReader.h"
#include "digest/DigestFeed.h"
#include "platform/FileHandle.h"

#include <filesystem>
#include <optional>
#include <tuple>

namespace kq::cli {
namespace {

namespace fs = std::filesystem;

struct Target {
    std::string image, part, sha256, md5, bad;

    explicit Target(const std::string& out)
        : image(out), part(out + ".part"), sha256(out + ".sha256"),
          md5(fs::path(out).replace_extension(".md5").string()), bad(out + ".bad") {}
};

std::error_code WriteTextFile(const std::string& path, const std::string& text) {
    std::error_code why;
    platform::FileHandle file(platform::FileOpen(path, platform::FileAccess::Write, true, platform::FileLock::Exclusive, why));
    return file.IsOpen() ? platform::FileWriteAll(file.Get(), text.data(), text.size()) : why;
}

// The image file being written, and the digests of what went into it,
// computed on a thread of their own while the next sectors are read. The
// sectors are read straight into the digests' blocks, and each block is
// written whole before it is digested.
class ImageFile {
public:
    ImageFile(platform::FileDescriptor fd, bool md5)
        : fd_(fd), md5_(md5), feed_(Kinds(md5), [this](std::span<const uint8_t> block) { return Write(block); }) {}

    SectorSink Sink() {
        return {[this](size_t bytes) { return feed_.Room(bytes); },
                [this](std::span<const uint8_t> bytes) { return feed_.Took(bytes.size()); }};
    }

    // Writes what is still in hand; false when the file refused it.
    bool Flush() { return feed_.Flush(); }

    const std::error_code& WriteError() const { return writeError_; }
    // Once the read has ended: the SHA-256, and the MD5 when asked for.
    std::pair<std::string, std::optional<std::string>> Prints() {
        std::vector<std::string> prints = feed_.Finish();
        return {prints.front(), md5_ ? std::optional(prints.back()) : std::nullopt};
    }

private:
    static std::vector<DigestKind> Kinds(bool md5) {
        if (md5) return {DigestKind::SHA256, DigestKind::MD5};
        return {DigestKind::SHA256};
    }

    bool Write(std::span<const uint8_t> block) {
        writeError_ = platform::FileWriteAll(fd_, block.data(), block.size());
        return !writeError_;
    }

    platform::FileDescriptor fd_;
    bool md5_;
    std::error_code writeError_;
    TDigestFeed feed_;
};

std::string BadList(const std::vector<uint32_t>& bad) {
    std::string text;
    for (uint32_t sector : bad) text += std::to_string(sector) + "\n";
    return text;
}

struct ReadOutcome {
    ReadResult result;
    std::error_code writeError;
    std::string sha256;
    std::optional<std::string> md5;
};

class ReadImageJob {
public:
    ReadImageJob(const CliOptions& o, Console& console) : o_(o), console_(console), target_(o.readImage) {}

    int Run();

private:
    int CheckTarget();
    std::optional<ReadOutcome> Read(TQCDBurner& burner, const ReadingDrive& drive, uint32_t sectors);
    int Unfinished(const ReadOutcome& outcome);
    int Complete(const ReadOutcome& outcome);
    int Fail(const std::string& text) {
        console_.Error("read-image: " + text);
        return kExitBurnFailed;
    }

    const CliOptions& o_;
    Console& console_;
    Target target_;
};

// Every file the read may write, before the drive is asked anything.
int ReadImageJob::CheckTarget() {
    std::vector<std::string> files{target_.image, target_.part, target_.sha256, target_.bad};
    if (o_.md5) files.push_back(target_.md5);
    return CheckOutputFiles("read-image", files, o_.force, console_) ? kExitSuccess : kExitUsage;
}

int ReadImageJob::Run() {
    if (int code = CheckTarget(); code != kExitSuccess) return code;
    TQCDBurner burner;
    int code = kExitNoRecorder;
    auto drive = PrepareReading(burner, o_, console_, code);
    if (!drive) return code;
    const ImageLength length = ImageLengthOf(burner, drive->track);
    if (!length.sectors) return Fail(length.note);
    console_.Line("reading " + DataTrackText(drive->track) + " into " + target_.image);
    if (!length.note.empty()) console_.Line(length.note);
    auto outcome = Read(burner, *drive, *length.sectors);
    if (!outcome) return kExitBurnFailed;
    if (outcome->result.end != ReadEnd::Done) return Unfinished(*outcome);
    return Complete(*outcome);
}

// The file is closed when this returns, so that it can be renamed.
std::optional<ReadOutcome> ReadImageJob::Read(TQCDBurner& burner, const ReadingDrive& drive, uint32_t sectors) {
    std::error_code why;
    platform::FileHandle file(
        platform::FileOpen(target_.part, platform::FileAccess::Write, true, platform::FileLock::Exclusive, why));
    if (!file.IsOpen()) {
        Fail("cannot create " + target_.part + ": " + why.message());
        return std::nullopt;
    }
    ImageFile image(file.Get(), o_.md5);
    std::atomic<int64_t> done{0};
    ReadOutcome outcome;
    const MediaFamily family = TraitsOf(drive.mediaType).family;
    const SectorRun run{drive.track.start, sectors, family == MediaFamily::Cd};
    const SectorSink sink = image.Sink();
    ReadWithProgress(
        console_,
        [&] { outcome.result = ReadSectorRun(burner, run, o_.keepGoing, sink, done, InterruptRequested); },
        done, int64_t{sectors} * kSectorSize, family);
    // What was read goes into the file however the read ended.
    if (!image.Flush() && outcome.result.end == ReadEnd::Done) outcome.result.end = ReadEnd::SinkRefused;
    outcome.writeError = image.WriteError();
    std::tie(outcome.sha256, outcome.md5) = image.Prints();
    return outcome;
}

int ReadImageJob::Unfinished(const ReadOutcome& outcome) {
    const ReadResult& r = outcome.result;
    const std::string kept = "; what was read is kept in " + target_.part;
    if (r.end == ReadEnd::Stopped) {
        console_.Error("read-image: stopped" + kept);
        return kExitAborted;
    }
    if (r.end == ReadEnd::SinkRefused)
        return Fail("cannot write " + target_.part + ": " + outcome.writeError.message() + kept);
    return Fail("sector " + std::to_string(r.failedSector) + " cannot be read [" + r.driveText + "]" + kept);
}

// The image takes its name only now. Companions of an image with zeroed
// sectors would vouch for bytes the disc does not hold: there are none,
// and none of an earlier image stays beside it.
int ReadImageJob::Complete(const ReadOutcome& outcome) {
    std::error_code ec;
    fs::rename(target_.part, target_.image, ec);
    if (ec) return Fail("cannot rename " + target_.part + " to " + target_.image + ": " + ec.message());
    const std::string name = fs::path(target_.image).filename().string();
    const std::vector<uint32_t>& bad = outcome.result.bad;
    fs::remove(target_.bad, ec);
    fs::remove(target_.sha256, ec);
    if (o_.md5) fs::remove(target_.md5, ec);
    if (!bad.empty()) {
        if (auto why = WriteTextFile(target_.bad, BadList(bad)))
            return Fail("cannot write " + target_.bad + ": " + why.message());
        return Fail(std::to_string(bad.size()) + " unreadable sectors are zeros in " + target_.image +
                    ", listed in " + target_.bad);
    }
    if (outcome.sha256.empty())
        return Fail("the system's SHA-256 service failed: " + target_.image + " has no " + target_.sha256);
    if (auto why = WriteTextFile(target_.sha256, outcome.sha256 + "  " + name + "\n"))
        return Fail("cannot write " + target_.sha256 + ": " + why.message());
    if (outcome.md5)
        if (auto why = WriteTextFile(target_.md5, *outcome.md5 + "  " + name + "\n"))
            return Fail("cannot write " + target_.md5 + ": " + why.message());
    console_.Line("read-image: " + target_.image + " complete, sha256 " + outcome.sha256);
    return kExitSuccess;
}

}  // namespace

int RunReadImage(const CliOptions& options, Console& console) { return ReadImageJob(options, console).Run(); }

}  // namespace kq::cli
