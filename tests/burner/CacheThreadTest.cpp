#include "burner/CacheThread.h"
#include "burner/MemoryStreamEx.h"
#include "platform/Thread.h"
#include "platform/Timing.h"
#include "support/TempDir.h"
#ifndef _WIN32
#include "support/DesktopUser.h"
#endif

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

using namespace kq;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Pattern(size_t size, uint8_t seed = 3) {
    Bytes data(size);
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(i * 13 + seed + i / 4096);
    return data;
}

std::string WriteFile(const TempDir& dir, const std::string& name, const Bytes& data) {
    return dir.Write(name, std::string(data.begin(), data.end()));
}

struct Drained {
    Bytes data;
    std::vector<int32_t> lengths;
};

// Takes blocks the way the write thread does, until ReadBlock says the end.
Drained Drain(TCacheThread& cache, std::recursive_mutex& lock) {
    Drained out;
    Bytes buffer(kCacheBlockRoom);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        int32_t n;
        {
            std::lock_guard hold(lock);
            n = cache.ReadBlock(buffer.data());
        }
        if (n == 0) return out;
        if (n < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        out.lengths.push_back(n);
        out.data.insert(out.data.end(), buffer.begin(), buffer.begin() + n);
    }
    ADD_FAILURE() << "the cache never reported the end";
    return out;
}

void WaitUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 10000 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(condition());
}

std::unique_ptr<TCacheThread> ImageCache(const std::string& path, int64_t imageBytes, std::recursive_mutex& lock,
                                         int32_t blockSize = kDvdBlockSize, int32_t cacheSize = 4194304,
                                         bool padShort = false) {
    const int64_t total = (imageBytes + 2047) / 2048 * 2048;
    return std::make_unique<TCacheThread>(cacheSize, nullptr, total, 0, "", padShort, blockSize, lock, path);
}

class CacheThread : public ::testing::Test {
protected:
    TempDir dir;
    std::recursive_mutex lock;
};

// Whole blocks of 27 or 32 sectors, then one shorter block ending on a
// sector boundary; the rest of the last sector is zeros.
TEST_F(CacheThread, BlocksOfWholeSectorsAndAZeroFilledTail) {
    for (int32_t blockSize : {kCdBlockSize, kDvdBlockSize}) {
        const Bytes image = Pattern(5 * blockSize + 3 * 2048 + 100);
        auto cache = ImageCache(WriteFile(dir, "odd.iso", image), image.size(), lock, blockSize);
        EXPECT_EQ(cache->BlockCount(), 4194304 / blockSize);
        Drained got = Drain(*cache, lock);
        EXPECT_EQ(got.lengths, (std::vector<int32_t>{blockSize, blockSize, blockSize, blockSize, blockSize, 4 * 2048}));
        ASSERT_EQ(got.data.size(), cache->TotalBytes());
        EXPECT_TRUE(std::equal(image.begin(), image.end(), got.data.begin()));
        EXPECT_TRUE(std::all_of(got.data.begin() + image.size(), got.data.end(), [](uint8_t b) { return b == 0; }));
        EXPECT_EQ(cache->StatusText(), "");
        EXPECT_TRUE(cache->Finished());
        EXPECT_EQ(cache->BytesToDeliver(), 0);
    }
}

// A short image file grows to 300 sectors with padding asked for, and
// delivers exactly its own sectors without.
TEST_F(CacheThread, ShortImageFilePaddedToThreeHundredSectors) {
    struct Case { int64_t bytes; bool pad; int64_t delivered; };
    for (const Case c : {Case{1, true, kShortImageBytes}, Case{100 * 2048, true, kShortImageBytes},
                         Case{100 * 2048, false, 100 * 2048}, Case{301 * 2048, true, 301 * 2048}}) {
        SCOPED_TRACE(c.bytes);
        const Bytes image = Pattern(static_cast<size_t>(c.bytes));
        auto cache = ImageCache(WriteFile(dir, "short.iso", image), c.bytes, lock, kCdBlockSize, 4194304, c.pad);
        Drained got = Drain(*cache, lock);
        ASSERT_EQ(static_cast<int64_t>(got.data.size()), c.delivered);
        EXPECT_TRUE(std::equal(image.begin(), image.end(), got.data.begin()));
        EXPECT_TRUE(std::all_of(got.data.begin() + c.bytes, got.data.end(), [](uint8_t b) { return b == 0; }));
        EXPECT_EQ(cache->StatusText(), "");
    }
}

// Counts the sleeps of every thread: once the cache is ready, its reader
// sleeps only after it has looked at the queue and chosen to wait.
class CountedSleeps : public platform::Timing {
public:
    void SleepMs(uint32_t ms) override {
        ++count;
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    std::atomic<int> count{0};
};

// A small image is read whole; the reader then waits for the consumer, and
// only when everything is taken does it finish.
TEST_F(CacheThread, ReaderWaitsForTheConsumerBeforeFinishing) {
    CountedSleeps sleeps;
    platform::ScopedTiming useSleeps{sleeps};
    const Bytes image = Pattern(3000);
    auto cache = ImageCache(WriteFile(dir, "small.iso", image), image.size(), lock);
    WaitUntil([&] { return cache->CacheReady(); });
    EXPECT_EQ(cache->QueuedBlocks(), 1);
    const int before = sleeps.count.load();
    WaitUntil([&] { return sleeps.count.load() > before; });
    EXPECT_FALSE(cache->Finished());
    Bytes buffer(kCacheBlockRoom);
    EXPECT_EQ(cache->ReadBlock(buffer.data()), 4096);
    WaitUntil([&] { return cache->Finished(); });
    EXPECT_EQ(cache->ReadBlock(buffer.data()), 0);
}

// A full queue drops the reader to idle; an abort empties the queue and
// leaves the consumer's own reason alone.
TEST_F(CacheThread, AbortWhileFullFreesTheQueue) {
    const Bytes image = Pattern(100 * kDvdBlockSize);
    const std::string path = WriteFile(dir, "big.iso", image);
    for (const std::string reason : {"", "WRITER ERROR [X]"}) {
        auto cache = ImageCache(path, image.size(), lock, kDvdBlockSize, 2097152);
        WaitUntil([&] { return cache->CacheReady(); });
        EXPECT_EQ(cache->QueuedBlocks(), cache->BlockCount() - 1);
        if (platform::PriorityMayRise()) WaitUntil([&] { return cache->PriorityLevel() == 0; });
        if (!reason.empty()) cache->SetStatusText(reason);
        cache->Abort();
        WaitUntil([&] { return cache->Finished(); });
        Bytes buffer(kCacheBlockRoom);
        EXPECT_EQ(cache->ReadBlock(buffer.data()), 0);
        EXPECT_EQ(cache->QueuedBlocks(), 0);
        EXPECT_EQ(cache->StatusText(), reason.empty() ? "OPERATION ABORTED BY USER" : reason);
        EXPECT_EQ(cache->Outcome(), reason.empty() ? BurnOutcome::Aborted : BurnOutcome::Failed);
    }
}

#ifndef _WIN32
using CacheThreadDeathTest = CacheThread;

// A desktop user's reader could not rise again once lowered, so a full
// queue leaves it, and every thread, at the process's own priority, and
// its level says so. (Once full and ready, the reader has met the full
// queue at least once.)
TEST_F(CacheThreadDeathTest, ADesktopUsersReaderIsNeverLowered) {
    const Bytes image = Pattern(100 * kDvdBlockSize);
    const std::string path = WriteFile(dir, "big.iso", image);
    EXPECT_EXIT(
        {
            const int own = getpriority(PRIO_PROCESS, 0);
            // The level of the process's own priority: Normal unless the tests run niced.
            const int ownLevel = static_cast<int>(platform::CurrentThreadPriority());
            const bool desktop = BecomeDesktopUser() && !platform::PriorityMayRise();
            auto cache = ImageCache(path, image.size(), lock, kDvdBlockSize, 2097152);
            WaitUntil([&] { return cache->CacheReady() && cache->QueuedBlocks() == cache->BlockCount() - 1; });
            const int level = cache->PriorityLevel();
            const int highest = HighestThreadNice();
            cache.reset();
            std::fprintf(stderr, "desktop %d, level %d, nice %d of %d\n", desktop, level, highest, own);
            std::_Exit(desktop && level == ownLevel && highest == own ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}
#endif

TEST_F(CacheThread, MissingImageIsReported) {
    const std::string path = dir / "gone.iso";
    auto cache = ImageCache(path, 4096, lock);
    WaitUntil([&] { return cache->Finished(); });
    EXPECT_EQ(cache->StatusText(), "CAN'T OPEN FILE \"" + path + "\" OR FILE IS IN USES BY OTHER SOFTWARE");
    EXPECT_FALSE(cache->CacheReady());
}

// The image shrinks while it is being read: the consumer gets only bytes
// of the image, then the reader's error; no stale or zero block is queued.
TEST_F(CacheThread, ShortReadBeforeTheEndQueuesNoStaleBytes) {
    const Bytes image = Pattern(40 * kDvdBlockSize);
    const std::string path = WriteFile(dir, "shrinks.iso", image);
    auto cache = ImageCache(path, image.size(), lock, kDvdBlockSize, 4 * kDvdBlockSize);
    WaitUntil([&] { return cache->CacheReady(); });
    std::filesystem::resize_file(path, 10 * kDvdBlockSize + 1000);
    Drained got = Drain(*cache, lock);
    EXPECT_EQ(cache->StatusText(), "CAN'T READ FILE \"" + path + "\"");
    ASSERT_LE(got.data.size(), 11u * kDvdBlockSize);
    EXPECT_TRUE(std::equal(got.data.begin(), got.data.end(), image.begin()));
    EXPECT_TRUE(cache->Finished());
}

// Tree mode: the header, then the source file, then zeros up to 300
// sectors; the header stream is emptied once copied.
TEST_F(CacheThread, TreeModeSendsHeaderSourceAndPadding) {
    TMemoryStreamEx header;
    const Bytes head = Pattern(70000, 9);  // more than a block, ends mid-sector
    header.Write(head.data(), static_cast<int32_t>(head.size()));
    const Bytes source = Pattern(3 * 2048, 5);
    const std::string path = WriteFile(dir, "source.bin", source);
    const int64_t headerBytes = 35 * 2048;  // 70000 bytes in whole sectors
    const int64_t total = headerBytes + 3 * 2048;
    TCacheThread cache(4194304, &header, total, 3, path, true, kDvdBlockSize, lock, "");
    EXPECT_TRUE(cache.PadShortImage());
    Drained got = Drain(cache, lock);
    ASSERT_EQ(got.data.size(), static_cast<size_t>(kShortImageBytes));
    EXPECT_TRUE(std::equal(head.begin(), head.end(), got.data.begin()));
    EXPECT_TRUE(std::all_of(got.data.begin() + head.size(), got.data.begin() + headerBytes,
                            [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::equal(source.begin(), source.end(), got.data.begin() + headerBytes));
    EXPECT_TRUE(std::all_of(got.data.begin() + total, got.data.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(header.Size(), 0);
    EXPECT_EQ(cache.StatusText(), "");
}

// Destroying the cache mid-read stops and joins the reader at once.
TEST_F(CacheThread, DestroyedWhileReadingJoinsTheReader) {
    const Bytes image = Pattern(100 * kDvdBlockSize);
    auto cache = ImageCache(WriteFile(dir, "big.iso", image), image.size(), lock, kDvdBlockSize, 2097152);
    WaitUntil([&] { return cache->CacheReady(); });
    const auto start = std::chrono::steady_clock::now();
    cache.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(MemoryStreamEx, SizedButHoldingNothingUntilWritten) {
    TMemoryStreamEx stream;
    stream.SetSize(67108864);
    EXPECT_EQ(stream.GetSize(), 67108864);
    EXPECT_EQ(stream.HeldBytes(), 0u);
    EXPECT_EQ(stream.Seek(100, 0), 100);
    EXPECT_EQ(stream.Write("ab", 2), 2);
    char out[4] = {1, 1, 1, 1};
    EXPECT_EQ(stream.Seek(99, 0), 99);
    EXPECT_EQ(stream.Read(out, 4), 4);
    EXPECT_EQ(std::string(out, 4), std::string("\0ab\0", 4));
    EXPECT_EQ(stream.Seek(-1, 0), -1);
    stream.Clear();
    EXPECT_EQ(stream.GetSize(), 0);
    EXPECT_EQ(stream.HeldBytes(), 0u);
}

}  // namespace
