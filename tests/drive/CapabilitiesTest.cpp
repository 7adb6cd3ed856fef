// Capabilities from page 2Ah, the features and page 30h; model quirks;
// write types.
#include "DriveHarness.h"

#include <cstring>

using namespace kq;
using namespace dtest;
using C = TDeviceCapability;

namespace {

class CapabilitiesOnRecorder : public RecorderTest {};
class CapabilitiesScripted : public ScriptedTest {
protected:
    // MODE SENSE answers: default values and current values apart.
    void AnswerModeSense(Answer defaults, Answer current) {
        answers[0x5A] = [=](SRB_ExecSCSICmd& srb) { (srb.CDBByte[2] & 0x80 ? defaults : current)(srb); };
    }
};

// Page 2Ah of an MMC-1 drive: 22 bytes.
Bytes Page2A(uint8_t b2, uint8_t b3, uint8_t b4, uint16_t maxRead, uint16_t maxWrite,
             uint16_t curWrite) {
    Bytes p(22, 0);
    p[0] = 0x2A;
    p[1] = 20;
    p[2] = b2, p[3] = b3, p[4] = b4;
    PutBE16(std::span(p).subspan(8), maxRead);
    PutBE16(std::span(p).subspan(18), maxWrite);
    PutBE16(std::span(p).subspan(20), curWrite);
    return p;
}

// GET CONFIGURATION reply holding one feature descriptor.
Bytes FeatureReply(uint16_t code, uint8_t firstByte) {
    Bytes r(16, 0);
    r[3] = 12;
    PutBE16(std::span(r).subspan(8), code);
    r[11] = 4;
    r[12] = firstByte;
    return r;
}

uint16_t HostField(const std::array<uint8_t, 516>& page, size_t at) {
    uint16_t v;
    std::memcpy(&v, page.data() + at, 2);
    return v;
}

}  // namespace

TEST_F(CapabilitiesOnRecorder, SameWithAndWithoutBlockDescriptor) {
    vrec::RecorderConfig config;
    Start(config);
    ASSERT_TRUE(dev.ReadCapabilities());
    const auto caps = dev.Capabilities();
    const auto page = dev.CapabilitiesPage();
    EXPECT_TRUE(caps.Contains(C::CanWriteCDR));
    EXPECT_TRUE(caps.Contains(C::CanTestWrite));
    EXPECT_TRUE(caps.Contains(C::CanUnderrunProtect));
    EXPECT_FALSE(caps.Contains(C::CanWriteDVDR));
    EXPECT_EQ(dev.DeviceMaxWriteSpeed(), 8467);
    EXPECT_EQ(dev.DeviceMaxReadSpeed(), 7056);
    EXPECT_EQ(HostField(page, 12), 2048) << "buffer size in KB, host order";

    config.blockDescriptor = true;
    Start(config);
    ASSERT_TRUE(dev.ReadCapabilities());
    EXPECT_EQ(dev.Capabilities(), caps);
    EXPECT_EQ(dev.CapabilitiesPage(), page);
}

TEST_F(CapabilitiesOnRecorder, UnreportedSpeedsFallBack) {
    vrec::RecorderConfig config;
    config.maxWriteSpeed = 0;
    Start(config);
    ASSERT_TRUE(dev.ReadCapabilities());
    EXPECT_EQ(dev.DeviceMaxWriteSpeed(), 1385);
    EXPECT_EQ(dev.GetCurrentWriteSpeed(), 1385);

    // DVD-RAM writers get 1 from the default page, then 1385 for writing.
    config.writes.push_back(vrec::MediumKind::DvdRam);
    config.maxReadSpeed = 0;
    Start(config);
    ASSERT_TRUE(dev.ReadCapabilities());
    EXPECT_TRUE(dev.Capabilities().Contains(C::CanWriteDVDRAM));
    EXPECT_EQ(dev.DeviceMaxWriteSpeed(), 1385);
    EXPECT_EQ(dev.DeviceMaxReadSpeed(), 1);
    EXPECT_EQ(dev.GetMaxReadSpeed(), 0);
}

TEST_F(CapabilitiesOnRecorder, UnderrunFromVendorPageAndDvdPlusFeature) {
    vrec::RecorderConfig config;
    config.write.bufe = false;
    Start(config);
    ASSERT_TRUE(dev.ReadCapabilities());
    EXPECT_FALSE(dev.Capabilities().Contains(C::CanUnderrunProtect));

    config.vendorPage30 = true;
    config.feature2A = true;
    config.reads.push_back(vrec::MediumKind::DvdPlusRw);
    config.writes.push_back(vrec::MediumKind::DvdPlusRw);
    Start(config);
    ASSERT_TRUE(dev.ReadCapabilities());
    const auto caps = dev.Capabilities();
    EXPECT_TRUE(caps.Contains(C::CanUnderrunProtect));
    EXPECT_TRUE(caps.Contains(C::CanReadDVDPlusR) && caps.Contains(C::CanReadDVDPlusRW));
    EXPECT_TRUE(caps.Contains(C::CanWriteDVDPlusR) && caps.Contains(C::CanWriteDVDPlusRW));
}

// DVD+R writers that list feature 2Bh and not 2Ah: the DVD+R flags come
// from 2Bh alone, the DVD+RW ones only from 2Ah.
TEST_F(CapabilitiesOnRecorder, DvdPlusFlagsFromFeatures2Aand2B) {
    struct Case {
        bool feature2A, feature2B, writesPlusR;
        bool readPlusR, writePlusR, readPlusRw;
    };
    const Case cases[] = {
        {false, true, true, true, true, false},
        {false, true, false, true, false, false},
        {true, false, true, true, false, true},
        {false, false, true, false, false, false},
    };
    for (const Case& k : cases) {
        vrec::RecorderConfig config;
        config.feature2A = k.feature2A;
        config.feature2B = k.feature2B;
        config.reads.push_back(vrec::MediumKind::DvdPlusR);
        if (k.writesPlusR) config.writes.push_back(vrec::MediumKind::DvdPlusR);
        Start(config);
        ASSERT_TRUE(dev.ReadCapabilities());
        const auto caps = dev.Capabilities();
        SCOPED_TRACE(testing::Message() << "2A " << k.feature2A << " 2B " << k.feature2B << " writes "
                                        << k.writesPlusR);
        EXPECT_EQ(caps.Contains(C::CanReadDVDPlusR), k.readPlusR);
        EXPECT_EQ(caps.Contains(C::CanWriteDVDPlusR), k.writePlusR);
        EXPECT_EQ(caps.Contains(C::CanReadDVDPlusRW), k.readPlusRw);
        EXPECT_FALSE(caps.Contains(C::CanWriteDVDPlusRW)) << "DVD+RW is not written";
    }
}

TEST_F(CapabilitiesScripted, FeatureWriteFlagsNeedExactlyOne) {
    AnswerModeSense(Reply(ModeReply(Page2A(0, 0x01, 0, 100, 100, 100))),
                    Reply(ModeReply(Page2A(0, 0x01, 0, 100, 100, 100))));
    answers[0x46] = Reply(FeatureReply(0x2F, 0x05));
    ASSERT_TRUE(dev.ReadCapabilities());
    auto caps = dev.Capabilities();
    EXPECT_TRUE(caps.Contains(C::CanReadDVDR) && caps.Contains(C::CanReadDVDRW));
    EXPECT_FALSE(caps.Contains(C::CanWriteDVDR) || caps.Contains(C::CanWriteDVDRW));
    EXPECT_FALSE(caps.Contains(C::CanReadDVDPlusR)) << "the reply names 2Fh, not 2Ah";

    answers[0x46] = Reply(FeatureReply(0x2F, 0x01));
    ASSERT_TRUE(dev.ReadCapabilities());
    caps = dev.Capabilities();
    EXPECT_TRUE(caps.Contains(C::CanWriteDVDR) && caps.Contains(C::CanWriteDVDRW));
}

TEST_F(CapabilitiesScripted, OneBitGivesBothDvdReadFlags) {
    const Bytes page = ModeReply(Page2A(0x10, 0, 0, 100, 100, 100));
    AnswerModeSense(Reply(page), Reply(page));
    ASSERT_TRUE(dev.ReadCapabilities());
    EXPECT_EQ(dev.Capabilities().bits, (1u << 4) | (1u << 5));
}

TEST_F(CapabilitiesScripted, DriveWithOnlyCurrentValues) {
    AnswerModeSense(Refuse(), Reply(ModeReply(Page2A(0x3F, 0x37, 0x80, 2822, 0, 0))));
    EXPECT_TRUE(dev.ReadCapabilities());
    EXPECT_TRUE(dev.Capabilities().Empty());
    EXPECT_EQ(dev.DeviceMaxReadSpeed(), 2822);
    EXPECT_EQ(dev.DeviceMaxWriteSpeed(), 1385);
    EXPECT_TRUE(SentCdbs(0x46).empty()) << "features only after a default page";
}

// A reply too short for its page, or a page longer than the reply says
// it is, leaves the cleared state of a failed read.
TEST_F(CapabilitiesScripted, MalformedPagesLeaveTheClearedState) {
    const Bytes good = ModeReply(Page2A(0x3F, 0x37, 0x80, 2822, 4234, 4234));
    AnswerModeSense(Reply(good), Reply(good));
    ASSERT_TRUE(dev.ReadCapabilities());
    ASSERT_FALSE(dev.Capabilities().Empty());

    const Bytes threeBytes{0x00, 0x01, 0x00};
    AnswerModeSense(Reply(threeBytes), Reply(threeBytes));
    EXPECT_FALSE(dev.ReadCapabilities());
    EXPECT_TRUE(dev.Capabilities().Empty());
    EXPECT_EQ(dev.DeviceMaxWriteSpeed(), 0);
    EXPECT_EQ(dev.GetCurrentWriteSpeed(), 0);

    Bytes overlong = good;
    overlong[9] = 200;  // page length past the 30 bytes the header declares
    AnswerModeSense(Reply(overlong), Reply(overlong));
    EXPECT_FALSE(dev.ReadCapabilities());
    EXPECT_TRUE(dev.Capabilities().Empty());
    EXPECT_EQ(dev.CapabilitiesPage(), (std::array<uint8_t, 516>{}));
}

// A page cut by the allocation length is a normal reply: the drive has
// more to say than was asked.
TEST_F(CapabilitiesScripted, PageCutByTheAllocationLengthIsTaken) {
    Bytes page = Page2A(0x3F, 0x37, 0x80, 2822, 4234, 4234);
    page.resize(200);
    page[1] = 198;
    AnswerModeSense(Reply(ModeReply(page)), Reply(ModeReply(page)));
    EXPECT_TRUE(dev.ReadCapabilities());
    EXPECT_EQ(dev.DeviceMaxWriteSpeed(), 4234);
}

TEST_F(CapabilitiesOnRecorder, ForcedUnderrunShowsFromTheNextRead) {
    vrec::RecorderConfig config;
    config.write.bufe = false;
    config.product = "CD-W512EB";
    Start(config);
    auto select = [this] {
        (void)dev.ReadCapabilities();
        dev.SetModelQuirks("VIRTUAL ", "CD-W512EB       ");
        return dev.Capabilities().Contains(C::CanUnderrunProtect);
    };
    dev.SetModelQuirks("OTHER   ", "CD-RW RECORDER  ");
    EXPECT_FALSE(select()) << "the first read saw the previous drive's flag";
    EXPECT_TRUE(select());
    Device other;  // the flag is the unit's: another object sees it too
    ASSERT_TRUE(other.ReadCapabilities());
    EXPECT_TRUE(other.Capabilities().Contains(C::CanUnderrunProtect));
}

TEST(ModelQuirks, ExactCaseSensitiveComparisons) {
    ResetDriveUnit();
    Device a, b;
    a.SetModelQuirks("VENDOR  ", "CDRW321040X     ");
    EXPECT_FALSE(TSCSIDevice::CloseImmediate());
    b.SetModelQuirks("VENDOR  ", "cdrw321040x     ");
    EXPECT_TRUE(TSCSIDevice::CloseImmediate()) << "another drive selected";

    a.SetModelQuirks("PIONEER ", "DVD-RW  DVR-104 ");  // zero byte already a blank
    EXPECT_TRUE(a.DelayedReadyQuirk());
    a.SetModelQuirks("PIONEER ", "DVD-RW  DVR-104X");
    EXPECT_FALSE(a.DelayedReadyQuirk());

    a.SetModelQuirks("YAMAHA  ", "  CRX175E       ");
    EXPECT_TRUE(a.LinkSizeQuirk());
    a.SetModelQuirks("SONY    ", "CD-RW  CRX800E  ");
    EXPECT_TRUE(a.LinkSizeQuirk());
    a.SetModelQuirks("SONY    ", "CD-RW CRX800E   ");
    EXPECT_FALSE(a.LinkSizeQuirk());

    a.SetModelQuirks("MATSHITA", "UJDA720 DVD/CDRW");
    EXPECT_TRUE(TSCSIDevice::SlowReadyQuirk());
    b.SetModelQuirks("TDKX    ", "CDRW            ");
    EXPECT_TRUE(TSCSIDevice::SlowReadyQuirk()) << "vendor begins with TDK";
    b.SetModelQuirks("tdk     ", "ujda            ");
    EXPECT_FALSE(TSCSIDevice::SlowReadyQuirk());
    ResetDriveUnit();
}

TEST_F(CapabilitiesOnRecorder, WriteTypesTheDriveAccepts) {
    vrec::RecorderConfig config;
    config.write.raw = false;
    Start(config);
    EXPECT_TRUE(dev.ProbeWriteTypes());
    const auto types = dev.WriteTypes();
    EXPECT_FALSE(types.Contains(TWriteType::CanWriteRaw));
    EXPECT_TRUE(types.Contains(TWriteType::CanWriteSAO));
    EXPECT_TRUE(types.Contains(TWriteType::CanWriteTAO));
    EXPECT_EQ(dev.WriteParametersPage()[2], 0x01) << "left with the track-at-once page";
    EXPECT_EQ(GetBE16(std::span(dev.WriteParametersPage()).subspan(14)), 150);
}
