#include "burner/HandOver.h"
#include "burner/ThWrite.h"
#include "burner/kqCDBC.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <locale>
#include <mutex>
#include <thread>

using namespace kq;

namespace {

TEST(BurnerComponent, StartsWithItsDefaults) {
    TQCDBurner b;
    EXPECT_TRUE(b.UnderrunProtection());
    EXPECT_TRUE(b.FinalizeTrack());
    EXPECT_TRUE(b.JolietFileSystem());
    EXPECT_TRUE(b.WritePostGap());
    EXPECT_FALSE(b.TestWrite() || b.PerformOPC() || b.ReplaceFile() || b.Erasing() || b.FinalizeDisc());
    EXPECT_FALSE(b.DoDebug);
    EXPECT_EQ(b.CacheSize(), 4194304);
    EXPECT_EQ(b.Version(), "1.21");
    EXPECT_EQ(b.ReadSpeed.load(), 0);
    EXPECT_EQ(b.WriteSpeed(), 0);
    EXPECT_EQ(b.DeviceBufferSize(), 0u);
    EXPECT_EQ(b.IdVolume, "");
    EXPECT_EQ(b.DateCreation, 0.0);
    EXPECT_EQ(b.BytesWritten(), 0);
    EXPECT_EQ(b.TotalSectors(), 300);  // no image yet: the post gap alone
    ASSERT_NE(b.RootDir(), nullptr);
    EXPECT_EQ(b.RootDir()->ShortName, "CD_ROOT");
    EXPECT_EQ(b.ImageTree().DirCapacity(), 8191);
    EXPECT_EQ(b.ImageTree().FileCapacity(), 65535);
    // Sized at construction, emptied by the tree reset: no memory held.
    EXPECT_EQ(b.HeaderStream().HeldBytes(), 0u);
}

TEST(BurnerComponent, SettersKeepTheirRules) {
    TQCDBurner b;
    b.SetCacheSize(1000);
    EXPECT_EQ(b.CacheSize(), 2097152);
    b.SetCacheSize(5000000);
    EXPECT_EQ(b.CacheSize(), 4999168);
    b.SetVersion("9.99");
    EXPECT_EQ(b.Version(), "1.21");
    b.SetWritePostGap(false);
    EXPECT_EQ(b.TotalSectors(), 0);
}

TEST(SpeedText, MultipleAndKilobytesInTheLocalesSigns) {
    EXPECT_EQ(SpeedText(7056, MediaFamily::Cd, std::locale::classic()), "40X (7,056 KB/s)");
    EXPECT_EQ(SpeedText(1411, MediaFamily::Cd, std::locale::classic()), "8X (1,411 KB/s)");
    EXPECT_EQ(SpeedText(11080, MediaFamily::Dvd, std::locale::classic()), "8.0X (11,080 KB/s)");
    EXPECT_EQ(SpeedText(0, MediaFamily::Dvd, std::locale::classic()), "0.0X (0 KB/s)");
    // A disc not known and a pressed DVD are announced in CD multiples.
    for (int medium : {int{media::None}, int{media::DvdRom}, int{media::CdR}})
        EXPECT_EQ(SpeedText(7056, AnnouncedFamily(medium), std::locale::classic()), "40X (7,056 KB/s)") << medium;
    EXPECT_EQ(SpeedText(5540, AnnouncedFamily(media::DvdPlusR), std::locale::classic()), "4.0X (5,540 KB/s)");
    struct German : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
        char do_thousands_sep() const override { return '.'; }
    };
    const std::locale german(std::locale::classic(), new German);
    EXPECT_EQ(SpeedText(5540, MediaFamily::Dvd, german), "4,0X (5.540 KB/s)");
    EXPECT_EQ(SpeedText(65535, MediaFamily::Cd, german), "372X (65.535 KB/s)");
}

// A host that posts the call to its own loop and returns at once.
class PostingHost {
public:
    TSynchronizeHook Hook() {
        return [this](std::function<void()> call) {
            std::lock_guard hold(lock_);
            queue_.push_back(std::move(call));
            posted_.notify_all();
        };
    }
    // Returns once a call waits in the queue.
    void WaitForCall() {
        std::unique_lock hold(lock_);
        posted_.wait(hold, [&] { return !queue_.empty(); });
    }
    bool RunOne() {
        std::function<void()> call;
        {
            std::lock_guard hold(lock_);
            if (queue_.empty()) return false;
            call = std::move(queue_.front());
            queue_.pop_front();
        }
        call();
        return true;
    }

private:
    std::mutex lock_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> queue_;
};

TEST(UiHandOver, CallRunsOnTheHostsThreadWhileTheCallerWaits) {
    UiHandOver handOver;
    PostingHost host;
    std::atomic<bool> returned{false};
    std::thread::id ranOn;
    std::thread worker([&] {
        EXPECT_TRUE(handOver.Run(host.Hook(), [&] { ranOn = std::this_thread::get_id(); }));
        returned = true;
    });
    host.WaitForCall();
    EXPECT_TRUE(host.RunOne());
    worker.join();
    EXPECT_TRUE(returned);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

// The component goes away while its report waits in the host's queue:
// the waiting thread is released, and the stale call later does nothing.
TEST(UiHandOver, CancelReleasesTheWaitAndDropsTheStaleCall) {
    UiHandOver handOver;
    PostingHost host;
    std::atomic<bool> ran{false}, released{false};
    std::thread worker([&] {
        EXPECT_FALSE(handOver.Run(host.Hook(), [&] { ran = true; }));
        released = true;
    });
    host.WaitForCall();
    handOver.Cancel();
    worker.join();
    EXPECT_TRUE(released);
    EXPECT_TRUE(host.RunOne());
    EXPECT_FALSE(ran);
    EXPECT_FALSE(handOver.Run(nullptr, [&] { ran = true; }));
    EXPECT_FALSE(ran);
}

}  // namespace
