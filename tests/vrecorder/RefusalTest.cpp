// What a strict recorder refuses, and the sense it refuses it with.
#include "Harness.h"

using namespace vtest;
using vrec::GetBE16;

namespace {

class Refusal : public ::testing::Test {
protected:
    TempDir dir;
    Drive d{BlankCdR(dir.File("disc.img"), 1000)};
};

}  // namespace

TEST_F(Refusal, WritesOutsideTheRules) {
    EXPECT_SENSE(d.Write(0, 1), 0x05, 0x2C, 0x00);  // no write parameters page selected yet
    ASSERT_TRUE(d.SelectPage({}).Good());
    EXPECT_SENSE(d.Write(5, 1), 0x05, 0x21, 0x02);  // not the next writable address
    EXPECT_SENSE(d.Out(Write10(0, 2), Pattern(1, 0)), 0x05, 0x24, 0x00);  // data of one block for two
    ASSERT_TRUE(d.Write(0, 990).Good());
    EXPECT_SENSE(d.Write(990, 11), 0x05, 0x21, 0x00);  // past the capacity
    EXPECT_TRUE(d.Write(990, 10).Good());
    EXPECT_EQ(d.rec->DiscState().NextWritable(), std::nullopt);
}

TEST_F(Refusal, WriteParametersPagesARecorderWouldNotTake) {
    EXPECT_SENSE(d.SelectPage({.blockType = 5}), 0x05, 0x26, 0x00);     // reserved data block type
    EXPECT_SENSE(d.SelectPage({.blockType = 0}), 0x05, 0x26, 0x00);     // raw blocks on a data track
    EXPECT_SENSE(d.SelectPage({.writeType = 7}), 0x05, 0x26, 0x00);     // no such write type
    EXPECT_SENSE(d.SelectPage({.multiSession = 2}), 0x05, 0x26, 0x00);  // reserved multi-session value
    EXPECT_TRUE(d.SelectPage({.trackMode = 0, .blockType = 0}).Good()); // audio, raw blocks: fine
    EXPECT_TRUE(d.SelectPage({.writeType = 3, .trackMode = 0, .blockType = 1}).Good());  // raw + P-Q
    EXPECT_SENSE(d.Write(0, 1), 0x05, 0x64, 0x00);  // but this drive records 2048-byte blocks only

    Bytes list = WriteParameterList({});
    Bytes cdb{0x55, 0x10, 0, 0, 0, 0, 0, 0, 58, 0};
    EXPECT_SENSE(d.Out(cdb, Bytes(list.begin(), list.begin() + 58)), 0x05, 0x1A, 0x00);  // list cut short
    cdb[8] = 64;
    list.resize(64);
    EXPECT_SENSE(d.Out(cdb, list), 0x05, 0x1A, 0x00);  // bytes beyond the page
    cdb[1] = 0x00;
    EXPECT_SENSE(d.Out(cdb, list), 0x05, 0x24, 0x00);  // PF bit clear
}

TEST(RefusalAbilities, TestWriteAndUnderrunProtectionOnlyWhereTheDriveHasThem) {
    TempDir dir;
    auto config = BlankCdR(dir.File("disc.img"));
    config.write.testWrite = false;
    config.write.bufe = false;
    config.write.raw = false;
    Drive d(config);
    EXPECT_SENSE(d.SelectPage({.testWrite = true}), 0x05, 0x26, 0x00);
    EXPECT_SENSE(d.SelectPage({.bufe = true}), 0x05, 0x26, 0x00);
    EXPECT_SENSE(d.SelectPage({.writeType = 3, .trackMode = 0, .blockType = 1}), 0x05, 0x26, 0x00);
    // The capabilities page tells the same: no test write, no BUF.
    Bytes sense = d.Ask(Alloc10(0x5A, 64, 0, 0x2A), 64);
    EXPECT_EQ(sense[8], 0x2A);
    EXPECT_EQ(sense[8 + 3] & 0x04, 0);
    EXPECT_EQ(sense[8 + 4] & 0x80, 0);
}

TEST_F(Refusal, CommandsWithoutAMedium) {
    ASSERT_TRUE(d.Run({0x1B, 0, 0, 0, 0x02, 0}).Good());  // eject
    EXPECT_SENSE(d.Run({0, 0, 0, 0, 0, 0}), 0x02, 0x3A, 0x00);
    EXPECT_SENSE(d.Write(0, 1), 0x02, 0x3A, 0x00);
    Bytes reply(34);
    EXPECT_SENSE(d.In(Alloc10(0x51, 34), reply), 0x02, 0x3A, 0x00);
    Bytes sense = d.Ask({0x03, 0, 0, 0, 18, 0}, 18);
    EXPECT_EQ(sense[0], 0x70);
    EXPECT_EQ(sense[7], 10);
    EXPECT_EQ(sense[12], 0x3A);
    Bytes config = d.Ask(Alloc10(0x46, 8), 8);
    EXPECT_EQ(GetBE16(config, 6), 0);  // no current profile
    ASSERT_TRUE(d.Run({0x1B, 0, 0, 0, 0x03, 0}).Good());  // load
    EXPECT_TRUE(d.Run({0, 0, 0, 0, 0, 0}).Good());
}

TEST_F(Refusal, EjectWhilePrevented) {
    ASSERT_TRUE(d.Run({0x1E, 0, 0, 0, 1, 0}).Good());
    EXPECT_SENSE(d.Run({0x1B, 0, 0, 0, 0x02, 0}), 0x05, 0x53, 0x02);
    ASSERT_TRUE(d.Run({0x1E, 0, 0, 0, 0, 0}).Good());
    EXPECT_TRUE(d.Run({0x1B, 0, 0, 0, 0x02, 0}).Good());
}

TEST_F(Refusal, UnknownOpcodesPagesAndBadFields) {
    EXPECT_SENSE(d.Run({0x01, 0, 0, 0, 0, 0}), 0x05, 0x20, 0x00);  // REWIND UNIT
    EXPECT_SENSE(d.Run({0x1A, 0, 0x2A, 0, 0xFF, 0}), 0x05, 0x20, 0x00);  // MODE SENSE (6)
    Bytes reply(64);
    EXPECT_SENSE(d.In(Alloc10(0x5A, 64, 0, 0x01), reply), 0x05, 0x24, 0x00);  // no page 01h
    EXPECT_SENSE(d.In(Alloc10(0x5A, 64, 0, 0x30), reply), 0x05, 0x24, 0x00);  // 30h not configured
    EXPECT_SENSE(d.In(Alloc10(0x5A, 64, 0, 0xC5), reply), 0x05, 0x39, 0x00);  // saved values
    EXPECT_SENSE(d.In(Alloc10(0x43, 64, 0, 0), reply), 0x05, 0x24, 0x00);     // TOC of a blank disc
    EXPECT_SENSE(d.In(Alloc10(0x46, 64, 3), reply), 0x05, 0x24, 0x00);       // request type 3
    EXPECT_SENSE(d.Run({0x00, 0, 0, 0, 0, 0x01}), 0x05, 0x24, 0x00);           // link bit
    EXPECT_SENSE(d.Run(CloseCdb(2)), 0x05, 0x2C, 0x00);                         // an empty session
    EXPECT_SENSE(d.Run(CloseCdb(5)), 0x05, 0x24, 0x00);                         // no finalize function on CD
}

TEST_F(Refusal, ShortAllocationLengthsTruncateAndNeverOverrun) {
    Bytes inquiry(64, 0xEE);
    auto r = d.In({0x12, 0, 0, 0, 5, 0}, inquiry);
    EXPECT_TRUE(r.Good());
    EXPECT_EQ(r.transferred, 5u);
    EXPECT_EQ(inquiry[4], 31);
    EXPECT_EQ(inquiry[5], 0xEE);

    Bytes full = d.Ask(Alloc10(0x5A, 255, 0, 0x2A), 255);
    Bytes part(10, 0xEE);
    r = d.In(Alloc10(0x5A, 10, 0, 0x2A), part);
    EXPECT_EQ(r.transferred, 10u);
    EXPECT_TRUE(std::equal(part.begin(), part.end(), full.begin()));
    EXPECT_EQ(GetBE16(full, 0), full.size() - 2);  // mode data length of the whole reply

    // A host buffer smaller than the allocation: the drive stops at its end
    // and the transport reports the overrun.
    Bytes small(8, 0xEE);
    r = d.In(Alloc10(0x51, 34), small);
    EXPECT_EQ(r.transferred, 8u);
    EXPECT_EQ(r.delivery, vrec::Delivery::DataOverrun);
    // Data the wrong way round.
    EXPECT_EQ(d.Out(Alloc10(0x51, 34), Bytes(34)).delivery, vrec::Delivery::PhaseError);
}
