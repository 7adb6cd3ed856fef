// Blank and the wait for its end, against the virtual recorder: the
// command block, the progress read while the drive erases, and the
// drive's own text when it refuses.
#include "drive/VirtualLayer.h"
#include "drive/TSCSIDevice.h"

#include <gtest/gtest.h>

using namespace kq;

namespace {

constexpr uint32_t kBlankMs = 400;

class BlankDrive : public ::testing::Test {
protected:
    void Start(vrec::MediumKind medium, const std::string& fault = "") {
        vrec::RecorderConfig c = kqtest::At(0, 0);
        c.medium = medium;
        c.writes = {vrec::MediumKind::CdR, vrec::MediumKind::CdRw, vrec::MediumKind::DvdPlusR};
        c.reads = c.writes;
        c.state = vrec::DiscState::Closed;
        c.recorded = 1000;
        c.blankMs = kBlankMs;
        if (!fault.empty()) {
            std::string error;
            c.faults.push_back(*vrec::ParseFaultRule(fault, error));
        }
        layer = std::make_unique<kqtest::VirtualLayer>(std::vector{c});
        dev.HaId = dev.Target = dev.Lun = 0;
    }
    vrec::VirtualRecorder& Recorder() { return *layer->recorders[0]; }
    std::vector<uint8_t> LastCdb() { return Recorder().Log().back().cdb; }

    std::unique_ptr<kqtest::VirtualLayer> layer;
    TSCSIDevice dev;
};

}  // namespace

TEST_F(BlankDrive, CommandBlockCarriesTypeAndImmed) {
    Start(vrec::MediumKind::CdRw);
    ASSERT_TRUE(dev.Blank(1, false));
    EXPECT_EQ(LastCdb(), (std::vector<uint8_t>{0xA1, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    ASSERT_TRUE(dev.Blank(0, true));
    EXPECT_EQ(LastCdb(), (std::vector<uint8_t>{0xA1, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(Recorder().DiscState().Blank());
}

TEST_F(BlankDrive, WaitReadsRisingProgressUntilTheDiscIsBlank) {
    Start(vrec::MediumKind::CdRw);
    ASSERT_TRUE(dev.Blank(0, true));
    std::vector<uint16_t> seen;
    ASSERT_TRUE(dev.WaitForOperation(10000, 50, [&](uint16_t p) { seen.push_back(p); }));
    ASSERT_GE(seen.size(), 3u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_LT(seen.front(), seen.back());
    EXPECT_TRUE(dev.TestUnitReady(5000));
    EXPECT_TRUE(Recorder().DiscState().Blank());
}

TEST_F(BlankDrive, WaitGivesUpWhenTheBudgetRunsOut) {
    Start(vrec::MediumKind::CdRw);
    ASSERT_TRUE(dev.Blank(0, true));
    EXPECT_FALSE(dev.WaitForOperation(100, 50, {}));
    EXPECT_TRUE(dev.WaitForOperation(10000, 50, {}));
}

TEST_F(BlankDrive, RefusalsCarryTheDrivesText) {
    struct Case {
        vrec::MediumKind medium;
        std::string fault;
        std::string text;
    };
    const Case cases[] = {
        {vrec::MediumKind::CdR, "", "ILLEGAL REQUEST (CANNOT WRITE MEDIUM - INCOMPATIBLE FORMAT)"},
        {vrec::MediumKind::CdRw, "blank check 3/0C/00", "MEDIUM ERROR (WRITE ERROR)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        layer.reset();
        Start(c.medium, c.fault);
        EXPECT_FALSE(dev.Blank(0, true));
        EXPECT_EQ(dev.LastErrorText(), c.text);
        EXPECT_FALSE(Recorder().DiscState().Blank());
    }
}
