// Burns that fail: the drive's text reaches the report, the drive is
// flushed, and a failed disc is neither closed nor reported as written.
#include "e2e/BurnBench.h"

#include <filesystem>
#include <tuple>

using namespace e2e;
using vrec::MediumKind;

namespace {

TEST_F(BurnBench, MissingImageIsOneReportWithItsName) {
    Start(MediumKind::CdR);
    const std::string path = dir / "nowhere.iso";
    EXPECT_FALSE(burner->BurnISOImage(path));
    EXPECT_EQ(Reports(), std::vector<std::string>{"CAN'T OPEN FILE \"" + path +
                                                  "\" OR FILE IS IN USES BY OTHER SOFTWARE"});
    EXPECT_TRUE(Sent(kWrite).empty());
    EXPECT_FALSE(burner->Burning());
    EXPECT_EQ(kq::ActiveCacheThread.load(), nullptr);
    EXPECT_FALSE(burner->BurnISOImage(path)) << "judged afresh, not refused as a running burn";
    EXPECT_EQ(Reports().size(), 2u);
}

// The first refused WRITE ends the burn at once: flushed, not closed, not restored.
TEST_F(BurnBench, WriteErrorEndsAtOnceWithTheDrivesText) {
    Start(MediumKind::CdR, {"write lba>=54 check 3/0C/00"});
    ASSERT_TRUE(Burn(Image(Pattern(200 * 2048))));
    const auto reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].rfind("WRITER ERROR [MEDIUM ERROR", 0), 0u) << reports[0];
    EXPECT_EQ(reports[0].back(), ']');
    const auto writes = Sent(kWrite);
    ASSERT_EQ(writes.size(), 3u);  // 0, 27, then the refused 54: no retry
    EXPECT_LT(Last(kWrite), First(kSync));
    EXPECT_TRUE(Sent(kClose).empty());
    EXPECT_TRUE(Sent(kPreventAllow).empty());
    EXPECT_LT(Last(kSetSpeed), First(kWrite)) << "the drive's speed was not restored";
}

// A drive that drops off the bus mid-burn answers nothing more: the burn
// ends with the adapter's text at once instead of retrying it as busy.
TEST_F(BurnBench, VanishedDriveEndsTheBurnAtOnce) {
    Start(MediumKind::CdR, {"write lba>=54 vanish"});
    ASSERT_TRUE(Burn(Image(Pattern(200 * 2048))));
    const auto reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].rfind("WRITER ERROR [", 0), 0u) << reports[0];
    EXPECT_EQ(Sent(kWrite).size(), 3u) << "the vanished drive was retried";
    EXPECT_TRUE(Sent(kClose).empty());
}

// The image shrinks under the reader: the disc gets only bytes of the
// image, the burn ends with the reader's text, after the flush, unclosed.
TEST_F(BurnBench, ShortReadEndsTheBurnWithoutStaleBytes) {
    Start(MediumKind::CdR);
    burner->SetCacheSize(2097152);
    const std::string path = Image(Pattern(3000 * 2048));
    // The announcement comes after priming, before the first WRITE: the
    // queue is full and the reader is waiting for room.
    burner->OnDebugMessage = [&](kq::TSCSIDevice&, const std::string& line, uint8_t) {
        if (line.find("STARTING WRITE PROCESS") != std::string::npos)
            std::filesystem::resize_file(path, 100 * 2048);
    };
    ASSERT_TRUE(Burn(path));
    EXPECT_EQ(Reports(), std::vector<std::string>{"CAN'T READ FILE \"" + path + "\""});
    uint32_t sectors = 0;
    for (uint32_t n : GoodWriteLengths()) sectors += n;
    EXPECT_LE(sectors, 36u * 27u);  // what was queued before the file shrank
    image.resize(sectors * 2048);
    EXPECT_TRUE(DiscStartsWithImage(sectors));
    EXPECT_FALSE(Sent(kSync).empty());
    EXPECT_TRUE(Sent(kClose).empty());
}

// A drive whose cache holds the error until the flush: both flushes fail,
// so the burn fails and the session stays open.
TEST_F(BurnBench, ErrorSurfacingAtTheFlushFailsTheBurn) {
    Start(MediumKind::CdR, {"sync-cache check 3/0C/00"});
    ASSERT_TRUE(Burn(Image(Pattern(60 * 2048))));
    const auto reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].rfind("WRITER ERROR [MEDIUM ERROR", 0), 0u) << reports[0];
    const auto syncs = Sent(kSync);
    ASSERT_EQ(syncs.size(), 2u);
    EXPECT_EQ(syncs[0].cdb[1] & 0x02, 0);  // then once more with Immed
    EXPECT_EQ(syncs[1].cdb[1] & 0x02, 2);
    EXPECT_TRUE(Sent(kClose).empty());
}

TEST_F(BurnBench, FlushThatFailsOnlyOnceStillSucceeds) {
    Start(MediumKind::CdR, {"sync-cache times=1 check 3/0C/00"});
    ASSERT_TRUE(Burn(Image(Pattern(60 * 2048))));
    EXPECT_EQ(Reports(), std::vector<std::string>{""});
}

TEST_F(BurnBench, SessionCloseThatKeepsFailingFailsTheBurn) {
    Start(MediumKind::CdR, {"close check 3/72/00"});
    ASSERT_TRUE(Burn(Image(Pattern(60 * 2048))));
    const auto reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].rfind("WRITER ERROR [", 0), 0u) << reports[0];
    EXPECT_EQ(Sent(kClose).size(), 2u);  // sent exactly once more
}

TEST_F(BurnBench, CloseRetriedWhileTheDriveIsBusy) {
    Start(MediumKind::CdR, {"close times=5 not-ready"});
    ASSERT_TRUE(Burn(Image(Pattern(60 * 2048))));
    EXPECT_EQ(Reports(), std::vector<std::string>{""});
    EXPECT_EQ(Sent(kClose).size(), 6u);
    EXPECT_EQ(recorder->DiscState().ClosedSessions(), 1);
}

}  // namespace

// DVD-R: nothing will end the wait for the drive's drain after a flush
// that failed or once the drive is gone, or after an abort while the drive
// no longer answers: the wait ends at once, not at its 30-minute cap.
TEST_F(BurnBench, DrainWaitEndsWhenNothingWillEndIt) {
    const char* const gone = "read-disc-info nth=6 times=1000000 vanish";
    const std::tuple<std::vector<const char*>, bool, size_t> cases[] = {  // faults, abort, polls after the flush
        {{"sync-cache nth=1 vanish", gone}, false, 0}, {{"sync-cache nth=1 check 3/0C/00", gone}, false, 0},
        {{gone}, false, 1}, {{"read-disc-info nth=6 times=1000000 never"}, true, 1}};
    clock.realWaitMs = 300;
    int n = 0;
    for (const auto& [faults, abort, polls] : cases) {
        vrec::RecorderConfig config = Recorder(MediumKind::DvdR, dir / (std::to_string(++n) + ".img"));
        for (const char* f : faults) config.faults.push_back(Rule(f));
        burner.reset();
        Start(std::move(config));
        if (abort) burner->OnFinalizingTrack = [](kq::TQCDBurner& b) { b.AbortWrite(); };
        ASSERT_TRUE(Burn(Image(Pattern(300 * 2048))));
        const auto log = recorder->Log();
        size_t sent = 0;
        for (size_t i = static_cast<size_t>(First(kSync)) + 1; i < log.size() && log[i].Opcode() == 0x51; ++i) ++sent;
        EXPECT_EQ(sent, polls) << n;
    }
}
