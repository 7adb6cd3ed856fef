// One claim per file: a second handle is refused until the first goes,
// and reading and writing the file through other handles go on meanwhile.
#include "platform/FileClaim.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(FileClaim, OneHolderAtATimeAndTheFileStaysUsable) {
    TempDir dir;
    std::string path = dir.Write("disc.img", "abcd");
    std::error_code error;
    {
        platform::FileHandle first = platform::ClaimFile(path, error);
        ASSERT_TRUE(first.IsOpen()) << error.message();
        platform::FileHandle second = platform::ClaimFile(path, error);
        EXPECT_FALSE(second.IsOpen());
        EXPECT_EQ(error, std::errc::device_or_resource_busy);

        platform::FileHandle data(platform::FileOpen(path, platform::FileAccess::ReadWrite, false,
                                                     platform::FileLock::None, error));
        ASSERT_TRUE(data.IsOpen()) << error.message();
        EXPECT_EQ(platform::FileWrite(data.Get(), "wxyz", 4), 4);
        EXPECT_EQ(platform::FileSeek(data.Get(), 0, platform::SeekOrigin::Begin), 0);
        char back[4] = {};
        EXPECT_EQ(platform::FileRead(data.Get(), back, 4), 4);
        EXPECT_EQ(std::string(back, 4), "wxyz");
    }
    EXPECT_TRUE(platform::ClaimFile(path, error).IsOpen()) << "released with its holder";
    EXPECT_FALSE(platform::ClaimFile(dir.File("missing.img"), error).IsOpen());
    EXPECT_NE(error, std::errc::device_or_resource_busy);
}

// Opening to create empties a file that holds something, but only once the
// lock is taken: a file another holder claims keeps its bytes.
TEST(FileClaim, CreatingEmptiesTheFileOnlyUnderTheLock) {
    TempDir dir;
    std::string path = dir.Write("image.iso", "abcd");
    std::error_code error;
    auto open = [&] {
        return platform::FileHandle(
            platform::FileOpen(path, platform::FileAccess::Write, true, platform::FileLock::Exclusive, error));
    };
    {
        platform::FileHandle holder = platform::ClaimFile(path, error);
        ASSERT_TRUE(holder.IsOpen());
        EXPECT_FALSE(open().IsOpen());
        EXPECT_EQ(std::filesystem::file_size(path), 4u);
    }
    EXPECT_TRUE(open().IsOpen()) << error.message();
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
}
