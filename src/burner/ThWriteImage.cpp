// The write thread's other destination: an image file. The bytes a disc
// would get go into FILE.part, which becomes FILE only once every byte is
// on the disk, with FILE.sha256 beside it; a failed write leaves neither.
#include "burner/CacheThread.h"
#include "burner/ThWrite.h"
#include "burner/kqCDBC.h"
#include "drive/DriveMessages.h"
#include "platform/FileSystem.h"

#include <filesystem>

namespace kq {

namespace {

// Written bytes are handed to the storage in steps of this size as they
// come, so the sync before the rename finds little left to send.
constexpr int64_t kWritebackStep = 16 << 20;

std::string WriteFailure(const std::string& path, const std::error_code& why) {
    return FormatDriveMessage(Msg::CantWriteFile, {path}) + " [" + why.message() + "]";
}

// FILE.sha256 (or .md5) in sha256sum's form, naming the image as it lies
// beside it; written aside and renamed, as the image is.
std::string WriteCompanion(const std::string& image, DigestKind kind, const std::string& digest) {
    const std::string companion = image + (kind == DigestKind::SHA256 ? ".sha256" : ".md5");
    const std::string part = companion + ".part";
    const std::string line = digest + "  " + std::filesystem::path(image).filename().string() + "\n";
    std::error_code why;
    {
        platform::FileHandle file(platform::FileOpen(part, platform::FileAccess::Write, true,
                                                     platform::FileLock::Exclusive, why));
        if (!file.IsOpen()) return FormatDriveMessage(Msg::CantCreateFile, {part}) + " [" + why.message() + "]";
        why = platform::FileWriteAll(file.Get(), line.data(), line.size());
        if (!why) why = platform::FileSync(file.Get());
    }
    if (!why) why = platform::FileRename(part, companion);
    if (why) (void)platform::FileRemove(part);  // what is left of it is worthless
    return why ? WriteFailure(companion, why) : std::string();
}

}  // namespace

void TThWrite::WriteImageFile() {
    const std::string image = burner_.imageOutput_, part = image + ".part";
    if (image == kStandardOutputName) {
        StreamImage();
        return;
    }
    std::error_code why;
    platform::FileHandle file(
        platform::FileOpen(part, platform::FileAccess::Write, true, platform::FileLock::Exclusive, why));
    if (!file.IsOpen()) {
        Fail(FormatDriveMessage(Msg::CantCreateFile, {part}) + " [" + why.message() + "]");
        return;
    }
    std::string failure = CopyBlocksInto(file.Get(), part, true);
    RaiseFinalizingTrack();  // the data is in; the file is made durable next
    if (failure.empty() && cache_.Outcome() == BurnOutcome::Success) failure = PublishImage(file, part);
    if (!failure.empty()) Fail(failure);
    if (cache_.Outcome() != BurnOutcome::Success) {
        file = platform::FileHandle();
        (void)platform::FileRemove(part);  // an aborted or failed image is never left looking whole
    }
}

// Standard output has no name to rename into and no place for a
// companion: the digest of what went out is all that is kept.
void TThWrite::StreamImage() {
    const platform::FileDescriptor out = platform::StandardOutputFile();
    std::string failure = out < 0 ? FormatDriveMessage(Msg::CantWriteFile, {"standard output"})
                                  : CopyBlocksInto(out, "standard output", false);
    if (failure.empty() && cache_.Outcome() == BurnOutcome::Success) {
        const std::string digest = cache_.SentDigest();
        if (digest.empty()) failure = DriveMessage(Msg::InternalError0005);
        else burner_.RecordSent(digest, cache_.SentBytes());
    }
    if (!failure.empty()) Fail(failure);
}

// Every block the cache delivers, in order; the failure's text, or empty
// when the data phase ended (all delivered, or the cache's own reason).
// A pipe has no storage to hand written bytes over to: `writeback` is off.
std::string TThWrite::CopyBlocksInto(platform::FileDescriptor file, const std::string& part, bool writeback) {
    int32_t n = 0;
    {
        std::lock_guard hold(burner_.DeviceLock());
        n = cache_.ReadBlock(block_->data());
    }
    int64_t written = 0, handedOver = 0;
    for (; n != 0; n = NextBlock()) {
        if (n < 0) continue;
        burner_.AddBytesWritten(n);
        if (std::error_code why = platform::FileWriteAll(file, block_->data(), static_cast<size_t>(n)))
            return WriteFailure(part, why);
        written += n;
        if (!writeback || written - handedOver < kWritebackStep) continue;
        if (std::error_code why = platform::FileStartWriteback(file, handedOver, written - handedOver))
            return WriteFailure(part, why);
        handedOver = written;
    }
    return {};
}

// The image made durable and renamed into place, then its companion.
std::string TThWrite::PublishImage(platform::FileHandle& file, const std::string& part) {
    const std::string image = burner_.imageOutput_;
    if (std::error_code why = platform::FileSync(file.Get())) return WriteFailure(part, why);
    file = platform::FileHandle();
    const std::string digest = cache_.SentDigest();
    if (digest.empty()) return DriveMessage(Msg::InternalError0005);
    burner_.RecordSent(digest, cache_.SentBytes());
    if (std::error_code why = platform::FileRename(part, image)) return WriteFailure(image, why);
    if (std::string failure = WriteCompanion(image, burner_.ImageDigestKind(), digest); !failure.empty()) {
        (void)platform::FileRemove(image);  // an image without its companion passes for unchecked
        return failure;
    }
    return {};
}

}  // namespace kq
