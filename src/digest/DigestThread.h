#pragma once
// Digests of a stream of bytes computed on a thread of their own, so that
// whoever produces the bytes (a disc being read into an image) never waits
// for the hashing. The producer fills the blocks of a small bounded ring in
// place and queues them; one that gets ahead waits for a free block.
#include "digest/RunningDigest.h"
#include "platform/Thread.h"

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace kq {

class TDigestThread {
public:
    // The digests of `kinds`, fed through `blocks` blocks of `blockBytes`.
    TDigestThread(const std::vector<DigestKind>& kinds, size_t blockBytes, size_t blocks);
    // Stops the hashing, whatever is still queued, and waits for the thread.
    ~TDigestThread();
    TDigestThread(const TDigestThread&) = delete;
    TDigestThread& operator=(const TDigestThread&) = delete;

    // The next free block, of `blockBytes`, to be filled in place; waits
    // while the ring is full. It stays the next one until queued.
    [[nodiscard]] std::span<uint8_t> NextBlock();
    // Queues the first `length` bytes of the block NextBlock gave.
    void Queue(size_t length);
    // Waits until everything queued is digested; the lower-case hex prints in
    // the order of `kinds`, empty where the system's service failed. Once.
    std::vector<std::string> Finish();

private:
    struct Block {
        std::vector<uint8_t> bytes;
        size_t length = 0;
    };

    void Run();
    size_t Batch() const { return std::max<size_t>(ring_.size() / 4, 1); }
    void Stop(bool drain);

    // The thread's alone until it is joined.
    std::vector<std::unique_ptr<TRunningDigest>> digests_;
    // The producer fills the block after the queued ones, the thread digests
    // the first queued one: each touches a block outside the lock only while
    // the other cannot reach it.
    std::vector<Block> ring_;
    std::mutex lock_;
    std::condition_variable changed_;
    size_t first_ = 0;       // under the lock
    size_t queued_ = 0;      // under the lock
    bool closed_ = false;    // under the lock: nothing more comes, drain and end
    bool dropped_ = false;   // under the lock: end now
    platform::Thread thread_;  // last: joined before the fields above go
};

}  // namespace kq
