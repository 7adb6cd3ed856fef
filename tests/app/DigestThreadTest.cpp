#include "app/DigestThread.h"
#include "app/MD5.h"
#include "app/SHA256.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kq;

namespace {

// Pieces of every size against the ring's blocks (smaller, across their
// edge, many times the ring): the prints are those of the bytes in one.
TEST(DigestThread, PrintsAreThoseOfAllBytesFed) {
    std::vector<uint8_t> bytes(100000);
    for (size_t at = 0; at < bytes.size(); ++at) bytes[at] = static_cast<uint8_t>(at * 31 + at / 251);
    const std::string sha = SHA256Print(SHA256Buffer(bytes.data(), bytes.size()));
    const std::string md5 = MD5Print(MD5Buffer(bytes.data(), bytes.size()));
    for (size_t piece : {size_t{1000}, size_t{4096}, size_t{5000}, size_t{100000}}) {
        TDigestThread digests({DigestKind::SHA256, DigestKind::MD5}, 4096, 2);
        for (size_t at = 0; at < bytes.size(); at += piece)
            digests.Feed(std::span(bytes).subspan(at, std::min(piece, bytes.size() - at)));
        EXPECT_EQ(digests.Finish(), (std::vector<std::string>{sha, md5})) << "pieces of " << piece;
    }
}

}  // namespace
