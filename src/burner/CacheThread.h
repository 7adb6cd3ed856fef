#pragma once
// The read-ahead cache: a reader thread that fills a bounded queue of large
// blocks from the image (or from a header and the image tree's files), so
// the write thread never waits on the disk. Its priority follows the fill
// level: the emptier the queue, the more it is allowed to run.
#include "digest/DigestThread.h"
#include "burner/BurnOutcome.h"
#include "burner/MemoryStreamEx.h"
#include "burner/ShortTrack.h"
#include "burner/StreamEx.h"
#include "digest/RunningDigest.h"
#include "drive/MediaTypes.h"
#include "platform/FileSystem.h"
#include "platform/Thread.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace kq {

class TImageTree;

// Room of a block: the largest block size plus the four bytes the queue's
// original layout kept; a block never holds more than its BlockSize.
inline constexpr int32_t kCacheBlockRoom = 65540;

struct TCacheBlock {
    std::array<uint8_t, kCacheBlockRoom> Data;
    int32_t Length = 0;
};

class TCacheThread {
public:
    // Takes its settings and starts reading at once. ImageFileName chooses
    // the mode: a name is image mode (TotalBytes of that file, whole
    // sectors); empty is tree mode (HeaderStream, then SourceFileName of
    // SourceSectors sectors, then Tree's files). HeaderStream and Tree may
    // be null; DeviceLock is the drive's lock and serves as the queue lock.
    // The bytes sent are digested (DigestOf) as they are queued: in image
    // mode the image's own bytes, without the zeros that fill its last
    // sector; in tree mode, and IntoFile, every byte queued. None counts
    // the zeros that pad a short track.
    // IntoFile (the blocks go into an image file) also keeps the reader at
    // normal priority: a file has no drive buffer to protect, and a reader
    // idled whenever the queue fills starves on a busy machine. Where the
    // system would not let the reader's priority rise again once lowered
    // (a Linux user without CAP_SYS_NICE), it keeps its creator's.
    TCacheThread(int32_t CacheSize, TMemoryStreamEx* HeaderStream, int64_t TotalBytes, int32_t SourceSectors,
                 std::string SourceFileName, bool PadShortImage, int32_t BlockSize,
                 std::recursive_mutex& DeviceLock, std::string ImageFileName,
                 const TImageTree* Tree = nullptr, DigestKind DigestOf = DigestKind::MD5,
                 bool IntoFile = false);
    // Stops the reader, waits for it and frees what is queued.
    ~TCacheThread();
    TCacheThread(const TCacheThread&) = delete;
    TCacheThread& operator=(const TCacheThread&) = delete;

    // Copies the oldest block into Buffer (BlockSize bytes of room) and
    // returns its length; -1 while nothing is ready but more will come;
    // 0 when everything has been delivered or the reader has stopped.
    int32_t ReadBlock(uint8_t* Buffer);
    // Stops the reader; a consumer puts its reason into StatusText first.
    void Abort() { aborted_.store(true); }

    void Lock() { deviceLock_.lock(); }
    void Unlock() { deviceLock_.unlock(); }

    bool CacheReady() const { return cacheReady_.load(); }
    bool Finished() const { return finished_.load(); }
    bool Aborted() const { return aborted_.load(); }
    bool ProducerBusy() const { return producerBusy_.load(); }
    bool ConsumerBusy() const { return consumerBusy_.load(); }
    // Empty while all is well; otherwise the error or abort that ends the burn.
    std::string StatusText() const;
    // Success while StatusText is empty; else what it reports.
    BurnOutcome Outcome() const;
    void SetStatusText(const std::string& text, BurnOutcome outcome = BurnOutcome::Failed);
    std::string CurrentFile() const;
    const std::string& ImageFileName() const { return imageFileName_; }
    // Once every byte is queued: the digest of the bytes sent (see the
    // constructor) and their count; empty and 0 before.
    std::string SentDigest() const;
    int64_t SentBytes() const;

    int32_t BlockSize() const { return blockSize_; }
    int32_t BlockCount() const { return blockCount_; }
    int64_t TotalBytes() const { return totalBytes_; }
    bool PadShortImage() const { return padShortImage_; }
    // 0 idle, 1 lowest, 2 below normal, 3 normal (or above): what the
    // reader has, not what it asked for.
    uint8_t PriorityLevel() const { return priorityLevel_.load(); }
    // Blocks waiting in the queue and bytes not yet taken (under the lock).
    int QueuedBlocks() const;
    int64_t BytesToDeliver() const;

private:
    struct Source {
        std::string path;
        int64_t size = 0;
        bool skip = false;
        // A tree's file is sent only as it was when it was added.
        bool checked = false;
        platform::FileFacts stamp{};
    };
    // Raised by the body's helpers to end it at once (abort or error).
    struct Stop {};

    void Execute();
    std::deque<Source> SourceList();
    void CopyHeader();
    void ReadSource(const Source& source, bool last);
    void CheckUnchanged(const Source& source);
    void ReadPiece(const std::string& path, int64_t offset, int64_t n, int64_t fileSize);
    std::unique_ptr<TCacheBlock> DetachAssembly();
    void Queue(std::unique_ptr<TCacheBlock> block);
    void Digest(const uint8_t* bytes, int64_t n);
    void PublishDigest();
    void AppendPadding();
    void CopyTrailer();
    void WaitUntilDelivered();
    void WaitWhileFull(bool header);
    int CountBlocks();
    void SetLevel(uint8_t level);
    static uint8_t LevelOf(platform::ThreadPriority priority);
    void AdjustPriority(int count);
    void KeepFirstStatus(const std::string& text, BurnOutcome outcome);
    [[noreturn]] void Fail(const std::string& text);
    [[noreturn]] void AbortCleanUp();
    void CheckAbort();
    bool StopRequested() const { return aborted_.load() || thread_.Terminated(); }

    std::recursive_mutex& deviceLock_;
    std::deque<std::unique_ptr<TCacheBlock>> blocks_;  // under the lock
    int64_t bytesToDeliver_;                            // under the lock
    std::string statusText_;                            // under the lock
    BurnOutcome outcome_ = BurnOutcome::Success;        // under the lock
    std::string currentFile_;                           // under the lock
    std::string sentDigest_;                            // under the lock
    int64_t sentBytes_ = 0;                             // under the lock

    const int32_t blockSize_;
    const int32_t blockCount_;
    const int64_t totalBytes_;
    const int32_t sourceSectors_;
    const bool padShortImage_;
    const bool steadyPriority_;
    const bool digestQueued_;
    const std::string sourceFileName_;
    const std::string imageFileName_;
    TMemoryStreamEx* headerStream_;
    const TImageTree* tree_;

    std::atomic<uint8_t> priorityLevel_{2};
    std::atomic<bool> producerBusy_{false};
    std::atomic<bool> consumerBusy_{false};
    std::atomic<bool> aborted_{false};
    std::atomic<bool> finished_{false};
    std::atomic<bool> cacheReady_{false};

    // Reader-only state.
    std::unique_ptr<TFileStreamEx> file_;
    std::unique_ptr<TCacheBlock> assembly_;
    int32_t assembled_ = 0;
    int32_t room_ = 0;
    // The digest runs on a thread of its own: the reader hands it copies,
    // so the image goes out at the pace of the slower of disk and hash.
    std::unique_ptr<TDigestThread> digests_;
    int64_t digested_ = 0;

    platform::Thread thread_;  // last: joined before the fields above go
};

}  // namespace kq
