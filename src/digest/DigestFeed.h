#pragma once
// A producer's side of the digest thread: it reads straight into the
// ring's blocks, a piece at a time, and the hashing gets whole blocks. A
// block may be looked at (written to a file) before it is digested.
#include "digest/DigestThread.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace kq {

class TDigestFeed {
public:
    // Sees a block's bytes before they are digested; false keeps them, and
    // every later block, from the digests.
    using BlockCheck = std::function<bool(std::span<const uint8_t> bytes)>;

    explicit TDigestFeed(const std::vector<DigestKind>& kinds, BlockCheck beforeDigest = {});

    // At least `bytes` to fill in place, kept until Took; empty once a block
    // was refused. A block without that much room left is handed on first.
    [[nodiscard]] std::span<uint8_t> Room(size_t bytes);
    // The first `bytes` of the room are filled; false once a block was refused.
    bool Took(size_t bytes);
    // Hands on what is filled so far; false once a block was refused.
    bool Flush();
    // Flushes, waits for the hashing and gives the prints in the order of
    // `kinds` (empty where the system's service failed). Once.
    std::vector<std::string> Finish();

private:
    // A few reads to a block, and enough blocks to carry the hashing over
    // a slow moment.
    static constexpr size_t kBlockBytes = 256 * 1024, kBlocks = 8;

    TDigestThread digests_;
    BlockCheck beforeDigest_;
    std::span<uint8_t> block_;  // the ring's block being filled
    size_t filled_ = 0;
    bool refused_ = false;
};

}  // namespace kq
