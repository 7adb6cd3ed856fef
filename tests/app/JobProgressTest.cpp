// What every page shows of a job: the speed as a multiple of the
// medium's 1x, the time left, and a graph point a second, the oldest
// dropped once the graph is full.
#include "app/JobProgress.h"

#include <gtest/gtest.h>

TEST(JobProgress, TicksGiveTheMultipleTheTimeLeftAndOnePointASecond) {
    struct Row {
        kq::MediaFamily family;
        int64_t kBps;
        const char* multiple;
    } rows[] = {{kq::MediaFamily::Cd, 7056, "(40.0x)"}, {kq::MediaFamily::Dvd, 1385, "(1.0x)"},
                {kq::MediaFamily::Bd, 8990, "(2.0x)"}};
    for (const Row& row : rows) {
        kq::ProgressTracker tracker(row.family);
        const int64_t total = row.kBps * 1000 * 1000;  // 1000 s of it
        for (uint64_t ms = 0; ms <= 400000; ms += 250) tracker.Tick(ms, row.kBps * static_cast<int64_t>(ms), total, 60);
        const kq::JobProgress& p = tracker.Current();
        EXPECT_EQ(p.percent, 40);
        EXPECT_EQ(p.secondsLeft, 600u);
        ASSERT_EQ(p.samples.size(), kq::kGraphPoints);
        EXPECT_DOUBLE_EQ(p.samples.back().seconds - p.samples.front().seconds, kq::kGraphPoints - 1.0);
        EXPECT_EQ(p.samples.back().bufferPercent, 60);
        const std::string text = kq::ProgressText(p);
        EXPECT_NE(text.find(row.multiple), std::string::npos) << text;
        EXPECT_NE(text.find("buffer 60%  10:00 left"), std::string::npos) << text;
    }
}
