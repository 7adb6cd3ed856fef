// Fault rules: configured answers that no real drive gives on demand.
#include "Harness.h"

#include "vrecorder/FaultRules.h"

using namespace vtest;

namespace {

vrec::FaultRule Rule(const std::string& text) {
    std::string error;
    auto rule = vrec::ParseFaultRule(text, error);
    EXPECT_TRUE(rule) << text << ": " << error;
    return rule.value_or(vrec::FaultRule{});
}

Drive WithFaults(const TempDir& dir, std::initializer_list<const char*> rules) {
    auto config = BlankCdR(dir.File("disc.img"));
    for (const char* r : rules) config.faults.push_back(Rule(r));
    Drive d(config);
    EXPECT_TRUE(d.SelectPage({}).Good());
    return d;
}

}  // namespace

TEST(Faults, NthTimeFiresOnceAndOthersFollowTheirCounts) {
    TempDir dir;
    Drive d = WithFaults(dir, {"write nth=2 check 03/0C/00", "2Ah lba>=100 times=2 not-ready"});
    EXPECT_TRUE(d.Write(0, 10).Good());
    EXPECT_SENSE(d.Write(10, 10), 0x03, 0x0C, 0x00);
    EXPECT_TRUE(d.Write(10, 10).Good());  // the failed write recorded nothing
    EXPECT_TRUE(d.Write(20, 70).Good());
    EXPECT_SENSE(d.Write(90, 20), 0x02, 0x04, 0x08);  // reaches LBA 100
    EXPECT_SENSE(d.Write(90, 20), 0x02, 0x04, 0x08);
    EXPECT_TRUE(d.Write(90, 20).Good());
    EXPECT_EQ(d.rec->DiscState().Tracks()[0].recorded, 110u);
}

TEST(Faults, BusyNeverLateAndVanish) {
    TempDir dir;
    Drive d = WithFaults(dir, {"test-unit-ready nth=1 busy", "inquiry nth=1 never", "inquiry nth=2 late 40",
                               "read-disc-info vanish"});
    EXPECT_EQ(d.Run({0, 0, 0, 0, 0, 0}).status, vrec::kTargetStatusBusy);
    EXPECT_TRUE(d.Run({0, 0, 0, 0, 0, 0}).Good());
    Bytes reply(36);
    EXPECT_EQ(d.In({0x12, 0, 0, 0, 36, 0}, reply).delivery, vrec::Delivery::Never);
    auto late = d.In({0x12, 0, 0, 0, 36, 0}, reply);
    EXPECT_EQ(late.delivery, vrec::Delivery::Late);
    EXPECT_EQ(late.delayMs, 40u);
    EXPECT_EQ(late.transferred, 36u);
    EXPECT_EQ(d.In(Alloc10(0x51, 34), reply).delivery, vrec::Delivery::Vanished);
    EXPECT_TRUE(d.rec->Vanished());
    EXPECT_EQ(d.Run({0, 0, 0, 0, 0, 0}).delivery, vrec::Delivery::Vanished);
}

TEST(Faults, MediumRemovedAtAnAddressAndUnitAttentionAfterLoading) {
    TempDir dir;
    auto config = BlankCdR(dir.File("disc.img"));
    config.faults.push_back(Rule("write lba>=50 remove-medium"));
    config.unitAttentionOnChange = true;
    Drive d(config);
    ASSERT_TRUE(d.SelectPage({}).Good());
    EXPECT_TRUE(d.Write(0, 40).Good());
    EXPECT_SENSE(d.Write(40, 20), 0x02, 0x3A, 0x00);
    EXPECT_FALSE(d.rec->MediumPresent());
    ASSERT_TRUE(d.Run({0x1B, 0, 0, 0, 0x03, 0}).Good());
    EXPECT_SENSE(d.Run({0, 0, 0, 0, 0, 0}), 0x06, 0x28, 0x00);  // once
    EXPECT_TRUE(d.Run({0, 0, 0, 0, 0, 0}).Good());
    EXPECT_EQ(d.rec->DiscState().Tracks()[0].recorded, 40u);
}

TEST(Faults, MalformedRulesAreRefused) {
    for (const char* text : {"frobnicate busy", "write", "write check 3/0C", "write nth=0 busy",
                             "write late", "write busy extra", "write check 10/00/00", "1FFh busy"}) {
        std::string error;
        EXPECT_FALSE(vrec::ParseFaultRule(text, error)) << text;
        EXPECT_FALSE(error.empty());
    }
}

// Reading back a TAO CD track: its two run-out blocks are refused as a
// drive refuses them, READ CD returns the user data READ (10) does, and a
// read fault covers just the blocks of its range.
TEST(Faults, ReadingBackMeetsRunOutAndReadFaults) {
    TempDir dir;
    Drive d = WithFaults(dir, {"read lba>=7 lba<=8 check 03/11/00", "read-cd lba>=3 lba<=3 corrupt"});
    ASSERT_TRUE(d.Write(0, 10).Good());
    ASSERT_TRUE(d.Run(CloseCdb(1, 1)).Good());
    EXPECT_EQ(vrec::GetBE32(d.TrackInfo(1), 24), 12u);  // size: 10 of data, 2 of run-out
    auto readCd = [](uint32_t lba, uint8_t blocks, uint8_t type = 0, uint8_t byte9 = 0x10) {
        return Bytes{0xBE, static_cast<uint8_t>(type << 2), 0, 0, 0, static_cast<uint8_t>(lba), 0, 0, blocks, byte9, 0, 0};
    };
    struct Read {
        Bytes cdb;
        vrec::Sense sense;  // 0/0/0: the data comes back
        int corrupted;      // the block that comes back changed, or -1
    } reads[] = {
        {Read10(0, 6), {}, -1},         {Read10(6, 1), {}, -1},
        {Read10(6, 2), {3, 0x11, 0}, -1}, {Read10(9, 1), {}, -1},
        {Read10(9, 2), {5, 0x64, 0}, -1}, {Read10(11, 1), {5, 0x64, 0}, -1},
        {Read10(12, 1), {5, 0x21, 0}, -1}, {readCd(0, 10), {}, 3},
        {readCd(10, 1), {5, 0x64, 0}, -1}, {readCd(0, 1, 1), {5, 0x64, 0}, -1},
        {readCd(0, 1, 0, 0xF8), {5, 0x24, 0}, -1},
    };
    const Bytes written = Pattern(10, 1);
    for (const Read& r : reads) {
        Bytes reply(r.cdb[0] == 0x28 ? vrec::GetBE16(r.cdb, 7) * 2048u : r.cdb[8] * 2048u);
        auto result = d.In(r.cdb, reply);
        if (r.sense == vrec::Sense{}) {
            ASSERT_TRUE(result.Good()) << int(r.cdb[0]) << " at " << int(r.cdb[5]);
            Bytes expected(written.begin() + r.cdb[5] * 2048, written.begin() + r.cdb[5] * 2048 + reply.size());
            if (r.corrupted >= 0) expected[r.corrupted * 2048 + 100] ^= 0xFF;
            EXPECT_EQ(reply, expected) << int(r.cdb[0]) << " at " << int(r.cdb[5]);
        } else {
            EXPECT_SENSE(result, r.sense.key, r.sense.asc, r.sense.ascq);
        }
    }
}
