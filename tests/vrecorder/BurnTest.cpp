// A CD-R burnt track at once through raw command blocks, read back, closed
// and reloaded: the recorder's own conformance, independent of the burner.
#include "Harness.h"

using namespace vtest;
using vrec::GetBE16;
using vrec::GetBE32;

namespace {

constexpr uint32_t kBlocks = 27 * 3 + 5;

// Writes kBlocks in WRITE (10)s of 27 blocks at the next writable address.
void BurnTrack(Drive& d, uint8_t seed, Bytes& image) {
    uint32_t nwa = d.Nwa(0xFF);
    for (uint32_t done = 0; done < kBlocks;) {
        uint32_t n = std::min<uint32_t>(27, kBlocks - done);
        Bytes data = Pattern(n, static_cast<uint8_t>(seed + done));
        ASSERT_TRUE(d.Out(Write10(nwa + done, static_cast<uint16_t>(n)), data).Good());
        image.insert(image.end(), data.begin(), data.end());
        done += n;
    }
}

}  // namespace

TEST(Burn, TrackAtOnceReadsBackAndLeavesAnAppendableDisc) {
    TempDir dir;
    Drive d(BlankCdR(dir.File("disc.img")));
    Bytes info = d.DiscInfo();
    EXPECT_EQ(info[2], 0x00);  // blank
    EXPECT_EQ(d.Nwa(1), 0u);

    ASSERT_TRUE(d.SelectPage({}).Good());
    Bytes image;
    BurnTrack(d, 3, image);
    EXPECT_EQ(d.Nwa(1), kBlocks);
    EXPECT_EQ(d.DiscInfo()[2], 0x05);  // incomplete disc, last session incomplete
    ASSERT_TRUE(d.Run(SyncCdb()).Good());
    ASSERT_TRUE(d.Run(CloseCdb(2)).Good());

    info = d.DiscInfo();
    EXPECT_EQ(info[2], 0x01);  // appendable, last session empty
    EXPECT_EQ(info[4], 2);     // the closed session and the empty one
    EXPECT_EQ(d.rec->DiscState().SessionCount(), 1);

    Bytes back(image.size());
    ASSERT_TRUE(d.In(Read10(0, kBlocks), back).Good());
    EXPECT_EQ(back, image);
    Bytes file = ReadFile(dir.File("disc.img"));
    ASSERT_GE(file.size(), image.size());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), file.begin()));

    // TOC: track 1 at 0, lead-out after the data and its two run-out blocks; one complete session.
    Bytes toc = d.Ask(Alloc10(0x43, 100), 100);
    ASSERT_EQ(toc.size(), 20u);
    EXPECT_EQ(toc[2], 1);
    EXPECT_EQ(toc[3], 1);
    EXPECT_EQ(GetBE32(toc, 8), 0u);
    EXPECT_EQ(toc[14], 0xAA);
    EXPECT_EQ(GetBE32(toc, 16), kBlocks + 2);
    Bytes sessions = d.Ask(Alloc10(0x43, 12, 0, 1), 12);
    EXPECT_EQ(sessions[3], 1);
    // The second session starts after lead-out, lead-in and pre-gap.
    EXPECT_EQ(d.Nwa(2), kBlocks + 6750 + 4500 + 150);
}

TEST(Burn, StateSurvivesAReloadAndASecondSessionCanFinalize) {
    TempDir dir;
    auto config = BlankCdR(dir.File("disc.img"));
    Bytes image;
    {
        Drive d(config);
        ASSERT_TRUE(d.SelectPage({}).Good());
        BurnTrack(d, 9, image);
        ASSERT_TRUE(d.Run(CloseCdb(2)).Good());
    }
    Drive d(config);
    EXPECT_EQ(d.DiscInfo()[2], 0x01);
    ASSERT_EQ(d.rec->DiscState().Tracks().size(), 1u);
    EXPECT_EQ(d.rec->DiscState().Tracks()[0].recorded, kBlocks);
    EXPECT_EQ(d.rec->RecordedBytes(0, kBlocks), image);

    ASSERT_TRUE(d.SelectPage({.multiSession = 0}).Good());
    uint32_t second = d.Nwa(2);
    ASSERT_TRUE(d.Write(second, 10).Good());
    ASSERT_TRUE(d.Run(CloseCdb(2)).Good());
    Bytes info = d.DiscInfo();
    EXPECT_EQ(info[2], 0x0E);  // complete disc, complete session
    EXPECT_EQ(info[4], 2);
    EXPECT_EQ(GetBE32(info, 16), 0xFFFFFFFFu);
    EXPECT_SENSE(d.Write(second + 10, 1), 0x07, 0x27, 0x00);  // closed disc
    Bytes sessions = d.Ask(Alloc10(0x43, 12, 0, 1), 12);
    EXPECT_EQ(sessions[3], 2);
    EXPECT_EQ(sessions[6], 2);  // first track of the last session
}

// A run that ends mid-track (the burner stopped, the process died) leaves
// an incomplete track that the next run finds with its data, not a blank
// disc with the data thrown away.
TEST(Burn, OpenTrackSurvivesAReload) {
    TempDir dir;
    auto config = BlankCdR(dir.File("disc.img"));
    Bytes image;
    {
        Drive d(config);
        ASSERT_TRUE(d.SelectPage({}).Good());
        BurnTrack(d, 5, image);
    }
    Drive d(config);
    EXPECT_EQ(d.DiscInfo()[2], 0x05);  // incomplete disc, last session incomplete
    ASSERT_EQ(d.rec->DiscState().Tracks().size(), 1u);
    EXPECT_FALSE(d.rec->DiscState().Tracks()[0].closed);
    EXPECT_EQ(d.Nwa(1), kBlocks);
    EXPECT_EQ(d.rec->RecordedBytes(0, kBlocks), image);
}

// Each burner process holds every configured recorder; one that never
// touched a disc must not put back the state it loaded when it ends.
TEST(Burn, AnIdleHolderOfTheSameDiscKeepsItsStateToItself) {
    TempDir dir;
    auto config = BlankCdR(dir.File("disc.img"));
    auto idle = std::make_unique<Drive>(config);
    Bytes image;
    {
        Drive d(config);
        ASSERT_TRUE(d.SelectPage({}).Good());
        BurnTrack(d, 9, image);
        ASSERT_TRUE(d.Run(CloseCdb(2)).Good());
    }
    idle.reset();
    Drive d(config);
    EXPECT_EQ(d.DiscInfo()[2], 0x01);  // appendable, as the burning holder left it
    EXPECT_EQ(d.rec->RecordedBytes(0, kBlocks), image);
}

TEST(Burn, TestWriteAdvancesTheAddressButRecordsNothing) {
    TempDir dir;
    Drive d(BlankCdR(dir.File("disc.img")));
    ASSERT_TRUE(d.SelectPage({.testWrite = true}).Good());
    ASSERT_TRUE(d.Write(0, 20).Good());
    EXPECT_SENSE(d.Write(0, 20), 0x05, 0x21, 0x02);  // the simulated address moved on
    ASSERT_TRUE(d.Write(20, 20).Good());
    ASSERT_TRUE(d.Run(SyncCdb()).Good());
    ASSERT_TRUE(d.Run(CloseCdb(2)).Good());
    EXPECT_TRUE(d.rec->DiscState().Blank());
    EXPECT_EQ(d.DiscInfo()[2], 0x00);
    EXPECT_EQ(ReadFile(dir.File("disc.img")).size(), 0u);
    Bytes back(2048);
    EXPECT_SENSE(d.In(Read10(0, 1), back), 0x05, 0x21, 0x00);
}

TEST(Burn, ReservedTrackIsWrittenToItsEndAndClosed) {
    TempDir dir;
    auto config = BlankCdR(dir.File("disc.img"));
    config.medium = vrec::MediumKind::DvdR;
    config.writes = {vrec::MediumKind::DvdR};
    Drive d(config);
    ASSERT_TRUE(d.SelectPage({.writeType = 0, .multiSession = 3, .trackMode = 5}).Good());
    ASSERT_TRUE(d.Run({0x53, 0, 0, 0, 0, 0, 0, 0, 64, 0}).Good());  // RESERVE TRACK 64
    ASSERT_TRUE(d.Write(0, 32).Good());
    ASSERT_TRUE(d.Write(32, 32).Good());
    EXPECT_SENSE(d.Write(64, 1), 0x05, 0x63, 0x00);  // past the reservation
    ASSERT_TRUE(d.Run(CloseCdb(1, 1)).Good());
    ASSERT_TRUE(d.Run(CloseCdb(1, 2)).Good());  // the empty invisible track: nothing to do
    EXPECT_SENSE(d.Run(CloseCdb(1, 7)), 0x05, 0x24, 0x00);
    ASSERT_TRUE(d.Run(CloseCdb(5)).Good());
    EXPECT_EQ(d.DiscInfo()[2] & 0x03, 0x02);
}
