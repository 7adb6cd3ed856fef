// The Windows pass-through block built from canned requests and canned
// driver answers turned into outcomes; portable, so it runs on every build.
#include "platform/Sptd.h"

#include <gtest/gtest.h>

#include <array>

using namespace platform;

namespace {

struct Canned {
    std::array<uint8_t, 10> cdb{0x2A, 0, 0, 0, 0, 16, 0, 0, 1, 0};
    std::array<uint8_t, 2048> data{};
    std::array<uint8_t, 18> sense{};
    PassThroughRequest Request(PassDirection d) { return {cdb, d, data, 120, sense}; }
};

// What a driver writes back after CHECK CONDITION with a full sense area.
SptdBlock CheckCondition(SptdBlock b) {
    b.ScsiStatus = 0x02;
    b.SenseInfoLength = 32;
    for (size_t i = 0; i < sizeof b.Sense; ++i) b.Sense[i] = static_cast<uint8_t>(0xA0 + i);
    b.Sense[0] = 0x70;
    b.Sense[2] = 0x02;
    b.Sense[12] = 0x3A;
    return b;
}

}  // namespace

TEST(Sptd, BlockCarriesCdbDirectionDataTimeoutAndSenseRoom) {
    Canned c;
    SptdBlock b = BuildSptdBlock(c.Request(PassDirection::Out));
    EXPECT_EQ(b.CdbLength, 10);
    EXPECT_EQ(b.Cdb[0], 0x2A);
    EXPECT_EQ(b.Cdb[8], 1);
    EXPECT_EQ(b.DataIn, kSptdDataOut);
    EXPECT_EQ(b.DataBuffer, c.data.data());
    EXPECT_EQ(b.DataTransferLength, 2048u);
    EXPECT_EQ(b.TimeOutValue, 120u);
    EXPECT_EQ(b.SenseInfoLength, 18);
    EXPECT_EQ(b.SenseInfoOffset, offsetof(SptdBlock, Sense));
#if UINTPTR_MAX == 0xFFFFFFFFu
    EXPECT_EQ(b.Length, 44) << "the driver's structure alone, without the sense room";
    EXPECT_EQ(b.SenseInfoOffset, 48u);
#endif
    EXPECT_EQ(BuildSptdBlock(c.Request(PassDirection::In)).DataIn, kSptdDataIn);
    SptdBlock none = BuildSptdBlock(c.Request(PassDirection::None));
    EXPECT_EQ(none.DataIn, kSptdDataUnspecified);
    EXPECT_EQ(none.DataBuffer, c.data.data()) << "no direction keeps the buffer and its length";
    EXPECT_EQ(none.DataTransferLength, 2048u);
}

TEST(Sptd, OversizedCdbAndSenseRoomAreCutToTheBlock) {
    std::array<uint8_t, 20> cdb{};
    std::array<uint8_t, 64> sense{};
    PassThroughRequest r{cdb, PassDirection::None, {}, 10, sense};
    SptdBlock b = BuildSptdBlock(r);
    EXPECT_EQ(b.CdbLength, 16);
    EXPECT_EQ(b.SenseInfoLength, 32);
}

TEST(Sptd, CheckConditionKeepsStatusAndCopiesOnlyTheSenseThereIsRoomFor) {
    Canned c;
    c.sense.fill(0xEE);
    auto request = c.Request(PassDirection::In);
    SptdBlock b = CheckCondition(BuildSptdBlock(request));
    b.DataTransferLength = 0;
    PassThroughOutcome out = DecodeSptd(b, request, true, 0);
    EXPECT_EQ(out.failure, PassFailure::None) << "the drive answered: a SCSI error, not a transport one";
    EXPECT_EQ(out.scsiStatus, 0x02);
    EXPECT_EQ(out.senseLength, 18u) << "the driver's 32 bytes cut to the request's 18";
    EXPECT_EQ(c.sense[0], 0x70);
    EXPECT_EQ(c.sense[2], 0x02);
    EXPECT_EQ(c.sense[12], 0x3A);
    EXPECT_EQ(c.sense[17], 0xA0 + 17);
    EXPECT_EQ(out.transferred, 0u);
}

TEST(Sptd, GoodStatusCopiesNoSenseAndCountsWhatMoved) {
    Canned c;
    c.sense.fill(0xEE);
    auto request = c.Request(PassDirection::In);
    SptdBlock b = BuildSptdBlock(request);
    b.Sense[0] = 0x70;  // stale bytes in the room are no sense
    b.SenseInfoLength = 18;
    b.DataTransferLength = 36;
    PassThroughOutcome out = DecodeSptd(b, request, true, 0);
    EXPECT_EQ(out.scsiStatus, 0);
    EXPECT_EQ(out.senseLength, 0u);
    EXPECT_EQ(c.sense[0], 0xEE);
    EXPECT_EQ(out.transferred, 36u);

    b.DataTransferLength = 1u << 30;  // a driver that claims more than was asked for
    EXPECT_EQ(DecodeSptd(b, request, true, 0).transferred, 2048u);
    SptdBlock none = BuildSptdBlock(c.Request(PassDirection::None));
    none.DataTransferLength = 512;
    EXPECT_EQ(DecodeSptd(none, c.Request(PassDirection::None), true, 0).transferred, 512u);
    PassThroughRequest empty{c.cdb, PassDirection::None, {}, 10, c.sense};
    SptdBlock noBuffer = BuildSptdBlock(empty);
    EXPECT_EQ(noBuffer.DataBuffer, nullptr);
    noBuffer.DataTransferLength = 512;
    EXPECT_EQ(DecodeSptd(noBuffer, empty, true, 0).transferred, 0u);
}

TEST(Sptd, WriteTakenOnlyInPartIsAShortWrite) {
    Canned c;
    auto request = c.Request(PassDirection::Out);
    SptdBlock b = BuildSptdBlock(request);
    b.DataTransferLength = 1024;
    PassThroughOutcome out = DecodeSptd(b, request, true, 0);
    EXPECT_EQ(out.failure, PassFailure::ShortWrite);
    EXPECT_EQ(out.transferred, 1024u);
    b.DataTransferLength = 2048;
    EXPECT_EQ(DecodeSptd(b, request, true, 0).failure, PassFailure::None);
}

TEST(Sptd, FailedCallBringsNeitherStatusNorSenseAndSaysWhy) {
    Canned c;
    c.sense.fill(0xEE);
    auto request = c.Request(PassDirection::In);
    SptdBlock b = CheckCondition(BuildSptdBlock(request));  // left over, not the drive's answer
    struct Case {
        uint32_t error;
        PassFailure failure;
    };
    for (Case k : {Case{121, PassFailure::TimedOut}, Case{1167, PassFailure::NoDevice},
                   Case{1111, PassFailure::BusReset}, Case{1117, PassFailure::TransportError},
                   Case{5, PassFailure::Filtered}, Case{87, PassFailure::CallFailed},
                   Case{55, PassFailure::NoDevice}, Case{433, PassFailure::NoDevice}}) {
        PassThroughOutcome out = DecodeSptd(b, request, false, k.error);
        EXPECT_EQ(out.failure, k.failure) << k.error;
        EXPECT_EQ(out.systemError, static_cast<int>(k.error));
        EXPECT_EQ(out.scsiStatus, 0);
        EXPECT_EQ(out.senseLength, 0u);
    }
    EXPECT_EQ(c.sense[0], 0xEE);
}
