#include "support/TempDir.h"
#include "digest/MD5.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>

using namespace kq;

namespace {

#ifndef _WIN32
std::string Md5sumOf(const std::string& file) {
    std::string digest(32, '\0');
    FILE* pipe = popen(("md5sum '" + file + "'").c_str(), "r");
    if (!pipe) return {};
    size_t n = fread(digest.data(), 1, digest.size(), pipe);
    pclose(pipe);
    return n == digest.size() ? digest : std::string();
}
#endif

std::string RandomBytes(size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(n, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

// Sizes around pages and the 64 MiB pieces large files are hashed in.
TEST(MD5File, MatchesMd5sumForFilesOfSeveralSizes) {
    TempDir dir;
    for (size_t size : {size_t{1}, size_t{4095}, size_t{4096}, size_t{100000}, (size_t{64} << 20) + 3}) {
        std::string bytes = RandomBytes(size, static_cast<unsigned>(size));
        std::string file = dir.Write("image.iso", bytes);
#ifdef _WIN32
        // No md5sum: the digest of the same bytes from memory.
        EXPECT_EQ(MD5Print(MD5File(file)), MD5Print(MD5Buffer(bytes.data(), bytes.size()))) << size;
#else
        EXPECT_EQ(MD5Print(MD5File(file)), Md5sumOf(file)) << size;
#endif
    }
}

TEST(MD5File, EmptyOrMissingFileGivesZeroDigest) {
    TempDir dir;
    EXPECT_EQ(MD5Print(MD5File(dir.Write("empty.iso", ""))), std::string(32, '0'));
    EXPECT_EQ(MD5File(dir / "missing.iso"), TMD5Digest{});
    EXPECT_EQ(MD5File(dir / ""), TMD5Digest{});  // a directory
}

// 5,000,000,000 zero bytes: beyond 2 and 4 GiB. The digest was taken once
// with md5sum of the same sparse file.
TEST(MD5File, FileBeyondFourGigabytes) {
#ifndef __OPTIMIZE__
    GTEST_SKIP() << "5 GB take minutes unoptimised; the optimised builds run this";
#endif
    TempDir dir;
    std::string file = dir / "big.iso";
    std::ofstream(file).close();
    std::filesystem::resize_file(file, 5'000'000'000);
    EXPECT_EQ(MD5Print(MD5File(file)), "3c8e6c83fd0feff1bb7a9e92686a6f24");
}

TEST(ReadTextFile, KeepsEveryByte) {
    TempDir dir;
    std::string bytes("a\0b\r\n\xff\x80z", 8);
    EXPECT_EQ(ReadTextFile(dir.Write("x.md5", bytes)), bytes);
    EXPECT_EQ(ReadTextFile(dir.Write("empty.md5", "")), "");
    EXPECT_EQ(ReadTextFile(dir / "missing.md5"), "");
}

TEST(MapFile, MapsTheWholeFileAndReleasesOnFailure) {
    TempDir dir;
    TMappedFile mapped;
    ASSERT_TRUE(MapFile(mapped, dir.Write("a.bin", "hello")));
    EXPECT_EQ(mapped.Size, 5);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(mapped.Address()), 5), "hello");

    // A failed map leaves nothing behind, not even the earlier view.
    EXPECT_FALSE(MapFile(mapped, dir.Write("empty.bin", "")));
    EXPECT_EQ(mapped.Address(), nullptr);
    EXPECT_FALSE(mapped.File.IsOpen());
    EXPECT_EQ(mapped.Size, 0);
    UnmapFile(mapped);
    UnmapFile(mapped);
}

}  // namespace
