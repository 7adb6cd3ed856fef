// How the session ends: test writes, FinalizeTrack, FinalizeDisc, and the
// close sequence of each DVD medium.
#include "e2e/BurnBench.h"
#include "vrecorder/Bytes.h"

using namespace e2e;
using vrec::MediumKind;

namespace {

std::vector<std::vector<uint8_t>> CloseCommands(const std::vector<vrec::LogEntry>& log) {
    std::vector<std::vector<uint8_t>> out;
    for (const auto& e : log) out.emplace_back(e.cdb.begin(), e.cdb.begin() + 6);
    return out;
}

TEST_F(BurnBench, TestWriteRecordsNothingAndNeverCloses) {
    Start(MediumKind::CdR);
    burner->SetTestWrite(true);
    burner->SetPerformOPC(true);
    ASSERT_TRUE(Burn(Image(Pattern(60 * 2048))));
    EXPECT_EQ(Reports(), std::vector<std::string>{""});
    EXPECT_EQ(GoodWriteLengths().size(), 12u);  // 60 sectors padded to 300
    EXPECT_TRUE(Sent(kClose).empty());
    EXPECT_TRUE(Sent(kSendOpc).empty());
    EXPECT_TRUE(recorder->DiscState().Blank());
    const auto lines = Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), ">>> TEST/DUMMY WRITE"), lines.end());
    EXPECT_FALSE(Sent(kPreventAllow).empty()) << "a test write still restores the drive";
}

TEST_F(BurnBench, FinalizeTrackFalseLeavesTheSessionOpen) {
    Start(MediumKind::CdR);
    burner->SetFinalizeTrack(false);
    ASSERT_TRUE(Burn(Image(Pattern(60 * 2048))));
    EXPECT_EQ(Reports(), std::vector<std::string>{""});
    EXPECT_TRUE(Sent(kClose).empty());
    EXPECT_EQ(recorder->DiscState().ClosedSessions(), 0);
    EXPECT_LT(First(kSync), Last(kPreventAllow)) << "the drive is still restored";
}

TEST_F(BurnBench, FinalizeDiscClosesTheDisc) {
    for (bool finalize : {false, true}) {
        SCOPED_TRACE(finalize);
        Start(Recorder(MediumKind::CdR, dir / (finalize ? "closed.img" : "open.img")));
        burner->SetFinalizeDisc(finalize);
        ASSERT_TRUE(Burn(Image(Pattern(60 * 2048))));
        EXPECT_EQ(Reports(), std::vector<std::string>{""});
        const vrec::Disc disc = recorder->DiscState();
        EXPECT_EQ(disc.ClosedSessions(), 1);
        EXPECT_EQ(disc.Finalized(), finalize);
        EXPECT_EQ(burner->FinalizeDisc(), finalize) << "the setting is put back after the burn";
        burner.reset();
        reports.clear();
    }
}

TEST_F(BurnBench, DvdPlusRClosesTrackThenSession) {
    Start(MediumKind::DvdPlusR);
    ASSERT_TRUE(Burn(Image(Pattern(70 * 2048))));
    EXPECT_EQ(Reports(), std::vector<std::string>{""});
    EXPECT_EQ(CloseCommands(Sent(kClose)), (std::vector<std::vector<uint8_t>>{
                                               {0x5B, 0, 1, 0, 0, 1}, {0x5B, 0, 2, 0, 0, 0xFF}}));
    EXPECT_TRUE(DiscStartsWithImage(70));
}

TEST_F(BurnBench, DvdMinusRReservesAndClosesThreeTimes) {
    Start(MediumKind::DvdR);
    ASSERT_TRUE(Burn(Image(Pattern(70 * 2048))));
    EXPECT_EQ(Reports(), std::vector<std::string>{""});
    const auto reserve = Sent(kReserve);
    ASSERT_EQ(reserve.size(), 1u);
    EXPECT_EQ(vrec::GetBE32(reserve[0].cdb, 5), 320u);  // TotalSectors 300, in 32-sector units
    EXPECT_EQ(CloseCommands(Sent(kClose)),
              (std::vector<std::vector<uint8_t>>{
                  {0x5B, 0, 1, 0, 0, 1}, {0x5B, 0, 1, 0, 0, 2}, {0x5B, 0, 2, 0, 0, 3}}));
    const auto syncs = Sent(kSync);
    ASSERT_EQ(syncs.size(), 1u);
    EXPECT_EQ(syncs[0].cdb[1] & 0x02, 2);
}

TEST_F(BurnBench, DvdMinusRwClosesTheSessionAtOnce) {
    Start(MediumKind::DvdRw);
    ASSERT_TRUE(Burn(Image(Pattern(70 * 2048))));
    EXPECT_EQ(Reports(), std::vector<std::string>{""});
    EXPECT_EQ(CloseCommands(Sent(kClose)), (std::vector<std::vector<uint8_t>>{{0x5B, 1, 2, 0, 0, 0}}));
}

}  // namespace

namespace {

// A DVD-R whose session close is refused keeps its data in an open session:
// that is no finished disc, whatever the other closes said.
TEST_F(BurnBench, DvdMinusRSessionCloseRefusedFailsTheBurn) {
    Start(MediumKind::DvdR, {"close nth=3 check 3/0C/00"});
    ASSERT_TRUE(Burn(Image(Pattern(70 * 2048))));
    EXPECT_EQ(Reports(), std::vector<std::string>{"WRITER ERROR [MEDIUM ERROR (WRITE ERROR)]"});
    EXPECT_EQ(recorder->DiscState().ClosedSessions(), 0);
    EXPECT_TRUE(DiscStartsWithImage(70));
}

// The drive gone after the data: the closes go unanswered, and the burn
// must not pass for a closed disc.
TEST_F(BurnBench, DvdMinusRDriveGoneAtTheFlushFailsTheBurn) {
    Start(MediumKind::DvdR, {"sync-cache vanish"});
    ASSERT_TRUE(Burn(Image(Pattern(70 * 2048))));
    const auto reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].rfind("WRITER ERROR [", 0), 0u) << reports[0];
    EXPECT_EQ(recorder->DiscState().ClosedSessions(), 0);
}

// A refused close after which the disc reads as closed fails nothing.
TEST_F(BurnBench, DvdMinusRRefusedTrackCloseWithTheSessionClosedSucceeds) {
    Start(MediumKind::DvdR, {"close nth=2 check 5/24/00"});
    ASSERT_TRUE(Burn(Image(Pattern(70 * 2048))));
    EXPECT_EQ(Reports(), std::vector<std::string>{""});
    EXPECT_EQ(recorder->DiscState().ClosedSessions(), 1);
}

}  // namespace
