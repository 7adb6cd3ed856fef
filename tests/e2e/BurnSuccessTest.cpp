// Burns that succeed: the disc holds the image, in blocks sized by medium.
#include "e2e/BurnBench.h"

using namespace e2e;
using vrec::MediumKind;

namespace {

TEST_F(BurnBench, ImageLandsOnTheDiscInCdBlocks) {
    Start(MediumKind::CdR);
    const std::string path = Image(Pattern(100 * 2048 + 100));  // 101 sectors, the last one partial
    ASSERT_TRUE(Burn(path));
    EXPECT_EQ(Reports(), std::vector<std::string>{""});
    EXPECT_EQ(burner->ImageSectors(), 101);
    EXPECT_EQ(burner->TotalSectors(), 300);  // the post gap counts, and is written as zeros
    EXPECT_EQ(burner->BytesWritten(), 300 * 2048);
    EXPECT_EQ(GoodWriteLengths(), (std::vector<uint32_t>{27, 27, 27, 20, 27, 27, 27, 27, 27, 27, 27, 10}));
    EXPECT_TRUE(DiscStartsWithImage(300));

    const vrec::Disc disc = recorder->DiscState();
    ASSERT_EQ(disc.Tracks().size(), 1u);
    EXPECT_EQ(disc.Tracks()[0].recorded, 300u);
    EXPECT_EQ(disc.ClosedSessions(), 1);
    EXPECT_FALSE(disc.Finalized());  // FinalizeDisc False: appendable
    // Flush, then close, then the restore's speed.
    EXPECT_LT(Last(kWrite), First(kSync));
    EXPECT_LT(First(kSync), First(kClose));
    EXPECT_LT(First(kClose), Last(kSetSpeed));

    const auto lines = Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].rfind(">>> STARTING WRITE PROCESS ON CD-R AT ", 0), 0u) << lines[0];
}

TEST_F(BurnBench, DvdMediaTakeBlocksOf32Sectors) {
    Start(MediumKind::DvdPlusRw);
    const std::string path = Image(Pattern(70 * 2048));
    burner->SetWritePostGap(false);
    ASSERT_TRUE(Burn(path));
    EXPECT_EQ(Reports(), std::vector<std::string>{""});
    EXPECT_EQ(burner->TotalSectors(), 70);
    EXPECT_EQ(GoodWriteLengths(), (std::vector<uint32_t>{32, 32, 6}));
    EXPECT_TRUE(DiscStartsWithImage(70));
}

// An empty image is refused before the drive is asked anything.
TEST_F(BurnBench, EmptyImageIsRefusedBeforeTheDriveIsTouched) {
    Start(MediumKind::CdR);
    const std::string path = Image({});
    const size_t before = recorder->Log().size();
    EXPECT_FALSE(Burn(path));
    EXPECT_EQ(Reports(), std::vector<std::string>{"THE IMAGE \"" + path + "\" IS EMPTY"});
    EXPECT_EQ(recorder->Log().size(), before);
    EXPECT_TRUE(recorder->DiscState().Blank());
    EXPECT_FALSE(burner->Burning());
}

// The report reaches the host's thread through its hook, while the write
// thread waits.
TEST_F(BurnBench, OnWriteDoneRunsOnTheHostsThread) {
    Start(MediumKind::CdR);
    std::mutex queueLock;
    std::vector<std::function<void()>> queue;
    burner->Synchronize = [&](std::function<void()> call) {
        std::lock_guard hold(queueLock);
        queue.push_back(std::move(call));
    };
    std::thread::id reportedOn;
    burner->OnWriteDone = [&](kq::TQCDBurner&, const std::string& error) {
        EXPECT_EQ(error, "");
        reportedOn = std::this_thread::get_id();
    };
    ASSERT_TRUE(burner->BurnISOImage(Image(Pattern(40 * 2048))));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (burner->Burning() && std::chrono::steady_clock::now() < deadline) {
        std::vector<std::function<void()>> calls;
        {
            std::lock_guard hold(queueLock);
            calls.swap(queue);
        }
        for (auto& call : calls) call();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_FALSE(burner->Burning());
    EXPECT_EQ(reportedOn, std::this_thread::get_id());
}

// BytesWritten, watched from another thread, never passes the total, and
// reaches exactly the image.
TEST_F(BurnBench, BytesWrittenStaysWithinTheTotal) {
    Start(MediumKind::CdR);
    burner->SetWritePostGap(false);
    const std::string path = Image(Pattern(400 * 2048 + 1));
    std::atomic<bool> done{false};
    std::atomic<int64_t> worst{0};
    std::thread watcher([&] {
        while (!done) {
            worst = std::max(worst.load(), burner->BytesWritten() - burner->TotalSectors() * 2048);
            std::this_thread::yield();
        }
    });
    ASSERT_TRUE(Burn(path));
    done = true;
    watcher.join();
    EXPECT_LE(worst.load(), 0);
    EXPECT_EQ(burner->BytesWritten(), 401 * 2048);
    EXPECT_EQ(Reports(), std::vector<std::string>{""});
}

}  // namespace
