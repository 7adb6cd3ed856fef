// Busy drives, aborts, and the component going away mid-burn.
#include "e2e/BurnBench.h"

#include <functional>
#include <mutex>

using namespace e2e;
using vrec::MediumKind;

namespace {

TEST_F(BurnBench, BusyAndNotReadyAreRetriedUntilTheDriveTakesTheBlock) {
    Start(MediumKind::CdR, {"write nth=2 times=3 not-ready", "write nth=6 times=2 busy"});
    ASSERT_TRUE(Burn(Image(Pattern(100 * 2048))));
    EXPECT_EQ(Reports(), std::vector<std::string>{""});
    EXPECT_EQ(Sent(kWrite).size(), 12u + 5u);  // four blocks and eight of padding, five refusals
    EXPECT_TRUE(DiscStartsWithImage(300));
}

TEST_F(BurnBench, TenThousandBusyAnswersGiveUp) {
    Start(MediumKind::CdR, {"write lba>=27 busy"});
    const uint64_t start = clock.NowMs();
    ASSERT_TRUE(Burn(Image(Pattern(100 * 2048))));
    EXPECT_EQ(Reports(), std::vector<std::string>{"WRITER BUSY/BUFFER FULL"});
    EXPECT_EQ(Sent(kWrite).size(), 1u + 10000u);
    EXPECT_GE(clock.NowMs() - start, 10000u * 600u);
    EXPECT_TRUE(Sent(kClose).empty());
}

TEST_F(BurnBench, AbortDuringTheDataPhase) {
    Start(MediumKind::CdR, {"write lba>=54 busy"});
    std::atomic<int> finalizing{0};
    burner->OnFinalizingTrack = [&](kq::TQCDBurner&) { ++finalizing; };
    ASSERT_TRUE(burner->BurnISOImage(Image(Pattern(300 * 2048))));
    ASSERT_TRUE(WaitUntil([&] { return Sent(kWrite).size() >= 4; })) << "the fourth WRITE never came";
    burner->AbortWrite();
    WaitForReport();
    EXPECT_EQ(Reports(), std::vector<std::string>{"OPERATION ABORTED BY USER"});
    EXPECT_EQ(finalizing.load(), 1);
    EXPECT_LT(Last(kWrite), First(kSync));
    EXPECT_TRUE(Sent(kClose).empty());
    EXPECT_EQ(burner->BytesWritten(), 81 * 2048);  // the refused block was counted as handed over
}

// An abort asked for while the cache primes is not lost.
TEST_F(BurnBench, AbortBeforeTheWriteThreadStartsIsKept) {
    Start(MediumKind::CdR);
    burner->OnDebugMessage = [&](kq::TSCSIDevice&, const std::string& line, uint8_t) {
        if (line.find("STARTING WRITE PROCESS") != std::string::npos) burner->AbortWrite();
    };
    ASSERT_TRUE(Burn(Image(Pattern(100 * 2048))));
    EXPECT_EQ(Reports(), std::vector<std::string>{"OPERATION ABORTED BY USER"});
    EXPECT_TRUE(Sent(kWrite).empty());
}

// An abort before anything that changes the disc (the reservation, OPC,
// the first WRITE) leaves it blank, whether it comes while the cache
// primes (46h) or while the drive is prepared: here it comes with a command.
TEST_F(BurnBench, AbortBeforeTheDiscChangesLeavesItBlank) {
    static std::atomic<int> abortAt;
    static std::atomic<kq::TQCDBurner*> target;
    const kq::SendASPI32CommandFn send = [](void* srb) -> uint32_t {
        const auto& r = *static_cast<kq::SRB_ExecSCSICmd*>(srb);
        if (r.SRB_Cmd == kq::SC_EXEC_SCSI_CMD && r.CDBByte[0] == abortAt && abortAt.exchange(-1) >= 0)
            target.load()->AbortWrite();
        return Layer()->Send(srb);
    };
    for (auto [medium, opcode] : {std::pair{MediumKind::CdR, 0x46}, {MediumKind::CdR, 0x5C}, {MediumKind::CdR, 0x55},
                                  {MediumKind::DvdR, 0xB6}, {MediumKind::DvdR, 0xBF}}) {
        burner.reset();
        Start(Recorder(medium, dir / (std::to_string(opcode) + ".img")));
        burner->SetPerformOPC(true);
        target = burner.get(), abortAt = opcode;
        kq::InstallTransport(send, &Info, kq::kAspiLibraryName);
        (void)burner->BurnISOImage(Image(Pattern(300 * 2048)));
        WaitForReport();
        EXPECT_EQ(burner->WriteDoneText(), "OPERATION ABORTED BY USER") << opcode;
        EXPECT_EQ(burner->WriteDoneOutcome(), kq::BurnOutcome::Aborted);
        for (uint8_t c : {kReserve, kSendOpc, kWrite, kSync, kClose}) EXPECT_TRUE(Sent(c).empty()) << opcode;
        EXPECT_TRUE(recorder->DiscState().Blank());
    }
}

TEST_F(BurnBench, SecondBurnWhileOneRunsIsRefused) {
    Start(MediumKind::CdR);
    // The host holds the first burn's report until the refusals are done,
    // so that burn is still running however fast its threads are.
    std::mutex postedLock;
    std::function<void()> posted;
    burner->Synchronize = [&](std::function<void()> call) {
        std::lock_guard hold(postedLock);
        posted = std::move(call);
    };
    const std::string path = Image(Pattern(100 * 2048));
    ASSERT_TRUE(burner->BurnISOImage(path));
    EXPECT_FALSE(burner->BurnISOImage(path));
    kq::TQCDBurner other;
    std::vector<std::string> otherReports;
    other.OnWriteDone = [&](kq::TQCDBurner&, const std::string& e) { otherReports.push_back(e); };
    EXPECT_FALSE(other.BurnISOImage(path));
    EXPECT_EQ(otherReports, std::vector<std::string>{"A BURN IS ALREADY RUNNING"});
    const bool reported = WaitUntil([&] {
        std::lock_guard hold(postedLock);
        return posted != nullptr;
    }, std::chrono::seconds(120));
    ASSERT_TRUE(reported) << "the burn never reported";
    posted();
    WaitForReport();
    EXPECT_EQ(Reports(), (std::vector<std::string>{"A BURN IS ALREADY RUNNING", ""}));
    EXPECT_EQ(kq::ActiveBurner.load(), burner.get());
    // Once reported, the next burn may start.
    burner->Synchronize = nullptr;
    EXPECT_TRUE(Burn(path));
}

// Destroying the component mid-burn aborts it, lets the flush finish and
// joins both threads; no report is raised into a host that is going away.
TEST_F(BurnBench, DestroyedMidBurnLeavesNoThreadBehind) {
    Start(MediumKind::CdR, {"write lba>=54 busy"});
    const int before = ThreadCount();
    // Larger than the cache, so the cache thread is still there, waiting
    // for room, while the drive stays busy.
    ASSERT_TRUE(burner->BurnISOImage(Image(Pattern(4000 * 2048))));
    ASSERT_TRUE(WaitUntil([&] { return Sent(kWrite).size() >= 4; })) << "the fourth WRITE never came";
    EXPECT_EQ(ThreadCount(), before + 3);  // the cache, its digest and the writer
    burner.reset();
    EXPECT_EQ(SettledThreadCount(before), before);
    EXPECT_TRUE(Reports().empty());
    EXPECT_FALSE(Sent(kSync).empty());
    EXPECT_TRUE(Sent(kClose).empty());
    EXPECT_EQ(kq::ActiveBurner.load(), nullptr);
    EXPECT_EQ(kq::ActiveCacheThread.load(), nullptr);
}

// Destroyed once every block went out (the flush still running): the
// session is closed and the drive restored before the component goes.
TEST_F(BurnBench, DestroyedAfterTheDataClosesTheSessionFirst) {
    Start(MediumKind::CdR, {"sync-cache times=1 late 300"});
    ASSERT_TRUE(burner->BurnISOImage(Image(Pattern(300 * 2048))));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (Sent(kSync).empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_FALSE(Sent(kSync).empty());
    burner.reset();
    EXPECT_TRUE(Reports().empty());
    EXPECT_EQ(recorder->DiscState().ClosedSessions(), 1);
    EXPECT_TRUE(DiscStartsWithImage(300));
    EXPECT_FALSE(Sent(kPreventAllow).empty()) << "the drive is restored";
}

}  // namespace
