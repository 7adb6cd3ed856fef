#pragma once
// The drive's write buffer. Data goes in with each WRITE and drains onto
// the disc at the write speed; at speed 0 it drains at once. While a track
// streams, a buffer that runs dry means the laser stopped mid-track.
#include <cstdint>
#include <utility>

namespace vrec {

class DriveBuffer {
public:
    DriveBuffer(uint32_t size, uint32_t bytesPerSecond) : size_(size ? size : 1), rate_(bytesPerSecond) {}

    uint32_t Size() const { return size_; }
    uint32_t Free() const { return size_ - fill_; }

    // Drains what the disc took since the last call.
    void Update(uint64_t nowMs);
    // Puts bytes in; the caller made room first (Free() >= bytes).
    void Put(uint32_t bytes, uint64_t nowMs);
    // Milliseconds until `bytes` more fit (bytes capped at the size).
    uint32_t MsUntilRoomFor(uint32_t bytes) const;
    uint32_t MsUntilEmpty() const;

    // A track streams from its first WRITE until the host flushes.
    void StartStreaming() { streaming_ = true; }
    void StopStreaming() { streaming_ = false; ranDry_ = false; }
    // True once the buffer emptied while streaming; reading clears it.
    bool TakeRanDry() { return std::exchange(ranDry_, false); }
    void Empty() { fill_ = 0; }

private:
    uint32_t MsFor(uint64_t bytes) const;

    uint32_t size_;
    uint32_t rate_;  // bytes per second; 0 = no limit
    uint32_t fill_ = 0;
    uint64_t lastMs_ = 0;
    bool streaming_ = false;
    bool ranDry_ = false;
};

}  // namespace vrec
