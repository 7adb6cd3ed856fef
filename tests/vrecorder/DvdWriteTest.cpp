// DVD media at the command level, with the write parameters pages the
// burner builds: DVD-R and sequential DVD-RW are written by the page;
// DVD+R, DVD+RW and restricted overwrite DVD-RW take it and ignore it.
#include "Harness.h"

using namespace vtest;
using vrec::GetBE16;
using vrec::GetBE32;
using vrec::MediumKind;

namespace {

constexpr uint32_t kCapacity = 20000;

// MODE SELECT (10) list: header, then page 05h with bytes 2 and 3 as
// given, Mode 1 data, link size at byte 5 and packet size at bytes 10-13.
Bytes DvdPage(uint8_t byte2, uint8_t byte3, uint8_t linkSize, uint32_t packetSize) {
    Bytes list(60, 0);
    list[8] = 0x05;
    list[9] = 0x32;
    list[10] = byte2;
    list[11] = byte3;
    list[12] = 0x08;
    list[13] = linkSize;
    vrec::PutBE32(list, 18, packetSize);
    return list;
}

const Bytes kSelect{0x55, 0x10, 0, 0, 0, 0, 0, 0, 60, 0};
const Bytes kSenseWriteParameters = Alloc10(0x5A, 60, 0x08, 0x05);

class DvdWrite : public ::testing::Test {
protected:
    Drive Load(MediumKind kind, const std::string& file = "disc.img") {
        auto c = BlankCdR(dir.File(file), kCapacity);
        c.medium = kind;
        c.reads = {MediumKind::DvdRom};
        c.writes = {MediumKind::CdR, MediumKind::CdRw, MediumKind::DvdR, MediumKind::DvdRw,
                    MediumKind::DvdPlusR, MediumKind::DvdPlusRw, MediumKind::DvdRam};
        return Drive(c);
    }
    // Writes `blocks` in WRITE (10)s of 16 from `lba` on; the data sent.
    static Bytes WriteRun(Drive& d, uint32_t lba, uint32_t blocks, uint8_t seed) {
        Bytes sent;
        for (uint32_t done = 0; done < blocks; done += 16) {
            Bytes data = Pattern(16, static_cast<uint8_t>(seed + done));
            EXPECT_TRUE(d.Out(Write10(lba + done, 16), data).Good()) << "at " << lba + done;
            sent.insert(sent.end(), data.begin(), data.end());
        }
        return sent;
    }
    static Bytes ReadBack(Drive& d, uint32_t lba, uint32_t blocks) {
        Bytes back(size_t{blocks} * 2048);
        EXPECT_TRUE(d.In(Read10(lba, static_cast<uint16_t>(blocks)), back).Good());
        return back;
    }
    // The page MODE SENSE gives back is the one selected, byte for byte.
    static void ExpectPageKept(Drive& d, const Bytes& list) {
        Bytes page = d.Ask(kSenseWriteParameters, 60);
        ASSERT_EQ(page.size(), 60u);
        EXPECT_TRUE(std::equal(page.begin() + 8, page.end(), list.begin() + 8));
    }

    TempDir dir;
};

}  // namespace

TEST_F(DvdWrite, PlusRTakesThePageWritesWithoutACueSheetAndClosesAppendable) {
    Drive d = Load(MediumKind::DvdPlusR);
    Bytes list = DvdPage(0x62, 0xC4, 0, 16);  // BUFE, LS_V, session at once
    ASSERT_TRUE(d.Out(kSelect, list).Good());
    ExpectPageKept(d, list);
    EXPECT_EQ(d.Nwa(0xFF), 0u);
    Bytes sent = WriteRun(d, 0, 96, 3);
    EXPECT_SENSE(d.Write(0, 16), 0x05, 0x21, 0x02);  // still sequential
    ASSERT_TRUE(d.Run(SyncCdb()).Good());
    ASSERT_TRUE(d.Run(CloseCdb(1, 1)).Good());
    ASSERT_TRUE(d.Run(CloseCdb(2, 255)).Good());
    EXPECT_EQ(ReadBack(d, 0, 96), sent);

    Bytes info = d.DiscInfo();
    EXPECT_EQ(info[2], 0x01);  // appendable, last session empty, not erasable
    EXPECT_EQ(info[4], 2);     // the closed session and the empty one
    EXPECT_EQ(info[5], 2);
    EXPECT_EQ(info[6], 2);
    Bytes track = d.TrackInfo(1);
    EXPECT_EQ(track[5] & 0x0F, 4);
    EXPECT_EQ(track[6], 0x01);  // complete; no packet or fixed-packet bits on DVD+R
    EXPECT_EQ(track[7] & 0x01, 0);
    EXPECT_EQ(GetBE32(track, 24), 96u);
    Bytes next = d.TrackInfo(2);
    EXPECT_EQ(next[6] & 0x40, 0x40);  // blank
    EXPECT_EQ(GetBE32(next, 12), 96u);

    // The next session needs no page at all; finalizing ends the disc.
    ASSERT_TRUE(d.Write(96, 16).Good());
    ASSERT_TRUE(d.Run(CloseCdb(5)).Good());
    EXPECT_EQ(d.DiscInfo()[2], 0x0E);
    EXPECT_SENSE(d.Write(112, 1), 0x07, 0x27, 0x00);
}

TEST_F(DvdWrite, PlusRwTakesThePageAndWritesAnywhere) {
    Drive d = Load(MediumKind::DvdPlusRw);
    Bytes list = DvdPage(0x62, 0x04, 16, 0);
    ASSERT_TRUE(d.Out(kSelect, list).Good());
    ExpectPageKept(d, list);
    Bytes first = WriteRun(d, 0, 32, 7);
    Bytes later = WriteRun(d, 5000, 16, 9);
    ASSERT_TRUE(d.Run(SyncCdb()).Good());
    ASSERT_TRUE(d.Run(CloseCdb(3)).Good());
    EXPECT_EQ(ReadBack(d, 0, 32), first);
    EXPECT_EQ(ReadBack(d, 5000, 16), later);
    EXPECT_EQ(d.DiscInfo()[2], 0x1E);  // erasable, complete
    EXPECT_EQ(GetBE32(d.Ask({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8), 0), kCapacity - 1);
}

TEST_F(DvdWrite, DashRReservedIncrementalTrackClosesAndLeavesTheDiscAppendable) {
    Drive d = Load(MediumKind::DvdR);
    Bytes list = DvdPage(0x60, 0xE5, 16, 16);  // BUFE, LS_V, packet; multi-session, FP, track mode 5
    ASSERT_TRUE(d.Out(kSelect, list).Good());
    ExpectPageKept(d, list);
    ASSERT_TRUE(d.Run({0x53, 0, 0, 0, 0, 0, 0, 0, 64, 0}).Good());  // RESERVE TRACK 64
    Bytes sent = WriteRun(d, 0, 64, 5);
    ASSERT_TRUE(d.Run(SyncCdb()).Good());
    ASSERT_TRUE(d.Run(CloseCdb(1, 1)).Good());
    ASSERT_TRUE(d.Run(CloseCdb(1, 2)).Good());
    ASSERT_TRUE(d.Run(CloseCdb(2)).Good());
    EXPECT_EQ(ReadBack(d, 0, 64), sent);

    Bytes info = d.DiscInfo();
    EXPECT_EQ(info[2], 0x01);
    EXPECT_EQ(info[4], 2);
    Bytes track = d.TrackInfo(1);
    EXPECT_EQ(track[5] & 0x0F, 5);
    EXPECT_EQ(GetBE32(track, 24), 64u);
    EXPECT_EQ(d.Nwa(2), 64u);
}

TEST_F(DvdWrite, SequentialDashRwIncrementalClosesWithImmediate) {
    Drive d = Load(MediumKind::DvdRw);
    Bytes list = DvdPage(0x20, 0xC5, 16, 0);  // LS_V, variable packets
    ASSERT_TRUE(d.Out(kSelect, list).Good());
    ExpectPageKept(d, list);
    Bytes sent = WriteRun(d, 0, 48, 11);
    ASSERT_TRUE(d.Run(SyncCdb()).Good());
    ASSERT_TRUE(d.Run(CloseCdb(2, 0, true)).Good());
    EXPECT_TRUE(d.Run({0, 0, 0, 0, 0, 0}).Good());
    EXPECT_EQ(ReadBack(d, 0, 48), sent);
    EXPECT_EQ(d.DiscInfo()[2], 0x11);  // erasable, appendable
    EXPECT_EQ(d.Nwa(2), 48u);
    EXPECT_EQ(d.TrackInfo(2)[6] & 0x60, 0x60);  // blank, incremental
}

TEST_F(DvdWrite, RestrictedOverwriteDashRwIgnoresThePage) {
    Drive d = Load(MediumKind::DvdRwRo);
    EXPECT_EQ(GetBE16(d.Ask(Alloc10(0x46, 8), 8), 6), 0x0013);
    Bytes list = DvdPage(0x20, 0xC5, 16, 0);
    ASSERT_TRUE(d.Out(kSelect, list).Good());
    ExpectPageKept(d, list);
    Bytes first = WriteRun(d, 0, 48, 13);
    Bytes later = WriteRun(d, 10000, 16, 15);
    ASSERT_TRUE(d.Run(SyncCdb()).Good());
    ASSERT_TRUE(d.Run(CloseCdb(2, 0, true)).Good());
    EXPECT_EQ(ReadBack(d, 0, 48), first);
    EXPECT_EQ(ReadBack(d, 10000, 16), later);
    EXPECT_EQ(d.DiscInfo()[2], 0x1E);
    EXPECT_SENSE(d.Run(CloseCdb(5)), 0x05, 0x24, 0x00);  // nothing to finalize
    EXPECT_SENSE(d.Write(kCapacity - 8, 16), 0x05, 0x21, 0x00);
}

TEST_F(DvdWrite, TestWriteBitIsIgnoredWhereThePageDoesNotApply) {
    for (MediumKind kind : {MediumKind::DvdPlusR, MediumKind::DvdPlusRw, MediumKind::DvdRam}) {
        Drive d = Load(kind, std::string(vrec::InfoOf(kind).name) + ".img");
        ASSERT_TRUE(d.Out(kSelect, DvdPage(0x72, 0xC4, 0, 0)).Good());  // test write set
        Bytes sent = WriteRun(d, 0, 16, 17);
        ASSERT_TRUE(d.Run(SyncCdb()).Good());
        EXPECT_EQ(d.rec->RecordedBytes(0, 16), sent) << int(kind);
    }
}

TEST_F(DvdWrite, PagesStillRefused) {
    Drive plus = Load(MediumKind::DvdPlusR);
    Bytes shortPage = DvdPage(0x62, 0xC4, 0, 16);
    shortPage[9] = 0x30;  // page length of a page cut two bytes short
    EXPECT_SENSE(plus.Out(kSelect, shortPage), 0x05, 0x26, 0x00);
    Bytes cut = DvdPage(0x62, 0xC4, 0, 16);
    cut.resize(58);
    EXPECT_SENSE(plus.Out({0x55, 0x10, 0, 0, 0, 0, 0, 0, 58, 0}, cut), 0x05, 0x1A, 0x00);  // list cut short
    EXPECT_SENSE(plus.Write(16, 16), 0x05, 0x21, 0x02);

    Drive minus = Load(MediumKind::DvdR, "minus.img");
    EXPECT_SENSE(minus.Write(0, 16), 0x05, 0x2C, 0x00);                          // no page yet
    EXPECT_SENSE(minus.Out(kSelect, DvdPage(0x21, 0xC5, 16, 0)), 0x05, 0x26, 0x00);  // track at once
    EXPECT_SENSE(minus.Out(kSelect, DvdPage(0x20, 0xC5, 7, 0)), 0x05, 0x26, 0x00);   // CD link size
    // Disc at once writes into a reserved track only.
    ASSERT_TRUE(minus.Out(kSelect, DvdPage(0x62, 0x05, 16, 0)).Good());
    EXPECT_SENSE(minus.Write(0, 16), 0x05, 0x2C, 0x00);
    ASSERT_TRUE(minus.Run({0x53, 0, 0, 0, 0, 0, 0, 0, 32, 0}).Good());
    EXPECT_TRUE(minus.Write(0, 16).Good());
}

TEST_F(DvdWrite, CdSessionAtOnceStillWantsACueSheet) {
    Drive d = Load(MediumKind::CdR);
    ASSERT_TRUE(d.Out(kSelect, DvdPage(0x62, 0xC4, 0, 0)).Good());
    EXPECT_SENSE(d.Write(0, 16), 0x05, 0x2C, 0x00);
    EXPECT_SENSE(d.Run(CloseCdb(2)), 0x05, 0x2C, 0x00);
}

TEST(DvdWriteTiming, MediaWrittenWithoutThePageNeverLoseStreaming) {
    FakeClock clock;
    platform::ScopedTiming useClock{clock};
    for (MediumKind kind : {MediumKind::DvdPlusR, MediumKind::DvdPlusRw}) {
        TempDir dir;
        auto c = BlankCdR(dir.File("disc.img"));
        c.medium = kind;
        c.writes = {kind};
        c.writeSpeedKBps = 1000;
        c.bufferSize = 64 * 2048;
        Drive d(c);
        ASSERT_TRUE(d.Out(kSelect, DvdPage(0x22, 0xC4, 0, 0)).Good());  // BUFE clear
        ASSERT_TRUE(d.Write(0, 16).Good());
        clock.Advance(1000);  // the buffer runs dry
        EXPECT_TRUE(d.Write(16, 16).Good()) << int(kind);
    }
}

TEST(DvdWriteConfig, RestrictedOverwriteDashRwFromTheConfiguration) {
    auto parsed = vrec::ParseRecorderConfig("[recorder]\nmedium = dvd-rw-ro\nwrites = dvd-rw\n", "c.ini", "");
    ASSERT_EQ(parsed.error, "");
    ASSERT_EQ(parsed.recorders.size(), 1u);
    const auto& c = parsed.recorders[0];
    EXPECT_EQ(c.medium, MediumKind::DvdRwRo);
    EXPECT_TRUE(c.Writes(MediumKind::DvdRwRo));
    EXPECT_EQ(vrec::InfoOf(c.medium).profile, 0x0013);
}
