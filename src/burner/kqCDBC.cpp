#include "burner/kqCDBC.h"

#include "burner/CacheThread.h"
#include "burner/ThWrite.h"
#include "drive/DriveMessages.h"
#include "platform/Timing.h"
#include "transport/kqASPI.h"

#include <algorithm>
#include <system_error>

namespace kq {

std::atomic<TQCDBurner*> ActiveBurner{nullptr};
std::atomic<TCacheThread*> ActiveCacheThread{nullptr};
std::atomic<bool> AbortRequested{false};

namespace {

// Held from the start of a burn until its OnWriteDone has been delivered:
// the unit-wide state above serves one burn at a time.
std::atomic<bool> burnClaimed{false};

}  // namespace

TQCDBurner::TQCDBurner() {
    headerStream_.SetSize(kHeaderStreamSize);
    writePostGap_ = true;
    tree_.OnReset = [this] {
        headerStream_.Clear();
        laidOutWith_.reset();
    };
    tree_.Locked = [this] { return burning_.load(); };
    (void)tree_.ResetTree(65535, 8191);  // the root always fits these capacities
    SetCacheSize(kDefaultCacheSize);
    jolietFileSystem_ = true;
    finalizeTrack_ = true;
    underrunProtection_ = true;
}

TQCDBurner::~TQCDBurner() {
    handOver_.Cancel();
    if (writer_ && burning_.load() && writer_->AbandonUnlessDataSent()) {
        closing_ = true;
        AbortWrite();
    }
    writer_.reset();  // joins after the flush, or the close and restore
    StopCache();
    TQCDBurner* self = this;
    ActiveBurner.compare_exchange_strong(self, nullptr);
}

void TQCDBurner::SetCacheSize(int32_t value) {
    cacheSize_ = std::max(value, kMinimumCacheSize) / kSectorSize * kSectorSize;
}

int32_t TQCDBurner::CacheSizeFor(uint16_t mediaType) const {
    const bool bd = TraitsOf(mediaType).family == MediaFamily::Bd;
    return bd && CacheSize() == kDefaultCacheSize ? kBdCacheSize : CacheSize();
}

bool TQCDBurner::IsStored(std::string_view property) const {
    if (property == "DoDebug") return DoDebug;
    if (property == "FinalizeTrack") return !FinalizeTrack();
    if (property == "JolietFileSystem") return !JolietFileSystem();
    if (property == "UDFFileSystem") return UDFFileSystem();
    return true;
}

int64_t TQCDBurner::TotalSectors() const {
    // Like WritePostGap, ISOFileName counts as it is now: a setting changed
    // after a burn does not wait for the next one to show.
    return PaddedSectors(imageSectors_.load(), writePostGap_.load() && !isoFileNameSet_.load());
}

std::string TQCDBurner::WriteDoneText() const {
    std::lock_guard lock(textLock_);
    return writeDoneText_;
}

BurnOutcome TQCDBurner::WriteDoneOutcome() const {
    std::lock_guard lock(textLock_);
    return writeDoneOutcome_;
}

DigestKind TQCDBurner::ImageDigestKind() const {
    std::lock_guard lock(textLock_);
    return digestKind_;
}

std::string TQCDBurner::ExpectedDigest() const {
    std::lock_guard lock(textLock_);
    return expectedDigest_;
}

void TQCDBurner::SetExpectedDigest(DigestKind kind, const std::string& digest) {
    std::string lower = digest;
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    std::lock_guard lock(textLock_);
    digestKind_ = kind;
    expectedDigest_ = std::move(lower);
}

std::string TQCDBurner::SentDigest() const {
    std::lock_guard lock(textLock_);
    return sentDigest_;
}

// A tree, or an image file written without a checked digest, is sent
// with the SHA-256 that its companion and a read-back use.
DigestKind TQCDBurner::SentDigestKind(bool treeMode) {
    std::lock_guard lock(textLock_);
    if ((treeMode || toImageFile_) && expectedDigest_.empty()) digestKind_ = DigestKind::SHA256;
    return digestKind_;
}

int64_t TQCDBurner::SentBytes() const {
    std::lock_guard lock(textLock_);
    return sentBytes_;
}

void TQCDBurner::RecordSent(std::string digest, int64_t bytes) {
    std::lock_guard lock(textLock_);
    sentDigest_ = std::move(digest);
    sentBytes_ = bytes;
}

bool TQCDBurner::Burning() const { return burning_.load(); }

void TQCDBurner::AbortWrite() {
    AbortRequested = true;
    WakeCommandWait();
}

bool TQCDBurner::GiveUpWaiting() const {
    return burning_.load() && AbortRequested.load();
}

void TQCDBurner::RecordWriteDone(const std::string& text, BurnOutcome outcome) {
    std::lock_guard lock(textLock_);
    writeDoneText_ = text;
    writeDoneOutcome_ = outcome;
}

void TQCDBurner::ReportFailure(const std::string& text, BurnOutcome outcome) {
    RecordWriteDone(text, outcome);
    if (OnWriteDone) OnWriteDone(*this, text);
}

bool TQCDBurner::BurnISOImage(const std::string& FileName) {
    bool expected = false;
    if (!burnClaimed.compare_exchange_strong(expected, true)) {
        ReportFailure(DriveMessage(Msg::BurnAlreadyRunning));
        return false;
    }
    // The previous burn's threads have reported; collect them.
    writer_.reset();
    StopCache();
    burning_ = true;
    // Reset here rather than when the write thread starts, so that an
    // abort asked for while the cache primes is not lost.
    AbortRequested = false;
    bytesWritten_ = 0;
    RecordSent({}, 0);
    ActiveBurner = this;
    imageOutput_ = isoFileName_;
    toImageFile_ = !imageOutput_.empty();

    // The image (or the tree) is looked at before the drive is touched.
    const bool treeMode = FileName.empty();
    std::string why;
    const int64_t sectors = treeMode ? FreshTreeSectors(why) : ImageFileSectors(FileName, why);
    if (sectors < 0) return RefuseBurn(why);
    imageSectors_ = sectors;
    int32_t blockSize = kDvdBlockSize;
    int32_t cacheSize = CacheSize();
    if (!toImageFile_) {
        uint16_t media = 0;
        if (std::string refusal = PrepareDrive(media); !refusal.empty()) return RefuseBurn(refusal);
        // 64 KiB is also the largest transfer every pass-through path takes.
        blockSize = TraitsOf(media).writeBlock;
        cacheSize = CacheSizeFor(media);
    }

    // A short track is a disc's need, not an image file's.
    cache_ = std::make_unique<TCacheThread>(cacheSize, &headerStream_, sectors * kSectorSize, 0, "",
                                            WritePostGap() && !toImageFile_, blockSize, DeviceLock(), FileName,
                                            &tree_, SentDigestKind(treeMode), toImageFile_);
    ActiveCacheThread = cache_.get();
    while (!cache_->CacheReady()) {
        // An abort while the cache primes: nothing has been sent that
        // changes the disc, and nothing will be.
        if (AbortRequested.load()) {
            StopCache();
            ReportFailure(DriveMessage(Msg::OperationAborted), BurnOutcome::Aborted);
            EndBurn();
            return false;
        }
        const std::string status = cache_->StatusText();
        if (!status.empty()) {
            StopCache();  // a failed reader is joined, not left behind
            ReportFailure(status);
            EndBurn();
            return false;
        }
        platform::SleepMs(100);
    }
    return StartWriteThread();
}

int64_t TQCDBurner::ImageFileSectors(const std::string& fileName, std::string& error) {
    int64_t sectors = 0;
    try {
        TFileStreamEx image(fileName, kOpenRead | kShareDenyNone);
        sectors = SectorsOf(image.GetSize());
    } catch (const std::system_error&) {
        error = FormatDriveMessage(Msg::CantOpenFile, {fileName});
        return -1;
    }
    if (sectors == 0) error = FormatDriveMessage(Msg::ImageEmpty, {fileName});
    return sectors == 0 ? -1 : sectors;
}

std::string TQCDBurner::PrepareDrive(uint16_t& media) {
    if (std::string busy = ClaimDrive(); !busy.empty()) return busy;
    media = GetMediaType();
    if (const char* why = TraitsOf(media).refusal)
        return FormatDriveMessage(Msg::MediumNotWritten, {MediaName(media), why});
    // BD has no test write: the laser would burn the disc that was to be spared.
    if (TestWrite() && TraitsOf(media).family == MediaFamily::Bd)
        return FormatDriveMessage(Msg::MediumNotWritten, {MediaName(media), "a BD drive has no test write"});
    // A write-once disc that meets the end of its room mid-burn is lost.
    return ImageTooLargeText(media, TotalSectors());
}

// The drive is held for the burn as its layer needs, so a second burner
// (or a mounted disc) is refused before anything is written, with what the
// user can do about it: wait for the other program, ask for access, or
// look for the drive.
std::string TQCDBurner::ClaimDrive() {
    std::error_code why;
    if (!ClaimTransportDrive(HaId, Target, Lun, why)) {
        switch (ClaimRefusalOf(why)) {
            case ClaimRefusal::InUse: return DriveMessage(Msg::DriveInUse) + " (" + why.message() + ")";
            case ClaimRefusal::NoPermission: return DriveMessage(Msg::DriveAccessDenied) + " (" + why.message() + ")";
            case ClaimRefusal::Gone: return DriveMessage(Msg::DriveGone) + " (" + why.message() + ")";
            case ClaimRefusal::Other: return FormatDriveMessage(Msg::SystemError, {why.message()});
        }
    }
    claimed_ = {HaId, Target, Lun};
    return {};
}

void TQCDBurner::ReleaseDrive() {
    if (!claimed_) return;
    ReleaseTransportDrive((*claimed_)[0], (*claimed_)[1], (*claimed_)[2]);
    claimed_.reset();
}

bool TQCDBurner::RefuseBurn(const std::string& text) {
    ReportFailure(text);
    EndBurn();
    return false;
}

std::string TQCDBurner::ImageTooLargeText(uint16_t mediaType, int64_t total) {
    const std::optional<int64_t> free = FreeSectors(mediaType);
    if (!free || total <= *free) return {};
    return FormatDriveMessage(Msg::ImageTooLarge, {std::to_string(total), std::to_string(*free)});
}

bool TQCDBurner::StartWriteThread() {
    writer_ = std::make_unique<TThWrite>(*this, *cache_);
    writer_->Start();
    return true;
}

void TQCDBurner::StopCache() {
    TCacheThread* current = cache_.get();
    ActiveCacheThread.compare_exchange_strong(current, nullptr);
    cache_.reset();
}

void TQCDBurner::AddBytesWritten(int64_t n) {
    const int64_t limit = TotalSectors() * kSectorSize;
    bytesWritten_ = std::min(bytesWritten_.load() + n, limit);
}

void TQCDBurner::DeliverWriteDone(const std::string& text, BurnOutcome outcome) {
    RecordWriteDone(text, outcome);
    handOver_.Run(Synchronize, [this] {
        if (OnWriteDone) OnWriteDone(*this, WriteDoneText());
    });
}

void TQCDBurner::EndBurn() {
    ReleaseDrive();
    burning_ = false;
    burnClaimed = false;
}

}  // namespace kq
