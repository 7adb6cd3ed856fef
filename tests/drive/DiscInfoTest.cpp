// Media type, session count, buffer capacity and the waiting loop.
#include "DriveHarness.h"

#include <stdexcept>

using namespace kq;
using namespace dtest;

namespace {

class DiscInfoScripted : public ScriptedTest {};
class DiscInfoOnRecorder : public RecorderTest {};

Bytes Atip(uint8_t byte6) {
    Bytes a(26, 0);
    a[1] = 24;
    a[6] = byte6;
    return a;
}

Bytes DiscInfo(uint8_t byte2, uint8_t sessions) {
    Bytes d(34, 0);
    d[1] = 32;
    d[2] = byte2;
    d[4] = sessions;
    return d;
}

// Counts the pauses of the calling thread; time itself does not pass.
class PauseCounter : public kqtest::FakeTiming {
public:
    void SleepMs(uint32_t ms) override {
        pauses.push_back(ms);
        FakeTiming::SleepMs(ms);
    }
    std::vector<uint32_t> pauses;
};

}  // namespace

TEST_F(DiscInfoOnRecorder, MediaTypeFromTheCurrentProfile) {
    const std::pair<vrec::MediumKind, uint16_t> cases[] = {
        {vrec::MediumKind::CdR, media::CdR},         {vrec::MediumKind::CdRw, media::CdRw},
        {vrec::MediumKind::DvdR, media::DvdR},       {vrec::MediumKind::DvdPlusRw, media::DvdPlusRw},
        {vrec::MediumKind::DvdRwRo, media::DvdRwRestricted}, {vrec::MediumKind::None, media::None},
    };
    for (auto [medium, code] : cases) {
        vrec::RecorderConfig config;
        config.medium = medium;
        config.reads = {medium};
        Start(config);
        EXPECT_EQ(dev.GetMediaType(), code) << int(medium);
        if (code != media::None) {
            EXPECT_TRUE(Sent(0x43).empty()) << "a known profile needs no ATIP";
        }
    }
}

TEST_F(DiscInfoScripted, MediaTypeFallsBackToAtipDiscInformationAndReadiness) {
    for (auto [byte6, code] : {std::pair{0xC0, media::CdRw}, {0x80, media::CdR}, {0x00, media::CdRom}}) {
        answers[0x43] = Reply(Atip(static_cast<uint8_t>(byte6)));
        EXPECT_EQ(dev.GetMediaType(), code) << byte6;
    }
    answers.erase(0x43);
    answers[0x51] = Reply(DiscInfo(0x10, 1));
    EXPECT_EQ(dev.GetMediaType(), media::CdRw) << "erasable disc";
    answers.erase(0x51);
    answers[0x00] = Good();
    EXPECT_EQ(dev.GetMediaType(), media::CdRom) << "answers only TEST UNIT READY";
    answers.clear();
    EXPECT_EQ(dev.GetMediaType(), media::None) << "answers nothing";

    // An ATIP reply that stops before byte 6 tells nothing.
    Bytes shortAtip = Atip(0xC0);
    shortAtip[1] = 2;
    answers[0x43] = Reply(shortAtip);
    EXPECT_EQ(dev.GetMediaType(), media::None);
}

// A profile the burner does not write is named and refused by its name,
// though the disc information is there: never taken for a CD-R.
TEST_F(DiscInfoScripted, MediaTypeOfAProfileNotWrittenIsNeverACdR) {
    answers[0x51] = Reply(DiscInfo(0x0E, 1));
    for (auto [profile, name] : {std::pair<uint16_t, std::string>{0x0040, "BD-ROM"}, {0x002A, "DVD+RW DL"},
                                 {0x0051, "medium of profile 0051h"}, {0xFFFF, "medium of profile FFFFh"}}) {
        Bytes features{0, 0, 0, 4, 0, 0, static_cast<uint8_t>(profile >> 8), static_cast<uint8_t>(profile)};
        answers[0x46] = Reply(features);
        const uint16_t code = dev.GetMediaType();
        EXPECT_EQ(MediaName(code), name);
        EXPECT_NE(TraitsOf(code).refusal, nullptr) << name;
    }
}

TEST_F(DiscInfoScripted, SessionCountOfTheThreeDiscStates) {
    answers[0x51] = Reply(DiscInfo(0x01, 2));  // appendable, last session empty
    EXPECT_EQ(dev.RecordedSessionCount(), 1);
    answers[0x51] = Reply(DiscInfo(0x0E, 1));  // complete session, finalized
    EXPECT_EQ(dev.RecordedSessionCount(), 1);
    EXPECT_EQ(dev.DiscInformationBlock()[2], 0x03) << "byte 2 holds the session state";
    answers[0x51] = Reply(DiscInfo(0x00, 1));  // empty
    EXPECT_EQ(dev.RecordedSessionCount(), 0);
    answers.erase(0x51);
    EXPECT_EQ(dev.RecordedSessionCount(), 0);
}

TEST_F(DiscInfoScripted, DiscInformationBeyondItsLengthIsNotTaken) {
    Bytes d = DiscInfo(0x01, 5);
    d[1] = 2;  // declares bytes 2-3 only
    answers[0x51] = Reply(d);
    EXPECT_EQ(dev.RecordedSessionCount(), 0) << "byte 4 was not declared";
}

TEST_F(DiscInfoScripted, BufferCapacityAndItsUnknownBlankLength) {
    Bytes reply(12, 0);
    reply[1] = 10;
    PutBE32(std::span(reply).subspan(4), 2 * 1024 * 1024);
    PutBE32(std::span(reply).subspan(8), 0xFFFFFFFF);
    answers[0x5C] = Reply(reply);
    uint32_t size = 0, free = 0;
    ASSERT_TRUE(dev.ReadBufferCapacity(size, free));
    EXPECT_EQ(free, 0xFFFFFFFFu);
    EXPECT_EQ(dev.DeviceFreeBufferSize(), dev.DeviceBufferSize());

    reply[1] = 6;  // the blank length did not come
    answers[0x5C] = Reply(reply);
    EXPECT_FALSE(dev.ReadBufferCapacity(size, free));
    EXPECT_EQ(dev.DeviceFreeBufferSize(), 0u);
    EXPECT_EQ(dev.DeviceBufferSize(), 2u * 1024 * 1024) << "kept on failure";

    dev.SetDeviceFreeBufferSize(100);
    dev.TakeDeviceFreeBuffer(60);
    dev.TakeDeviceFreeBuffer(60);
    EXPECT_EQ(dev.DeviceFreeBufferSize(), 0u) << "never wraps";
}

TEST_F(DiscInfoOnRecorder, BufferCapacityOfTheRecorder) {
    Start({});
    uint32_t size = 0, free = 0;
    ASSERT_TRUE(dev.ReadBufferCapacity(size, free));
    EXPECT_EQ(size, 2u * 1024 * 1024);
    EXPECT_EQ(dev.DeviceBufferSize(), size);
    EXPECT_EQ(dev.DeviceFreeBufferSize(), free);
}

TEST_F(DiscInfoScripted, TocLengthAbove255IsRefusedUnsent) {
    std::array<uint8_t, 300> buffer{};
    EXPECT_THROW((void)dev.ReadTocPmaAtip(0, buffer, false, 0, 0, 256), std::out_of_range);
    EXPECT_TRUE(sent.empty());
}

TEST_F(DiscInfoScripted, WaitingOnADriveThatStaysNotReady) {
    PauseCounter timing;
    platform::ScopedTiming scope(timing);
    answers[0x51] = NotReady();
    answers[0x00] = NotReady();
    EXPECT_FALSE(dev.WaitUntilReady(10000, 5000));
    EXPECT_EQ(timing.pauses, (std::vector<uint32_t>{5000, 5000, 5000}));
    EXPECT_EQ(SentCdbs(0x51).size(), 3u);
}

TEST_F(DiscInfoScripted, WaitingOnAReadyDrivePausesOnce) {
    PauseCounter timing;
    platform::ScopedTiming scope(timing);
    answers[0x51] = Reply(DiscInfo(0x00, 1));
    answers[0x00] = Good();
    EXPECT_TRUE(dev.WaitUntilReady(10000, 5000));
    EXPECT_EQ(timing.pauses, std::vector<uint32_t>{5000});
}

TEST_F(DiscInfoScripted, SlowStartModelsWaitFirst) {
    PauseCounter timing;
    platform::ScopedTiming scope(timing);
    answers[0x51] = Reply(DiscInfo(0x00, 1));
    answers[0x00] = Good();
    dev.SetModelQuirks("TDK     ", "CDRW8432        ");
    EXPECT_TRUE(dev.WaitUntilReady(10000, 1000));
    EXPECT_EQ(timing.pauses, (std::vector<uint32_t>{1500, 1000}));
}

// DVD-RAM goes to REQUEST SENSE polling; response code F0h keeps it
// waiting even with ASC 0.
TEST_F(DiscInfoScripted, DvdRamPollsSenseUntilItClears) {
    PauseCounter timing;
    platform::ScopedTiming scope(timing);
    TSCSIDevice::SetMediaType(media::DvdRam);
    answers[0x00] = Good();
    int senses = 0;
    answers[0x03] = [&senses](SRB_ExecSCSICmd& srb) {
        Bytes s(18, 0);
        s[0] = ++senses < 3 ? 0xF0 : 0x70;
        s[7] = 10;
        std::copy_n(s.begin(), std::min<size_t>(s.size(), srb.SRB_BufLen), srb.SRB_BufPointer);
        srb.SRB_Status = SS_COMP;
    };
    EXPECT_TRUE(dev.WaitUntilReady(100000, 1000));
    EXPECT_EQ(senses, 3);
    EXPECT_EQ(timing.pauses, (std::vector<uint32_t>{1000, 1000, 1000}));
    EXPECT_TRUE(SentCdbs(0x51).empty());
}

// A REQUEST SENSE that fails leaves no sense to read, which is no sign of
// readiness: a drive gone ends the wait, a refused one is asked again.
TEST_F(DiscInfoScripted, FailedRequestSenseIsNoSignOfReadiness) {
    const struct { const char* name; Answer first; bool ready; int senses; } cases[] = {
        {"drive gone", kqtest::FakeTransport::Complete(SS_NO_DEVICE), false, 1},
        {"refused once", Refuse(), true, 2},
    };
    for (const auto& c : cases) {
        PauseCounter timing;
        platform::ScopedTiming scope(timing);
        TSCSIDevice::SetMediaType(media::DvdRam);
        answers[0x00] = Good();
        int senses = 0;
        answers[0x03] = [&](SRB_ExecSCSICmd& srb) { (++senses == 1 ? c.first : Reply({0x70, 0, 0, 0, 0, 0, 0, 10}))(srb); };
        EXPECT_EQ(dev.WaitUntilReady(100000, 1000), c.ready) << c.name;
        EXPECT_EQ(senses, c.senses) << c.name;
    }
}

// The invisible track of a blank CD-R: its number, start and free blocks
// as the recorder reports them, asked by track number FFh.
TEST_F(DiscInfoOnRecorder, TrackInformationOfTheInvisibleTrack) {
    vrec::RecorderConfig config;
    config.capacity = 359849;
    Start(config);
    std::array<uint8_t, 48> reply{};
    ASSERT_TRUE(dev.ReadTrackInformation(1, 0xFF, reply, 48));
    const auto sent = Sent(0x52);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(Bytes(sent[0].cdb.begin(), sent[0].cdb.begin() + 10),
              (Bytes{0x52, 0x01, 0, 0, 0, 0xFF, 0, 0, 48, 0}));
    EXPECT_EQ(GetBE32(std::span(reply).subspan(8)), 0u);          // track start
    EXPECT_EQ(GetBE32(std::span(reply).subspan(16)), 359849u);    // free blocks
    EXPECT_FALSE(dev.ReadTrackInformation(1, 0xFF, std::span(reply).first(8), 48));
}
