// The write parameters page for each medium, and that the recorder takes
// it and then a WRITE (10) at the next writable address.
#include "DriveHarness.h"

using namespace kq;
using namespace dtest;

namespace {

class WriteParametersOnRecorder : public RecorderTest {
protected:
    // Selects like discovery does, then sets the page for `type`.
    bool Prepare(vrec::RecorderConfig config, uint16_t type, bool testWrite, bool underrun) {
        Start(std::move(config));
        dev.SetModelQuirks("VIRTUAL ", product);
        EXPECT_TRUE(dev.ReadCapabilities());
        return dev.SetWriteParameters(testWrite, underrun, type);
    }
    const std::array<uint8_t, 54>& Page() const { return dev.WriteParametersPage(); }

    std::string product = "CD-RW RECORDER  ";
};

vrec::RecorderConfig WithMedium(vrec::MediumKind kind) {
    vrec::RecorderConfig c;
    c.medium = kind;
    c.reads.push_back(kind);
    c.writes.push_back(kind);
    return c;
}

}  // namespace

TEST_F(WriteParametersOnRecorder, CdRTrackAtOnceOnACapableDrive) {
    ASSERT_TRUE(Prepare({}, media::CdR, false, true));
    EXPECT_EQ(Page()[1], 50);
    EXPECT_EQ(Page()[2], 0x41) << "TAO with BUFE";
    EXPECT_EQ(Page()[3], 0xC4) << "next session allowed, data track";
    EXPECT_EQ(Page()[4], 8);
    EXPECT_EQ(Page()[5], 0);
    EXPECT_EQ(GetBE16(std::span(Page()).subspan(14)), 150);
    EXPECT_TRUE(WriteBlocks(Nwa(1), 16));

    ASSERT_TRUE(Prepare({}, media::CdR, true, false));
    EXPECT_EQ(Page()[2], 0x11) << "test write, no BUFE";
    EXPECT_EQ(Page()[3], 0x04) << "a test write allows no next session";
    EXPECT_TRUE(WriteBlocks(Nwa(1), 16));
    EXPECT_TRUE(recorder->RecordedBytes(0, 1).empty() ||
                recorder->RecordedBytes(0, 1) == Bytes(2048, 0))
        << "a test write records nothing";
}

TEST_F(WriteParametersOnRecorder, FinalizingAllowsNoNextSession) {
    dev.SetFinalizeDisc(true);
    ASSERT_TRUE(Prepare({}, media::CdR, false, true));
    EXPECT_EQ(Page()[2], 0x41);
    EXPECT_EQ(Page()[3], 0x04);
    EXPECT_TRUE(WriteBlocks(Nwa(1), 1));
}

TEST_F(WriteParametersOnRecorder, IncapableDriveNeverGetsTestWriteOrBufe) {
    vrec::RecorderConfig config;
    config.write.testWrite = false;
    config.write.bufe = false;
    ASSERT_TRUE(Prepare(config, media::CdR, true, true));
    EXPECT_EQ(Page()[2], 0x01);
    EXPECT_TRUE(WriteBlocks(Nwa(1), 16));
}

TEST_F(WriteParametersOnRecorder, SameListWithABlockDescriptor) {
    ASSERT_TRUE(Prepare({}, media::CdR, false, true));
    const auto plain = Page();
    vrec::RecorderConfig config;
    config.blockDescriptor = true;
    ASSERT_TRUE(Prepare(config, media::CdR, false, true));
    EXPECT_EQ(Page(), plain);
}

TEST_F(WriteParametersOnRecorder, LinkSizeQuirkMarksTheLinkSizeValid) {
    product = "CD-RW  CRX800E  ";
    Prepare({}, media::CdR, false, false);
    EXPECT_EQ(Page()[2] & 0x20, 0x20);
}

TEST_F(WriteParametersOnRecorder, DvdMinusR) {
    ASSERT_TRUE(Prepare(WithMedium(vrec::MediumKind::DvdR), media::DvdR, false, true));
    EXPECT_EQ(Page()[2], 0x60);
    EXPECT_EQ(Page()[3], 0xE5);
    EXPECT_EQ(Page()[5], 16);
    EXPECT_EQ(GetBE32(std::span(Page()).subspan(10)), 16u);
    EXPECT_TRUE(WriteBlocks(Nwa(1), 16));
}

TEST_F(WriteParametersOnRecorder, DvdMinusRwIgnoresTestWriteAndBufe) {
    ASSERT_TRUE(Prepare(WithMedium(vrec::MediumKind::DvdRw), media::DvdRwSequential, true, true));
    EXPECT_EQ(Page()[2], 0x20);
    EXPECT_EQ(Page()[3], 0xC5);
    EXPECT_EQ(Page()[5], 16);
    EXPECT_TRUE(WriteBlocks(Nwa(1), 16));

    ASSERT_TRUE(Prepare(WithMedium(vrec::MediumKind::DvdRwRo), media::DvdRwRestricted, true, true));
    EXPECT_EQ(Page()[2], 0x20);
    EXPECT_TRUE(WriteBlocks(0, 16));
}

TEST_F(WriteParametersOnRecorder, DvdPlusRAndPlusRw) {
    ASSERT_TRUE(Prepare(WithMedium(vrec::MediumKind::DvdPlusR), media::DvdPlusR, false, true));
    EXPECT_EQ(Page()[2], 0x62) << "22h plus BUFE";
    EXPECT_EQ(Page()[3], 0xC4);
    EXPECT_EQ(GetBE32(std::span(Page()).subspan(10)), 16u);
    EXPECT_TRUE(WriteBlocks(Nwa(1), 16));

    ASSERT_TRUE(Prepare(WithMedium(vrec::MediumKind::DvdPlusRw), media::DvdPlusRw, false, false));
    EXPECT_EQ(Page()[2], 0x22);
    EXPECT_EQ(Page()[3], 0x04);
    EXPECT_EQ(Page()[5], 16);
    EXPECT_TRUE(WriteBlocks(0, 16));
}

TEST_F(WriteParametersOnRecorder, DvdRamSendsNothing) {
    ASSERT_TRUE(Prepare(WithMedium(vrec::MediumKind::DvdRam), media::DvdRam, false, true));
    EXPECT_TRUE(Sent(0x55).empty());
    EXPECT_TRUE(WriteBlocks(0, 16));
}

TEST_F(WriteParametersOnRecorder, RefusedModeSenseFails) {
    vrec::RecorderConfig config;
    vrec::FaultRule refuse;
    refuse.opcode = 0x5A;
    refuse.code = {0x05, 0x24, 0x00};
    config.faults.push_back(refuse);
    Start(config);
    EXPECT_FALSE(dev.SetWriteParameters(false, true, media::CdR));
    EXPECT_TRUE(Sent(0x55).empty());
}
