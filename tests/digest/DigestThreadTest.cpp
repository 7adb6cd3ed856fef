#include "digest/DigestFeed.h"
#include "digest/DigestThread.h"
#include "digest/MD5.h"
#include "digest/SHA256.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace kq;

namespace {

// Blocks filled in part or in full, many times round the ring: the prints
// are those of the bytes in one.
TEST(DigestThread, PrintsAreThoseOfAllBytesFed) {
    std::vector<uint8_t> bytes(100000);
    for (size_t at = 0; at < bytes.size(); ++at) bytes[at] = static_cast<uint8_t>(at * 31 + at / 251);
    const std::string sha = SHA256Print(SHA256Buffer(bytes.data(), bytes.size()));
    const std::string md5 = MD5Print(MD5Buffer(bytes.data(), bytes.size()));
    for (size_t piece : {size_t{100}, size_t{1000}, size_t{4096}, size_t{5000}}) {
        TDigestThread digests({DigestKind::SHA256, DigestKind::MD5}, 4096, 2);
        for (size_t at = 0; at < bytes.size();) {
            std::span<uint8_t> block = digests.NextBlock();
            const size_t n = std::min({piece, block.size(), bytes.size() - at});
            std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), n, block.begin());
            digests.Queue(n);
            at += n;
        }
        EXPECT_EQ(digests.Finish(), (std::vector<std::string>{sha, md5})) << "pieces of " << piece;
    }
}

// Pieces read in place through the feed: every block is seen whole before
// it is digested, and a refused one ends the digests where it begins.
TEST(DigestFeed, BlocksAreSeenBeforeTheyAreDigested) {
    std::vector<uint8_t> bytes(3 << 20);
    for (size_t at = 0; at < bytes.size(); ++at) bytes[at] = static_cast<uint8_t>(at * 7 + at / 509);
    for (size_t refusedBlock : {size_t{0}, size_t{3}}) {
        std::vector<uint8_t> seen;
        size_t blocks = 0;
        TDigestFeed feed({DigestKind::MD5}, [&](std::span<const uint8_t> block) {
            if (++blocks == refusedBlock) return false;
            seen.insert(seen.end(), block.begin(), block.end());
            return true;
        });
        bool refused = false;
        for (size_t at = 0, piece = 2048; at < bytes.size() && !refused; at += piece, piece = piece % 65536 + 2048) {
            piece = std::min(piece, bytes.size() - at);
            std::span<uint8_t> room = feed.Room(piece);
            if (room.size() < piece) break;
            std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), piece, room.begin());
            refused = !feed.Took(piece);
        }
        const std::vector<std::string> prints = feed.Finish();
        // Nothing is offered after the refused block.
        EXPECT_EQ(blocks, refusedBlock ? refusedBlock : blocks);
        ASSERT_EQ(seen.size() < bytes.size(), refusedBlock != 0);
        EXPECT_TRUE(std::equal(seen.begin(), seen.end(), bytes.begin()));
        EXPECT_EQ(prints.front(), MD5Print(MD5Buffer(seen.data(), seen.size())));
        EXPECT_TRUE(feed.Room(2048).empty() == (refusedBlock != 0));
    }
}

}  // namespace
