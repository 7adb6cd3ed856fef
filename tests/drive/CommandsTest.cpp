// What the command wrappers send, and the faults they must not have.
#include "DriveHarness.h"
#include "transport/ReleaseHandle.h"

using namespace kq;
using namespace dtest;

namespace {
class CommandsScripted : public ScriptedTest {};
class CommandsOnRecorder : public RecorderTest {};
}  // namespace

TEST_F(CommandsOnRecorder, SpeedZeroAsksForTheMaximum) {
    Start({});
    ASSERT_TRUE(dev.SetCDSpeed(0, 0));
    ASSERT_TRUE(dev.SetCDSpeed(1764, 0));
    const auto sent = Sent(0xBB);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(Bytes(sent[0].cdb.begin() + 2, sent[0].cdb.begin() + 6), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Bytes(sent[1].cdb.begin() + 2, sent[1].cdb.begin() + 6), (Bytes{0x06, 0xE4, 0xFF, 0xFF}));
}

TEST_F(CommandsOnRecorder, WriteFlushAndCloseASession) {
    Start({});
    ASSERT_TRUE(dev.SetWriteParameters(false, true, media::CdR));
    ASSERT_TRUE(WriteBlocks(Nwa(1), 32));
    EXPECT_TRUE(dev.SynchronizeCache(60000, false));
    EXPECT_TRUE(dev.CloseTrackSession(false, false, false));
    EXPECT_EQ(dev.RecordedSessionCount(), 1);
    EXPECT_EQ(dev.GetMediaType(), media::CdR);
}

TEST_F(CommandsScripted, CloseFunctionAndTrackBytes) {
    answers[0x5B] = Good();
    (void)dev.CloseTrackSession(true, false, false);
    (void)dev.CloseTrackSession(false, false, false);
    (void)dev.CloseTrackSession(true, true, true);
    (void)dev.CloseTrackSessionRaw(false, 0x01, 0x00, 0x00, 0x02);
    const auto sent = SentCdbs(0x5B);
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[0], (Bytes{0x5B, 0x00, 0x01, 0, 0, 0xFF, 0, 0, 0, 0}));
    EXPECT_EQ(sent[1], (Bytes{0x5B, 0x00, 0x02, 0, 0, 0x00, 0, 0, 0, 0}));
    EXPECT_EQ(sent[2], (Bytes{0x5B, 0x01, 0x05, 0, 0, 0xFF, 0, 0, 0, 0}));
    EXPECT_EQ(sent[3], (Bytes{0x5B, 0x00, 0x01, 0, 0, 0x02, 0, 0, 0, 0}));
}

// The handle is let go during the tray command and kept afterwards,
// whatever the drive answered.
TEST_F(CommandsScripted, TrayAndRemovalCommandsKeepTheHandleAfterwards) {
    std::vector<bool> releaseWhileSent;
    const auto refuseNoting = [&](SRB_ExecSCSICmd& srb) {
        releaseWhileSent.push_back(ReleaseHandleAfterCommand());
        Refuse()(srb);
    };
    answers[0x1B] = refuseNoting;
    answers[0x1E] = refuseNoting;
    StoreReleaseHandleAfterCommand(true);
    EXPECT_FALSE(dev.StartStopUnit(true));
    EXPECT_FALSE(TSCSIDevice::ReleaseHandleAfterCommand());
    EXPECT_FALSE(dev.PreventAllowRemoval(false));
    EXPECT_FALSE(dev.PreventAllowRemoval(true));
    EXPECT_FALSE(TSCSIDevice::ReleaseHandleAfterCommand());
    EXPECT_EQ(releaseWhileSent, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(SentCdbs(0x1B)[0][4], 0x02);
    EXPECT_EQ(SentCdbs(0x1E)[0][4], 0x01);
    TSCSIDevice::SetReleaseHandleAfterCommand(true);
    EXPECT_TRUE(ReleaseHandleAfterCommand());
}

TEST_F(CommandsScripted, TimeStampDigits) {
    answers[0xBF] = Good();
    ASSERT_TRUE(dev.SendTimeStamp({2008, 3, 1, 14, 5, 9}));
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][7], 0x0F);
    EXPECT_EQ(GetBE16(std::span(sent[0]).subspan(8)), 22);
    const Bytes& list = sentData[0];
    ASSERT_EQ(list.size(), 22u);
    EXPECT_EQ(GetBE16(list), 0x0014);
    EXPECT_EQ(std::string(list.begin() + 8, list.end()), "20080301140509");
}

TEST_F(CommandsScripted, WriteWithNoDriveSelectedFails) {
    Bytes data(2048);
    dev.HaId = NoAddress;
    EXPECT_FALSE(dev.Write10(0, 1, 0x50, data));
    EXPECT_EQ(dev.LastErrorText(), "NO DRIVE SELECTED");
    EXPECT_TRUE(sent.empty());
    dev.HaId = dev.Target = dev.Lun = 0;
    answers[0x2A] = Good();
    EXPECT_TRUE(dev.Write10(0, 1, 0x50, data));
    EXPECT_EQ(dev.LastErrorText(), "");
    EXPECT_EQ(sentData.back().size(), 2048u);
}

// Byte 8 alone carries the length: a longer list is refused unsent, also
// when it comes from a drive's own page length.
TEST_F(CommandsScripted, OverlongModeSelectIsRefusedUnsent) {
    answers[0x55] = Good();
    Bytes list(300);
    EXPECT_FALSE(dev.ModeSelect10(list, 256));
    EXPECT_TRUE(sent.empty());
    EXPECT_TRUE(dev.ModeSelect10(list, 255));

    Bytes page(250, 0);
    page[0] = 0x05;
    page[1] = 248;
    answers[0x5A] = Reply(ModeReply(page));
    sent.clear();
    EXPECT_FALSE(dev.TryWriteType(2));
    EXPECT_TRUE(SentCdbs(0x55).empty());
}

TEST_F(CommandsScripted, WriteSpeedChangesEvenWhenRefused) {
    dev.ReadSpeed = 7056;
    dev.SetWriteSpeed(4234);
    EXPECT_EQ(dev.WriteSpeed(), 4234);
    ASSERT_EQ(SentCdbs(0xBB).size(), 1u);
    EXPECT_EQ(GetBE16(std::span(SentCdbs(0xBB)[0]).subspan(2)), 7056);
    EXPECT_EQ(GetBE16(std::span(SentCdbs(0xBB)[0]).subspan(4)), 4234);
}

TEST_F(CommandsScripted, CommandBlocksOfTheRecordingCommands) {
    for (uint8_t op : {0x35, 0x53, 0x54, 0x5D, 0xB6, 0x01}) answers[op] = Good();
    Bytes cue(32), descriptor(28);
    (void)dev.SynchronizeCache(5000, true);
    (void)dev.ReserveTrack(0x00012345);
    (void)dev.SendOPCInformation();
    (void)dev.SendCueSheet(cue);
    (void)dev.SetStreaming(descriptor);
    dev.RewindUnit();
    EXPECT_EQ(SentCdbs(0x35)[0][1], 0x02);
    EXPECT_EQ(GetBE32(std::span(SentCdbs(0x53)[0]).subspan(5)), 0x00012345u);
    EXPECT_EQ(SentCdbs(0x54)[0][1], 0x01);
    EXPECT_EQ(GetBE16(std::span(SentCdbs(0x5D)[0]).subspan(7)), 32);
    EXPECT_EQ(SentCdbs(0xB6)[0].size(), 12u);
    EXPECT_EQ(GetBE16(std::span(SentCdbs(0xB6)[0]).subspan(9)), 28);
    EXPECT_EQ(SentCdbs(0x01).size(), 1u);
}
