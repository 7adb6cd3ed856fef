#include "support/FakeTransport.h"
#include "transport/InFlightRequest.h"

#include <gtest/gtest.h>

#include <array>
#include <thread>
#include <utility>

using namespace kq;
using kqtest::FakeTiming;
using kqtest::FakeTransport;
using kqtest::TestDevice;

namespace {
constexpr std::array<uint8_t, 6> kTestUnitReady{0x00};
constexpr std::array<uint8_t, 10> kReadDiscInfo{0x51, 0, 0, 0, 0, 0, 0, 0, 34, 0};
}  // namespace

TEST(ExecuteCommand, CompletedBeforeReturnIsNeverWaitedFor) {
    FakeTransport fake(FakeTransport::Complete(SS_COMP));
    FakeTiming timing;
    platform::ScopedTiming scope(timing);
    TestDevice dev;
    EXPECT_TRUE(dev.RunCommand(kTestUnitReady, NoData(), 5000));
    EXPECT_TRUE(timing.waits.empty());
    EXPECT_EQ(fake.Calls(), 1);
    EXPECT_EQ(dev.LastErrorText(), "");
}

TEST(ExecuteCommand, FillsTheBlockAsTheWrapperConventionSays) {
    SRB_ExecSCSICmd seen{};
    FakeTransport fake([&](SRB_ExecSCSICmd& srb) {
        seen = srb;
        srb.SRB_Status = SS_COMP;
    });
    TestDevice dev;
    dev.HaId = 3;
    dev.Target = 5;
    dev.Lun = 2;
    std::array<uint8_t, 34> reply{};
    ASSERT_TRUE(dev.RunCommand(kReadDiscInfo, DataIn(reply), 10000));
    EXPECT_EQ(seen.SRB_Cmd, SC_EXEC_SCSI_CMD);
    EXPECT_EQ(seen.SRB_Flags, 0x48);
    EXPECT_EQ(seen.SRB_HaId, 3);
    EXPECT_EQ(seen.SRB_Target, 5);
    EXPECT_EQ(seen.SRB_Lun, 2);
    EXPECT_EQ(seen.SRB_CDBLen, 10);
    EXPECT_EQ(seen.SRB_SenseLen, 24);
    EXPECT_EQ(seen.SRB_BufLen, 34u);
    EXPECT_EQ(seen.CDBByte[0], 0x51);
    EXPECT_EQ(seen.CDBByte[1], 2 << 5) << "LUN in bits 7-5 of CDB byte 1";
    EXPECT_EQ(seen.CDBByte[8], 34);
    EXPECT_NE(PostProcHandle(seen), 0) << "every block asks for the completion event";

    std::array<uint8_t, 8> out{};
    fake.SetAnswer([&](SRB_ExecSCSICmd& srb) {
        seen = srb;
        srb.SRB_Status = SS_COMP;
    });
    ASSERT_TRUE(dev.RunCommand(kTestUnitReady, DataOut(out), 10000));
    EXPECT_EQ(seen.SRB_Flags, 0x50);
    ASSERT_TRUE(dev.RunCommand(kTestUnitReady, NoData(), 10000));
    EXPECT_EQ(seen.SRB_Flags, 0x40);
    EXPECT_EQ(seen.SRB_BufLen, 0u);
}

TEST(ExecuteCommand, PendingRequestCompletedLaterFromAnotherThread) {
    std::thread layer;
    FakeTransport fake([&](SRB_ExecSCSICmd& srb) {
        FakeTransport::Deferred();
        layer = std::thread([&srb] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            srb.SRB_BufPointer[0] = 0xAB;
            kqtest::CompleteLate(srb, SS_COMP);
        });
    });
    TestDevice dev;
    std::array<uint8_t, 4> reply{};
    const bool ok = dev.RunCommand(kReadDiscInfo, DataIn(reply), 5000);
    layer.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(reply[0], 0xAB) << "data read by a late completion reaches the caller";
    EXPECT_EQ(ParkedRequestCount(), 0u);
}

// A layer that answers SS_PENDING and whose thread writes the final status
// before Send has even returned still signals afterwards: the sender waits
// for that signal rather than closing the event under the layer.
TEST(ExecuteCommand, PendingAnswerIsTrustedOverAStatusAlreadyFinal) {
    std::thread layer;
    std::atomic<bool> signalled{false};
    FakeTransport fake([&](SRB_ExecSCSICmd& srb) {
        FakeTransport::Deferred();
        std::atomic<bool> stored{false};
        layer = std::thread([&srb, &stored, &signalled] {
            StoreSrbStatus(srb.SRB_Status, SS_COMP);
            stored = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            signalled = true;
            (void)platform::SignalEvent(PostProcHandle(srb));
        });
        while (!stored) std::this_thread::yield();
    });
    TestDevice dev;
    EXPECT_TRUE(dev.RunCommand(kTestUnitReady, NoData(), 5000));
    EXPECT_TRUE(signalled.load()) << "the command ended before the layer let go of its event";
    layer.join();
}

// A layer that leaves every request pending, and a clock whose waits
// return at once.
class PendingLayer : public ::testing::Test {
protected:
    std::vector<SRB_ExecSCSICmd*> held;
    FakeTransport fake{FakeTransport::Pending(held)};
    FakeTiming timing;
    platform::ScopedTiming scope{timing};
    TestDevice dev;
};

TEST_F(PendingLayer, NeverCompletingRequestTimesOut) {
    const auto srb = dev.RunRequest(kTestUnitReady, NoData(), 5000);
    EXPECT_EQ(srb.SRB_Status, SS_ERR);
    EXPECT_EQ(srb.SRB_HaStat, HASTAT_TIMEOUT);
    EXPECT_EQ(dev.LastErrorText(), "");
    EXPECT_EQ(fake.Calls(), 1) << "nothing is sent twice, no abort either";
    EXPECT_EQ(timing.waits, std::vector<uint32_t>{10000});
}

TEST_F(PendingLayer, WaitLimitIsNeverBelowTenSeconds) {
    for (int timeout : {0, 5000, 10000, 10001, 180000}) (void)dev.RunCommand(kTestUnitReady, NoData(), timeout);
    EXPECT_EQ(timing.waits, (std::vector<uint32_t>{10000, 10000, 10000, 10001, 180000}));
}

TEST_F(PendingLayer, PendingWithoutEventIsTimedOutAtOnce) {
    SRB_ExecSCSICmd srb{};
    srb.SRB_CDBLen = 6;
    EXPECT_EQ(dev.ExecuteCommand(srb, 60000), 1);
    EXPECT_TRUE(timing.waits.empty());
    EXPECT_EQ(srb.SRB_Status, SS_ERR);
    EXPECT_EQ(srb.SRB_HaStat, HASTAT_TIMEOUT);
    EXPECT_EQ(PostProcHandle(srb), 0);
}

// An abort during a long wait leaves the drive one more second to answer;
// once its owner has given up on the drive, a second is all a command gets.
TEST_F(PendingLayer, WokenOrGivenUpWaitLastsASecond) {
    struct GivenUp : TestDevice {
        bool GiveUpWaiting() const override { return true; }
    } givenUp;
    struct WakingClock : FakeTiming {
        TestDevice* wake = nullptr;
        bool WaitEvent(const platform::Event& event, uint32_t ms) override {
            if (wake) std::exchange(wake, nullptr)->WakeCommandWait();
            return FakeTiming::WaitEvent(event, ms);
        }
    } clock;
    platform::ScopedTiming scoped{clock};
    clock.wake = &dev;
    EXPECT_EQ(dev.RunRequest(kTestUnitReady, NoData(), 180000).SRB_HaStat, HASTAT_TIMEOUT);
    givenUp.RunRequest(kTestUnitReady, NoData(), 180000);
    EXPECT_EQ(clock.waits, (std::vector<uint32_t>{180000, 1000, 1000}));
}

TEST(ExecuteCommand, NoTransportOrNoDriveSendsNothing) {
    TestDevice dev;
    SRB_ExecSCSICmd srb{};
    EXPECT_EQ(dev.ExecuteCommand(srb, 1000), kNotSent) << "no transport loaded";
    EXPECT_EQ(srb.SRB_Status, SS_PENDING);

    FakeTransport fake;
    dev.HaId = NoAddress;
    EXPECT_EQ(dev.ExecuteCommand(srb, 1000), kNotSent);
    EXPECT_EQ(srb.SRB_Status, SS_PENDING);
    EXPECT_EQ(srb.SRB_Cmd, 0) << "the block is not touched";
    EXPECT_FALSE(dev.RunCommand(kTestUnitReady, NoData(), 1000));
    EXPECT_EQ(fake.Calls(), 0);
    EXPECT_EQ(dev.LastErrorText(), "");
}

TEST(ExecuteCommand, EveryCommandClearsTheLastError) {
    FakeTransport fake(FakeTransport::CheckCondition(2, 0x3A, 0));
    TestDevice dev;
    EXPECT_FALSE(dev.RunCommand(kTestUnitReady, NoData(), 5000));
    EXPECT_EQ(dev.LastErrorText(), "NOT READY (MEDIUM NOT PRESENT)");
    EXPECT_EQ(dev.LastSense()[12], 0x3A);
    fake.SetAnswer(FakeTransport::Complete(SS_COMP));
    EXPECT_TRUE(dev.RunCommand(kTestUnitReady, NoData(), 5000));
    EXPECT_EQ(dev.LastErrorText(), "");
    EXPECT_EQ(dev.LastSense(), (std::array<uint8_t, SENSE_LEN>{}));
}

// A layer that completes a request after the sender gave up must write into
// memory that is still alive: the caller's buffer may be gone by then.
TEST(ExecuteCommand, LateCompletionAfterTimeOutTouchesNoFreedMemory) {
    std::vector<SRB_ExecSCSICmd*> held;
    FakeTransport fake(FakeTransport::Pending(held));
    {
        FakeTiming timing;
        platform::ScopedTiming scope(timing);
        TestDevice dev;
        auto reply = std::make_unique<std::array<uint8_t, 4096>>();
        reply->fill(0x11);
        const auto srb = dev.RunRequest(kReadDiscInfo, DataIn(*reply), 5000);
        EXPECT_EQ(srb.SRB_Status, SS_ERR);
        EXPECT_EQ((*reply)[0], 0x11) << "a timed-out request leaves the caller's data alone";
        reply.reset();
    }  // the device is gone too
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(ParkedRequestCount(), 1u);
    SRB_ExecSCSICmd& late = *held[0];
    std::memset(late.SRB_BufPointer, 0xEE, late.SRB_BufLen);
    late.SRB_TargStat = 0;
    kqtest::CompleteLate(late, SS_COMP);

    fake.SetAnswer(FakeTransport::Complete(SS_COMP));
    TestDevice next;
    EXPECT_TRUE(next.RunCommand(kTestUnitReady, NoData(), 5000));
    EXPECT_EQ(ParkedRequestCount(), 0u) << "released once the layer let go";
}

// Commands from two threads never overlap on one device object.
TEST(ExecuteCommand, OneCommandAtATimePerDevice) {
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    FakeTransport fake([&](SRB_ExecSCSICmd& srb) {
        if (inside.fetch_add(1) != 0) overlapped = true;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        srb.SRB_BufPointer[0] = srb.CDBByte[2];
        inside.fetch_sub(1);
        srb.SRB_Status = SS_COMP;
    });
    TestDevice dev;
    auto worker = [&](uint8_t tag) {
        std::array<uint8_t, 10> cdb{0x51, 0, tag};
        for (int i = 0; i < 50; ++i) {
            std::array<uint8_t, 1> reply{};
            (void)dev.RunCommand(cdb, DataIn(reply), 5000);
            if (reply[0] != tag) overlapped = true;
        }
    };
    std::thread a(worker, 1), b(worker, 2);
    a.join();
    b.join();
    EXPECT_FALSE(overlapped.load());
    EXPECT_EQ(fake.Calls(), 100);
}

// A layer that has written its final status but not yet signalled still
// holds the event: it must stay open until the signal comes.
TEST(ExecuteCommand, EventOutlivesAStatusWrittenBeforeTheSignal) {
    std::vector<SRB_ExecSCSICmd*> held;
    FakeTransport fake(FakeTransport::Pending(held));
    TestDevice dev;
    struct StatusOnWait : FakeTiming {
        std::vector<SRB_ExecSCSICmd*>* held;
        bool WaitEvent(const platform::Event&, uint32_t) override {
            StoreSrbStatus(held->back()->SRB_Status, SS_COMP);  // no signal yet
            return false;
        }
    } racing;
    racing.held = &held;
    platform::ScopedTiming raceScope(racing);
    EXPECT_TRUE(dev.RunCommand(kTestUnitReady, NoData(), 5000));
    EXPECT_EQ(ParkedRequestCount(), 1u);
    (void)platform::SignalEvent(PostProcHandle(*held.back()));
    fake.SetAnswer(FakeTransport::Complete(SS_COMP));
    EXPECT_TRUE(dev.RunCommand(kTestUnitReady, NoData(), 5000));
    EXPECT_EQ(ParkedRequestCount(), 0u);
}
