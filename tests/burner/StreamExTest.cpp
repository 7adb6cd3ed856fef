#include "burner/StreamEx.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <system_error>

using namespace kq;

namespace {

constexpr uint16_t kReadShared = kOpenRead | kShareDenyNone;  // 0x40, as the burn opens images

TEST(StreamEx, CreateWriteSeekRead) {
    TempDir dir;
    std::string file = dir.Write("a.bin", "old contents that must go");
    TFileStreamEx stream(file, kStreamCreate);
    EXPECT_EQ(stream.GetSize(), 0);
    EXPECT_EQ(stream.Write("0123456789", 10), 10);
    EXPECT_EQ(stream.Seek(-4, 2), 6);
    EXPECT_EQ(stream.Seek(1, 1), 7);
    char buffer[8] = {};
    EXPECT_EQ(stream.Read(buffer, 8), 3);
    EXPECT_EQ(std::string(buffer, 3), "789");
    EXPECT_EQ(stream.Read(buffer, 8), 0);  // at the end
    EXPECT_EQ(stream.Seek(0, 7), -1);      // no such origin
}

TEST(StreamEx, GetSizeBeyondFourGigabytesKeepsThePosition) {
    TempDir dir;
    TFileStreamEx stream(dir / "big.iso", kStreamCreate);
    stream.SetSize(5'000'000'000);  // sparse
    EXPECT_EQ(stream.Seek(4'500'000'000, 0), 4'500'000'000);
    EXPECT_EQ(stream.GetSize(), 5'000'000'000);
    EXPECT_EQ(stream.Seek(0, 1), 4'500'000'000);
    stream.SetSize(4);  // leaves the position at the new end
    EXPECT_EQ(stream.Seek(0, 1), 4);
    EXPECT_EQ(stream.GetSize(), 4);
}

TEST(StreamEx, SeekToEndOfEmptyFile) {
    TempDir dir;
    TFileStreamEx stream(dir.Write("empty.iso", ""), kReadShared);
    EXPECT_EQ(stream.Seek(0, 2), 0);
    EXPECT_EQ(stream.GetSize(), 0);
}

TEST(StreamEx, SetSizeRefusedRaisesTheSystemError) {
    TempDir dir;
    TFileStreamEx stream(dir.Write("a.bin", "0123"), kReadShared);
    EXPECT_THROW(stream.SetSize(2), std::system_error);  // opened for reading only
    EXPECT_THROW(stream.SetSize(-1), std::system_error);
    EXPECT_EQ(stream.GetSize(), 4);
    EXPECT_EQ(stream.Write("x", 1), 0);  // a refused write moves nothing
}

TEST(StreamEx, OpenFailuresThrow) {
    TempDir dir;
    EXPECT_THROW(TFileStreamEx(dir / "missing.iso", kReadShared), std::system_error);
    EXPECT_THROW(TFileStreamEx(dir / "no/such/folder.iso", kStreamCreate), std::system_error);
    std::string file = dir.Write("a.bin", "x");
    EXPECT_THROW(TFileStreamEx(file, 0x03), std::system_error);  // no such access
    EXPECT_THROW(TFileStreamEx(file, 0x50), std::system_error);  // no such sharing
}

// The burn reads an image that another program still has open for writing.
TEST(StreamEx, SharedReadOpensWhileAnotherWrites) {
    TempDir dir;
    std::string file = dir / "image.iso";
    std::ofstream writer(file, std::ios::binary);
    writer << "written" << std::flush;
    TFileStreamEx reader(file, kReadShared);
    EXPECT_EQ(reader.GetSize(), 7);

    TFileStreamEx sharedWriter(file, kOpenWrite | kShareDenyNone);
    TFileStreamEx secondReader(file, kReadShared);
    EXPECT_EQ(sharedWriter.Write("more", 4), 4);
    char buffer[4] = {};
    EXPECT_EQ(secondReader.Read(buffer, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "more");
}

// Exclusive streams and shared ones keep each other out.
TEST(StreamEx, ExclusiveStreamsKeepOthersOut) {
    TempDir dir;
    std::string file = dir / "image.iso";
    {
        TFileStreamEx creator(file, kStreamCreate);
        EXPECT_THROW(TFileStreamEx(file, kReadShared), std::system_error);
        EXPECT_THROW(TFileStreamEx(file, kStreamCreate), std::system_error);
    }
    TFileStreamEx reader(file, kReadShared);
    EXPECT_THROW(TFileStreamEx(file, kOpenRead | kShareExclusive), std::system_error);
}

// Creating over a file that another stream holds must not empty it.
TEST(StreamEx, RefusedCreateLeavesTheFileIntact) {
    TempDir dir;
    std::string file = dir.Write("image.iso", "keep me");
    TFileStreamEx reader(file, kReadShared);
    EXPECT_THROW(TFileStreamEx(file, kStreamCreate), std::system_error);
    EXPECT_EQ(reader.GetSize(), 7);
}

}  // namespace
