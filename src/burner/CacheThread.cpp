#include "burner/CacheThread.h"

#include "drive/DriveMessages.h"
#include "platform/Timing.h"

#include <algorithm>
#include <cstring>

namespace kq {

namespace {

// A copy of a field the reader and the consumer share, taken under the lock.
template <typename T>
T Locked(std::recursive_mutex& lock, const T& field) {
    std::lock_guard hold(lock);
    return field;
}

// A block size the queue can hold: whole sectors, 1 to 32 of them.
int32_t UsableBlockSize(int32_t size) {
    return std::clamp<int32_t>(size / kSectorSize * kSectorSize, kSectorSize, kDvdBlockSize);
}

// Blocks handed to the digest thread ahead of it: 1 MiB.
constexpr size_t kDigestBlocks = 16;

}  // namespace

TCacheThread::TCacheThread(int32_t CacheSize, TMemoryStreamEx* HeaderStream, int64_t TotalBytes,
                           int32_t SourceSectors, std::string SourceFileName, bool PadShortImage,
                           int32_t BlockSize, std::recursive_mutex& DeviceLock, std::string ImageFileName,
                           const TImageTree* Tree, DigestKind DigestOf, bool IntoFile)
    : deviceLock_(DeviceLock),
      bytesToDeliver_(TotalBytes),
      blockSize_(UsableBlockSize(BlockSize)),
      // At least two, so that "full" (BlockCount - 1 queued) still lets one in.
      blockCount_(std::max(CacheSize / UsableBlockSize(BlockSize), 2)),
      totalBytes_(TotalBytes),
      sourceSectors_(SourceSectors),
      padShortImage_(PadShortImage && TotalBytes < kShortImageBytes),
      steadyPriority_(IntoFile || !platform::PriorityMayRise()),
      digestQueued_(ImageFileName.empty() || IntoFile),
      sourceFileName_(std::move(SourceFileName)),
      imageFileName_(std::move(ImageFileName)),
      headerStream_(HeaderStream),
      tree_(Tree),
      digests_(std::make_unique<TDigestThread>(std::vector<DigestKind>{DigestOf}, kCacheBlockRoom, kDigestBlocks)),
      thread_([this](platform::Thread&) { Execute(); }) {
    // A steady reader asks for Normal; refused, it keeps its creator's.
    thread_.SetPriority(steadyPriority_ ? platform::ThreadPriority::Normal : platform::ThreadPriority::BelowNormal);
    priorityLevel_ = LevelOf(thread_.Priority());
    thread_.Start();
}

TCacheThread::~TCacheThread() {
    aborted_.store(true);
    thread_.Terminate();
    thread_.WaitFor();
}

int32_t TCacheThread::ReadBlock(uint8_t* Buffer) {
    {
        std::lock_guard lock(deviceLock_);
        if (bytesToDeliver_ <= 0 && finished_.load()) return 0;
        if (blocks_.empty()) return finished_.load() ? 0 : -1;
    }
    // The reader is emptying the queue after an abort: keep out of its way.
    while (producerBusy_.load()) {
        platform::SleepMs(1);
        if (aborted_.load()) return 0;
    }
    std::lock_guard lock(deviceLock_);
    consumerBusy_.store(true);
    if (blocks_.empty()) {
        consumerBusy_.store(false);
        return finished_.load() ? 0 : -1;
    }
    std::unique_ptr<TCacheBlock> block = std::move(blocks_.front());
    blocks_.pop_front();
    std::memcpy(Buffer, block->Data.data(), static_cast<size_t>(block->Length));
    bytesToDeliver_ -= block->Length;
    consumerBusy_.store(false);
    return block->Length;
}

std::string TCacheThread::StatusText() const { return Locked(deviceLock_, statusText_); }

BurnOutcome TCacheThread::Outcome() const {
    std::lock_guard lock(deviceLock_);
    return statusText_.empty() ? BurnOutcome::Success : outcome_;
}

void TCacheThread::SetStatusText(const std::string& text, BurnOutcome outcome) {
    std::lock_guard lock(deviceLock_);
    statusText_ = text;
    outcome_ = outcome;
}

std::string TCacheThread::CurrentFile() const { return Locked(deviceLock_, currentFile_); }

std::string TCacheThread::SentDigest() const { return Locked(deviceLock_, sentDigest_); }

int64_t TCacheThread::SentBytes() const { return Locked(deviceLock_, sentBytes_); }

int TCacheThread::QueuedBlocks() const {
    std::lock_guard lock(deviceLock_);
    return static_cast<int>(blocks_.size());
}

int64_t TCacheThread::BytesToDeliver() const { return Locked(deviceLock_, bytesToDeliver_); }

}  // namespace kq
