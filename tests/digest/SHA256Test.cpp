#include "support/TempDir.h"
#include "digest/SHA256.h"

#include <gtest/gtest.h>

#include <string>

using namespace kq;

namespace {

std::string PrintOf(const std::string& bytes) { return SHA256Print(SHA256Buffer(bytes.data(), bytes.size())); }

// The FIPS 180-2 examples and the digest of nothing.
TEST(SHA256, KnownVectors) {
    EXPECT_EQ(PrintOf("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(PrintOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(PrintOf(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

// A file is hashed in 64 MiB views: bytes on both sides of a view's edge
// count once each, and the digest is the whole file's.
TEST(SHA256, FileAcrossTheViewEdgeMatchesTheBuffer) {
    TempDir dir;
    std::string bytes((size_t{64} << 20) + 3, '\0');
    for (size_t at = 0; at < bytes.size(); at += 4093) bytes[at] = static_cast<char>(at);
    std::string file = dir.Write("image.iso", bytes);
    EXPECT_EQ(SHA256File(file), SHA256Buffer(bytes.data(), bytes.size()));
}

// As with MD5File: what cannot be read has the all-zero digest, so it
// never matches a real one.
TEST(SHA256, EmptyOrMissingFileGivesZeroDigest) {
    TempDir dir;
    EXPECT_EQ(SHA256Print(SHA256File(dir.Write("empty.iso", ""))), std::string(64, '0'));
    EXPECT_EQ(SHA256File(dir / "missing.iso"), TSHA256Digest{});
    EXPECT_EQ(SHA256File(dir / ""), TSHA256Digest{});  // a directory
}

}  // namespace
