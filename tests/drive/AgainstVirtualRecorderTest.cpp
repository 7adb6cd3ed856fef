// The executor against the virtual recorder's ASPI layer: real sense data,
// real late completion from the layer's thread, real events.
#include "support/FakeTransport.h"
#include "transport/InFlightRequest.h"
#include "vrecorder/VirtualAspi.h"

#include <gtest/gtest.h>

using namespace kq;
using kqtest::TestDevice;

namespace {

class AgainstVirtualRecorder : public ::testing::Test {
protected:
    void Start(vrec::MediumKind medium) {
        vrec::RecorderConfig config;  // in memory, 0:0:0
        config.medium = medium;
        config.capacity = medium == vrec::MediumKind::None ? 0 : 20000;
        layer = std::make_unique<vrec::VirtualAspi>(
            std::vector{std::make_shared<vrec::VirtualRecorder>(config)});
        Layer() = layer.get();
        InstallTransport(&Send, &Info, kAspiLibraryName);
        dev.HaId = dev.Target = dev.Lun = 0;
    }
    ~AgainstVirtualRecorder() override {
        ReleaseTransport();
        layer.reset();
        Layer() = nullptr;
    }

    static vrec::VirtualAspi*& Layer() {
        static vrec::VirtualAspi* layer = nullptr;
        return layer;
    }
    static uint32_t Send(void* srb) { return Layer()->Send(srb); }
    static uint32_t Info() { return Layer()->SupportInfo(); }

    std::unique_ptr<vrec::VirtualAspi> layer;
    TestDevice dev;
};

constexpr std::array<uint8_t, 6> kTestUnitReady{0x00};
constexpr std::array<uint8_t, 6> kInquiry{0x12, 0, 0, 0, 36, 0};

}  // namespace

TEST_F(AgainstVirtualRecorder, LateCompletionBringsTheReplyBack) {
    Start(vrec::MediumKind::CdR);
    layer->SetLateCompletion(30);
    std::array<uint8_t, 36> inquiry{};
    ASSERT_TRUE(dev.RunCommand(kInquiry, DataIn(inquiry), 5000));
    EXPECT_EQ(inquiry[0] & 0x1F, 0x05) << "a CD/DVD device";
    EXPECT_TRUE(dev.RunCommand(kTestUnitReady, NoData(), 5000));
    EXPECT_EQ(ParkedRequestCount(), 0u);
}

TEST_F(AgainstVirtualRecorder, TheDrivesOwnSenseBecomesTheErrorText) {
    Start(vrec::MediumKind::None);
    dev.Record();
    std::array<uint8_t, 10> cueSheet{0x5D, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(dev.RunCommand(cueSheet, NoData(), 5000));
    EXPECT_EQ(dev.LastErrorText(), "NOT READY (MEDIUM NOT PRESENT)");
    ASSERT_EQ(dev.lines.size(), 1u);
    EXPECT_NE(dev.lines[0].first.find("= 00 02 70 02 ASC:3A,ASQ:00 NOT READY (MEDIUM NOT PRESENT)"),
              std::string::npos);
}

// A request the layer never completes is parked; when the layer finally
// lets go (here: it aborts what it holds as it shuts down) the parked copy
// is freed, and nothing was written into freed memory meanwhile.
TEST_F(AgainstVirtualRecorder, NeverCompletedRequestIsHeldUntilTheLayerLetsGo) {
    Start(vrec::MediumKind::CdR);
    layer->SetNeverComplete(true);
    {
        kqtest::FakeTiming timing;
        platform::ScopedTiming scope(timing);
        std::vector<uint8_t> inquiry(36);
        const auto srb = dev.RunRequest(kInquiry, DataIn(inquiry), 5000);
        EXPECT_EQ(srb.SRB_Status, SS_ERR);
        EXPECT_EQ(srb.SRB_HaStat, HASTAT_TIMEOUT);
        EXPECT_EQ(timing.waits, std::vector<uint32_t>{10000});
    }
    EXPECT_EQ(ParkedRequestCount(), 1u);
    layer.reset();
    ReapParkedRequests();
    EXPECT_EQ(ParkedRequestCount(), 0u);
}
