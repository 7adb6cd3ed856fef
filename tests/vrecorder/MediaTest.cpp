// Media and what the drive says about them: profiles and features, ATIP,
// mode pages, and media written other than track at once.
#include "Harness.h"

using namespace vtest;
using vrec::GetBE16;
using vrec::GetBE32;
using vrec::MediumKind;

namespace {

vrec::RecorderConfig Loaded(const TempDir& dir, MediumKind kind) {
    auto c = BlankCdR(dir.File("disc.img"), 0);
    c.medium = kind;
    c.reads = {MediumKind::CdRom, MediumKind::CdR, MediumKind::CdRw, MediumKind::DvdRom, MediumKind::DvdR,
               MediumKind::DvdPlusR, MediumKind::DvdPlusRw, MediumKind::DvdRam};
    c.writes = {MediumKind::CdR, MediumKind::CdRw, MediumKind::DvdR, MediumKind::DvdPlusR, MediumKind::DvdPlusRw};
    c.feature2A = c.feature2F = true;
    return c;
}

Bytes Feature(Drive& d, uint16_t code) {
    Bytes cdb = Alloc10(0x46, 114, 2);
    vrec::PutBE16(cdb, 2, code);
    return d.Ask(cdb, 114);
}

}  // namespace

TEST(Media, ProfilesFollowTheLoadedMedium) {
    TempDir dir;
    for (auto [kind, profile] : {std::pair{MediumKind::CdRom, 0x0008}, std::pair{MediumKind::CdR, 0x0009},
                                 std::pair{MediumKind::CdRw, 0x000A}, std::pair{MediumKind::DvdR, 0x0011},
                                 std::pair{MediumKind::DvdPlusR, 0x001B}, std::pair{MediumKind::DvdPlusRw, 0x001A},
                                 std::pair{MediumKind::DvdRam, 0x0012}}) {
        Drive d(Loaded(dir, kind));
        Bytes list = Feature(d, 0);
        EXPECT_EQ(GetBE16(list, 6), profile);
        ASSERT_EQ(GetBE16(list, 8), 0x0000);
        int current = 0;
        for (size_t at = 12; at + 4 <= 12u + list[11]; at += 4)
            if (list[at + 2] & 1) current = GetBE16(list, at);
        EXPECT_EQ(current, profile);
        EXPECT_EQ(GetBE32(list, 0), list.size() - 4);
    }
}

TEST(Media, WriteFeaturesAsConfigured) {
    TempDir dir;
    Drive d(Loaded(dir, MediumKind::DvdPlusRw));
    Bytes plusRw = Feature(d, 0x2A);
    EXPECT_EQ(GetBE16(plusRw, 8), 0x002A);
    EXPECT_EQ(plusRw[10] & 1, 1);  // current
    EXPECT_EQ(plusRw[12], 1);      // writes
    EXPECT_EQ(GetBE16(Feature(d, 0x2F), 8), 0x002F);
    // Only current features with request type 1: no CD writing with a DVD loaded.
    Bytes current = d.Ask(Alloc10(0x46, 1000, 1), 1000);
    for (size_t at = 8; at + 4 <= current.size(); at += 4 + current[at + 3]) {
        EXPECT_EQ(current[at + 2] & 1, 1);
        EXPECT_NE(GetBE16(current, at), 0x002D);
    }
    auto config = Loaded(dir, MediumKind::CdR);
    config.feature2A = config.feature2F = false;
    Drive cd(config);
    EXPECT_EQ(Feature(cd, 0x2A).size(), 8u);  // header only
    EXPECT_EQ(Feature(cd, 0x2D)[12] & 0x44, 0x44);  // TAO with BUF and test write
}

TEST(Media, AtipTellsCdRFromCdRwAndGivesTheCapacity) {
    TempDir dir;
    auto config = Loaded(dir, MediumKind::CdR);
    config.capacity = 359849;
    Bytes atip = Drive(config).Ask(Alloc10(0x43, 28, 0x02, 4), 28);
    ASSERT_EQ(atip.size(), 28u);
    EXPECT_EQ(GetBE16(atip, 0), 26);
    EXPECT_EQ(atip[6] & 0xC0, 0x80);
    EXPECT_EQ(Bytes(atip.begin() + 8, atip.begin() + 11), (Bytes{97, 26, 66}));
    EXPECT_EQ(Bytes(atip.begin() + 12, atip.begin() + 15), (Bytes{79, 59, 74}));
    config.medium = MediumKind::CdRw;
    config.capacity = 333000;
    atip = Drive(config).Ask(Alloc10(0x43, 28, 0x02, 4), 28);
    EXPECT_EQ(atip[6] & 0xC0, 0xC0);
    EXPECT_EQ(Bytes(atip.begin() + 12, atip.begin() + 15), (Bytes{74, 2, 0}));
    Drive dvd(Loaded(dir, MediumKind::DvdR));
    Bytes reply(28);
    EXPECT_SENSE(dvd.In(Alloc10(0x43, 28, 0x02, 4), reply), 0x05, 0x24, 0x00);
}

TEST(Media, ModePagesWithAndWithoutBlockDescriptor) {
    TempDir dir;
    auto config = Loaded(dir, MediumKind::CdR);
    config.blockDescriptor = true;
    config.vendorPage30 = true;
    config.maxWriteSpeed = 0;
    Drive d(config);
    Bytes withDescriptor = d.Ask(Alloc10(0x5A, 255, 0, 0x05), 255);
    EXPECT_EQ(GetBE16(withDescriptor, 6), 8);
    EXPECT_EQ(withDescriptor[16], 0x05);
    EXPECT_EQ(withDescriptor[17], 0x32);
    EXPECT_EQ(GetBE16(withDescriptor, 0), 8 + 8 + 52 - 2);
    Bytes without = d.Ask(Alloc10(0x5A, 255, 0x08, 0x05), 255);  // DBD
    EXPECT_EQ(without[8], 0x05);
    Bytes vendor = d.Ask(Alloc10(0x5A, 128, 0, 0x30), 128);
    EXPECT_EQ(vendor[16], 0x30);
    Bytes caps = d.Ask(Alloc10(0x5A, 255, 0x08, 0x2A), 255);
    EXPECT_EQ(GetBE16(caps, 8 + 18), 0);  // write speed 0 reported as configured
    EXPECT_EQ(GetBE16(caps, 8 + 30), 0);  // and no speed descriptors
    // A page that came back with its block descriptor goes in again as is.
    Bytes list(withDescriptor.begin(), withDescriptor.begin() + 68);
    list[0] = list[1] = 0;
    Bytes cdb{0x55, 0x10, 0, 0, 0, 0, 0, 0, 68, 0};
    EXPECT_TRUE(d.Out(cdb, list).Good());
}

TEST(Media, RandomWritableDvdPlusRwNeedsNoPageOrAddress) {
    TempDir dir;
    auto config = Loaded(dir, MediumKind::DvdPlusRw);
    config.capacity = 5000;
    Drive d(config);
    ASSERT_TRUE(d.Write(4000, 16, 5).Good());
    ASSERT_TRUE(d.Write(100, 16, 6).Good());
    EXPECT_SENSE(d.Write(4990, 16), 0x05, 0x21, 0x00);
    Bytes back(16 * 2048);
    ASSERT_TRUE(d.In(Read10(4000, 16), back).Good());
    EXPECT_EQ(back, Pattern(16, 5));
    EXPECT_EQ(GetBE32(d.Ask({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8), 0), 4999u);
}

TEST(Media, PressedAndPreRecordedDiscs) {
    TempDir dir;
    auto config = Loaded(dir, MediumKind::CdRom);
    config.capacity = 3000;
    Drive rom(config);
    EXPECT_SENSE(rom.Write(0, 1), 0x05, 0x30, 0x05);
    EXPECT_EQ(rom.DiscInfo()[2], 0x0E);
    Bytes block(2048);
    EXPECT_TRUE(rom.In(Read10(2999, 1), block).Good());

    TempDir other;
    auto appendable = Loaded(other, MediumKind::CdR);
    appendable.state = vrec::DiscState::Appendable;
    appendable.recorded = 500;
    Drive d(appendable);
    Bytes info = d.DiscInfo();
    EXPECT_EQ(info[2], 0x01);
    EXPECT_EQ(info[4], 2);
    EXPECT_EQ(d.Nwa(2), 500u + 11400u);
    EXPECT_SENSE(d.In(Read10(500, 1), block), 0x05, 0x21, 0x00);  // nothing recorded there
}
