#include "jobs/DiscCompare.h"

#include "digest/DigestFeed.h"
#include "drive/MediaTypes.h"
#include "platform/FileHandle.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace kq::jobs {

namespace {

constexpr uint32_t kSector = kSectorSize;

// Both sides of the comparison, fed with the disc's bytes as they come.
// The digest is computed on a thread of its own, from the blocks the disc
// is read into, while the next sectors are read.
class Comparison {
public:
    Comparison(const SectorRun& run, uint64_t bytes, const std::optional<ExpectedDigest>& expected)
        : run_(run), bytes_(bytes) {
        if (expected) digest_.emplace(std::vector{expected->kind});
    }

    SectorSink Sink() {
        SectorSink sink{{}, [this](std::span<const uint8_t> disc) { return Take(disc); }};
        if (digest_) sink.room = [this](size_t bytes) { return digest_->Room(bytes); };
        return sink;
    }

    bool OpenImage(const std::string& image, std::string& why) {
        std::error_code ec;
        image_ = platform::FileHandle(
            platform::FileOpen(image, platform::FileAccess::Read, false, platform::FileLock::Shared, ec));
        why = ec.message();
        return image_.IsOpen();
    }

    // False once nothing is left to learn from reading further.
    bool Take(std::span<const uint8_t> disc) {
        const size_t wanted = static_cast<size_t>(std::min<uint64_t>(disc.size(), bytes_ - offset_));
        disc = disc.first(wanted);
        if (image_.IsOpen() && !firstDiffering_) CompareWithImage(disc);
        if (digest_) digest_->Took(wanted);
        offset_ += wanted;
        if (!imageError_.empty()) return false;
        return digest_.has_value() || !firstDiffering_;
    }

    std::optional<uint32_t> FirstDiffering() const { return firstDiffering_; }
    const std::string& ImageError() const { return imageError_; }
    std::optional<std::string> Digest() { return digest_ ? std::optional(digest_->Finish().front()) : std::nullopt; }

private:
    void CompareWithImage(std::span<const uint8_t> disc) {
        file_.resize(disc.size());
        for (size_t got = 0; got < disc.size();) {
            const int64_t n = platform::FileRead(image_.Get(), file_.data() + got, disc.size() - got);
            if (n < 0) {
                imageError_ = "read error";
                return;
            }
            if (n == 0) {  // the image shrank while being compared
                imageError_ = "it became shorter while being compared";
                return;
            }
            got += static_cast<size_t>(n);
        }
        if (std::memcmp(file_.data(), disc.data(), disc.size()) == 0) return;
        const auto at = std::mismatch(file_.begin(), file_.end(), disc.begin()).first - file_.begin();
        firstDiffering_ = run_.start + static_cast<uint32_t>((offset_ + static_cast<uint64_t>(at)) / kSector);
    }

    const SectorRun& run_;
    uint64_t bytes_;
    uint64_t offset_ = 0;
    platform::FileHandle image_;
    std::vector<uint8_t> file_;
    std::optional<TDigestFeed> digest_;
    std::optional<uint32_t> firstDiffering_;
    std::string imageError_;
};

}  // namespace

CompareResult CompareDisc(TSCSIDevice& drive, const SectorRun& run, uint64_t bytes, const std::string& image,
                          const std::optional<ExpectedDigest>& expected, std::atomic<int64_t>& bytesDone,
                          const std::function<bool()>& stop) {
    CompareResult result;
    Comparison comparison(run, bytes, expected);
    if (!image.empty() && !comparison.OpenImage(image, result.imageError)) {
        result.end = CompareEnd::ImageUnreadable;
        return result;
    }
    const SectorSink sink = comparison.Sink();
    result.read = ReadSectorRun(drive, run, false, sink, bytesDone, stop);
    result.firstDiffering = comparison.FirstDiffering();
    result.imageError = comparison.ImageError();
    if (result.read.end == ReadEnd::Stopped) result.end = CompareEnd::Stopped;
    else if (!result.imageError.empty()) result.end = CompareEnd::ImageUnreadable;
    else if (result.read.end == ReadEnd::Unreadable) result.end = CompareEnd::Unreadable;
    if (result.end != CompareEnd::Equal) return result;
    if (auto digest = comparison.Digest(); digest && *digest != expected->print) result.discDigest = digest;
    if (result.firstDiffering || result.discDigest) result.end = CompareEnd::Differs;
    return result;
}

std::string CompareText(const CompareResult& r, const std::optional<ExpectedDigest>& expected,
                        const std::string& source) {
    switch (r.end) {
    case CompareEnd::Equal: return "ok";
    case CompareEnd::Stopped: return "stopped";
    case CompareEnd::ImageUnreadable: return "failed: cannot read the image: " + r.imageError;
    case CompareEnd::Unreadable:
        return "unreadable: sector " + std::to_string(r.read.failedSector) + " [" + r.read.driveText + "]";
    case CompareEnd::Differs: break;
    }
    std::string text = "differs";
    if (r.firstDiffering) text += ": first differing sector " + std::to_string(*r.firstDiffering);
    if (r.discDigest && expected)
        text += std::string(r.firstDiffering ? "; " : ": ") + "the disc's " + DigestName(expected->kind) + " is " +
                *r.discDigest + ", " + source + " says " + expected->print;
    return text;
}

}  // namespace kq::jobs
