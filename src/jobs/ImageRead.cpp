#include "jobs/ImageRead.h"

#include "burner/kqCDBC.h"
#include "jobs/OutputFiles.h"
#include "jobs/TrackReader.h"
#include "digest/DigestFeed.h"
#include "platform/FileHandle.h"

#include <filesystem>
#include <optional>
#include <tuple>

namespace kq::jobs {
namespace {

namespace fs = std::filesystem;

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
    ReadImageJob(const ReadImageOptions& o, JobLog& console, const ReadRunner& runner, const StopAsked& stop)
        : o_(o), console_(console), runner_(runner), stop_(stop), target_(o.out) {}

    ImageReadResult Run(TQCDBurner& burner, const ReadingDrive& drive);

private:
    std::optional<ReadOutcome> Read(TQCDBurner& burner, const ReadingDrive& drive, uint32_t sectors);
    JobEnd Unfinished(const ReadOutcome& outcome);
    JobEnd Complete(const ReadOutcome& outcome);
    JobEnd Fail(const std::string& text) {
        console_.Error("read-image: " + text);
        return JobEnd::Failed;
    }

    const ReadImageOptions& o_;
    JobLog& console_;
    const ReadRunner& runner_;
    const StopAsked& stop_;
    ReadTarget target_;
    ImageReadResult result_;
};

ImageReadResult ReadImageJob::Run(TQCDBurner& burner, const ReadingDrive& drive) {
    const ImageLength length = ImageLengthOf(burner, drive.track);
    if (!length.sectors) return {Fail(length.note), std::nullopt, {}, {}};
    console_.Line("reading " + DataTrackText(drive.track) + " into " + target_.image);
    if (!length.note.empty()) console_.Line(length.note);
    auto outcome = Read(burner, drive, *length.sectors);
    if (!outcome) return {JobEnd::Failed, std::nullopt, {}, {}};
    result_.bad = outcome->result.bad;
    result_.end = outcome->result.end != ReadEnd::Done ? Unfinished(*outcome) : Complete(*outcome);
    if (outcome->result.end == ReadEnd::Unreadable) result_.failedSector = outcome->result.failedSector;
    if (result_.end == JobEnd::Success) result_.sha256 = outcome->sha256;
    return result_;
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
    runner_([&] { outcome.result = ReadSectorRun(burner, run, o_.keepGoing, sink, done, stop_); }, done,
            int64_t{sectors} * kSectorSize, family);
    // What was read goes into the file however the read ended.
    if (!image.Flush() && outcome.result.end == ReadEnd::Done) outcome.result.end = ReadEnd::SinkRefused;
    outcome.writeError = image.WriteError();
    std::tie(outcome.sha256, outcome.md5) = image.Prints();
    return outcome;
}

JobEnd ReadImageJob::Unfinished(const ReadOutcome& outcome) {
    const ReadResult& r = outcome.result;
    const std::string kept = "; what was read is kept in " + target_.part;
    if (r.end == ReadEnd::Stopped) {
        console_.Error("read-image: stopped" + kept);
        return JobEnd::Stopped;
    }
    if (r.end == ReadEnd::SinkRefused)
        return Fail("cannot write " + target_.part + ": " + outcome.writeError.message() + kept);
    return Fail("sector " + std::to_string(r.failedSector) + " cannot be read [" + r.driveText + "]" + kept);
}

// The image takes its name only now. Companions of an image with zeroed
// sectors would vouch for bytes the disc does not hold: there are none,
// and none of an earlier image stays beside it.
JobEnd ReadImageJob::Complete(const ReadOutcome& outcome) {
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
    return JobEnd::Success;
}

}  // namespace

ReadTarget::ReadTarget(const std::string& out)
    : image(out), part(out + ".part"), sha256(out + ".sha256"), md5(fs::path(out).replace_extension(".md5").string()),
      bad(out + ".bad") {}

bool CheckReadTarget(const ReadImageOptions& o, JobLog& log) {
    const ReadTarget target(o.out);
    std::vector<std::string> files{target.image, target.part, target.sha256, target.bad};
    if (o.md5) files.push_back(target.md5);
    return CheckOutputFiles("read-image", files, o.force, log);
}

ImageReadResult ReadImageFile(TQCDBurner& burner, const ReadingDrive& drive, const ReadImageOptions& options,
                              JobLog& log, const ReadRunner& runner, const StopAsked& stop) {
    return ReadImageJob(options, log, runner, stop).Run(burner, drive);
}

}  // namespace kq::jobs
