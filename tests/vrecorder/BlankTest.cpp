// BLANK on rewritable discs: whole and minimal, with and without Immed,
// the progress it reports, the disc left behind, and the media it refuses.
#include "Harness.h"

using namespace vtest;
using vrec::GetBE16;
using vrec::MediumKind;

namespace {

constexpr uint32_t kBlankMs = 2000;
constexpr uint32_t kBlocks = 40;

Bytes BlankCdb(uint8_t type, bool immediate) {
    return {0xA1, static_cast<uint8_t>(type | (immediate ? 0x10 : 0)), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
}
const Bytes kTestUnitReady{0, 0, 0, 0, 0, 0};

uint16_t Progress(Drive& d) {
    Bytes sense = d.Ask({0x03, 0, 0, 0, 18, 0}, 18);
    EXPECT_EQ(sense[15] & 0x80, 0x80);  // progress indication valid
    return GetBE16(sense, 16);
}

class Blanking : public ::testing::Test {
protected:
    Blanking() {
        config.medium = MediumKind::CdRw;
        config.blankMs = kBlankMs;
    }
    // A closed session of kBlocks blocks: a used CD-RW.
    void Burn(Drive& d, uint8_t seed) {
        ASSERT_TRUE(d.SelectPage({.multiSession = 0}).Good());
        ASSERT_TRUE(d.Write(d.Nwa(0xFF), kBlocks, seed).Good());
        ASSERT_TRUE(d.Run(SyncCdb()).Good());
        ASSERT_TRUE(d.Run(CloseCdb(2)).Good());
    }

    TempDir dir;
    FakeClock clock;
    platform::ScopedTiming useClock{clock};
    vrec::RecorderConfig config = BlankCdR(dir.File("disc.img"));
};

struct BlankCase {
    uint8_t type;
    bool immediate;
    uint32_t ms;
};

class BlankKinds : public Blanking, public ::testing::WithParamInterface<BlankCase> {};

}  // namespace

TEST_P(BlankKinds, UsedDiscBecomesBlankAndTakesANewBurn) {
    const BlankCase c = GetParam();
    {
        Drive d(config);
        Burn(d, 3);
        ASSERT_EQ(d.DiscInfo()[2] & 0x03, 2);  // closed
        ASSERT_TRUE(d.Run(BlankCdb(c.type, c.immediate)).Good());
        if (c.immediate) {
            EXPECT_EQ(clock.Slept(), 0u);
            EXPECT_SENSE(d.Run(kTestUnitReady), 0x02, 0x04, 0x07);
            Bytes reply(34);
            EXPECT_SENSE(d.In(Alloc10(0x51, 34), reply), 0x02, 0x04, 0x07);
            uint16_t early = Progress(d);
            clock.Advance(c.ms / 2);
            uint16_t half = Progress(d);
            EXPECT_GT(half, early);
            EXPECT_NEAR(half, 0x8000, 0x200);
            clock.Advance(c.ms / 2 + 1);
        } else {
            EXPECT_EQ(clock.Slept(), c.ms);
        }
        EXPECT_TRUE(d.Run(kTestUnitReady).Good());
        EXPECT_EQ(d.DiscInfo()[2] & 0x0F, 0x00);  // blank, last session empty
        EXPECT_EQ(d.Nwa(1), 0u);
        Bytes back(2048);
        EXPECT_EQ(d.In(Read10(0, 1), back).status, vrec::kTargetStatusCheckCondition);  // no longer addressable
        EXPECT_EQ(d.rec->RecordedBytes(0, kBlocks), Bytes(kBlocks * 2048, 0));
    }
    // The blank disc is what the next run finds, and it takes a new burn.
    Drive d(config);
    EXPECT_EQ(d.DiscInfo()[2] & 0x0F, 0x00);
    Burn(d, 9);
    Bytes back(kBlocks * 2048);
    ASSERT_TRUE(d.In(Read10(0, kBlocks), back).Good());
    EXPECT_EQ(back, Pattern(kBlocks, 9));
}

INSTANTIATE_TEST_SUITE_P(WholeAndMinimal, BlankKinds,
                         ::testing::Values(BlankCase{0, false, kBlankMs}, BlankCase{0, true, kBlankMs},
                                           BlankCase{1, false, kBlankMs / 10}, BlankCase{1, true, kBlankMs / 10}));

TEST_F(Blanking, SequentialDvdRwIsBlankedToo) {
    config.medium = MediumKind::DvdRw;
    config.writes = {MediumKind::DvdRw};
    config.reads = {MediumKind::DvdRw};
    config.state = vrec::DiscState::Closed;
    config.recorded = 500;
    Drive d(config);
    ASSERT_EQ(d.DiscInfo()[2] & 0x03, 2);
    ASSERT_TRUE(d.Run(BlankCdb(1, false)).Good());
    EXPECT_EQ(d.DiscInfo()[2] & 0x0F, 0x00);
}

// What cannot be blanked is refused as a drive refuses it, and left as it was.
TEST_F(Blanking, RefusesMediaThatCannotBeBlankedAndUnknownTypes) {
    struct Refused {
        MediumKind medium;
        uint8_t type;
        vrec::Sense sense;
    };
    const Refused cases[] = {
        {MediumKind::CdR, 0, vrec::sense::IncompatibleMediumForWrite},
        {MediumKind::CdRom, 0, vrec::sense::IncompatibleMediumForWrite},
        {MediumKind::DvdPlusR, 1, vrec::sense::IncompatibleMediumForWrite},
        {MediumKind::DvdPlusRw, 0, vrec::sense::IncompatibleMediumForWrite},
        {MediumKind::CdRw, 2, vrec::sense::InvalidFieldInCdb},  // a track: not offered
        {MediumKind::CdRw, 7, vrec::sense::InvalidFieldInCdb},
    };
    for (const Refused& r : cases) {
        SCOPED_TRACE(std::string(vrec::InfoOf(r.medium).name) + " type " + std::to_string(r.type));
        vrec::RecorderConfig c = config;
        c.backing.clear();
        c.medium = r.medium;
        c.reads = c.writes = {MediumKind::CdR, MediumKind::CdRw, MediumKind::CdRom, MediumKind::DvdPlusR,
                              MediumKind::DvdPlusRw};
        c.state = vrec::DiscState::Appendable;
        c.recorded = 100;
        Drive d(c);
        Bytes before = d.DiscInfo();
        EXPECT_SENSE(d.Run(BlankCdb(r.type, true)), r.sense.key, r.sense.asc, r.sense.ascq);
        EXPECT_TRUE(d.Run(kTestUnitReady).Good());
        EXPECT_EQ(d.DiscInfo(), before);
    }
    // A CD-RW in a drive that only writes CD-R.
    config.writes = {MediumKind::CdR};
    Drive d(config);
    EXPECT_SENSE(d.Run(BlankCdb(0, false)), 0x05, 0x30, 0x05);
}
