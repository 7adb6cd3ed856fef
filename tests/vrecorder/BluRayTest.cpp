// BD and dual-layer media: their capacities, what a BD drive refuses, and
// a BD-RE's format with its progress.
#include "Harness.h"

#include "platform/Timing.h"

#include <thread>

using namespace vtest;
using vrec::MediumKind;

namespace {

vrec::RecorderConfig Loaded(MediumKind medium, const std::string& backing, uint8_t layers = 1) {
    vrec::RecorderConfig c;
    c.medium = medium;
    c.layers = layers;
    c.backing = backing;
    c.writes = {MediumKind::CdR, MediumKind::BdR, MediumKind::BdRe, MediumKind::DvdPlusRDl, MediumKind::DvdRDl};
    return c;
}

const Bytes kModeSense05 = Alloc10(0x5A, 64, 0, 0x05);
const Bytes kModeSelect{0x55, 0x10, 0, 0, 0, 0, 0, 0, 60, 0};
const Bytes kFormatUnit{0x04, 0x11, 0, 0, 0, 0};

Bytes FormatList(uint32_t blocks, bool immediate) {
    Bytes list{0, static_cast<uint8_t>(immediate ? 0x02 : 0), 0, 8, 0, 0, 0, 0, 0x30 << 2, 0, 0, 0};
    vrec::PutBE32(list, 4, blocks);
    return list;
}

}  // namespace

TEST(BluRay, RealCapacitiesReadBackAsTheLastBlock) {
    struct Case { MediumKind medium; uint8_t layers; uint32_t sectors; };
    const Case cases[] = {{MediumKind::BdR, 1, 12219392},       {MediumKind::BdR, 2, 24438784},
                          {MediumKind::DvdPlusRDl, 1, 4173824}, {MediumKind::DvdRDl, 1, 4171712}};
    for (const Case& c : cases) {
        TempDir dir;
        Drive d(Loaded(c.medium, dir.File("disc.img"), c.layers));
        EXPECT_EQ(vrec::GetBE32(d.TrackInfo(1), 16), c.sectors) << int(c.medium);  // free blocks of the blank disc
    }
}

TEST(BluRay, RefusesWhatABdDriveRefuses) {
    struct Case { const char* what; MediumKind medium; Bytes cdb; Bytes out; vrec::Sense sense; };
    const Case cases[] = {
        {"page 05h asked", MediumKind::BdR, kModeSense05, {}, vrec::sense::InvalidFieldInCdb},
        {"page 05h sent", MediumKind::BdR, kModeSelect, WriteParameterList({}), vrec::sense::InvalidFieldInParameterList},
        {"write unformatted", MediumKind::BdRe, Write10(0, 1), Pattern(1, 1), vrec::sense::MediumNotFormatted},
        {"read unformatted", MediumKind::BdRe, Read10(0, 1), {}, vrec::sense::MediumNotFormatted},
        {"format a BD-R", MediumKind::BdR, kFormatUnit, FormatList(1000, false), vrec::sense::IncompatibleMediumForWrite},
        {"format too large", MediumKind::BdRe, kFormatUnit, FormatList(12219393, false),
         vrec::sense::InvalidFieldInParameterList},
        {"DVD+R finalize on BD-R", MediumKind::BdR, CloseCdb(5), {}, vrec::sense::InvalidFieldInCdb},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        Drive d(Loaded(c.medium, dir.File("disc.img")));
        Bytes reply(64);
        auto r = c.out.empty() ? (c.cdb[0] == 0x5B ? d.Run(c.cdb) : d.In(c.cdb, reply)) : d.Out(c.cdb, c.out);
        EXPECT_SENSE(r, c.sense.key, c.sense.asc, c.sense.ascq);
    }
}

// Formatting is refused for WRITE while it runs, reported with its
// progress, and leaves a sparse backing file: nothing recorded yet.
TEST(BluRay, FormatRunsWithProgressThenTheDiscTakesData) {
    TempDir dir;
    auto config = Loaded(MediumKind::BdRe, dir.File("disc.img"));
    config.formatMs = 400;
    Drive d(config);
    Bytes capacities = d.Ask(Alloc10(0x23, 252), 252);
    EXPECT_EQ(capacities[8] & 0x03, 1);  // unformatted
    ASSERT_TRUE(d.Out(kFormatUnit, FormatList(12219392, true)).Good());
    EXPECT_SENSE(d.Write(0, 1), 0x02, 0x04, 0x04);
    Bytes sense = d.Ask({0x03, 0, 0, 0, 18, 0}, 18);
    EXPECT_EQ(sense[12], 0x04);
    EXPECT_EQ(sense[15] & 0x80, 0x80);  // progress indication valid
    std::this_thread::sleep_for(std::chrono::milliseconds(450));
    EXPECT_EQ(d.Ask(Alloc10(0x23, 252), 252)[8] & 0x03, 2);  // formatted
    EXPECT_TRUE(d.Write(0, 1).Good());
    EXPECT_TRUE(d.Write(6000000, 1).Good());  // anywhere: written over in place
    EXPECT_EQ(d.rec->RecordedBytes(6000000, 1), Pattern(1, 1));
}
