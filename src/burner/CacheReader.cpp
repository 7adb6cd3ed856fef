// The cache thread's body: read the sources into blocks, keep the queue
// filled, then wait until the writer has taken everything.
#include "burner/CacheThread.h"
#include "burner/kqISOLib.h"
#include "drive/DriveMessages.h"
#include "platform/FileSystem.h"
#include "platform/Timing.h"

#include <algorithm>
#include <cstring>
#include <system_error>

namespace kq {

namespace {

int32_t SectorAligned(int64_t n) { return static_cast<int32_t>(SectorsOf(n) * kSectorSize); }

// What the entry knows of its source. An entry made by hand may know only
// the modification second; then only that is compared.
platform::FileFacts Stamp(const TFEntry& entry) {
    return {.size = entry.Size, .modTime = entry.ModTime, .modifiedNs = entry.SourceModifiedNs,
            .changedNs = entry.SourceChangedNs, .device = entry.Device, .inode = entry.Inode};
}

bool SameStamp(const platform::FileFacts& then, const platform::FileFacts& now) {
    if (then.modifiedNs == 0 && then.changedNs == 0) return then.modTime == now.modTime;
    const bool identity = now.device == 0 && now.inode == 0;  // the system gives none
    return then.modifiedNs == now.modifiedNs && then.changedNs == now.changedNs &&
           (identity || (then.device == now.device && then.inode == now.inode));
}

}  // namespace

void TCacheThread::Execute() {
    priorityLevel_.store(LevelOf(thread_.Priority()));  // as the system granted it at the start
    try {
        assembly_.reset(new TCacheBlock);  // data left uninitialised: written before it is queued
        std::deque<Source> sources;
        if (imageFileName_.empty()) {
            CopyHeader();
            sources = SourceList();
        } else {
            sources.push_back({imageFileName_, totalBytes_});
        }
        for (size_t i = 0; i < sources.size(); ++i) ReadSource(sources[i], i + 1 == sources.size());
        if (imageFileName_.empty() && tree_) CopyTrailer();
        file_.reset();
        if (assembled_ > 0) Queue(DetachAssembly());
        PublishDigest();
        if (padShortImage_) AppendPadding();
        cacheReady_.store(true);
        WaitUntilDelivered();
    } catch (const Stop&) {
    }
    file_.reset();
}

// Tree mode: the optional single source file, then the tree's files.
std::deque<TCacheThread::Source> TCacheThread::SourceList() {
    std::deque<Source> list;
    if (!sourceFileName_.empty()) list.push_back({sourceFileName_, int64_t{sourceSectors_} * kSectorSize});
    if (!tree_) return list;
    for (const auto& entry : tree_->FileEntries()) {
        if (!entry) Fail(DriveMessage(Msg::InternalError0005));
        // Every file is checked, one without data of its own (empty when
        // added, or a hard link's second name) as much as any; a symbolic
        // link or a folder has no bytes to change.
        const bool bytes = (entry->Attributes & (kAttrSymbolicLink | kAttrDirectory)) == 0;
        list.push_back({entry->SourcePath, entry->Size, !CarriesData(*entry), bytes, Stamp(*entry)});
    }
    return list;
}

// Tree mode: the header goes ahead of the files, whole blocks queued as
// they come, a shorter rest starting the first file's block. The rest is
// rounded to whole sectors so every later piece still fits its block.
void TCacheThread::CopyHeader() {
    if (!headerStream_) return;
    int64_t left = headerStream_->GetSize();
    headerStream_->Seek(0, 0);
    while (left > 0) {
        const int32_t piece = static_cast<int32_t>(std::min<int64_t>(left, blockSize_));
        const int32_t got = headerStream_->Read(assembly_->Data.data(), piece);
        std::memset(assembly_->Data.data() + got, 0, static_cast<size_t>(SectorAligned(piece) - got));
        if (piece == blockSize_) {
            assembled_ = piece;
            Queue(DetachAssembly());
        } else {
            assembled_ = SectorAligned(piece);
            room_ = blockSize_ - assembled_;
        }
        left -= piece;
        WaitWhileFull(true);
    }
    headerStream_->Clear();
}

// Tree mode: what the layout puts after the files' data, a sector at a time.
void TCacheThread::CopyTrailer() {
    const std::shared_ptr<const TTrailerSectors> trailer = tree_->Trailer();
    for (uint32_t i = 0; trailer && i < trailer->Count(); ++i) {
        if (room_ == 0) {
            assembled_ = 0;
            room_ = blockSize_;
        }
        trailer->Put(i, assembly_->Data.data() + assembled_);
        assembled_ += kSectorSize;
        room_ -= kSectorSize;
        if (room_ > 0) continue;
        Queue(DetachAssembly());
        CheckAbort();
        WaitWhileFull(false);
    }
}

void TCacheThread::ReadSource(const Source& source, bool last) {
    if (source.skip) {
        if (source.checked && !source.path.empty()) CheckUnchanged(source);
        return;
    }
    {
        std::lock_guard lock(deviceLock_);
        currentFile_ = source.path;
    }
    file_.reset();
    if (source.checked) CheckUnchanged(source);
    try {
        file_ = std::make_unique<TFileStreamEx>(source.path, kOpenRead | kShareDenyNone);
    } catch (const std::system_error&) {
        Fail(FormatDriveMessage(source.checked ? Msg::CantReadFile : Msg::CantOpenFile, {source.path}));
    }
    // The file must cover every sector the entry takes; only the rest of
    // its last sector may lie beyond its end.
    const int64_t fileSize = file_->GetSize();
    if (SectorsOf(fileSize) < SectorsOf(source.size)) Fail(FormatDriveMessage(Msg::CantReadFile, {source.path}));

    int64_t remaining = source.size, offset = 0;
    while (remaining > 0) {
        if (room_ == 0) {
            assembled_ = 0;
            room_ = blockSize_;
        }
        const int64_t n = std::min<int64_t>(remaining, room_);
        ReadPiece(source.path, offset, n, fileSize);
        const int32_t r = SectorAligned(n);
        assembled_ += r;
        room_ -= r;
        CheckAbort();
        std::unique_ptr<TCacheBlock> ready;
        if (last || room_ == 0) ready = DetachAssembly();
        int count = 0;
        {
            std::lock_guard lock(deviceLock_);
            producerBusy_.store(false);
            if (ready) blocks_.push_back(std::move(ready));
            count = static_cast<int>(blocks_.size());
            remaining -= n;
        }
        offset += n;
        AdjustPriority(count);
        WaitWhileFull(false);
    }
    // Written to while it was read: what went out is neither the old file
    // nor the new one.
    if (source.checked) CheckUnchanged(source);
}

// The tree's layout gave the file its room when it was added; a file of
// another size, time or identity now would be sent cut, padded or mixed.
// The change time catches a write whose modification time was put back.
void TCacheThread::CheckUnchanged(const Source& source) {
    std::error_code why;
    const std::optional<platform::FileFacts> now = platform::FileFactsOf(source.path, why);
    if (!now && why == std::errc::no_such_file_or_directory)
        Fail(FormatDriveMessage(Msg::FileVanishedDuringBurn, {source.path}));
    if (!now) Fail(FormatDriveMessage(Msg::CantReadFile, {source.path}));
    if (now->size != source.size || !SameStamp(source.stamp, *now))
        Fail(FormatDriveMessage(Msg::FileChangedDuringBurn, {source.path}));
}

// Reads n bytes at offset into the block being assembled, then zeros up to
// the sector boundary. Short of the file's end, every byte must arrive: a
// read that stops early fails the burn rather than queue stale bytes.
void TCacheThread::ReadPiece(const std::string& path, int64_t offset, int64_t n, int64_t fileSize) {
    uint8_t* at = assembly_->Data.data() + assembled_;
    const int64_t expected = std::clamp<int64_t>(fileSize - offset, 0, n);
    int64_t got = 0;
    while (got < expected) {
        const int32_t k = file_->Read(at + got, static_cast<int32_t>(expected - got));
        if (k <= 0) break;
        got += k;
    }
    if (got < expected) Fail(FormatDriveMessage(Msg::CantReadFile, {path}));
    if (!digestQueued_) Digest(at, got);
    std::memset(at + got, 0, static_cast<size_t>(SectorAligned(n) - got));
}

void TCacheThread::Digest(const uint8_t* bytes, int64_t n) {
    digested_ += n;
    while (n > 0) {
        const std::span<uint8_t> block = digests_->NextBlock();
        const size_t piece = std::min(block.size(), static_cast<size_t>(n));
        std::memcpy(block.data(), bytes, piece);
        digests_->Queue(piece);
        bytes += piece;
        n -= static_cast<int64_t>(piece);
    }
}

// Every byte of the image is queued: what was digested is what the writer
// gets (the zeros after the image are not part of it).
void TCacheThread::PublishDigest() {
    std::string print = digests_->Finish().front();
    std::lock_guard lock(deviceLock_);
    sentDigest_ = std::move(print);
    sentBytes_ = digested_;
}

// The assembled bytes become a block, handed to the digest here, outside
// the lock, so the writer never waits on the hash; the next one is
// assembled afresh.
std::unique_ptr<TCacheBlock> TCacheThread::DetachAssembly() {
    if (digestQueued_) Digest(assembly_->Data.data(), assembled_);
    assembly_->Length = assembled_;
    assembled_ = 0;
    std::unique_ptr<TCacheBlock> block = std::move(assembly_);
    assembly_.reset(new TCacheBlock);  // data left uninitialised: written before it is queued
    return block;
}

void TCacheThread::Queue(std::unique_ptr<TCacheBlock> block) {
    std::lock_guard lock(deviceLock_);
    blocks_.push_back(std::move(block));
}

// A short image grows to 300 sectors of zeros (the shortest track a CD
// holds), even past the queue's bound (by the padding at most).
void TCacheThread::AppendPadding() {
    std::lock_guard lock(deviceLock_);
    int64_t pad = kShortImageBytes - totalBytes_;
    if (pad <= 0) return;
    bytesToDeliver_ += pad;
    while (pad > 0) {
        std::unique_ptr<TCacheBlock> block(new TCacheBlock);
        const int32_t length = static_cast<int32_t>(std::min<int64_t>(blockSize_, pad));
        std::memset(block->Data.data(), 0, static_cast<size_t>(length));
        block->Length = length;
        blocks_.push_back(std::move(block));
        pad -= length;
    }
}

void TCacheThread::WaitUntilDelivered() {
    for (;;) {
        int64_t left = 0;
        {
            std::lock_guard lock(deviceLock_);
            left = bytesToDeliver_;
        }
        if (left <= 0) {
            finished_.store(true);
            // Linger a second as the writer expects, but not when the owner is closing.
            for (int i = 0; i < 100 && !thread_.Terminated(); ++i) platform::SleepMs(10);
            return;
        }
        if (StopRequested()) {
            while (consumerBusy_.load()) platform::SleepMs(1);
            producerBusy_.store(true);
            finished_.store(true);
            return;
        }
        platform::SleepMs(10);
    }
}

void TCacheThread::WaitWhileFull(bool header) {
    int count = CountBlocks();
    while (count >= blockCount_ - 1) {
        if (!header && priorityLevel_.load() != 0) SetLevel(0);
        CheckAbort();
        cacheReady_.store(true);
        platform::SleepMs(1);
        count = CountBlocks();
    }
}

int TCacheThread::CountBlocks() {
    std::lock_guard lock(deviceLock_);
    return static_cast<int>(blocks_.size());
}

void TCacheThread::SetLevel(uint8_t level) {
    if (steadyPriority_) return;
    static constexpr platform::ThreadPriority kLevels[] = {
        platform::ThreadPriority::Idle, platform::ThreadPriority::Lowest,
        platform::ThreadPriority::BelowNormal, platform::ThreadPriority::Normal};
    thread_.SetPriority(kLevels[level]);  // a refusal leaves the level it has
    priorityLevel_.store(LevelOf(thread_.Priority()));
}

uint8_t TCacheThread::LevelOf(platform::ThreadPriority priority) {
    switch (priority) {
    case platform::ThreadPriority::Idle: return 0;
    case platform::ThreadPriority::Lowest: return 1;
    case platform::ThreadPriority::BelowNormal: return 2;
    default: return 3;
    }
}

// The emptier the queue, the more the reader may run.
void TCacheThread::AdjustPriority(int count) {
    const uint8_t level = count < blockCount_ / 4 ? 3 : count < blockCount_ / 2 ? 2 : 1;
    if (level != priorityLevel_.load()) SetLevel(level);
}

// Under the lock: a reason already given stays.
void TCacheThread::KeepFirstStatus(const std::string& text, BurnOutcome outcome) {
    if (!statusText_.empty()) return;
    statusText_ = text;
    outcome_ = outcome;
}

// The reader's own error: the consumer's text, if any, stays.
void TCacheThread::Fail(const std::string& text) {
    {
        std::lock_guard lock(deviceLock_);
        KeepFirstStatus(text, BurnOutcome::Failed);
        finished_.store(true);
    }
    file_.reset();
    throw Stop{};
}

void TCacheThread::CheckAbort() {
    if (StopRequested()) AbortCleanUp();
}

void TCacheThread::AbortCleanUp() {
    while (consumerBusy_.load()) platform::SleepMs(10);
    producerBusy_.store(true);
    {
        std::lock_guard lock(deviceLock_);
        blocks_.clear();
        KeepFirstStatus(DriveMessage(Msg::OperationAborted), BurnOutcome::Aborted);
        finished_.store(true);
    }
    file_.reset();
    throw Stop{};
}

}  // namespace kq
