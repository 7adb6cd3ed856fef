// The drive buffer in time: it drains at the write speed, writes wait for
// room, a flush keeps the drive busy, and a buffer that runs dry spoils
// the track unless the drive protects against underruns.
#include "Harness.h"

using namespace vtest;
using vrec::GetBE32;

namespace {

constexpr uint32_t kSpeed = 1000;          // kB/s: one byte per microsecond
constexpr uint32_t kBuffer = 64 * 2048;

class Timing : public ::testing::Test {
protected:
    Timing() {
        config.writeSpeedKBps = kSpeed;
        config.bufferSize = kBuffer;
    }
    uint32_t FreeBuffer(Drive& d) { return GetBE32(d.Ask(Alloc10(0x5C, 12), 12), 8); }

    TempDir dir;
    FakeClock clock;
    platform::ScopedTiming useClock{clock};
    vrec::RecorderConfig config = BlankCdR(dir.File("disc.img"));
};

}  // namespace

TEST_F(Timing, BufferDrainsAtTheWriteSpeedAndFullWritesWait) {
    Drive d(config);
    ASSERT_TRUE(d.SelectPage({.bufe = true}).Good());
    EXPECT_EQ(FreeBuffer(d), kBuffer);
    ASSERT_TRUE(d.Write(0, 32).Good());
    EXPECT_EQ(FreeBuffer(d), kBuffer - 32 * 2048);
    clock.Advance(32);  // 32,000 bytes drained
    EXPECT_EQ(FreeBuffer(d), kBuffer - 32 * 2048 + 32000);
    EXPECT_EQ(clock.Slept(), 0u);

    // Three more writes of 32 blocks overfill the buffer: the last one waits.
    ASSERT_TRUE(d.Write(32, 32).Good());
    ASSERT_TRUE(d.Write(64, 32).Good());
    EXPECT_GT(clock.Slept(), 0u);
    EXPECT_LT(clock.Slept(), 100u);
    EXPECT_EQ(d.rec->DiscState().Tracks()[0].recorded, 96u);
}

TEST_F(Timing, ImmediateFlushAnswersLongWriteInProgressUntilDrained) {
    Drive d(config);
    ASSERT_TRUE(d.SelectPage({}).Good());
    ASSERT_TRUE(d.Write(0, 50).Good());  // 102,400 bytes: 103 ms to drain
    ASSERT_TRUE(d.Run(SyncCdb(true)).Good());
    EXPECT_SENSE(d.Run({0, 0, 0, 0, 0, 0}), 0x02, 0x04, 0x08);
    Bytes sense = d.Ask({0x03, 0, 0, 0, 18, 0}, 18);
    EXPECT_EQ(sense[12], 0x04);
    EXPECT_EQ(sense[15], 0x80);  // progress indication
    Bytes reply(34);
    EXPECT_SENSE(d.In(Alloc10(0x51, 34), reply), 0x02, 0x04, 0x08);
    EXPECT_TRUE(d.Ask(Alloc10(0x5C, 12), 12).size() == 12);  // answered while busy
    clock.Advance(110);
    EXPECT_TRUE(d.Run({0, 0, 0, 0, 0, 0}).Good());
    // Without Immed the command itself takes the time.
    ASSERT_TRUE(d.Write(50, 50).Good());
    ASSERT_TRUE(d.Run(SyncCdb()).Good());
    EXPECT_GE(clock.Slept(), 100u);
    EXPECT_TRUE(d.Run({0, 0, 0, 0, 0, 0}).Good());
}

TEST_F(Timing, BufferRunningDryWithoutProtectionLosesStreaming) {
    Drive d(config);
    ASSERT_TRUE(d.SelectPage({}).Good());
    ASSERT_TRUE(d.Write(0, 16).Good());
    clock.Advance(10);
    ASSERT_TRUE(d.Write(16, 16).Good());  // still data in the buffer: fine
    clock.Advance(1000);                  // the host stalls; the buffer runs dry
    EXPECT_SENSE(d.Write(32, 16), 0x03, 0x0C, 0x09);
    EXPECT_SENSE(d.Write(32, 16), 0x03, 0x0C, 0x09);  // the track stays spoiled
    EXPECT_TRUE(d.rec->DiscState().Tracks()[0].damaged);
    EXPECT_EQ(d.TrackInfo(1)[5] & 0x20, 0x20);  // damage bit
}

TEST_F(Timing, UnderrunProtectionAndFlushesKeepTheTrack) {
    Drive d(config);
    ASSERT_TRUE(d.SelectPage({.bufe = true}).Good());
    ASSERT_TRUE(d.Write(0, 16).Good());
    clock.Advance(1000);
    EXPECT_TRUE(d.Write(16, 16).Good());
    // Without protection, a flush before the pause means the track ended.
    ASSERT_TRUE(d.SelectPage({}).Good());
    ASSERT_TRUE(d.Run(SyncCdb()).Good());
    clock.Advance(1000);
    EXPECT_TRUE(d.Write(32, 16).Good());
    EXPECT_FALSE(d.rec->DiscState().Tracks()[0].damaged);
}

TEST_F(Timing, CalibrationAndCloseTakeTheirConfiguredTime) {
    config.calibrateMs = 300;
    config.closeMs = 2000;
    Drive d(config);
    ASSERT_TRUE(d.Run({0x54, 0x01, 0, 0, 0, 0, 0, 0, 0, 0}).Good());
    EXPECT_EQ(clock.Slept(), 300u);
    ASSERT_TRUE(d.SelectPage({}).Good());
    ASSERT_TRUE(d.Write(0, 1).Good());
    ASSERT_TRUE(d.Run(SyncCdb()).Good());
    ASSERT_TRUE(d.Run(CloseCdb(2, 0, true)).Good());
    EXPECT_SENSE(d.Run({0, 0, 0, 0, 0, 0}), 0x02, 0x04, 0x08);
    clock.Advance(2000);
    EXPECT_TRUE(d.Run({0, 0, 0, 0, 0, 0}).Good());
}
