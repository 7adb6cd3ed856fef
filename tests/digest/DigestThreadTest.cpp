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

}  // namespace
