#include "digest/DigestThread.h"

#include <algorithm>

namespace kq {

TDigestThread::TDigestThread(const std::vector<DigestKind>& kinds, size_t blockBytes, size_t blocks)
    : ring_(std::max<size_t>(blocks, 2)), thread_([this](platform::Thread&) { Run(); }) {
    for (DigestKind kind : kinds) digests_.push_back(std::make_unique<TRunningDigest>(kind));
    for (Block& block : ring_) block.bytes.resize(std::max<size_t>(blockBytes, 1));
    thread_.Start();
}

TDigestThread::~TDigestThread() { Stop(false); }

void TDigestThread::Stop(bool drain) {
    {
        std::lock_guard hold(lock_);
        closed_ = true;
        dropped_ = dropped_ || !drain;
    }
    changed_.notify_all();
    thread_.WaitFor();
}

std::span<uint8_t> TDigestThread::NextBlock() {
    std::unique_lock hold(lock_);
    // Full: wait until half of it is free, so that the two threads do not
    // wake each other for every block.
    if (queued_ == ring_.size())
        changed_.wait(hold, [this] { return queued_ <= ring_.size() / 2 || dropped_; });
    if (dropped_) return {};
    return ring_[(first_ + queued_) % ring_.size()].bytes;
}

void TDigestThread::Queue(size_t length) {
    bool batch = false;
    {
        std::lock_guard hold(lock_);
        if (dropped_ || queued_ == ring_.size()) return;  // NextBlock was not asked
        ring_[(first_ + queued_) % ring_.size()].length = std::min(length, ring_[0].bytes.size());
        batch = ++queued_ == Batch();
    }
    if (batch) changed_.notify_all();
}

void TDigestThread::Run() {
    for (;;) {
        Block* block = nullptr;
        {
            std::unique_lock hold(lock_);
            // Empty: wait for a batch, for the same reason.
            if (queued_ == 0) changed_.wait(hold, [this] { return queued_ >= Batch() || closed_; });
            if (dropped_ || queued_ == 0) return;
            block = &ring_[first_];
        }
        for (auto& digest : digests_) digest->Update(block->bytes.data(), block->length);
        bool halfFree = false;
        {
            std::lock_guard hold(lock_);
            first_ = (first_ + 1) % ring_.size();
            halfFree = --queued_ == ring_.size() / 2;
        }
        if (halfFree) changed_.notify_all();
    }
}

std::vector<std::string> TDigestThread::Finish() {
    Stop(true);
    std::vector<std::string> prints;
    for (auto& digest : digests_) prints.push_back(digest->FinalPrint());
    return prints;
}

}  // namespace kq
